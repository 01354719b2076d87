// Find's matching, the highlight rules, the quick filters' display index and
// the bookmarks: what each finds, and how they follow the store when its
// oldest rows are dropped.
#include "rows/HighlightRules.h"
#include "rows/TextMatch.h"
#include "rows/DisplayIndex.h"
#include "rows/ViewRules.h"
#include "rows/RowView.h"

#include <gtest/gtest.h>
#include <cwchar>
#include <map>

#include <random>
#include <string>
#include <vector>

using namespace orlix;

namespace {

TextMatcher Matcher(const wchar_t* pattern, bool matchCase, bool wholeWord, bool regex = false)
{
    TextMatcher m;
    MatchOptions o;
    o.matchCase = matchCase;
    o.wholeWord = wholeWord;
    o.regex = regex;
    EXPECT_TRUE(m.Set(pattern, o));
    return m;
}

} // namespace

TEST(TextMatch, PlainTextWithAndWithoutCase)
{
    auto any = Matcher(L"Error", false, false);
    EXPECT_TRUE(any.Matches(L"an ERROR here"));
    EXPECT_TRUE(any.Matches(L"error"));
    EXPECT_TRUE(any.Matches(L"xxerrorxx"));
    EXPECT_FALSE(any.Matches(L"erro"));
    EXPECT_FALSE(any.Matches(L""));
    auto exact = Matcher(L"Error", true, false);
    EXPECT_TRUE(exact.Matches(L"an Error here"));
    EXPECT_FALSE(exact.Matches(L"an ERROR here"));
    // A match that starts like the pattern but fails later does not hide a
    // later real one.
    EXPECT_TRUE(Matcher(L"aab", true, false).Matches(L"aaab"));
}

TEST(TextMatch, WholeWords)
{
    auto w = Matcher(L"id", false, true);
    EXPECT_TRUE(w.Matches(L"id"));
    EXPECT_TRUE(w.Matches(L"the id=4"));
    EXPECT_TRUE(w.Matches(L"(ID)"));
    EXPECT_FALSE(w.Matches(L"idle"));
    EXPECT_FALSE(w.Matches(L"pid 4"));
    EXPECT_FALSE(w.Matches(L"my_id"));
    // A later whole-word match after a part-word one.
    EXPECT_TRUE(w.Matches(L"valid id"));
    // A pattern that starts or ends with a non-word unit is bounded by it.
    EXPECT_TRUE(Matcher(L"=4", false, true).Matches(L"id=4 x"));
    EXPECT_FALSE(Matcher(L"=4", false, true).Matches(L"id=42"));
}

TEST(TextMatch, RegularExpressions)
{
    auto r = Matcher(L"err(or)? [0-9]+", false, false, true);
    EXPECT_TRUE(r.Matches(L"ERR 42 happened"));
    EXPECT_TRUE(r.Matches(L"error 7"));
    EXPECT_FALSE(r.Matches(L"error x"));
    auto cased = Matcher(L"^Start", true, false, true);
    EXPECT_TRUE(cased.Matches(L"Start of it"));
    EXPECT_FALSE(cased.Matches(L"start of it"));
    EXPECT_FALSE(cased.Matches(L"the Start"));
    auto word = Matcher(L"a.c", false, true, true);
    EXPECT_TRUE(word.Matches(L"x abc y"));
    EXPECT_FALSE(word.Matches(L"xabc y"));

    TextMatcher bad;
    MatchOptions o;
    o.regex = true;
    EXPECT_FALSE(bad.Set(L"(unclosed", o));
    EXPECT_TRUE(bad.Empty());
    EXPECT_FALSE(bad.Matches(L"(unclosed"));
    EXPECT_FALSE(bad.Set(L"[z-a]", o));
    // An empty pattern matches nothing.
    EXPECT_TRUE(bad.Set(L"", o));
    EXPECT_FALSE(bad.Matches(L"anything"));
}

