#include "output/SyslogFormat.h"
#include "framework/Utf16.h"
#include <cstdio>

namespace orlix::syslog {

const char* const kFacilityNames[kFacilityCount] = {
    "kern",   "user",   "mail",   "daemon", "auth",   "syslog", "lpr",    "news",
    "uucp",   "cron",   "authpriv", "ftp",  "ntp",    "security", "console", "solaris-cron",
    "local0", "local1", "local2", "local3", "local4", "local5", "local6", "local7",
};

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring_view Trim(std::wstring_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

bool SameAscii(std::wstring_view a, const char* b)
{
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (!b[i] || Lower(a[i]) != static_cast<wchar_t>(b[i]))
            return false;
    }
    return b[i] == 0;
}

// Decimal digits only, at most `max`; false otherwise.
bool ParseNumber(std::wstring_view s, unsigned long long max, unsigned long long& value)
{
    s = Trim(s);
    if (s.empty() || s.size() > 19)
        return false;
    unsigned long long v = 0;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - L'0');
    }
    if (v > max)
        return false;
    value = v;
    return true;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

} // namespace

bool ParsePort(std::wstring_view text, uint16_t& port)
{
    unsigned long long v = 0;
    if (!ParseNumber(text, 65535, v) || v == 0)
        return false;
    port = static_cast<uint16_t>(v);
    return true;
}

int ParseFacility(std::wstring_view text)
{
    text = Trim(text);
    unsigned long long v = 0;
    if (ParseNumber(text, kFacilityCount - 1, v))
        return static_cast<int>(v);
    for (int i = 0; i < kFacilityCount; ++i)
        if (SameAscii(text, kFacilityNames[i]))
            return i;
    return -1;
}

Settings ParseSettings(const SettingsText& t)
{
    Settings s;
    std::wstring_view enabled = Trim(t.enabled);
    s.enabled = enabled == L"1" || SameAscii(enabled, "true") || SameAscii(enabled, "on");
    std::wstring_view host = Trim(t.host);
    if (!host.empty() && host.size() <= kMaxHostName)
        s.host = std::wstring(host);
    uint16_t port = 0;
    if (ParsePort(t.port, port))
        s.port = port;
    if (SameAscii(Trim(t.transport), "tcp"))
        s.transport = Transport::Tcp;
    int facility = ParseFacility(t.facility);
    if (facility >= 0)
        s.facility = facility;
    unsigned long long lines = 0;
    if (ParseNumber(t.queueLines, kMaxQueueLines, lines) && lines >= kMinQueueLines)
        s.queueLines = static_cast<size_t>(lines);
    return s;
}

SettingsText FormatSettings(const Settings& s)
{
    SettingsText t;
    t.enabled = s.enabled ? L"1" : L"0";
    t.host = s.host;
    t.port = std::to_wstring(s.port);
    t.transport = s.transport == Transport::Tcp ? L"tcp" : L"udp";
    int f = Clamp(s.facility, 0, kFacilityCount - 1);
    for (const char* p = kFacilityNames[f]; *p; ++p)
        t.facility += static_cast<wchar_t>(*p);
    t.queueLines = std::to_wstring(s.queueLines);
    return t;
}

std::string FormatTimestamp(const Timestamp& t)
{
    int offset = Clamp(t.offsetMinutes, -23 * 60 - 59, 23 * 60 + 59);
    int absOffset = offset < 0 ? -offset : offset;
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                  Clamp(t.year, 0, 9999), Clamp(t.month, 1, 12), Clamp(t.day, 1, 31),
                  Clamp(t.hour, 0, 23), Clamp(t.minute, 0, 59), Clamp(t.second, 0, 59),
                  Clamp(t.millisecond, 0, 999), offset < 0 ? '-' : '+', absOffset / 60,
                  absOffset % 60);
    return buf;
}

std::string ToUtf8(std::wstring_view text)
{
    return fw::Utf8FromWide(text);
}

std::string PrintableField(std::wstring_view text, size_t maxLen)
{
    std::string out;
    for (size_t i = 0; i < text.size() && out.size() < maxLen; ++i) {
        wchar_t c = text[i];
        // A pair stands for one character: one replacement.
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
            text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i;
        out += c >= 33 && c <= 126 ? static_cast<char>(c) : '_';
    }
    return out.empty() ? std::string("-") : out;
}

size_t CutUtf8(std::string_view s, size_t maxBytes)
{
    if (s.size() <= maxBytes)
        return s.size();
    size_t cut = maxBytes;
    // Back over continuation bytes to the start of the character they belong to.
    size_t back = 0;
    while (cut > 0 && back < 3 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) {
        --cut;
        ++back;
    }
    return cut;
}

std::string FormatLine(const Message& m)
{
    int pri = Clamp(m.facility, 0, kFacilityCount - 1) * 8 + kSeverity;
    std::string out(1, '<');
    out += std::to_string(pri);
    out += ">1 ";
    out += FormatTimestamp(m.time);
    out += ' ';
    out += PrintableField(m.hostName, kMaxHostName);
    out += ' ';
    out += PrintableField(m.appName, kMaxAppName);
    out += ' ';
    out += m.procId ? std::to_string(m.procId) : std::string("-");
    out += " - - \xEF\xBB\xBF";
    out += ToUtf8(m.text);
    return out;
}

std::string_view UdpPayload(std::string_view message)
{
    return message.substr(0, CutUtf8(message, kUdpSafeBytes));
}

std::string OctetCountedFrame(std::string_view message)
{
    std::string out = std::to_string(message.size());
    out += ' ';
    out += message;
    return out;
}

} // namespace orlix::syslog
