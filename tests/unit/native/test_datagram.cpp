#include "rows/Datagram.h"
#include <gtest/gtest.h>
#include <cstring>

using namespace orlix;

namespace {
// A stand-in double-byte code page: ASCII one byte, everything else two.
std::string Narrow(std::wstring_view w)
{
    std::string s;
    for (wchar_t c : w) {
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else {
            s += static_cast<char>(0x80 | ((c >> 8) & 0x7F));
            s += static_cast<char>(0x80 | (c & 0x7F));
        }
    }
    return s;
}
std::wstring Wide(std::string_view s)
{
    std::wstring w;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80 || i + 1 == s.size())
            w += static_cast<wchar_t>(c);
        else {
            w += static_cast<wchar_t>(((c & 0x7F) << 8) | (static_cast<unsigned char>(s[i + 1]) & 0x7F));
            ++i;
        }
    }
    return w;
}
} // namespace

TEST(Datagram, TextThenZeros)
{
    char d[kDatagramBytes];
    std::memset(d, 'z', sizeof(d));
    EncodeDatagram(L"abc", d, Narrow);
    EXPECT_EQ(std::string(d, 3), "abc");
    for (size_t i = 3; i < kDatagramBytes; ++i)
        ASSERT_EQ(d[i], 0) << i;
}

TEST(Datagram, LongTextIsCutAtACharacterBoundary)
{
    char d[kDatagramBytes];
    std::wstring ascii(2000, L'a');
    EncodeDatagram(ascii, d, Narrow);
    EXPECT_EQ(std::string(d, kDatagramBytes), std::string(kDatagramBytes, 'a'));
    // 'x' then two-byte characters: 1 + 2k <= 1024 gives 511 of them.
    std::wstring mixed = L"x" + std::wstring(1000, static_cast<wchar_t>(0x4E2D));
    EncodeDatagram(mixed, d, Narrow);
    std::wstring back = DecodeDatagram(d, kDatagramBytes, Wide);
    EXPECT_EQ(back, L"x" + std::wstring(511, static_cast<wchar_t>(0x4E2D)));
}

TEST(Datagram, DecodeStopsAtFirstZeroOrTakesAll)
{
    char d[kDatagramBytes];
    std::memset(d, 'q', sizeof(d));
    EXPECT_EQ(DecodeDatagram(d, kDatagramBytes, Wide), std::wstring(kDatagramBytes, L'q'));
    d[5] = 0;
    EXPECT_EQ(DecodeDatagram(d, kDatagramBytes, Wide), L"qqqqq");
    EXPECT_EQ(DecodeDatagram(d, 3, Wide), L"qqq");
    d[0] = 0;
    EXPECT_EQ(DecodeDatagram(d, kDatagramBytes, Wide), L"");
}
