// Which lines the filter shows, how list texts parse, and what reads back.
#include "rows/MessageFilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using Items = std::vector<std::wstring>;

std::pair<std::wstring, std::wstring> Texts(const MessageFilter& f)
{
    std::pair<std::wstring, std::wstring> t;
    f.GetFilters(t.first, t.second);
    return t;
}

MessageFilter Make(const wchar_t* include, const wchar_t* exclude)
{
    MessageFilter f;
    f.SetFilters(include, exclude);
    return f;
}

} // namespace

TEST(MessageFilterMatch, IncludeOnlyIsCaseSensitiveSubstring)
{
    MessageFilter f = Make(L"err", L"");
    EXPECT_TRUE(f.Matches(L"an err here"));
    EXPECT_TRUE(f.Matches(L"terrible"));
    EXPECT_FALSE(f.Matches(L"ERR"));
    EXPECT_FALSE(f.Matches(L"warn"));
    EXPECT_FALSE(f.Matches(L""));
    EXPECT_FALSE(f.Matches(nullptr));
}

TEST(MessageFilterMatch, AnyIncludeItemAndNoExcludeItem)
{
    MessageFilter f = Make(L"err;fail", L"debug;trace");
    EXPECT_TRUE(f.Matches(L"err"));
    EXPECT_TRUE(f.Matches(L"it failed"));
    EXPECT_FALSE(f.Matches(L"err debug"));
    EXPECT_FALSE(f.Matches(L"fail in trace"));
    EXPECT_FALSE(f.Matches(L"debug"));
}

TEST(MessageFilterMatch, ExcludeOnlyHidesJustTheExcluded)
{
    MessageFilter f = Make(L"", L"noise");
    EXPECT_FALSE(f.Matches(L"noise 1"));
    EXPECT_TRUE(f.Matches(L"other"));
    EXPECT_TRUE(f.Matches(nullptr));
    EXPECT_TRUE(f.m_bActive);
}

TEST(MessageFilterMatch, ItemsAreNotTrimmed)
{
    MessageFilter f = Make(L" a", L"");
    EXPECT_FALSE(f.Matches(L"abc"));
    EXPECT_TRUE(f.Matches(L"x abc"));

    MessageFilter g = Make(L"", L"x ");
    EXPECT_TRUE(g.Matches(L"ends in x"));
    EXPECT_FALSE(g.Matches(L"x marks"));
}

TEST(MessageFilterMatch, NonAsciiItems)
{
    MessageFilter f = Make(L"错误;\U0001F525", L"调试");
    EXPECT_TRUE(f.Matches(L"发生错误"));
    EXPECT_TRUE(f.Matches(L"hot \U0001F525 line"));
    EXPECT_FALSE(f.Matches(L"错误 调试"));
    EXPECT_FALSE(f.Matches(L"plain"));
}

TEST(MessageFilterMatch, NewFilterShowsEverything)
{
    MessageFilter f;
    EXPECT_FALSE(f.m_bActive);
    EXPECT_TRUE(f.Matches(L"anything"));
    EXPECT_EQ(Texts(f), std::make_pair(std::wstring(L";"), std::wstring(L";")));
}

TEST(MessageFilterParse, ListTextsParseAsTheDialogTypesThem)
{
    EXPECT_EQ(Make(L"foo;ba", L"").m_include, (Items{ L"foo", L"ba" }));
    EXPECT_EQ(Make(L"foo;ba;", L"").m_include, (Items{ L"foo", L"ba" }));
    EXPECT_EQ(Make(L"a;;b", L"").m_include, (Items{ L"a" }));
    EXPECT_TRUE(Make(L";a", L"").m_include.empty());
    EXPECT_EQ(Make(L"", L"x;;y").m_exclude, (Items{ L"x" }));
    EXPECT_TRUE(Make(L"", L";x").m_exclude.empty());
    EXPECT_EQ(Make(L"", L"p;q").m_exclude, (Items{ L"p", L"q" }));
}

TEST(MessageFilterParse, SplitListRules)
{
    Items out{ L"stale" };
    SplitList(L"a,b,tail", L',', out);
    EXPECT_EQ(out, (Items{ L"a", L"b" }));  // nothing behind the last separator
    SplitList(L"a,,b,", L',', out);
    EXPECT_EQ(out, (Items{ L"a" }));
    SplitList(L",a,", L',', out);
    EXPECT_TRUE(out.empty());
    SplitList(L"", L',', out);
    EXPECT_TRUE(out.empty());
    SplitList(L"no separator", L',', out);
    EXPECT_TRUE(out.empty());
    SplitList(L"a;b,", L',', out);
    EXPECT_EQ(out, (Items{ L"a;b" }));  // only the given separator splits
}

TEST(MessageFilterSwitch, EmptyTextsSwitchOffAtTheFirstLine)
{
    for (const wchar_t* text : { L"", L";", static_cast<const wchar_t*>(nullptr) }) {
        MessageFilter f = Make(L"err", L"");
        ASSERT_TRUE(f.m_bActive);
        f.SetFilters(text, text);
        EXPECT_TRUE(f.m_include.empty());
        EXPECT_TRUE(f.m_exclude.empty());
        EXPECT_TRUE(f.m_bActive) << "the flag stays until a line arrives";
        EXPECT_TRUE(f.Matches(L"warn"));
        EXPECT_FALSE(f.m_bActive);
        EXPECT_EQ(Texts(f), std::make_pair(std::wstring(L";"), std::wstring(L";")));
    }
}

