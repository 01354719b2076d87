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
    row.hasPid = !pid.empty();
    if (row.hasPid && !ParsePid(pid, row.pid))
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

void ImportReader::Feed(const unsigned char* bytes, size_t size, std::vector<ImportedRow>& out)
{
    if (m_verdict == Verdict::NotOurs)
        return;
    size_t i = 0;
    // The byte-order mark: the first two bytes of the file.
    while (m_bytes < 2 && i < size) {
        if (bytes[i] != (m_bytes == 0 ? 0xFF : 0xFE)) {
            m_verdict = Verdict::NotOurs;
            m_waiting.clear();
            return;
        }
        ++m_bytes;
        ++i;
    }
    for (; i < size; ++i, ++m_bytes) {
        if (m_oddByte < 0) {
            m_oddByte = bytes[i];
            continue;
        }
        const wchar_t c = static_cast<wchar_t>(m_oddByte | (bytes[i] << 8));
        m_oddByte = -1;
        // Lines end in CR LF; a CR alone stays part of its line.
        if (c == L'\n' && m_lastWasCr) {
            m_line.pop_back();
            Line(m_line, out);
            m_line.clear();
            m_lastWasCr = false;
            if (m_verdict == Verdict::NotOurs)
                return;
            continue;
        }
        m_lastWasCr = c == L'\r';
        // A line longer than a row keeps is cut: only what a row can hold
        // (and what tells its form) is kept of it.
        if (m_line.size() < 4 * kMaxTextUnits)
            m_line += c;
    }
}

void ImportReader::Line(std::wstring_view line, std::vector<ImportedRow>& out)
{
    ImportedRow row;
    const bool wellFormed = ParseImportLine(line, row);
    if (!wellFormed) {
        row = ImportedRow();
        row.text.assign(CutUnits(line, kMaxTextUnits));
        ++m_malformed;
    }
    if (m_verdict == Verdict::Ours) {
        out.push_back(std::move(row));
        return;
    }
    m_waiting.push_back(std::move(row));
    if (wellFormed) {
        m_verdict = Verdict::Ours;
        for (ImportedRow& r : m_waiting)
            out.push_back(std::move(r));
        m_waiting.clear();
    } else if (m_waiting.size() >= kDecideLines) {
        m_verdict = Verdict::NotOurs;
        m_waiting.clear();
        m_malformed = 0;
    }
}

ImportReader::Verdict ImportReader::Finish(std::vector<ImportedRow>& out)
{
    if (m_verdict == Verdict::NotOurs)
        return m_verdict;
    if (m_bytes < 2 || m_oddByte >= 0) {
        m_verdict = Verdict::NotOurs;   // no mark, or an odd length
        m_waiting.clear();
        m_malformed = 0;
        return m_verdict;
    }
    if (!m_line.empty())
        Line(m_line, out);
    m_line.clear();
    if (m_verdict == Verdict::Undecided) {
        // Not a line in either form: ours only when there was no line at all.
        m_verdict = m_waiting.empty() ? Verdict::Ours : Verdict::NotOurs;
        m_waiting.clear();
        if (m_verdict == Verdict::NotOurs)
            m_malformed = 0;
    }
    return m_verdict;
}

ImportResult ParseImportFile(const unsigned char* data, size_t size)
{
    ImportReader reader;
    ImportResult r;
    reader.Feed(data, size, r.rows);
    r.ours = reader.Finish(r.rows) == ImportReader::Verdict::Ours;
    r.malformed = r.ours ? reader.Malformed() : 0;
    if (!r.ours)
        r.rows.clear();
    return r;
}

} // namespace orlix