// The text a regular expression cannot match without: only what is plainly
// required, never a count, a class, an optional unit or part of a group.
TEST(TextMatch, RequiredTextOfARegularExpression)
{
    EXPECT_EQ(RequiredLiteral(L"needle.*42"), L"needle");
    EXPECT_EQ(RequiredLiteral(L"^status ok\\d+$"), L"status ok");
    EXPECT_EQ(RequiredLiteral(L"\\d{7}"), L"");
    EXPECT_EQ(RequiredLiteral(L"ab{2,3}cd"), L"cd");
    EXPECT_EQ(RequiredLiteral(L"colou?r"), L"colo");
    EXPECT_EQ(RequiredLiteral(L"abc*"), L"ab");
    EXPECT_EQ(RequiredLiteral(L"ab+c"), L"ab");   // "abbc" has no "abc"
    EXPECT_EQ(RequiredLiteral(L"error|warning"), L"");
    EXPECT_EQ(RequiredLiteral(L"x(abc)?yz"), L"yz");
    EXPECT_EQ(RequiredLiteral(L"[abc]def[g]"), L"def");
    EXPECT_EQ(RequiredLiteral(L"[]x]yy"), L"yy");
    EXPECT_EQ(RequiredLiteral(L"a\\.bc"), L"bc");
    EXPECT_EQ(RequiredLiteral(L"(?!zz)q"), L"");    // "(?": an option may change "q"
    EXPECT_EQ(RequiredLiteral(L"\\x41BC"), L"BC");  // the escape's digits are not text
    EXPECT_EQ(RequiredLiteral(L"\u4e2d\u6587"), L"");
}

// The required-text shortcut never turns away a line the expression itself
// matches: the same pattern behind "(?:...)" (which has no required text)
// is the reference. Whole words wrap only a pattern that stands on its own.
TEST(TextMatch, ShortcutAgreesWithTheExpressionAndBadPatternsAreNamed)
{
    const wchar_t* patterns[] = { L"[]|a]bc", L"[^]x]yz|bc", L"\\x41", L"\\x{42}c",
                                  L"\\cAq", L"a\\Qb|c\\E", L"(?i)BC", L"\\101bc",
                                  L"x\\u0042?c", L"ab{0}c" };
    const wchar_t* lines[] = { L"bc", L"A", L"Bc", L"a|bc", L"ac", L"\x01q", L"]bc", L"Ab",
                               L"a|bc" };
    for (bool matchCase : { false, true }) {
        for (const wchar_t* p : patterns) {
            TextMatcher m, reference;
            MatchOptions o;
            o.regex = true;
            o.matchCase = matchCase;
            if (!m.Set(p, o))
                continue;   // what the engine refuses, it refuses both ways
            ASSERT_TRUE(reference.Set(L"(?:" + std::wstring(p) + L")", o));
            for (const wchar_t* line : lines)
                EXPECT_EQ(m.Matches(line), reference.Matches(line))
                    << std::string(p, p + wcslen(p)) << " / " << matchCase;
        }
    }
    MatchOptions word;
    word.regex = word.wholeWord = true;
    TextMatcher m;
    std::wstring why;
    EXPECT_FALSE(m.Set(L"a)|(b", word, &why));
    EXPECT_NE(why.find(L"parenthesis"), std::wstring::npos) << std::string(why.begin(), why.end());
    EXPECT_TRUE(m.Set(L"a|b", word));
    EXPECT_TRUE(m.Matches(L"x b y"));
    EXPECT_FALSE(m.Matches(L"xb y"));
}

// A pattern that backtracks without end answers "too complex" in a moment
// (bench/find_speed measures it on lines as long as a row keeps), and is
// found out before it is kept.
TEST(TextMatch, RunawayExpressionsAreCutShort)
{
    TextMatcher m;
    MatchOptions o;
    o.regex = true;
    ASSERT_TRUE(m.Set(L"(a+)+$", o));
    std::wstring line(300, L'a');
    line += L'b';
    EXPECT_EQ(m.Match(line), MatchResult::TooComplex);
    std::vector<unsigned char> bytes(line.begin(), line.end());
    std::wstring scratch;
    EXPECT_EQ(m.MatchLatin1(bytes.data(), bytes.size(), scratch), MatchResult::TooComplex);
    EXPECT_EQ(m.Match(L"aaab"), MatchResult::No);
    EXPECT_EQ(m.Match(L"aaa"), MatchResult::Yes);
    EXPECT_FALSE(m.HoldsUpUnderStrain());
    ASSERT_TRUE(m.Set(L"err(or)? \\d+", o));
    EXPECT_TRUE(m.HoldsUpUnderStrain());
    ASSERT_TRUE(m.Set(L"x*", o));   // an empty match is a match, once
    EXPECT_EQ(m.Match(L""), MatchResult::Yes);

    // A rule is checked the same way before it is kept.
    HighlightRule rule;
    rule.regex = true;
    rule.pattern = L"(a+)+$";
    EXPECT_EQ(HighlightRules::CheckRule(rule), HighlightRules::Check::TooComplex);
    rule.kind = HighlightRule::ProcessIs;
    rule.pattern = L"a)|(b";   // anchored, it would compile and mean something else
    EXPECT_EQ(HighlightRules::CheckRule(rule), HighlightRules::Check::Invalid);
    rule.pattern = L"app|svc";
    EXPECT_EQ(HighlightRules::CheckRule(rule), HighlightRules::Check::Ok);
}

