// Reading and writing the settings file's text, and its bytes on disk.
#include "settings/IniText.h"
#include "framework/Utf16.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

IniDocument Parsed(std::wstring_view text)
{
    IniDocument doc;
    doc.Parse(text);
    return doc;
}

std::vector<std::wstring> Names(const IniDocument& doc)
{
    std::vector<std::wstring> names;
    for (const auto& s : doc.m_sections)
        names.push_back(s->m_strName);
    return names;
}

Pairs Values(const IniSection& s)
{
    return Pairs(s.m_values.begin(), s.m_values.end());
}

std::wstring Value(const IniSection& s, std::wstring_view key)
{
    std::wstring v = L"<missing>";
    s.GetValue(key, v);
    return v;
}

std::string Bytes(const char8_t* utf8)
{
    return std::string(reinterpret_cast<const char*>(utf8));
}

std::wstring NoAnsi(std::string_view)
{
    ADD_FAILURE() << "valid UTF-8 must not reach the code-page converter";
    return {};
}

} // namespace

TEST(IniTextLines, LineEndsAndEmptyLines)
{
    IniDocument doc = Parsed(L"[s]\r\na=1\n\r\n\nb=2\r\r\nc=3\rx\nd=4\r");
    ASSERT_EQ(doc.m_sections.size(), 1u);
    // Only a CR directly before the LF goes; others stay in the text.
    EXPECT_EQ(Values(*doc.m_sections[0]),
              (Pairs{ { L"a", L"1" }, { L"b", L"2\r" }, { L"c", L"3\rx" }, { L"d", L"4\r" } }));

    const IniDocument last = Parsed(L"[s]\nlast=no line end");
    EXPECT_EQ(Value(*last.m_sections[0], L"last"), L"no line end");
    EXPECT_TRUE(Parsed(L"").m_sections.empty());
    EXPECT_TRUE(Parsed(L"\r\n\n\n").m_sections.empty());
}

TEST(IniTextLines, SectionNameDropsFirstAndLastCharacter)
{
    IniDocument doc = Parsed(L"[Filter]\n[abc\n[\n[]\n[a]x;\n[ sp ]\n[[x]]\n");
    EXPECT_EQ(Names(doc), (std::vector<std::wstring>{ L"Filter", L"ab", L"", L"", L"a]x",
                                                       L" sp ", L"[x]" }));
}

TEST(IniTextLines, OnlyLinesStartingWithBracketOpenSections)
{
    IniDocument doc = Parsed(L"[s]\n [t]\n [u]=1\n\t[v]=2\n");
    EXPECT_EQ(Names(doc), (std::vector<std::wstring>{ L"s" }));
    EXPECT_EQ(Values(*doc.m_sections[0]), (Pairs{ { L" [u]", L"1" }, { L"\t[v]", L"2" } }));
}

TEST(IniTextLines, LinesBeforeTheFirstSectionAreDropped)
{
    IniDocument doc = Parsed(L"k=v\nfree text\n=x\n[s]\nk=w\n");
    EXPECT_EQ(Names(doc), (std::vector<std::wstring>{ L"s" }));
    EXPECT_EQ(Values(*doc.m_sections[0]), (Pairs{ { L"k", L"w" } }));
    EXPECT_EQ(doc.Format(), L"[s]\r\nk=w\r\n");
}

TEST(IniTextKeys, KeyEndsAtFirstEqualsAndNothingIsTrimmed)
{
    const IniDocument doc = Parsed(L"[s]\n"
                                   L"expr=a=b==c\n"
                                   L"empty=\n"
                                   L" k = v \n"
                                   L"=no key\n"
                                   L";comment=yes\n"
                                   L";just a comment\n"
                                   L"no equals here\n");
    const IniSection& s = *doc.m_sections[0];
    EXPECT_EQ(Values(s), (Pairs{ { L"expr", L"a=b==c" },
                                 { L"empty", L"" },
                                 { L" k ", L" v " },
                                 { L"", L"no key" },
                                 { L";comment", L"yes" } }));
    EXPECT_EQ(Value(s, L"k"), L"<missing>");
    EXPECT_EQ(Value(s, L"k "), L"<missing>");
}

