// Text forms of a captured line: list columns, log line, saved line.
// Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orlix {

// The list's columns, as the view shows them and printing repeats them.
struct ListColumn {
    const wchar_t* heading;
    int width;   // initial width in pixels
};
constexpr size_t kListColumnCount = 4;
constexpr ListColumn kListColumns[kListColumnCount] = {
    { L"Process", 150 }, { L"pID", 100 }, { L"Time", 90 }, { L"Logmessage", 450 },
};

// The message for a file that could not be opened for writing.
std::wstring OpenFileFailedText(std::wstring_view path);

// What the intake keeps of a line (longer input is cut to these).
constexpr size_t kMaxTextUnits = 4095;
constexpr size_t kMaxNameUnits = 127;

// Local arrival time, kept to the millisecond.
struct ArrivalTime {
    uint16_t hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The time as the list, the log and a saved list show it: whole seconds.
inline ArrivalTime ShownTime(ArrivalTime t)
{
    t.millisecond = 0;
    return t;
}

// Cuts text to at most maxUnits UTF-16 units without splitting a surrogate
// pair (wide characters of 32 bits are never split).
std::wstring_view CutUnits(std::wstring_view text, size_t maxUnits);

// "HH:MM:SS:MS"; the list, the log and a saved list pass ShownTime, so it
// reads "HH:MM:SS:00".
std::wstring FormatTime(const ArrivalTime& t);
// The process id in signed decimal, as the list and the log show it.
std::wstring FormatPid(uint32_t pid);
// name "\t\t" pid "\t\t" time "\t\t" text "\r\n"
std::wstring FormatLogLine(std::wstring_view name, uint32_t pid, const ArrivalTime& t,
                           std::wstring_view text);
// The same with the pid field's text as given.
std::wstring FormatLogLine(std::wstring_view name, std::wstring_view pid, const ArrivalTime& t,
                           std::wstring_view text);
// The same with an empty pid field (a followed file's line).
std::wstring FormatLogLineWithoutPid(std::wstring_view name, const ArrivalTime& t,
                                     std::wstring_view text);
// Each column followed by a tab, then "\r\n": one line of a saved list.
void AppendSavedLine(std::wstring& out, const std::wstring_view* columns, size_t count);

} // namespace orlix