// Lines of 8-bit units match exactly as their UTF-16 form does, with the
// required-text shortcut in front of the expression.
TEST(TextMatch, EightBitTextsMatchAsTheirWideForm)
{
    const std::wstring lines[] = { L"status ok 1234567", L"STATUS OK 12", L"caf\u00e9 au lait",
                                   L"CAF\u00c9", L"", L"id=42 needle" };
    const TextMatcher matchers[] = {
        Matcher(L"status ok", false, false), Matcher(L"status ok", true, false),
        Matcher(L"\u00e9", false, false),    Matcher(L"ok", false, true),
        Matcher(L"\\d{7}", false, false, true), Matcher(L"NEEDLE$", false, false, true),
        Matcher(L"caf\u00e9", false, false),  Matcher(L"^status ok \\d+$", true, false, true),
        Matcher(L"CAF\\w", false, false, true), Matcher(L"\\bOK\\b", false, false, true),
        Matcher(L"[^a-z ]{3}", true, false, true),
    };
    std::wstring scratch;
    for (const auto& m : matchers) {
        for (const auto& line : lines) {
            std::vector<unsigned char> bytes(line.begin(), line.end());
            EXPECT_EQ(m.MatchesLatin1(bytes.data(), bytes.size(), scratch), m.Matches(line))
                << "pattern " << std::string(m.Pattern().begin(), m.Pattern().end());
        }
    }
    EXPECT_TRUE(matchers[4].Matches(L"status ok 1234567"));
    EXPECT_FALSE(matchers[4].Matches(L"STATUS OK 12"));
    EXPECT_TRUE(matchers[5].Matches(L"id=42 needle"));
}

TEST(HighlightRules, FormatAndParseRoundTrip)
{
    HighlightRule r;
    r.kind = HighlightRule::ProcessIs;
    r.pattern = L"app.exe, with, commas";
    r.matchCase = true;
    r.regex = true;
    r.foreground = 0x0000FF;   // red as a COLORREF
    r.background = 0xFFEECC;
    std::wstring line = FormatRule(r);
    EXPECT_EQ(line, L"process,cr,FF0000,CCEEFF,app.exe, with, commas");
    auto back = ParseRule(line);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, r.kind);
    EXPECT_EQ(back->pattern, r.pattern);
    EXPECT_EQ(back->matchCase, true);
    EXPECT_EQ(back->regex, true);
    EXPECT_EQ(back->foreground, r.foreground);
    EXPECT_EQ(back->background, r.background);

    auto plain = ParseRule(L"text,-,000000,99ffff,warn");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->kind, HighlightRule::TextContains);
    EXPECT_FALSE(plain->matchCase || plain->regex);
    EXPECT_EQ(plain->background, 0xFFFF99u);

    // Damaged lines are refused as a whole.
    for (const wchar_t* bad : { L"", L"text", L"text,-,000000,FFFFFF,", L"word,-,000000,FFFFFF,x",
                                L"text,q,000000,FFFFFF,x", L"text,-,00000,FFFFFF,x",
                                L"text,-,00000G,FFFFFF,x", L"text,,000000,FFFFFF,x" })
        EXPECT_FALSE(ParseRule(bad)) << std::wstring(bad).size();
}

