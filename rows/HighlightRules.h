// Ordered colour rules for the list's rows: the first rule that matches a
// row gives its text and background colours. Kept in the settings file one
// rule per line. Platform-free.
#pragma once
#include "rows/TextMatch.h"
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlix {

struct HighlightRule {
    enum Kind { TextContains = 0, ProcessIs = 1 };
    Kind kind = TextContains;
    std::wstring pattern;
    bool matchCase = false;
    bool regex = false;
    uint32_t foreground = 0x000000;   // 0x00BBGGRR, as a COLORREF
    uint32_t background = 0x99FFFF;   // light yellow
};

// "text|process,FLAGS,RRGGBB,RRGGBB,pattern": FLAGS "-" or any of c (match
// case) and r (regular expression). The pattern is the rest of the line.
std::wstring FormatRule(const HighlightRule& rule);
std::optional<HighlightRule> ParseRule(std::wstring_view line);

class HighlightRules {
public:
    static constexpr size_t kMaxRules = 16;

    // Whether a rule can be kept: its pattern compiles, and it does not run
    // on too long over lines built to provoke it (a rule is matched against
    // every row). `why` gets the library's words for a pattern that does not
    // compile.
    enum class Check { Ok, Invalid, TooComplex };
    static Check CheckRule(const HighlightRule& rule, std::wstring* why = nullptr);

    // Takes the rules (at most kMaxRules); rules whose pattern does not
    // compile stay in the list but never match. Returns the index of the
    // first such rule, or -1.
    int Set(std::vector<HighlightRule> rules);
    const std::vector<HighlightRule>& Rules() const { return m_rules; }
    bool Empty() const { return m_rules.empty(); }
    // The index of the first rule that matches, or -1. A rule that runs on
    // too long over a row is passed over from then on.
    int Match(std::wstring_view processName, std::wstring_view text) const;

private:
    static bool Compile(const HighlightRule& rule, TextMatcher& matcher, std::wstring* why);
    std::vector<HighlightRule> m_rules;
    std::vector<TextMatcher> m_matchers;
    mutable std::vector<bool> m_givenUp;
};

// The pieces of a rule's text form, shared by the rule formats: a colour as
// RRGGBB (a COLORREF, 0x00BBGGRR, in and out); the next comma-separated field
// of `rest` (false when no comma is left).
std::wstring FormatRuleColour(uint32_t colorref);
std::optional<uint32_t> ParseRuleColour(std::wstring_view s);
bool TakeRuleField(std::wstring_view& rest, std::wstring_view& field);

} // namespace orlix
