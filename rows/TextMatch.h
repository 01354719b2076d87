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
    // The same for a text of 8-bit units, each the character of that code
    // (U+0000..U+00FF); `scratch` is room for a widened copy when a regular
    // expression needs one.
    bool MatchesLatin1(const unsigned char* text, size_t length, std::wstring& scratch) const;
    // A text every match of the regular expression contains (folded to lower
    // case without matchCase), or empty when the pattern has none that is
    // plainly required. Lines without it are passed over cheaply.
    const std::wstring& RequiredText() const { return m_required; }

private:
    std::wstring m_pattern;
    std::wstring m_folded;   // the pattern folded to lower case (no matchCase)
    std::wstring m_required;
    MatchOptions m_options;
    std::shared_ptr<const std::wregex> m_regex;
    // The same expression over 8-bit units, for ASCII patterns: libstdc++
    // reads 8-bit text many times faster, and on ASCII text both agree.
    std::shared_ptr<const std::regex> m_asciiRegex;
};

// Lower case for comparisons without case: ASCII at once, the rest through
// the C library.
wchar_t FoldCase(wchar_t c);
// Letters, digits and '_' make words.
bool IsWordUnit(wchar_t c);
// The longest run of ASCII letters, digits and spaces that every match of an
// ECMAScript pattern must contain; empty when there is none it can be sure of
// (an alternative anywhere, say).
std::wstring RequiredLiteral(std::wstring_view pattern);

} // namespace orlix
