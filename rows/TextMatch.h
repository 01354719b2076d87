// Matching one line's text against what the user looks for: plain text
// (with or without case, whole words only) or a regular expression (Perl
// syntax, on Boost.Regex). A regular expression's work on one line is
// bounded: one that would run on too long answers TooComplex instead, in
// well under a second. Compiled once; a compiled matcher may be used from
// several threads at once. Platform-free.
#pragma once
#include <memory>
#include <string>
#include <string_view>

namespace orlix {

struct MatchOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool regex = false;
};

enum class MatchResult { No, Yes, TooComplex };

class TextMatcher {
public:
    // Takes a pattern; false (and the matcher empty) when it is a regular
    // expression that does not compile: `error`, when given, then tells what
    // is wrong and where.
    bool Set(std::wstring_view pattern, const MatchOptions& options,
             std::wstring* error = nullptr);
    void Reset();
    bool Empty() const { return m_pattern.empty(); }
    const std::wstring& Pattern() const { return m_pattern; }
    const MatchOptions& Options() const { return m_options; }
    MatchResult Match(std::wstring_view text) const;
    // The same for a text of 8-bit units, each the character of that code
    // (U+0000..U+00FF); `scratch` is room for a widened copy when a regular
    // expression needs one.
    MatchResult MatchLatin1(const unsigned char* text, size_t length,
                            std::wstring& scratch) const;
    bool Matches(std::wstring_view text) const { return Match(text) == MatchResult::Yes; }
    bool MatchesLatin1(const unsigned char* text, size_t length, std::wstring& scratch) const
    {
        return MatchLatin1(text, length, scratch) == MatchResult::Yes;
    }
    // Where the next match at or after `from` lies (`start`, `length`); an
    // empty match has length 0.
    MatchResult Find(std::wstring_view text, size_t from, size_t& start, size_t& length) const;
    // A text every match of the regular expression contains (folded to lower
    // case without matchCase), or empty when the pattern has none that is
    // plainly required. Lines without it are passed over cheaply.
    const std::wstring& RequiredText() const { return m_required; }
    // False when the regular expression runs on too long over lines built to
    // provoke it (a run of one of its own characters, then one it does not
    // expect): what a rule that is matched against every line must not do.
    bool HoldsUpUnderStrain() const;

private:
    struct Compiled;
    std::wstring m_pattern;
    std::wstring m_folded;   // the pattern folded to lower case (no matchCase)
    std::wstring m_required;
    MatchOptions m_options;
    std::shared_ptr<const Compiled> m_compiled;
};

// Lower case for comparisons without case: ASCII at once, the rest through
// the C library.
wchar_t FoldCase(wchar_t c);
// Letters, digits and '_' make words.
bool IsWordUnit(wchar_t c);
// The longest run of ASCII letters, digits and spaces that every match of
// the pattern must contain; empty when there is none it can be sure of (an
// alternative anywhere, an inline option, say).
std::wstring RequiredLiteral(std::wstring_view pattern);

} // namespace orlix
