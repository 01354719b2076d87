#include "rows/RecordFormat.h"
#include "framework/Utf16.h"
#include <cstdio>

namespace orlix {

std::wstring OpenFileFailedText(std::wstring_view path)
{
    std::wstring s = L"Open File ";
    s += path;
    s += L" failed";
    return s;
}

std::wstring_view CutUnits(std::wstring_view text, size_t maxUnits)
{
    if (text.size() <= maxUnits)
        return text;
    size_t n = maxUnits;
    // Do not keep the first half of a surrogate pair without its second half.
    if (n > 0 && fw::OpensSurrogatePair(text[n - 1]))
        --n;
    return text.substr(0, n);
}

static void AppendTwoDigits(std::wstring& s, unsigned v)
{
    if (v >= 100) {
        s += std::to_wstring(v);
        return;
    }
    s += static_cast<wchar_t>(L'0' + v / 10);
    s += static_cast<wchar_t>(L'0' + v % 10);
}

std::wstring FormatTime(const ArrivalTime& t)
{
    std::wstring s;
    s.reserve(11);
    AppendTwoDigits(s, t.hour);
    s += L':';
    AppendTwoDigits(s, t.minute);
    s += L':';
    AppendTwoDigits(s, t.second);
    s += L':';
    AppendTwoDigits(s, t.millisecond);
    return s;
}

std::wstring FormatPid(uint32_t pid)
{
    return std::to_wstring(static_cast<int32_t>(pid));
}

std::wstring FormatLogLine(std::wstring_view name, uint32_t pid, const ArrivalTime& t,
                           std::wstring_view text)
{
    return FormatLogLine(name, FormatPid(pid), t, text);
}

std::wstring FormatLogLineWithoutPid(std::wstring_view name, const ArrivalTime& t,
                                     std::wstring_view text)
{
    return FormatLogLine(name, std::wstring_view(), t, text);
}

std::wstring FormatLogLine(std::wstring_view name, std::wstring_view pid, const ArrivalTime& t,
                           std::wstring_view text)
{
    std::wstring s;
    s.reserve(name.size() + text.size() + 32);
    s.append(name);
    s += L"\t\t";
    s += pid;
    s += L"\t\t";
    s += FormatTime(t);
    s += L"\t\t";
    s.append(text);
    s += L"\r\n";
    return s;
}

void AppendSavedLine(std::wstring& out, const std::wstring_view* columns, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        out.append(columns[i]);
        out += L'\t';
    }
    out += L"\r\n";
}

} // namespace orlix