TEST(HighlightRules, FirstMatchingRuleWins)
{
    HighlightRule warn;
    warn.pattern = L"warn";
    HighlightRule proc;
    proc.kind = HighlightRule::ProcessIs;
    proc.pattern = L"App.exe";
    HighlightRule badRegex;
    badRegex.pattern = L"(";
    badRegex.regex = true;
    HighlightRule digits;
    digits.pattern = L"[0-9]{3}";
    digits.regex = true;

    HighlightRules rules;
    EXPECT_EQ(rules.Set({ warn, proc, badRegex, digits }), 2);
    EXPECT_EQ(rules.Match(L"app.exe", L"a warning"), 0);
    EXPECT_EQ(rules.Match(L"APP.EXE", L"fine"), 1);
    // "process is" means the whole name.
    EXPECT_EQ(rules.Match(L"myapp.exe", L"fine"), -1);
    EXPECT_EQ(rules.Match(L"appxexe", L"fine"), -1);
    EXPECT_EQ(rules.Match(L"x.exe", L"code 404"), 3);
    EXPECT_EQ(rules.Match(L"x.exe", L"("), -1);

    std::vector<HighlightRule> many(20, warn);
    rules.Set(many);
    EXPECT_EQ(rules.Rules().size(), HighlightRules::kMaxRules);
}

TEST(QuickFilter, HideAndShowOnlyAreRulesOfTheView)
{
    std::vector<ViewRule> rules;
    ViewRule mine;   // a rule of the user's own stays through all of it
    mine.action = ViewRule::Action::Exclude;
    mine.pattern = L"noise";
    rules.push_back(mine);
    auto shows = [&](uint32_t pid) {
        ViewRuleSet set;
        set.Set(rules);
        return set.Shows(L"p.exe", pid, L"text");
    };
    EXPECT_TRUE(shows(7));
    ASSERT_TRUE(QuickHideProcess(rules, 7));
    ASSERT_TRUE(QuickHideProcess(rules, 8));
    ASSERT_TRUE(QuickHideProcess(rules, 8));   // never twice
    EXPECT_EQ(rules.size(), 3u);
    EXPECT_FALSE(shows(7));
    EXPECT_FALSE(shows(8));
    EXPECT_TRUE(shows(9));
    ASSERT_TRUE(QuickShowOnlyProcess(rules, 8));   // showing only a hidden process shows it
    EXPECT_TRUE(shows(8));
    EXPECT_FALSE(shows(9));
    EXPECT_FALSE(shows(7));
    ASSERT_TRUE(QuickShowOnlyProcess(rules, 9));   // another "only" replaces the first
    EXPECT_FALSE(shows(8));
    EXPECT_TRUE(shows(9));
    EXPECT_EQ(FormatViewRule(rules.back()), L"include,pid,equals,-,000000,FFFF99,9");
    QuickClear(rules);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0], mine);
    EXPECT_TRUE(shows(7));
    rules.assign(ViewRuleSet::kMaxRules, mine);
    EXPECT_FALSE(QuickHideProcess(rules, 7));      // full: nothing added
    EXPECT_EQ(rules.size(), ViewRuleSet::kMaxRules);
}

TEST(DisplayIndex, MapsItemsAndFollowsDroppedRows)
{
    // Stored rows 0..9; pids alternate 1, 2.
    std::vector<uint32_t> pids;
    for (int i = 0; i < 10; ++i)
        pids.push_back(1 + i % 2);
    DisplayIndex d;
    EXPECT_EQ(d.Count(10), 10u);
    EXPECT_EQ(d.ToStore(4), 4u);
    d.Rebuild(pids.size(), [&](size_t r) { return pids[r] != 1; }, true);
    ASSERT_EQ(d.Count(10), 5u);
    EXPECT_EQ(d.ToStore(0), 1u);
    EXPECT_EQ(d.ToStore(4), 9u);
    EXPECT_EQ(d.ToItem(3, 10), std::optional<size_t>(1));
    EXPECT_FALSE(d.ToItem(2, 10));
    EXPECT_EQ(d.LowerItem(2, 10), 1u);
    EXPECT_EQ(d.LowerItem(10, 10), 5u);

    d.Append(11);    // a new shown row
    d.Append(11);    // never twice
    EXPECT_EQ(d.Count(12), 6u);

    // The store drops its 4 oldest rows: 1 and 3 go, the rest shift down.
    d.DropOldest(4);
    ASSERT_EQ(d.Count(8), 4u);
    EXPECT_EQ(d.ToStore(0), 1u);
    EXPECT_EQ(d.ToStore(3), 7u);
    d.DropOldest(100);
    EXPECT_EQ(d.Count(0), 0u);

    d.Deactivate();
    EXPECT_EQ(d.Count(3), 3u);
    EXPECT_EQ(d.ToItem(2, 3), std::optional<size_t>(2));
    EXPECT_FALSE(d.ToItem(3, 3));
}

