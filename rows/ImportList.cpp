#include "rows/ImportList.h"
#include "framework/Digits.h"
#include <climits>

namespace orlix {

namespace {

bool TwoDigits(std::wstring_view s, size_t at, unsigned max, uint16_t& out)
{
    if (at + 2 > s.size())
        return false;
    auto v = fw::ParseDigits(s.substr(at, 2), max);
    if (!v)
        return false;
    out = static_cast<uint16_t>(*v);
    return true;
}

// The process id as FormatPid writes it: signed decimal of 32 bits.
bool ParsePid(std::wstring_view s, uint32_t& out)
{
    if (s.size() > 11)
        return false;
    auto v = fw::ParseInteger(s, INT32_MIN, INT32_MAX);
    if (!v)
        return false;
    out = static_cast<uint32_t>(static_cast<int32_t>(*v));
    return true;
}

bool IsSecondsText(std::wstring_view s)
{
    size_t dot = s.find(L'.');
    if (dot == std::wstring_view::npos || dot == 0 || s.size() - dot != 4)
        return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (i != dot && (s[i] < L'0' || s[i] > L'9'))
            return false;
    return true;
}

// Splits off the field up to `sep`; false when there is none.
bool Take(std::wstring_view& rest, std::wstring_view sep, std::wstring_view& field)
{
    size_t at = rest.find(sep);
    if (at == std::wstring_view::npos)
        return false;
    field = rest.substr(0, at);
    rest.remove_prefix(at + sep.size());
    return true;
}

bool Fill(std::wstring_view name, std::wstring_view pid, std::wstring_view time,
          std::wstring_view text, ImportedRow& out)
{
    ImportedRow row;
    if (!ParsePid(pid, row.pid))
        return false;
    if (!ParseClockText(time, row.time) && !IsSecondsText(time))
        return false;
    row.name.assign(CutUnits(name, kMaxNameUnits));
    row.text.assign(CutUnits(text, kMaxTextUnits));
    out = std::move(row);
    return true;
}

} // namespace

bool ParseClockText(std::wstring_view s, ArrivalTime& out)
{
    ArrivalTime t;
    if (s.size() < 11 || s[2] != L':' || s[5] != L':' || !TwoDigits(s, 0, 23, t.hour) ||
        !TwoDigits(s, 3, 59, t.minute) || !TwoDigits(s, 6, 59, t.second))
        return false;
    if (s.size() == 11 && s[8] == L':' && s[9] == L'0' && s[10] == L'0') {
        out = t;
        return true;
    }
    if (s.size() == 12 && s[8] == L'.') {
        auto ms = fw::ParseDigits(s.substr(9), 999);
        if (!ms)
            return false;
        t.millisecond = static_cast<uint16_t>(*ms);
        out = t;
        return true;
    }
    return false;
}

bool ParseImportLine(std::wstring_view line, ImportedRow& out)
{
    std::wstring_view name, pid, time;
    // The log's form: name \t\t pid \t\t time \t\t text.
    // A name holds no tab (so a saved line is never mistaken for one).
    std::wstring_view rest = line;
    if (Take(rest, L"\t\t", name) && name.find(L'\t') == std::wstring_view::npos &&
        Take(rest, L"\t\t", pid) && Take(rest, L"\t\t", time) &&
        Fill(name, pid, time, rest, out))
        return true;
    // A saved list's form: every column followed by a tab.
    rest = line;
    if (rest.empty() || rest.back() != L'\t')
        return false;
    rest.remove_suffix(1);
    return Take(rest, L"\t", name) && Take(rest, L"\t", pid) && Take(rest, L"\t", time) &&
           Fill(name, pid, time, rest, out);
}

ImportResult ParseImportFile(const unsigned char* data, size_t size)
{
    ImportResult r;
    if (size < 2 || data[0] != 0xFF || data[1] != 0xFE || size % 2 != 0)
        return r;
    std::wstring text;
    text.reserve((size - 2) / 2);
    for (size_t i = 2; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    std::wstring_view all = text;
    size_t wellFormed = 0;
    while (!all.empty()) {
        size_t end = all.find(L"\r\n");
        std::wstring_view line = all.substr(0, end);
        all.remove_prefix(end == std::wstring_view::npos ? all.size() : end + 2);
        if (line.empty() && all.empty())
            break;
        ImportedRow row;
        if (ParseImportLine(line, row)) {
            ++wellFormed;
        } else {
            row = ImportedRow();
            row.text.assign(CutUnits(line, kMaxTextUnits));
            ++r.malformed;
        }
        r.rows.push_back(std::move(row));
    }
    r.ours = wellFormed > 0 || r.rows.empty();
    if (!r.ours) {
        r.rows.clear();
        r.malformed = 0;
    }
    return r;
}

} // namespace orlix