TEST(IniTextKeys, LaterDuplicateWinsAndIsWrittenOnceInFirstPlace)
{
    IniDocument doc = Parsed(L"[s]\nb=1\na=2\nb=3\n");
    EXPECT_EQ(Values(*doc.m_sections[0]), (Pairs{ { L"b", L"3" }, { L"a", L"2" } }));
    EXPECT_EQ(doc.Format(), L"[s]\r\nb=3\r\na=2\r\n");
}

TEST(IniTextKeys, CaseMatters)
{
    const IniDocument doc = Parsed(L"[s]\nInclude=x\n");
    const IniSection& s = *doc.m_sections[0];
    EXPECT_EQ(Value(s, L"include"), L"<missing>");
    EXPECT_EQ(Value(s, L"Include"), L"x");
}

TEST(IniTextSections, DuplicatesKeptAndFirstOneFound)
{
    IniDocument doc = Parsed(L"[Filter]\ninclude=a;\n[Other]\nk=v\n[Filter]\nexclude=b;\n");
    ASSERT_EQ(doc.m_sections.size(), 3u);
    IniSection* filter = doc.GetSection(L"Filter");
    EXPECT_EQ(filter, doc.m_sections[0].get());
    EXPECT_EQ(Value(*filter, L"include"), L"a;");
    EXPECT_EQ(Value(*filter, L"exclude"), L"<missing>");
    EXPECT_EQ(doc.m_sections.size(), 3u);
    EXPECT_EQ(doc.Format(),
              L"[Filter]\r\ninclude=a;\r\n[Other]\r\nk=v\r\n[Filter]\r\nexclude=b;\r\n");
}

TEST(IniTextSections, MissingNameIsAppendedExactCase)
{
    IniDocument doc = Parsed(L"[filter]\ninclude=x\n");
    IniSection* first = doc.m_sections[0].get();
    IniSection* filter = doc.GetSection(L"Filter");
    EXPECT_NE(filter, first);
    EXPECT_EQ(Names(doc), (std::vector<std::wstring>{ L"filter", L"Filter" }));
    EXPECT_TRUE(filter->m_values.empty());
    EXPECT_EQ(doc.GetSection(L"Filter"), filter);

    filter->SetValue(L"include", L"y");
    // Earlier sections stay where they are as others are appended.
    for (int i = 0; i < 100; ++i)
        doc.GetSection(std::to_wstring(i));
    EXPECT_EQ(doc.m_sections[0].get(), first);
    EXPECT_EQ(Value(*doc.GetSection(L"Filter"), L"include"), L"y");
}

TEST(IniTextSections, ParseAddsBehindWhatIsHeld)
{
    IniDocument doc;
    doc.GetSection(L"Mine")->SetValue(L"k", L"1");
    doc.Parse(L"[Mine]\nk=2\n");
    EXPECT_EQ(Names(doc), (std::vector<std::wstring>{ L"Mine", L"Mine" }));
    EXPECT_EQ(Value(*doc.GetSection(L"Mine"), L"k"), L"1");
}

TEST(IniTextValues, GetValueLeavesTheStringWhenMissing)
{
    IniSection s;
    std::wstring v = L"kept";
    EXPECT_FALSE(s.GetValue(L"k", v));
    EXPECT_EQ(v, L"kept");
    EXPECT_EQ(s.SetValue(L"k", L""), 1);
    EXPECT_TRUE(s.GetValue(L"k", v));
    EXPECT_EQ(v, L"");
    EXPECT_EQ(s.SetValue(L"k", L"again"), 1);
    EXPECT_EQ(s.m_values.size(), 1u);
    EXPECT_EQ(Value(s, L"k"), L"again");
}

TEST(IniTextWrite, CanonicalForm)
{
    IniDocument doc;
    EXPECT_EQ(doc.Format(), L"");
    doc.GetSection(L"Empty");
    doc.GetSection(L"");
    IniSection* f = doc.GetSection(L"Filter");
    f->SetValue(L"include", L"a;b;");
    f->SetValue(L"exclude", L";");
    EXPECT_EQ(doc.Format(), L"[Empty]\r\n[]\r\n[Filter]\r\ninclude=a;b;\r\nexclude=;\r\n");
}