// Folding repeats, against the items worked out afresh over the rows held:
// two processes interleaved, a filtered view, the oldest rows dropped.
TEST(DisplayIndex, FoldedCountsStayExactThroughInterleavingAndDrops)
{
    RowStore store;
    RowView view(store), even(store);
    view.SetFoldRepeats(true);
    even.SetFoldRepeats(true);
    even.SetFilterBox(Matcher(L"a", true, false));
    std::mt19937 random(26);
    for (int round = 0; round < 400; ++round) {
        const uint32_t pid = 1 + random() % 2;
        store.Append(pid == 1 ? L"one.exe" : L"two.exe", pid, ArrivalTime{},
                     random() % 4 ? L"a" : L"b");
        for (RowView* v : { &view, &even }) {
            v->Appended(store.Size() - 1);
            v->RefilterSome(SIZE_MAX);
        }
        if (random() % 9 == 0) {
            const size_t drop = random() % 12;
            const size_t gone = view.ItemsAmongOldest(drop), before = view.Count();
            store.DropOldest(drop);
            view.Dropped(drop);
            even.Dropped(drop);
            EXPECT_EQ(view.Count(), before - gone);
        }
        for (RowView* v : { &view, &even }) {
            std::vector<std::pair<size_t, uint32_t>> want;   // first row, count
            std::map<uint32_t, size_t> latest;               // pid -> item
            for (size_t r = 0; r < store.Size(); ++r) {
                if (!v->Shows(r))
                    continue;
                auto l = latest.find(store.Pid(r));
                if (l != latest.end() && store.Text(want[l->second].first) == store.Text(r))
                    ++want[l->second].second;
                else {
                    latest[store.Pid(r)] = want.size();
                    want.emplace_back(r, 1);
                }
            }
            ASSERT_EQ(v->Count(), want.size()) << "round " << round;
            for (size_t i = 0; i < want.size(); ++i) {
                EXPECT_EQ(v->ToStore(i), want[i].first);
                EXPECT_EQ(v->Repeats(i), want[i].second);
            }
        }
    }
    // Shown with its count; off again, every row is an item of its own.
    for (int i = 0; i < 3; ++i) {
        store.Append(L"three.exe", 3, ArrivalTime{}, L"x");
        view.Appended(store.Size() - 1);
    }
    EXPECT_EQ(view.MessageOf(view.Count() - 1), L"x \u00D73");
    view.SetFoldRepeats(false);
    view.RefilterSome(SIZE_MAX);
    EXPECT_EQ(view.Count(), store.Size());
    EXPECT_EQ(view.MessageOf(view.Count() - 1), L"x");
}

TEST(Bookmarks, ToggleWalkWrapAndDrop)
{
    BookmarkSet b;
    auto all = [](size_t) { return true; };
    EXPECT_FALSE(b.Next(0, true, all));
    EXPECT_TRUE(b.Toggle(3));
    EXPECT_TRUE(b.Toggle(8));
    EXPECT_TRUE(b.Toggle(5));
    EXPECT_FALSE(b.Toggle(5));
    EXPECT_TRUE(b.Has(3));
    EXPECT_FALSE(b.Has(5));
    EXPECT_EQ(b.Next(0, true, all), std::optional<size_t>(3));
    EXPECT_EQ(b.Next(3, true, all), std::optional<size_t>(8));
    EXPECT_EQ(b.Next(8, true, all), std::optional<size_t>(3));    // wraps
    EXPECT_EQ(b.Next(8, false, all), std::optional<size_t>(3));
    EXPECT_EQ(b.Next(3, false, all), std::optional<size_t>(8));   // wraps back
    EXPECT_EQ(b.Next(6, false, all), std::optional<size_t>(3));
    // A single bookmark is found again from itself.
    BookmarkSet one;
    one.Toggle(4);
    EXPECT_EQ(one.Next(4, true, all), std::optional<size_t>(4));
    EXPECT_EQ(one.Next(4, false, all), std::optional<size_t>(4));
    // Rows not shown are passed over.
    EXPECT_EQ(b.Next(0, true, [](size_t r) { return r != 3; }), std::optional<size_t>(8));
    EXPECT_FALSE(b.Next(0, true, [](size_t) { return false; }));

    // Dropping the 4 oldest rows: the bookmark on 3 goes, 8 becomes 4.
    b.DropOldest(4);
    EXPECT_EQ(b.Size(), 1u);
    EXPECT_TRUE(b.Has(4));
    b.Clear();
    EXPECT_TRUE(b.Empty());
}
