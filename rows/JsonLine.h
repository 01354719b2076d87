// One captured line as a JSON object of its own line (JSON Lines), for
// tools: {"time":"2026-12-09T06:33:37.123","pid":1234,"process":"a.exe",
// "text":"..."} and "\n". Quotes, backslashes and control characters are
// escaped; every other character stays as it is, so the UTF-8 the caller
// makes of it is valid JSON (a lone surrogate half becomes U+FFFD there).
// Platform-free.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orlix {

// Local date and time of a line, to the millisecond.
struct JsonTime {
    uint16_t year = 0, month = 0, day = 0;
    uint16_t hour = 0, minute = 0, second = 0, millisecond = 0;
};

// `text` as a JSON string, quotes included, appended to `out`.
void AppendJsonString(std::wstring& out, std::wstring_view text);
// A line of no process (a followed file's) has "pid":null.
std::wstring FormatJsonLine(const JsonTime& t, std::optional<uint32_t> pid,
                            std::wstring_view process, std::wstring_view text);

} // namespace orlix
