#include "output/SyslogFormat.h"
#include "rows/Utf8Text.h"

#include <gtest/gtest.h>

using namespace orlix::syslog;

namespace {

Message Sample(std::wstring_view text)
{
    Message m;
    m.facility = 19;  // local3
    m.time = { 2026, 12, 8, 5, 19, 1, 7, 8 * 60 };
    m.hostName = L"BUILD-PC";
    m.appName = L"tracedemo.exe";
    m.procId = 4242;
    m.text = text;
    return m;
}

} // namespace

TEST(SyslogFormat, LineCarriesEveryField)
{
    EXPECT_EQ(FormatLine(Sample(L"hello")),
              "<158>1 2026-12-08T05:19:01.007+08:00 BUILD-PC tracedemo.exe 4242 - - "
              "\xEF\xBB\xBFhello");
    Message m = Sample(L"");
    m.facility = 1;
    m.appName = L"";
    m.procId = 0;
    m.hostName = L"";
    EXPECT_EQ(FormatLine(m), "<14>1 2026-12-08T05:19:01.007+08:00 - - - - - \xEF\xBB\xBF");
}

TEST(SyslogFormat, TimestampOffsets)
{
    EXPECT_EQ(FormatTimestamp({ 2026, 1, 2, 3, 4, 5, 999, 0 }), "2026-01-02T03:04:05.999+00:00");
    EXPECT_EQ(FormatTimestamp({ 2026, 1, 2, 3, 4, 5, 0, -(3 * 60 + 30) }),
              "2026-01-02T03:04:05.000-03:30");
    EXPECT_EQ(FormatTimestamp({ 2026, 1, 2, 3, 4, 5, 0, 5 * 60 + 45 }),
              "2026-01-02T03:04:05.000+05:45");
    // Nonsense never makes an unreadable stamp.
    EXPECT_EQ(FormatTimestamp({ 99999, 13, 0, 24, 60, 61, 1000, 100000 }),
              "9999-12-01T23:59:59.999+23:59");
}

TEST(SyslogFormat, HeaderFieldsArePrintableAsciiWithinLimits)
{
    EXPECT_EQ(PrintableField(L"my app.exe", kMaxAppName), "my_app.exe");
    EXPECT_EQ(PrintableField(L"程序.exe", kMaxAppName), "__.exe");
    EXPECT_EQ(PrintableField(L"\U0001F600x", kMaxAppName), "_x");  // one character, one '_'
    EXPECT_EQ(PrintableField(L"", kMaxAppName), "-");
    EXPECT_EQ(PrintableField(std::wstring(100, L'a'), kMaxAppName), std::string(48, 'a'));
    std::string host = PrintableField(std::wstring(300, L'h'), kMaxHostName);
    EXPECT_EQ(host.size(), 255u);
}

TEST(SyslogFormat, Utf8OfWideText)
{
    EXPECT_EQ(ToUtf8(L"a\u00e9\u4e2d"), "a\xC3\xA9\xE4\xB8\xAD");
    EXPECT_EQ(ToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
    std::wstring lone;
    lone += static_cast<wchar_t>(0xD800);
    lone += L'x';
    lone += static_cast<wchar_t>(0xDC00);
    EXPECT_EQ(ToUtf8(lone), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST(SyslogFormat, UdpCutKeepsWholeCharacters)
{
    // Header plus Chinese text well past the safe size: three bytes a character.
    std::string line = FormatLine(Sample(std::wstring(1000, L'\u4e2d')));
    ASSERT_GT(line.size(), kUdpSafeBytes);
    std::string_view cut = UdpPayload(line);
    EXPECT_LE(cut.size(), kUdpSafeBytes);
    EXPECT_GT(cut.size(), kUdpSafeBytes - 4);
    EXPECT_TRUE(orlix::IsValidUtf8(cut));
    EXPECT_EQ(line.compare(0, cut.size(), cut), 0);
    // Every cut position lands on a boundary, whatever the character widths.
    std::string mixed = ToUtf8(L"a\u00e9\u4e2d\U0001F600a\u00e9\u4e2d\U0001F600");
    for (size_t max = 0; max <= mixed.size(); ++max) {
        size_t n = CutUtf8(mixed, max);
        EXPECT_LE(n, max);
        EXPECT_TRUE(orlix::IsValidUtf8(mixed.substr(0, n))) << max;
        EXPECT_GE(n + 3, max) << max;
    }
    EXPECT_EQ(UdpPayload("short"), "short");
}

TEST(SyslogFormat, OctetCounting)
{
    EXPECT_EQ(OctetCountedFrame("abc"), "3 abc");
    EXPECT_EQ(OctetCountedFrame(""), "0 ");
    std::string line = FormatLine(Sample(L"\u4e2d"));
    std::string frame = OctetCountedFrame(line);
    EXPECT_EQ(frame, std::to_string(line.size()) + " " + line);
}

TEST(SyslogSettings, DefaultsForMissingOrDamagedValues)
{
    Settings d = ParseSettings(SettingsText{});
    EXPECT_FALSE(d.enabled);
    EXPECT_EQ(d.host, L"127.0.0.1");
    EXPECT_EQ(d.port, 514);
    EXPECT_EQ(d.transport, Transport::Udp);
    EXPECT_EQ(d.facility, 1);
    EXPECT_EQ(d.queueLines, kDefaultQueueLines);

    SettingsText damaged{ L"yes please", L"   ", L"70000", L"carrier pigeon", L"local9", L"-5" };
    Settings s = ParseSettings(damaged);
    EXPECT_FALSE(s.enabled);
    EXPECT_EQ(s.host, L"127.0.0.1");
    EXPECT_EQ(s.port, 514);
    EXPECT_EQ(s.transport, Transport::Udp);
    EXPECT_EQ(s.facility, 1);
    EXPECT_EQ(s.queueLines, kDefaultQueueLines);
    EXPECT_EQ(ParseSettings({ L"1", L"", L"0", L"", L"24", L"0" }).port, 514);
    EXPECT_EQ(ParseSettings({ L"1", L"", L"0", L"", L"24", L"0" }).queueLines, kDefaultQueueLines);
}

TEST(SyslogSettings, RoundTrip)
{
    Settings s;
    s.enabled = true;
    s.host = L"logs.example";
    s.port = 6514;
    s.transport = Transport::Tcp;
    s.facility = 23;
    s.queueLines = 250;
    SettingsText t = FormatSettings(s);
    EXPECT_EQ(t.facility, L"local7");
    EXPECT_EQ(t.transport, L"tcp");
    Settings back = ParseSettings(t);
    EXPECT_TRUE(back.enabled);
    EXPECT_EQ(back.host, s.host);
    EXPECT_EQ(back.port, s.port);
    EXPECT_EQ(back.transport, s.transport);
    EXPECT_EQ(back.facility, s.facility);
    EXPECT_EQ(back.queueLines, s.queueLines);
    // Facilities by number or by name, any case; ports with blanks around.
    EXPECT_EQ(ParseFacility(L" 16 "), 16);
    EXPECT_EQ(ParseFacility(L"LOCAL0"), 16);
    EXPECT_EQ(ParseFacility(L"kern"), 0);
    EXPECT_EQ(ParseFacility(L""), -1);
    uint16_t port = 0;
    EXPECT_TRUE(ParsePort(L" 65535 ", port));
    EXPECT_EQ(port, 65535);
    EXPECT_FALSE(ParsePort(L"65536", port));
    EXPECT_FALSE(ParsePort(L"5x", port));
    EXPECT_FALSE(ParsePort(L"99999999999999999999999", port));
}
