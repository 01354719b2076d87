// Forwarding to syslog: the settings and the RFC 5424 line of one captured
// message, its UDP cut and its TCP framing (RFC 6587 octet counting).
// Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orlix::syslog {

enum class Transport { Udp, Tcp };

// Every line goes out at this severity: informational. Captured lines are
// debug output, but log platforms commonly drop severity 7 by default, and
// a viewer that forwards them wants them kept.
constexpr int kSeverity = 6;
constexpr int kFacilityCount = 24;
// The facility names in code order (0 kern ... 23 local7).
extern const char* const kFacilityNames[kFacilityCount];

// Lines waiting for the server before new ones are counted as dropped.
constexpr size_t kDefaultQueueLines = 10000;
constexpr size_t kMinQueueLines = 1;
constexpr size_t kMaxQueueLines = 1000000;
// The largest UDP payload that fits one Ethernet frame unfragmented
// (1500 - 20 IPv4 - 8 UDP); datagrams are cut to it.
constexpr size_t kUdpSafeBytes = 1472;
// RFC 5424 field limits.
constexpr size_t kMaxHostName = 255;
constexpr size_t kMaxAppName = 48;
constexpr size_t kMaxProcId = 128;

struct Settings {
    bool enabled = false;
    std::wstring host = L"127.0.0.1";
    uint16_t port = 514;
    Transport transport = Transport::Udp;
    int facility = 1;  // user
    size_t queueLines = kDefaultQueueLines;
};

// The values as the settings file holds them (keys of the [Syslog] section).
struct SettingsText {
    std::wstring enabled, host, port, transport, facility, queueLines;
};
// Each missing or unreadable value gives its default.
Settings ParseSettings(const SettingsText& text);
SettingsText FormatSettings(const Settings& s);

// "1".."65535" (surrounding blanks allowed); false otherwise.
bool ParsePort(std::wstring_view text, uint16_t& port);
// A facility by number (0-23) or name ("local0", "user", any case); -1 when neither.
int ParseFacility(std::wstring_view text);

// Local arrival time with its offset from UTC (local = UTC + offsetMinutes).
struct Timestamp {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int offsetMinutes = 0;
};
// "2026-12-08T05:19:01.123+08:00"; out-of-range fields are clamped.
std::string FormatTimestamp(const Timestamp& t);

// UTF-8 of UTF-16 (or 32-bit wide) text; a lone surrogate or a value that
// is no character becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);
// PRINTUSASCII (33..126) of at most maxLen characters: any other character
// becomes '_'; empty text becomes the nil value "-".
std::string PrintableField(std::wstring_view text, size_t maxLen);
// The longest prefix of valid UTF-8 `s` of at most maxBytes that does not
// end inside a character.
size_t CutUtf8(std::string_view s, size_t maxBytes);

struct Message {
    int facility = 1;
    Timestamp time;
    std::wstring_view hostName;
    std::wstring_view appName;  // the process name; empty: "-"
    uint32_t procId = 0;        // 0: "-"
    std::wstring_view text;
};
// <PRI>1 TIMESTAMP HOSTNAME APP-NAME PROCID - - BOM text
std::string FormatLine(const Message& m);
// The message cut at a character boundary to fit one datagram.
std::string_view UdpPayload(std::string_view message);
// "LEN SP message" (RFC 6587 octet counting).
std::string OctetCountedFrame(std::string_view message);

} // namespace orlix::syslog
