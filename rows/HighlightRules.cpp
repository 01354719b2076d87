#include "rows/HighlightRules.h"

namespace orlix {

std::wstring FormatRuleColour(uint32_t colorref)
{
    // Written as RRGGBB, the way colours are usually read.
    uint32_t rgb = ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring s(6, L'0');
    for (int i = 5; i >= 0; --i, rgb >>= 4)
        s[i] = digits[rgb & 0xF];
    return s;
}

std::optional<uint32_t> ParseRuleColour(std::wstring_view s)
{
    if (s.size() != 6)
        return std::nullopt;
    uint32_t rgb = 0;
    for (wchar_t c : s) {
        int v;
        if (c >= L'0' && c <= L'9')
            v = c - L'0';
        else if (c >= L'a' && c <= L'f')
            v = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            v = c - L'A' + 10;
        else
            return std::nullopt;
        rgb = (rgb << 4) | static_cast<uint32_t>(v);
    }
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

// The next comma-separated field; false when no comma is left.
bool TakeRuleField(std::wstring_view& rest, std::wstring_view& field)
{
    size_t comma = rest.find(L',');
    if (comma == std::wstring_view::npos)
        return false;
    field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return true;
}

std::wstring FormatRule(const HighlightRule& rule)
{
    std::wstring flags;
    if (rule.matchCase)
        flags += L'c';
    if (rule.regex)
        flags += L'r';
    if (flags.empty())
        flags = L"-";
    return std::wstring(rule.kind == HighlightRule::ProcessIs ? L"process" : L"text") + L',' +
           flags + L',' + FormatRuleColour(rule.foreground) + L',' + FormatRuleColour(rule.background) + L',' +
           rule.pattern;
}

std::optional<HighlightRule> ParseRule(std::wstring_view line)
{
    HighlightRule rule;
    std::wstring_view kind, flags, fg, bg;
    if (!TakeRuleField(line, kind) || !TakeRuleField(line, flags) || !TakeRuleField(line, fg) ||
        !TakeRuleField(line, bg))
        return std::nullopt;
    if (kind == L"text")
        rule.kind = HighlightRule::TextContains;
    else if (kind == L"process")
        rule.kind = HighlightRule::ProcessIs;
    else
        return std::nullopt;
    if (flags.empty())
        return std::nullopt;
    if (flags != L"-") {
        for (wchar_t c : flags) {
            if (c == L'c')
                rule.matchCase = true;
            else if (c == L'r')
                rule.regex = true;
            else
                return std::nullopt;
        }
    }
    auto f = ParseRuleColour(fg);
    auto b = ParseRuleColour(bg);
    if (!f || !b || line.empty())
        return std::nullopt;
    rule.foreground = *f;
    rule.background = *b;
    rule.pattern = line;
    return rule;
}

bool HighlightRules::Compile(const HighlightRule& r, TextMatcher& matcher, std::wstring* why)
{
    MatchOptions o;
    o.matchCase = r.matchCase;
    o.regex = r.regex;
    std::wstring pattern = r.pattern;
    if (r.kind == HighlightRule::ProcessIs && !r.regex) {
        // The whole name, not a part of it: a regular expression says so.
        std::wstring escaped = L"^";
        for (wchar_t c : pattern) {
            if (std::wstring_view(L"\\^$.|?*+()[]{}/").find(c) != std::wstring_view::npos)
                escaped += L'\\';
            escaped += c;
        }
        escaped += L'$';
        pattern = escaped;
        o.regex = true;
    } else if (r.kind == HighlightRule::ProcessIs) {
        // The pattern must stand on its own before it is anchored.
        if (!matcher.Set(pattern, o, why))
            return false;
        pattern = L"^(?:" + pattern + L")$";
    }
    return matcher.Set(pattern, o, why);
}

HighlightRules::Check HighlightRules::CheckRule(const HighlightRule& rule, std::wstring* why)
{
    TextMatcher m;
    if (!Compile(rule, m, why))
        return Check::Invalid;
    return m.HoldsUpUnderStrain() ? Check::Ok : Check::TooComplex;
}

int HighlightRules::Set(std::vector<HighlightRule> rules)
{
    if (rules.size() > kMaxRules)
        rules.resize(kMaxRules);
    m_rules = std::move(rules);
    m_matchers.assign(m_rules.size(), TextMatcher());
    m_givenUp.assign(m_rules.size(), false);
    int bad = -1;
    for (size_t i = 0; i < m_rules.size(); ++i)
        if (!Compile(m_rules[i], m_matchers[i], nullptr) && bad < 0)
            bad = static_cast<int>(i);
    return bad;
}

int HighlightRules::Match(std::wstring_view processName, std::wstring_view text) const
{
    for (size_t i = 0; i < m_rules.size(); ++i) {
        if (m_givenUp[i])
            continue;
        std::wstring_view subject =
            m_rules[i].kind == HighlightRule::ProcessIs ? processName : text;
        switch (m_matchers[i].Match(subject)) {
        case MatchResult::Yes:
            return static_cast<int>(i);
        case MatchResult::TooComplex:
            m_givenUp[i] = true;
            break;
        case MatchResult::No:
            break;
        }
    }
    return -1;
}

} // namespace orlix