TEST(IniTextWrite, LoadThenSaveGivesCanonicalFormAndIsThenStable)
{
    const std::wstring messy = L"top=dropped\n\n[A]\r\n; note\nx = 1\nx = 2\nbad\n[b\n"
                               L"y==\n[A]\nz=3\n";
    const std::wstring canonical = Parsed(messy).Format();
    EXPECT_EQ(canonical, L"[A]\r\nx = 2\r\n[]\r\ny==\r\n[A]\r\nz=3\r\n");
    EXPECT_EQ(Parsed(canonical).Format(), canonical);
}

TEST(IniBytes, AsciiIsWrittenByteForByte)
{
    EXPECT_EQ(EncodeIniBytes(L"[Filter]\r\ninclude=a;\r\n"), "[Filter]\r\ninclude=a;\r\n");
    EXPECT_EQ(EncodeIniBytes(L""), "");
}

TEST(IniBytes, NonAsciiIsUtf8AndReadsBack)
{
    const std::wstring text = L"[过滤]\r\n包含=错误;\U0001F600;é\r\n";
    const std::string bytes = EncodeIniBytes(text);
    EXPECT_EQ(bytes, Bytes(u8"[过滤]\r\n包含=错误;\U0001F600;é\r\n"));
    EXPECT_EQ(DecodeIniBytes(bytes, NoAnsi), text);
}

