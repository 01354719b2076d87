#include "rows/FollowText.h"
#include <gtest/gtest.h>

using namespace orlix;

namespace {
// Marks the ANSI way, so a test sees which decoding a line took.
std::wstring Ansi(std::string_view b)
{
    std::wstring s = L"A:";
    for (char c : b)
        s += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return s;
}

std::vector<std::wstring> Split(FileEncoding enc, std::initializer_list<std::string_view> pieces,
                                bool tryUtf8 = false)
{
    LineSplitter s(enc, tryUtf8, Ansi);
    std::vector<std::wstring> out;
    for (std::string_view p : pieces)
        s.Feed(p, out);
    return out;
}
} // namespace

TEST(FollowText, EncodingFromTheFirstBytes)
{
    EXPECT_EQ(DetectEncoding("\xEF\xBB\xBFx", false)->encoding, FileEncoding::Utf8Bom);
    EXPECT_EQ(DetectEncoding("\xFF\xFEx\0", false)->bomBytes, 2u);
    EXPECT_FALSE(DetectEncoding("\xEF\xBB", false));            // may still become a BOM
    EXPECT_FALSE(DetectEncoding("", false));
    EXPECT_EQ(DetectEncoding("\xEF\xBB", true)->encoding, FileEncoding::Narrow);
    EXPECT_EQ(DetectEncoding("ab", false)->bomBytes, 0u);
}

TEST(FollowText, LineEndsInAnyFormAndAcrossPieces)
{
    using V = std::vector<std::wstring>;
    EXPECT_EQ(Split(FileEncoding::Narrow, { "a\r\nb\nc\rd\n\ne" }),
              (V{ L"A:a", L"A:b", L"A:c", L"A:d", L"A:" }));
    // A CR at the end of one piece ends its line; the LF opening the next is
    // part of the same line end.
    EXPECT_EQ(Split(FileEncoding::Narrow, { "one\r", "\ntwo\r", "\r", "x\n" }),
              (V{ L"A:one", L"A:two", L"A:", L"A:x" }));
    // UTF-16: units split over pieces, a surrogate pair, CR LF.
    std::string u16("h\0i\0\r\0\n\0\x3D\xD8\x00\xDE\n\0", 14);
    EXPECT_EQ(Split(FileEncoding::Utf16Le, { u16.substr(0, 3), u16.substr(3, 4), u16.substr(7) }),
              (V{ L"hi", sizeof(wchar_t) == 2 ? std::wstring(L"\xD83D\xDE00")
                                               : std::wstring(1, wchar_t(0x1F600)) }));
}

TEST(FollowText, PartialLineHeldUntilItsEndOrFlush)
{
    LineSplitter s(FileEncoding::Narrow, false, Ansi);
    std::vector<std::wstring> out;
    s.Feed("done\npart", out);
    EXPECT_EQ(out.size(), 1u);
    EXPECT_TRUE(s.HasPartial());
    s.Feed("ial", out);
    EXPECT_TRUE(s.Flush(out));
    EXPECT_EQ(out.back(), L"A:partial");
    EXPECT_FALSE(s.Flush(out));
    // Its line end, late, makes no empty line.
    s.Feed("\r\nnext\n", out);
    EXPECT_EQ(out, (std::vector<std::wstring>{ L"A:done", L"A:partial", L"A:next" }));
}

TEST(FollowText, NarrowFilesAreUtf8WhenTheirFirstNonAsciiLineIs)
{
    using V = std::vector<std::wstring>;
    EXPECT_EQ(Split(FileEncoding::Narrow, { "ok\n\xE4\xB8\xAD\n\xE6\x96\x87\n" }),
              (V{ L"A:ok", L"\x4E2D", L"\x6587" }));
    // The first non-ASCII line is no UTF-8: the file is ANSI from there on.
    EXPECT_EQ(Split(FileEncoding::Narrow, { "\xD6\xD0\n\xE4\xB8\xAD\n" }),
              (V{ L"A:\xD6\xD0", L"A:\xE4\xB8\xAD" }));
    // Unless the UTF-8 option asks for UTF-8 wherever it is valid.
    EXPECT_EQ(Split(FileEncoding::Narrow, { "\xD6\xD0\n\xE4\xB8\xAD\n" }, true)[1], L"\x4E2D");
    EXPECT_EQ(Split(FileEncoding::Utf8Bom, { "\xE4\xB8\xAD\n" })[0], L"\x4E2D");
}

TEST(FollowText, TailStartFromBlocksReadBackwards)
{
    std::string file = "\xFF\xFE";
    for (int i = 0; i < 30000; ++i)
        for (char c : "line " + std::to_string(i) + "\r\n")
            file += std::string(1, c) + '\0';
    uint64_t read = 0;
    auto reader = [&](uint64_t at, char* buf, size_t n) {
        std::copy_n(file.data() + at, n, buf);
        return n;
    };
    uint64_t at = FindTailStart(file.size(), 2, 10000, 2, reader, &read);
    LineSplitter s(FileEncoding::Utf16Le, false, Ansi);
    std::vector<std::wstring> out;
    s.Feed(std::string_view(file).substr(at), out);
    ASSERT_EQ(out.size(), 10000u);
    EXPECT_EQ(out.front(), L"line 20000");
    EXPECT_LT(read, file.size() / 2);
    // Fewer lines than asked for: from the text's start; a partial last line
    // counts as a line; none asked for: the end.
    std::string small = "a\nb\nc";
    auto smallReader = [&](uint64_t p, char* buf, size_t n) {
        std::copy_n(small.data() + p, n, buf);
        return n;
    };
    EXPECT_EQ(FindTailStart(small.size(), 0, 9, 1, smallReader), 0u);
    EXPECT_EQ(FindTailStart(small.size(), 0, 2, 1, smallReader), 2u);
    EXPECT_EQ(FindTailStart(small.size(), 0, 0, 1, smallReader), small.size());
}
