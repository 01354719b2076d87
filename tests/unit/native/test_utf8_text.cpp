#include "rows/Utf8Text.h"
#include "framework/Utf16.h"
#include <gtest/gtest.h>

using namespace orlix;

namespace {
// Stands in for the ANSI code page: marks each byte so the test sees which
// way the text went.
std::wstring WideFromUtf8(std::string_view b)
{
    std::wstring out;
    EXPECT_TRUE(fw::DecodeUtf8(b, out));
    return out;
}

std::wstring Latin1(std::string_view b)
{
    std::wstring s = L"A:";
    for (char c : b)
        s += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return s;
}
} // namespace

TEST(Utf8Text, Validation)
{
    EXPECT_TRUE(IsValidUtf8(""));
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("\xE4\xB8\xAD\xE6\x96\x87"));          // 中文
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));                   // U+1F600
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));                          // overlong
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));                      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));                      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));                  // above U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));                          // cut short
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));                           // Latin-1
    EXPECT_FALSE(IsValidUtf8("\xD6\xD0\xCE\xC4"));                  // GBK 中文
}

// The one encoder: pairs as their code point, halves alone as U+FFFD; what
// it writes the decoder reads back.
TEST(Utf8Text, EncodesPairsWholeAndLoneHalvesAsReplacement)
{
    std::wstring text = L"a\u00e9\u4e2d";
    text += static_cast<wchar_t>(0xD800);
    text += L'x';
    text += static_cast<wchar_t>(0xDC00);
    EXPECT_EQ(fw::Utf8FromWide(text), "a\xC3\xA9\xE4\xB8\xAD\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(fw::Utf8FromWide(L"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(WideFromUtf8(fw::Utf8FromWide(L"\u4e2d\U0001F600")), L"\u4e2d\U0001F600");
}

TEST(Utf8Text, DecodesToUnitsOfTheHostsWideCharacters)
{
    EXPECT_EQ(WideFromUtf8("\xE4\xB8\xAD\xE6\x96\x87 ok"), L"\u4E2D\u6587 ok");
    std::wstring emoji = WideFromUtf8("\xF0\x9F\x98\x80");
    if (sizeof(wchar_t) == 2) {
        ASSERT_EQ(emoji.size(), 2u);
        EXPECT_EQ(static_cast<unsigned>(emoji[0]), 0xD83Du);
        EXPECT_EQ(static_cast<unsigned>(emoji[1]), 0xDE00u);
    } else {
        ASSERT_EQ(emoji.size(), 1u);
        EXPECT_EQ(static_cast<unsigned>(emoji[0]), 0x1F600u);
    }
}

TEST(Utf8Text, OptionOffOrNotUtf8OrPlainAsciiGoesThroughTheCodePage)
{
    EXPECT_EQ(DecodeNarrowText("\xE4\xB8\xAD", false, Latin1), Latin1("\xE4\xB8\xAD"));
    EXPECT_EQ(DecodeNarrowText("\xE4\xB8\xAD", true, Latin1), L"\u4E2D");
    EXPECT_EQ(DecodeNarrowText("caf\xE9", true, Latin1), Latin1("caf\xE9"));
    EXPECT_EQ(DecodeNarrowText("ascii", true, Latin1), L"A:ascii");
    EXPECT_EQ(DecodeNarrowText("", true, Latin1), L"A:");
}
