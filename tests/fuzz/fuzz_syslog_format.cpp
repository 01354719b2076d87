// The syslog line of arbitrary captured text and names: always one header
// of printable fields, valid UTF-8 after the BOM, a UDP cut that ends on a
// character boundary within the safe size, and a frame whose count is the
// line's length. Settings text of any shape gives usable settings.
#include "output/SyslogFormat.h"
#include "rows/Utf8Text.h"

#include "FuzzSupport.h"

#include <string>

using namespace orlix::syslog;

namespace {

void CheckHeaderField(std::string_view field, size_t maxLen)
{
    FUZZ_CHECK(!field.empty() && field.size() <= maxLen);
    for (char c : field)
        FUZZ_CHECK(c >= 33 && c <= 126);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider p(data, size);
    Message m;
    m.facility = p.ConsumeIntegralInRange<int>(-5, 30);
    m.time.year = p.ConsumeIntegral<int>();
    m.time.month = p.ConsumeIntegral<int>();
    m.time.day = p.ConsumeIntegral<int>();
    m.time.hour = p.ConsumeIntegral<int>();
    m.time.minute = p.ConsumeIntegral<int>();
    m.time.second = p.ConsumeIntegral<int>();
    m.time.millisecond = p.ConsumeIntegral<int>();
    m.time.offsetMinutes = p.ConsumeIntegral<int>();
    m.procId = p.ConsumeIntegral<uint32_t>();
    const std::wstring host = fuzz::ConsumeUnits(p, 300);
    const std::wstring app = fuzz::ConsumeUnits(p, 80);
    const std::wstring text = fuzz::Utf16Units(p.ConsumeRemainingBytesAsString());
    m.hostName = host;
    m.appName = app;
    m.text = text;

    const std::string line = FormatLine(m);
    // <PRI>1 TIMESTAMP HOSTNAME APP-NAME PROCID - - BOM
    const size_t bom = line.find("\xEF\xBB\xBF");
    FUZZ_CHECK(bom != std::string::npos);
    std::string_view header(line.data(), bom);
    std::string_view fields[8];
    size_t n = 0, start = 0;
    for (size_t i = 0; i < header.size() && n < 8; ++i) {
        if (header[i] == ' ') {
            fields[n++] = header.substr(start, i - start);
            start = i + 1;
        }
    }
    FUZZ_CHECK(n == 7 && start == header.size());
    const int pri = std::stoi(std::string(fields[0].substr(1)));
    FUZZ_CHECK(fields[0][0] == '<' && pri >= 6 && pri <= 191 && pri % 8 == kSeverity);
    FUZZ_CHECK(fields[1].size() == 29);  // YYYY-MM-DDThh:mm:ss.mmm+hh:mm
    CheckHeaderField(fields[2], kMaxHostName);
    CheckHeaderField(fields[3], kMaxAppName);
    CheckHeaderField(fields[4], kMaxProcId);
    FUZZ_CHECK(fields[5] == "-" && fields[6] == "-");
    FUZZ_CHECK(orlix::IsValidUtf8(line));

    const std::string_view udp = UdpPayload(line);
    FUZZ_CHECK(udp.size() <= kUdpSafeBytes);
    FUZZ_CHECK(orlix::IsValidUtf8(udp));
    FUZZ_CHECK(line.compare(0, udp.size(), udp) == 0);
    FUZZ_CHECK(udp.size() == line.size() || udp.size() + 3 >= kUdpSafeBytes);

    const std::string frame = OctetCountedFrame(line);
    const size_t space = frame.find(' ');
    FUZZ_CHECK(std::stoul(frame.substr(0, space)) == line.size());
    FUZZ_CHECK(frame.compare(space + 1, std::string::npos, line) == 0);

    // The same bytes as settings text: whatever they hold, usable settings.
    SettingsText t{ host, app, host, app, host.substr(0, 8), app.substr(0, 8) };
    const Settings s = ParseSettings(t);
    FUZZ_CHECK(s.port != 0 && s.facility >= 0 && s.facility < kFacilityCount);
    FUZZ_CHECK(s.queueLines >= kMinQueueLines && s.queueLines <= kMaxQueueLines);
    FUZZ_CHECK(!s.host.empty() && s.host.size() <= kMaxHostName);
    const Settings back = ParseSettings(FormatSettings(s));
    FUZZ_CHECK(back.enabled == s.enabled && back.port == s.port && back.facility == s.facility &&
               back.transport == s.transport && back.queueLines == s.queueLines);
    return 0;
}
