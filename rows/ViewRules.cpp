#include "rows/ViewRules.h"
#include "rows/HighlightRules.h"
#include "rows/RecordFormat.h"
#include "framework/Utf16.h"
#include <algorithm>

namespace orlix {

namespace {

const wchar_t* const kActions[] = { L"include", L"exclude", L"highlight", L"token",
                                    L"track",   L"stop",    L"notify" };
const wchar_t* const kFields[] = { L"text", L"process", L"pid" };
const wchar_t* const kMatches[] = { L"contains", L"word", L"regex", L"equals" };

template <class E, size_t N>
std::optional<E> Named(std::wstring_view word, const wchar_t* const (&names)[N])
{
    for (size_t i = 0; i < N; ++i)
        if (word == names[i])
            return static_cast<E>(i);
    return std::nullopt;
}

std::wstring Folded(std::wstring_view s)
{
    std::wstring out(s);
    for (wchar_t& c : out)
        c = FoldCase(c);
    return out;
}

// The matcher of a rule that is not "equals": plain text, whole words or a
// regular expression.
bool Compile(const ViewRule& r, TextMatcher& m, std::wstring* why)
{
    MatchOptions o;
    o.matchCase = r.matchCase;
    o.wholeWord = r.match == ViewRule::Match::WholeWord;
    o.regex = r.match == ViewRule::Match::Regex;
    return m.Set(r.pattern, o, why);
}

} // namespace

std::wstring FormatViewRule(const ViewRule& r)
{
    std::wstring flags;
    if (r.matchCase)
        flags += L'c';
    if (!r.enabled)
        flags += L'd';
    if (flags.empty())
        flags = L"-";
    return std::wstring(kActions[static_cast<int>(r.action)]) + L',' +
           kFields[static_cast<int>(r.field)] + L',' + kMatches[static_cast<int>(r.match)] +
           L',' + flags + L',' + FormatRuleColour(r.foreground) + L',' + FormatRuleColour(r.background) + L',' +
           r.pattern;
}

std::optional<ViewRule> ParseViewRule(std::wstring_view line, std::wstring* why)
{
    auto fail = [why](const wchar_t* what) {
        if (why)
            *why = what;
        return std::nullopt;
    };
    ViewRule r;
    std::wstring_view action, field, match, flags, fg, bg;
    if (!TakeRuleField(line, action) || !TakeRuleField(line, field) || !TakeRuleField(line, match) ||
        !TakeRuleField(line, flags) || !TakeRuleField(line, fg) || !TakeRuleField(line, bg))
        return fail(L"a rule has seven parts separated by commas");
    auto a = Named<ViewRule::Action>(action, kActions);
    if (!a)
        return fail(L"the action is not one of include, exclude, highlight, token, track, "
                    L"stop, notify");
    auto f = Named<ViewRule::Field>(field, kFields);
    if (!f)
        return fail(L"the field is not one of text, process, pid");
    auto m = Named<ViewRule::Match>(match, kMatches);
    if (!m)
        return fail(L"the match is not one of contains, word, regex, equals");
    if (flags.empty())
        return fail(L"the flags are empty (\"-\" for none)");
    if (flags != L"-") {
        for (wchar_t c : flags) {
            if (c == L'c')
                r.matchCase = true;
            else if (c == L'd')
                r.enabled = false;
            else
                return fail(L"a flag is not c (match case) or d (disabled)");
        }
    }
    auto fore = ParseRuleColour(fg);
    auto back = ParseRuleColour(bg);
    if (!fore || !back)
        return fail(L"a colour is not six hexadecimal digits (RRGGBB)");
    if (line.empty())
        return fail(L"the pattern is empty");
    r.action = *a;
    r.field = *f;
    r.match = *m;
    r.foreground = *fore;
    r.background = *back;
    r.pattern = line;
    return r;
}

std::string FormatViewPreset(const ViewPreset& preset)
{
    std::wstring text = L"# Orlix view rules: name=, then rule=action,field,match,flags,"
                        L"RRGGBB,RRGGBB,pattern in order\r\n";
    if (!preset.name.empty())
        text += L"name=" + preset.name + L"\r\n";
    for (const ViewRule& r : preset.rules)
        text += L"rule=" + FormatViewRule(r) + L"\r\n";
    return fw::Utf8FromWide(text);
}

std::optional<ViewPreset> ParseViewPreset(std::string_view bytes, std::wstring* error)
{
    auto fail = [error](size_t line, const std::wstring& what) {
        if (error)
            *error = L"line " + std::to_wstring(line) + L": " + what;
        return std::nullopt;
    };
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    ViewPreset preset;
    bool named = false;
    size_t number = 0;
    while (!bytes.empty()) {
        ++number;
        const size_t lf = bytes.find('\n');
        std::string_view raw = bytes.substr(0, lf);
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        std::wstring line;
        if (!fw::DecodeUtf8(raw, line))
            return fail(number, L"not UTF-8 text");
        if (line.empty() || line[0] == L'#')
            continue;
        const size_t eq = line.find(L'=');
        const std::wstring_view key = std::wstring_view(line).substr(0, eq);
        if (eq == std::wstring::npos)
            return fail(number, L"expected name=... or rule=...");
        const std::wstring_view value = std::wstring_view(line).substr(eq + 1);
        if (key == L"name") {
            if (named)
                return fail(number, L"a second name");
            preset.name = value;
            named = true;
        } else if (key == L"rule") {
            std::wstring why;
            auto rule = ParseViewRule(value, &why);
            if (!rule)
                return fail(number, why);
            if (preset.rules.size() >= ViewRuleSet::kMaxRules)
                return fail(number, L"more than " + std::to_wstring(ViewRuleSet::kMaxRules) +
                                        L" rules");
            preset.rules.push_back(std::move(*rule));
        } else {
            return fail(number, L"unknown key \"" + std::wstring(key) + L"\"");
        }
    }
    return preset;
}

ViewRuleSet::Check ViewRuleSet::CheckRule(const ViewRule& rule, std::wstring* why)
{
    if (rule.pattern.empty())
        return Check::Invalid;
    if (rule.match == ViewRule::Match::Equals)
        return Check::Ok;
    TextMatcher m;
    if (!Compile(rule, m, why))
        return Check::Invalid;
    return m.HoldsUpUnderStrain() ? Check::Ok : Check::TooComplex;
}

void ViewRuleSet::Set(std::vector<ViewRule> rules)
{
    if (rules.size() > kMaxRules)
        rules.resize(kMaxRules);
    m_rules = std::move(rules);
    m_matchers.assign(m_rules.size(), TextMatcher());
    m_equals.assign(m_rules.size(), std::wstring());
    m_givenUp.assign(m_rules.size(), false);
    m_includes = m_excludes = m_highlights = m_tokens = m_arrivals = 0;
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const ViewRule& r = m_rules[i];
        if (r.match == ViewRule::Match::Equals)
            m_equals[i] = r.matchCase ? r.pattern : Folded(r.pattern);
        else if (!Compile(r, m_matchers[i], nullptr))
            m_givenUp[i] = true;   // never matches
        if (!r.enabled)
            continue;
        switch (r.action) {
        case ViewRule::Action::Include: ++m_includes; break;
        case ViewRule::Action::Exclude: ++m_excludes; break;
        case ViewRule::Action::Highlight: ++m_highlights; break;
        case ViewRule::Action::Token: ++m_tokens; break;
        default: ++m_arrivals; break;
        }
    }
}

