#include "view/ViewSettings.h"
#include "settings/OptionsFile.h"
#include "framework/Digits.h"

namespace {

bool ReadFlag(const wchar_t* section, const wchar_t* key, bool fallback)
{
    std::wstring v = orlix::ReadTextOption(section, key);
    if (v == L"1")
        return true;
    if (v == L"0")
        return false;
    return fallback;
}

void WriteFlag(const wchar_t* section, const wchar_t* key, bool on)
{
    orlix::WriteTextOption(section, key, on ? L"1" : L"0");
}

} // namespace

FindSettings LoadFindSettings()
{
    FindSettings f;
    f.options.matchCase = ReadFlag(L"Find", L"MatchCase", false);
    f.options.wholeWord = ReadFlag(L"Find", L"WholeWord", false);
    f.options.regex = ReadFlag(L"Find", L"Regex", false);
    f.forward = !ReadFlag(L"Find", L"Up", false);
    f.text = orlix::ReadTextOption(L"Find", L"Text");
    return f;
}

void SaveFindSettings(const FindSettings& f)
{
    orlix::WriteTextOption(L"Find", L"Text", f.text);
    WriteFlag(L"Find", L"MatchCase", f.options.matchCase);
    WriteFlag(L"Find", L"WholeWord", f.options.wholeWord);
    WriteFlag(L"Find", L"Regex", f.options.regex);
    WriteFlag(L"Find", L"Up", !f.forward);
}

std::vector<orlix::HighlightRule> LoadHighlightRules()
{
    std::vector<orlix::HighlightRule> rules;
    const size_t n =
        fw::ParseDigits(orlix::ReadTextOption(L"Highlight", L"Count"), 100).value_or(0);
    for (size_t i = 1; i <= n && rules.size() < orlix::HighlightRules::kMaxRules; ++i) {
        std::wstring key = L"Rule" + std::to_wstring(i);
        // A rule that would run on too long is passed over (none is kept so
        // now; an older file may hold one).
        if (auto r = orlix::ParseRule(orlix::ReadTextOption(L"Highlight", key.c_str())))
            if (orlix::HighlightRules::CheckRule(*r) != orlix::HighlightRules::Check::TooComplex)
                rules.push_back(*r);
    }
    return rules;
}

void SaveHighlightRules(const std::vector<orlix::HighlightRule>& rules)
{
    // The section is written anew: no stale rule lines are left behind.
    orlix::ClearOptionSection(L"Highlight");
    orlix::WriteTextOption(L"Highlight", L"Count", std::to_wstring(rules.size()));
    for (size_t i = 0; i < rules.size(); ++i) {
        std::wstring key = L"Rule" + std::to_wstring(i + 1);
        orlix::WriteTextOption(L"Highlight", key.c_str(), orlix::FormatRule(rules[i]));
    }
}

orlix::ViewRule ViewRuleFromHighlight(const orlix::HighlightRule& h)
{
    orlix::ViewRule r;
    r.action = orlix::ViewRule::Action::Highlight;
    r.matchCase = h.matchCase;
    r.foreground = h.foreground;
    r.background = h.background;
    if (h.kind == orlix::HighlightRule::ProcessIs) {
        r.field = orlix::ViewRule::Field::Process;
        r.match = h.regex ? orlix::ViewRule::Match::Regex : orlix::ViewRule::Match::Equals;
        r.pattern = h.regex ? L"^(?:" + h.pattern + L")$" : h.pattern;
    } else {
        r.match = h.regex ? orlix::ViewRule::Match::Regex : orlix::ViewRule::Match::Contains;
        r.pattern = h.pattern;
    }
    return r;
}