TEST(IniBytes, LoneSurrogatesAreWrittenAsReplacementCharacters)
{
    std::wstring text = L"a";
    text += static_cast<wchar_t>(0xD83D);  // a high half without its low half
    text += L"b";
    text += static_cast<wchar_t>(0xDC00);
    const std::string bytes = EncodeIniBytes(text);
    EXPECT_EQ(bytes, "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    EXPECT_EQ(DecodeIniBytes(bytes, NoAnsi), L"a\uFFFDb\uFFFD");
    // Bytes that encode a surrogate are not UTF-8: the code page reads them.
    std::wstring out;
    EXPECT_FALSE(fw::DecodeUtf8("a\xED\xA0\xBD", out));
}

TEST(IniBytes, InvalidUtf8GoesWholeToTheCodePage)
{
    for (const std::string& bytes : { std::string("caf\xE9"),           // Latin-1 byte
                                      std::string("\xD6\xD0\xCE\xC4"),  // GBK pair
                                      std::string("\xC0\xAF"),          // overlong
                                      std::string("\xE0\x80\xAF"),      // overlong
                                      std::string("\xE4\xB8"),          // cut short
                                      std::string("\xF4\x90\x80\x80"),  // past U+10FFFF
                                      std::string("\x80"), std::string("\xF5\x80\x80\x80"),
                                      std::string("\xFF") }) {
        std::string seen;
        const std::wstring text = DecodeIniBytes(bytes, [&seen](std::string_view b) {
            seen.assign(b);
            return std::wstring(L"converted");
        });
        EXPECT_EQ(text, L"converted");
        EXPECT_EQ(seen, bytes);
    }
}

TEST(IniBytes, ByteOrderMarkIsDropped)
{
    IniDocument doc;
    doc.Parse(DecodeIniBytes(Bytes(u8"\uFEFF[Filter]\r\ninclude=é;\r\n"), NoAnsi));
    EXPECT_EQ(Names(doc), (std::vector<std::wstring>{ L"Filter" }));
    EXPECT_EQ(Value(*doc.GetSection(L"Filter"), L"include"), L"é;");
}

TEST(IniBytes, Utf8BoundaryCodePoints)
{
    std::wstring out;
    EXPECT_TRUE(fw::DecodeUtf8(Bytes(u8"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"), out));
    EXPECT_EQ(out, L"\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF");
    EXPECT_TRUE(fw::DecodeUtf8(std::string("nul\0inside", 10), out));
    EXPECT_EQ(out, std::wstring(L"nul\0inside", 10));
}

TEST(IniBytes, Utf16WithByteOrderMarkIsRead)
{
    const std::u16string text = u"[Filter]\r\ninclude=keep;\u8FC7\u6EE4;\r\nexclude=drop;\r\n";
    std::string le = "\xFF\xFE", be = "\xFE\xFF";
    for (char16_t u : text) {
        le += static_cast<char>(u & 0xFF);
        le += static_cast<char>(u >> 8);
        be += static_cast<char>(u >> 8);
        be += static_cast<char>(u & 0xFF);
    }
    for (const std::string& bytes : { le, be, le + "\x41" /* an odd last byte */ }) {
        IniDocument doc;
        doc.Parse(DecodeIniBytes(bytes, NoAnsi));
        ASSERT_EQ(Names(doc), (std::vector<std::wstring>{ L"Filter" }));
        EXPECT_EQ(Value(*doc.GetSection(L"Filter"), L"include"), L"keep;\u8FC7\u6EE4;");
        EXPECT_EQ(Value(*doc.GetSection(L"Filter"), L"exclude"), L"drop;");
    }
}

TEST(IniBytes, AStrayByteSpoilsOnlyItsOwnLine)
{
    // The user's UTF-8 filter, and elsewhere one Latin-1 byte.
    const std::string bytes = Bytes(u8"[Filter]\r\ninclude=错误;警告;\r\n") +
                              "note=caf\xE9\r\n" + Bytes(u8"exclude=调试;\r\n");
    std::vector<std::string> toCodePage;
    IniDocument doc;
    doc.Parse(DecodeIniBytes(bytes, [&toCodePage](std::string_view b) {
        toCodePage.emplace_back(b);
        return std::wstring(L"note=caf\u00E9\r\n");
    }));
    EXPECT_EQ(Value(*doc.GetSection(L"Filter"), L"include"), L"错误;警告;");
    EXPECT_EQ(Value(*doc.GetSection(L"Filter"), L"exclude"), L"调试;");
    EXPECT_EQ(Value(*doc.GetSection(L"Filter"), L"note"), L"caf\u00E9");
    EXPECT_EQ(toCodePage, (std::vector<std::string>{ "note=caf\xE9\r\n" }));
    // Written back, the filter is the same UTF-8 it was.
    EXPECT_NE(EncodeIniBytes(doc.Format()).find(Bytes(u8"include=错误;警告;\r\n")),
              std::string::npos);
}

// A code page that reads every byte below 0x80 as itself and 0xFF as '?'
// (as a double-byte code page reads a lead byte with no trail byte).
std::wstring LossyAnsi(std::string_view b)
{
    std::wstring w;
    for (char c : b)
        w += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'?';
    return w;
}

std::string LossyNarrow(std::wstring_view w)
{
    std::string b;
    for (wchar_t c : w)
        b += c < 0x80 ? static_cast<char>(c) : '?';
    return b;
}

TEST(IniBytes, AValueTheLoadCouldNotReadIsWrittenBackAsItsOwnBytesUntilChanged)
{
    const char kFile[] = "[Other\xFF]\r\nk=1\r\n[Filter]\r\ninclude=a\xFF\0b;\r\nexclude=plain;\r\n";
    const std::string bytes(kFile, sizeof kFile - 1);
    IniDocument doc;
    doc.Parse(DecodeIniBytes(bytes, LossyAnsi));
    const auto raw = FindUndecodableLines(bytes, LossyAnsi, LossyNarrow);
    ASSERT_EQ(raw.size(), 2u);
    EXPECT_EQ(raw[0].bytes, "[Other\xFF]");
    EXPECT_EQ(raw[1].key, L"include");
    // Saved unchanged: the file's own bytes come back.
    EXPECT_EQ(EncodeIniDocument(doc, raw), bytes);
    // A value the user changed is written as what it now is.
    doc.GetSection(L"Filter")->SetValue(L"include", L"new;");
    EXPECT_EQ(EncodeIniDocument(doc, raw),
              "[Other\xFF]\r\nk=1\r\n[Filter]\r\ninclude=new;\r\nexclude=plain;\r\n");
    // A line of an empty key is not its section's line (nor the other way).
    const std::string empty = "[S]\r\n=v\xFF\r\n[T\xFF]\r\n=w\r\n";
    IniDocument withEmpty;
    withEmpty.Parse(DecodeIniBytes(empty, LossyAnsi));
    EXPECT_EQ(EncodeIniDocument(withEmpty, FindUndecodableLines(empty, LossyAnsi, LossyNarrow)),
              empty);
    // UTF-8 and UTF-16 files have no such lines.
    EXPECT_TRUE(FindUndecodableLines(Bytes(u8"[F]\r\nk=é\r\n"), LossyAnsi, LossyNarrow).empty());
    EXPECT_TRUE(FindUndecodableLines(std::string("\xFF\xFE[\0", 4), LossyAnsi, LossyNarrow).empty());
}
