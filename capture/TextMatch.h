// Matching one line's text against what the user looks for: plain text
// (with or without case, whole words only) or a regular expression
// (ECMAScript). Used by Find and by the highlight rules. Platform-free.
#pragma once
#include <memory>
#include <regex>
#include <string>
#include <string_view>

namespace orlix {

struct MatchOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool regex = false;
};

class TextMatcher {
public:
    // Takes a pattern; false (and the matcher empty) when a regular
    // expression does not compile.
    bool Set(std::wstring_view pattern, const MatchOptions& options);
    void Reset();
    bool Empty() const { return m_pattern.empty(); }
    const std::wstring& Pattern() const { return m_pattern; }
    const MatchOptions& Options() const { return m_options; }
    bool Matches(std::wstring_view text) const;

private:
    bool PlainMatches(std::wstring_view text) const;

    std::wstring m_pattern;
    std::wstring m_folded;   // the pattern folded to lower case (no matchCase)
    MatchOptions m_options;
    std::shared_ptr<const std::wregex> m_regex;
};

// Lower case for comparisons without case: ASCII at once, the rest through
// the C library.
wchar_t FoldCase(wchar_t c);
// Letters, digits and '_' make words.
bool IsWordUnit(wchar_t c);

} // namespace orlix