bool ViewRuleSet::Matches(size_t i, std::wstring_view name, uint32_t pid,
                          std::wstring_view text) const
{
    const ViewRule& r = m_rules[i];
    if (!r.enabled || m_givenUp[i])
        return false;
    std::wstring pidText;
    std::wstring_view subject = text;
    if (r.field == ViewRule::Field::Process) {
        subject = name;
    } else if (r.field == ViewRule::Field::Pid) {
        pidText = FormatPid(pid);
        subject = pidText;
    }
    if (r.match == ViewRule::Match::Equals) {
        if (subject.size() != m_equals[i].size())
            return false;
        if (r.matchCase)
            return subject == m_equals[i];
        for (size_t k = 0; k < subject.size(); ++k)
            if (FoldCase(subject[k]) != m_equals[i][k])
                return false;
        return true;
    }
    switch (m_matchers[i].Match(subject)) {
    case MatchResult::Yes:
        return true;
    case MatchResult::TooComplex:
        m_givenUp[i] = true;
        return false;
    default:
        return false;
    }
}

bool ViewRuleSet::Shows(std::wstring_view name, uint32_t pid, std::wstring_view text) const
{
    if (!Filters())
        return true;
    bool included = m_includes == 0;
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const ViewRule::Action a = m_rules[i].action;
        if (a == ViewRule::Action::Exclude) {
            if (Matches(i, name, pid, text))
                return false;
        } else if (a == ViewRule::Action::Include && !included) {
            included = Matches(i, name, pid, text);
        }
    }
    return included;
}

