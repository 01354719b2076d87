// A view's rules: what each action does to a row, in order, and the text
// form of rules and preset files (a bad line is named).
#include "rows/AnsiText.h"
#include "rows/ViewRules.h"
#include <gtest/gtest.h>

using namespace orlix;

namespace {

ViewRule Rule(ViewRule::Action a, ViewRule::Field f, ViewRule::Match m, const wchar_t* pattern)
{
    ViewRule r;
    r.action = a;
    r.field = f;
    r.match = m;
    r.pattern = pattern;
    return r;
}

using A = ViewRule::Action;
using F = ViewRule::Field;
using M = ViewRule::Match;

} // namespace

TEST(ViewRules, IncludeExcludeHighlightAndArrivals)
{
    ViewRuleSet set;
    EXPECT_TRUE(set.Shows(L"any.exe", 1, L"anything"));
    ViewRule off = Rule(A::Include, F::Text, M::Contains, L"never");
    off.enabled = false;
    set.Set({ Rule(A::Include, F::Process, M::Equals, L"SVC.exe"),
              Rule(A::Include, F::Text, M::Regex, L"^err\\d+"),
              Rule(A::Exclude, F::Pid, M::Equals, L"7"),
              Rule(A::Highlight, F::Text, M::WholeWord, L"disk"),
              Rule(A::Stop, F::Text, M::Contains, L"fatal"), off });
    EXPECT_TRUE(set.Filters());
    EXPECT_TRUE(set.Shows(L"svc.exe", 1, L"hello"));        // equals without case
    EXPECT_TRUE(set.Shows(L"app.exe", 2, L"ERR42 at start"));
    EXPECT_FALSE(set.Shows(L"app.exe", 2, L"no err42"));
    EXPECT_FALSE(set.Shows(L"svc.exe", 7, L"hello"));       // exclude wins
    EXPECT_FALSE(set.Shows(L"app.exe", 3, L"never"));       // a disabled rule does nothing
    RowVerdict v = set.Evaluate(L"svc.exe", 9, L"the disk is fatal");
    EXPECT_TRUE(v.shown && v.stop && !v.track && !v.notify);
    EXPECT_EQ(v.highlight, 3);
    EXPECT_EQ(set.Evaluate(L"svc.exe", 9, L"diskette").highlight, -1);
    EXPECT_FALSE(set.Evaluate(L"svc.exe", 7, L"fatal disk").stop) << "a hidden row does nothing";
}

TEST(ViewRules, TokensColourEachMatchOnceAndSkipEmptyMatches)
{
    ViewRuleSet set;
    set.Set({ Rule(A::Token, F::Text, M::Contains, L"ab"), Rule(A::Token, F::Text, M::Regex, L"b*c"),
              Rule(A::Token, F::Text, M::Regex, L"x*") });
    auto spans = set.Tokens(L"ab abc cc");
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans[0].start, 0u);
    EXPECT_EQ(spans[1].start, 3u);   // "ab" of "abc"; the later rule's "bc" overlaps it
    EXPECT_EQ(spans[1].rule, 0);
    EXPECT_EQ(spans[2].start, 7u);   // "c", "c"
    EXPECT_EQ(spans[2].length, 1u);
    EXPECT_EQ(spans[3].start, 8u);
    EXPECT_TRUE(set.Tokens(L"").empty());
}

TEST(ViewRules, TextFormsRoundTripAndBadLinesAreNamed)
{
    ViewRule r = Rule(A::Notify, F::Process, M::Regex, L"a,b=c");
    r.matchCase = true;
    r.enabled = false;
    r.foreground = 0x0000FF;
    EXPECT_EQ(FormatViewRule(r), L"notify,process,regex,cd,FF0000,FFFF99,a,b=c");
    auto back = ParseViewRule(FormatViewRule(r));
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(*back == r);

    ViewPreset preset{ L"Errors \u4e2d", { r, Rule(A::Exclude, F::Pid, M::Equals, L"12") } };
    std::wstring error;
    auto again = ParseViewPreset(FormatViewPreset(preset), &error);
    ASSERT_TRUE(again.has_value()) << std::string(error.begin(), error.end());
    EXPECT_EQ(again->name, preset.name);
    EXPECT_EQ(again->rules.size(), 2u);
    EXPECT_FALSE(ParseViewPreset("# x\nname=a\nrule=include,text,contains,-,000000,FFFFFF,x\n"
                                 "rule=shout,text,contains,-,000000,FFFFFF,x\n", &error));
    EXPECT_EQ(error.rfind(L"line 4: the action", 0), 0u) << std::string(error.begin(), error.end());
    EXPECT_FALSE(ParseViewPreset("name=a\nname=b\n", &error));
    EXPECT_EQ(error, L"line 2: a second name");
    EXPECT_FALSE(ParseViewPreset("rule=include,text,contains,q,000000,FFFFFF,x", &error));
    EXPECT_FALSE(ParseViewPreset("bogus\n", &error));
    EXPECT_FALSE(ParseViewPreset("name=\xFF\n", &error));
    EXPECT_EQ(error, L"line 1: not UTF-8 text");
    EXPECT_EQ(ViewRuleSet::CheckRule(Rule(A::Include, F::Text, M::Regex, L"(a+)+$")),
              ViewRuleSet::Check::TooComplex);
}

// ANSI escape sequences: gone from the text; SGR colours and bold as runs.
TEST(AnsiText, SgrColoursRunsAndOtherSequencesLeaveTheText)
{
    struct Case {
        const wchar_t* raw;
        const wchar_t* text;
        std::vector<AnsiRun> runs;   // start, length, foreground, background, bold
    };
    const Case cases[] = {
        { L"plain", L"plain", {} },
        { L"\x1B[31mred\x1B[0m ok", L"red ok", { { 0, 3, 1, -1, false }, { 3, 3, -1, -1, false } } },
        { L"\x1B[1;92;104mB\x1B[22mn\x1B[39;49mx", L"Bnx",
          { { 0, 1, 10, 12, true }, { 1, 1, 10, 12, false }, { 2, 1, -1, -1, false } } },
        { L"\x1B[47m\x1B[30mk\x1B[m", L"k", { { 0, 1, 0, 7, false } } },
        { L"\x1B[38;5;1mx\x1B[48;2;1;2;3my", L"xy", {} },   // 256 and true colour: not shown
        { L"a\x1B[2Kb\x1B[?25lc\x1B]0;title\x07" L"d\x1B]8;;u\x1B\\e\x1B(Bf\x1B" L"7g", L"abcdefg", {} },
        { L"cut \x1B[31", L"cut ", {} },
        { L"lone \x1B", L"lone ", {} },
        { L"\x1B\x1B[34mz", L"z", { { 0, 1, 4, -1, false } } },
        { L"\x1B[3\u00E9m", L"\u00E9m", {} },   // ends where a sequence cannot go on
    };
    for (const Case& c : cases) {
        const AnsiText got = ParseAnsi(c.raw);
        EXPECT_EQ(got.text, c.text) << got.text;
        EXPECT_EQ(StripAnsi(c.raw), c.text);
        ASSERT_EQ(got.runs.size(), c.runs.size()) << got.text;
        for (size_t i = 0; i < c.runs.size(); ++i)
            EXPECT_TRUE(got.runs[i].SameLook(c.runs[i]) && got.runs[i].start == c.runs[i].start &&
                        got.runs[i].length == c.runs[i].length) << got.text << " run " << i;
    }
    EXPECT_EQ(AnsiColour(1), 0x000080u);    // red as 0x00BBGGRR
    EXPECT_EQ(AnsiColour(12), 0xFF0000u);   // bright blue
}