TEST(MessageFilterSwitch, UnchangedDefaultTextsKeepTheFilterEmpty)
{
    MessageFilter f;
    auto [include, exclude] = Texts(f);
    f.SetFilters(include.c_str(), exclude.c_str());
    EXPECT_TRUE(f.m_include.empty());
    EXPECT_TRUE(f.m_exclude.empty());
    EXPECT_FALSE(f.m_bActive);
}

TEST(MessageFilterWildcard, StarInIncludeShowsAllAndIgnoresExclude)
{
    MessageFilter f = Make(L"*", L"x");
    EXPECT_FALSE(f.m_bActive);
    EXPECT_TRUE(f.Matches(L"x"));
    EXPECT_TRUE(f.m_exclude.empty());
    EXPECT_EQ(Texts(f), std::make_pair(std::wstring(L"*;;"), std::wstring(L";")));

    EXPECT_EQ(Make(L"ab*c", L"").m_include, (Items{ L"*;" }));  // anywhere in the text
}

TEST(MessageFilterWildcard, StarInExcludeKeepsIncludeItemsBeforeTheMarker)
{
    MessageFilter f = Make(L"a", L"x*");
    EXPECT_FALSE(f.m_bActive);
    EXPECT_TRUE(f.Matches(L"neither"));
    EXPECT_TRUE(f.Matches(L"x"));
    EXPECT_EQ(Texts(f), std::make_pair(std::wstring(L"a;*;;"), std::wstring(L";")));
}

TEST(MessageFilterWildcard, StarKeepsEarlierItemsAndAMarkerIsNeverRepeated)
{
    MessageFilter f = Make(L"a;b", L"");
    f.SetFilters(L"*", L"");
    EXPECT_EQ(f.m_include, (Items{ L"a", L"b", L"*;" }));
    f.SetFilters(L"*", L"");
    EXPECT_EQ(f.m_include, (Items{ L"a", L"b", L"*;" }));
    EXPECT_FALSE(f.m_bActive);

    // A text without "*" replaces the lot and switches filtering on again.
    f.SetFilters(L"c", L"");
    EXPECT_EQ(f.m_include, (Items{ L"c" }));
    EXPECT_TRUE(f.m_bActive);
    EXPECT_FALSE(f.Matches(L"a"));
}

TEST(MessageFilterWildcard, ReadBackTextsAreStableThroughRepeatedSubmission)
{
    for (auto [include, exclude] : { std::make_pair(L"*", L""), std::make_pair(L"a", L"x*") }) {
        MessageFilter f = Make(include, exclude);
        const auto first = Texts(f);
        for (int i = 0; i < 3; ++i) {
            auto [in, ex] = Texts(f);
            f.SetFilters(in.c_str(), ex.c_str());
        }
        EXPECT_EQ(Texts(f), first);
        EXPECT_FALSE(f.m_bActive);
    }
}

TEST(MessageFilterWildcard, ReadBackTextOnAFreshFilterKeepsOnlyTheMarker)
{
    // What a restart does with a saved 'a;*;;': the "*" is seen before any
    // item is parsed.
    MessageFilter f = Make(L"a;*;;", L";");
    EXPECT_EQ(Texts(f), std::make_pair(std::wstring(L"*;;"), std::wstring(L";")));
    EXPECT_TRUE(f.Matches(L"anything"));
}

TEST(MessageFilterReadBack, ItemsJoinedEachFollowedBySeparator)
{
    MessageFilter f = Make(L"a;b", L"c");
    EXPECT_EQ(Texts(f), std::make_pair(std::wstring(L"a;b;"), std::wstring(L"c;")));

    std::wstring include = L"old", exclude = L"old";
    f.GetFilters(include, exclude);
    EXPECT_EQ(include, L"a;b;");
    EXPECT_EQ(exclude, L"c;");
}

TEST(MessageFilterReadBack, LongTextsAreNeverCut)
{
    const std::wstring item(300, L'k');
    const std::wstring text = item + L";" + std::wstring(200, L'm') + L";";
    MessageFilter f = Make(text.c_str(), text.c_str());
    EXPECT_EQ(Texts(f), std::make_pair(text, text));
    EXPECT_FALSE(f.Matches((item + L"!").c_str()));  // excluded as well
    MessageFilter g = Make(text.c_str(), L"");
    EXPECT_TRUE(g.Matches((L"x" + item).c_str()));
    EXPECT_FALSE(g.Matches(std::wstring(299, L'k').c_str()));
}

TEST(MessageFilterReadBack, BoundedBuffersRefuseRatherThanCut)
{
    MessageFilter f = Make(L"abc", L"de");  // texts "abc;" and "de;"

    wchar_t in[6], ex[6];
    std::fill(std::begin(in), std::end(in), L'#');
    std::fill(std::begin(ex), std::end(ex), L'#');
    EXPECT_TRUE(f.GetFilters(in, 5, ex, 4));  // exactly text plus terminator
    EXPECT_EQ(std::wstring(in), L"abc;");
    EXPECT_EQ(std::wstring(ex), L"de;");
    EXPECT_EQ(in[5], L'#');
    EXPECT_EQ(ex[4], L'#');

    std::fill(std::begin(in), std::end(in), L'#');
    std::fill(std::begin(ex), std::end(ex), L'#');
    EXPECT_FALSE(f.GetFilters(in, 4, ex, 4));
    EXPECT_EQ(in[0], L'\0');
    EXPECT_EQ(in[1], L'#');  // refused, not cut
    EXPECT_EQ(std::wstring(ex), L"de;");

    EXPECT_FALSE(f.GetFilters(nullptr, 0, ex, 0));
}