RowVerdict ViewRuleSet::Evaluate(std::wstring_view name, uint32_t pid,
                                 std::wstring_view text, std::optional<bool> shown) const
{
    RowVerdict v;
    v.shown = shown ? *shown : Shows(name, pid, text);
    if (!v.shown)
        return v;
    for (size_t i = 0; i < m_rules.size(); ++i) {
        switch (m_rules[i].action) {
        case ViewRule::Action::Highlight:
            if (v.highlight < 0 && Matches(i, name, pid, text))
                v.highlight = static_cast<int>(i);
            break;
        case ViewRule::Action::Track:
            v.track = v.track || Matches(i, name, pid, text);
            break;
        case ViewRule::Action::Stop:
            v.stop = v.stop || Matches(i, name, pid, text);
            break;
        case ViewRule::Action::Notify:
            v.notify = v.notify || Matches(i, name, pid, text);
            break;
        default:
            break;
        }
    }
    return v;
}

std::vector<TokenSpan> ViewRuleSet::Tokens(std::wstring_view text) const
{
    std::vector<TokenSpan> spans;
    if (m_tokens == 0)
        return spans;
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const ViewRule& r = m_rules[i];
        if (r.action != ViewRule::Action::Token || !r.enabled || m_givenUp[i] ||
            r.field != ViewRule::Field::Text)
            continue;
        size_t from = 0, start = 0, length = 0;
        while (from <= text.size()) {
            MatchResult found;
            if (r.match == ViewRule::Match::Equals) {
                const bool eq = Matches(i, std::wstring_view(), 0, text);
                found = eq && from == 0 ? MatchResult::Yes : MatchResult::No;
                start = 0;
                length = text.size();
            } else {
                found = m_matchers[i].Find(text, from, start, length);
            }
            if (found == MatchResult::TooComplex)
                m_givenUp[i] = true;
            if (found != MatchResult::Yes)
                break;
            if (length == 0) {
                // An empty match colours nothing; the search moves on by one.
                from = start + 1;
                continue;
            }
            const size_t end = start + length;
            const bool overlaps = std::any_of(spans.begin(), spans.end(), [&](const TokenSpan& s) {
                return start < s.start + s.length && s.start < end;
            });
            if (!overlaps)
                spans.push_back({ start, length, static_cast<int>(i) });
            from = end;
        }
    }
    std::sort(spans.begin(), spans.end(),
              [](const TokenSpan& a, const TokenSpan& b) { return a.start < b.start; });
    return spans;
}

namespace {

bool IsQuick(const ViewRule& r, ViewRule::Action action, const std::wstring* pid = nullptr)
{
    return r.action == action && r.field == ViewRule::Field::Pid &&
           r.match == ViewRule::Match::Equals && (!pid || r.pattern == *pid);
}

bool AddQuick(std::vector<ViewRule>& rules, ViewRule::Action action, const std::wstring& pid)
{
    if (std::any_of(rules.begin(), rules.end(),
                    [&](const ViewRule& r) { return r.enabled && IsQuick(r, action, &pid); }))
        return true;
    if (rules.size() >= ViewRuleSet::kMaxRules)
        return false;
    ViewRule r;
    r.action = action;
    r.field = ViewRule::Field::Pid;
    r.match = ViewRule::Match::Equals;
    r.pattern = pid;
    rules.push_back(std::move(r));
    return true;
}

} // namespace

bool QuickHideProcess(std::vector<ViewRule>& rules, uint32_t pid)
{
    const std::wstring p = std::to_wstring(pid);
    std::erase_if(rules, [&](const ViewRule& r) { return IsQuick(r, ViewRule::Action::Include, &p); });
    return AddQuick(rules, ViewRule::Action::Exclude, p);
}

bool QuickShowOnlyProcess(std::vector<ViewRule>& rules, uint32_t pid)
{
    const std::wstring p = std::to_wstring(pid);
    std::erase_if(rules, [&](const ViewRule& r) {
        return IsQuick(r, ViewRule::Action::Include) || IsQuick(r, ViewRule::Action::Exclude, &p);
    });
    return AddQuick(rules, ViewRule::Action::Include, p);
}

void QuickClear(std::vector<ViewRule>& rules)
{
    std::erase_if(rules, [](const ViewRule& r) {
        return IsQuick(r, ViewRule::Action::Include) || IsQuick(r, ViewRule::Action::Exclude);
    });
}

} // namespace orlix
