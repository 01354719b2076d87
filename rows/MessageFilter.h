// The message filter: which trace lines become rows of the list. Two lists
// of search strings, exchanged with the dialog and with param.ini as list
// texts in which every item is followed by ";". Platform-free.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Fills `out` with the items of `text` that each end at `sep`. An empty item
// (two separators in a row, or one at the start) ends the list, and text
// behind the last separator is dropped.
void SplitList(std::wstring_view text, wchar_t sep, std::vector<std::wstring>& out);

class MessageFilter {
public:
    MessageFilter() = default;
    MessageFilter(const MessageFilter&) = default;
    MessageFilter& operator=(const MessageFilter&) = default;
    virtual ~MessageFilter() = default;

    // True when the line is to be shown. Switches the filter off when it
    // meets two empty lists. A null text counts as the empty text.
    bool Matches(const wchar_t* text);

    // Replaces both lists from their list texts; a null pointer counts as
    // the empty text, and a missing final ";" is supplied. A "*" in either
    // text switches filtering off and leaves the marker item "*;" at the end
    // of the include list.
    void SetFilters(const wchar_t* include, const wchar_t* exclude);

    // The two list texts, whole ("a;b;" for the items a and b, ";" for an
    // empty list). Replaces what the strings held.
    void GetFilters(std::wstring& include, std::wstring& exclude) const;

    // The same into caller buffers of the given sizes in units, terminator
    // included. A text that does not fit is refused, never cut: its buffer
    // gets the empty text (when it has room for a terminator) and the result
    // is false. Nothing is written past either buffer.
    bool GetFilters(wchar_t* include, size_t includeUnits,
                    wchar_t* exclude, size_t excludeUnits) const;

    // A filter is in force: some line could be turned away.
    bool InForce() const { return m_bActive && (!m_include.empty() || !m_exclude.empty()); }

    std::vector<std::wstring> m_include;
    std::vector<std::wstring> m_exclude;
    bool m_bActive = false;
};
