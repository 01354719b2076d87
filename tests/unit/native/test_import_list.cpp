#include "rows/ImportList.h"
#include "rows/RecordFormat.h"
#include <gtest/gtest.h>

using namespace orlix;

namespace {
std::vector<unsigned char> Utf16File(const std::wstring& text, bool bom = true)
{
    std::vector<unsigned char> out;
    if (bom)
        out = { 0xFF, 0xFE };
    for (wchar_t c : text) {
        out.push_back(static_cast<unsigned char>(c & 0xFF));
        out.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
    }
    return out;
}

ImportResult Parse(const std::vector<unsigned char>& bytes)
{
    return ParseImportFile(bytes.data(), bytes.size());
}
} // namespace

TEST(ImportList, ReadsWhatSaveAndTheLogWrite)
{
    std::wstring saved;
    std::wstring_view a[4] = { L"app.exe", L"-1", L"10:11:12:00", L"tab\tinside" };
    AppendSavedLine(saved, a, 4);
    std::wstring_view b[4] = { L"", L"0", L"23:59:59.120", L"" };
    AppendSavedLine(saved, b, 4);
    ImportResult r = Parse(Utf16File(saved));
    ASSERT_TRUE(r.ours);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.malformed, 0u);
    EXPECT_EQ(r.rows[0].name, L"app.exe");
    EXPECT_EQ(r.rows[0].pid, 0xFFFFFFFFu);
    EXPECT_EQ(r.rows[0].time.hour, 10);
    EXPECT_EQ(r.rows[0].text, L"tab\tinside");
    EXPECT_EQ(r.rows[1].name, L"");
    EXPECT_EQ(r.rows[1].time.millisecond, 120);

    std::wstring log = FormatLogLine(L"w.exe", 42, ArrivalTime{ 1, 2, 3, 0 }, L"logged\t\tx") +
                       FormatLogLine(L"", 0, ArrivalTime{}, L"");
    r = Parse(Utf16File(log));
    ASSERT_TRUE(r.ours);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0].name, L"w.exe");
    EXPECT_EQ(r.rows[0].pid, 42u);
    EXPECT_EQ(r.rows[0].text, L"logged\t\tx");
    EXPECT_EQ(r.rows[1].text, L"");
}

TEST(ImportList, MalformedLinesOfOurFilesAreKeptAsText)
{
    std::wstring text = L"a.exe\t1\t00:00:01:00\tgood\t\r\nsomething else\r\nb\tx\t00:00:01:00\tbad pid\t\r\n"
                        L"s.exe\t2\t1.250\tseconds form\t";
    ImportResult r = Parse(Utf16File(text));
    ASSERT_TRUE(r.ours);
    ASSERT_EQ(r.rows.size(), 4u);
    EXPECT_EQ(r.malformed, 2u);
    EXPECT_EQ(r.rows[1].text, L"something else");
    EXPECT_EQ(r.rows[1].pid, 0u);
    EXPECT_EQ(r.rows[2].text, L"b\tx\t00:00:01:00\tbad pid\t");
    EXPECT_EQ(r.rows[3].text, L"seconds form");
}

TEST(ImportList, OtherFilesAreNotOurs)
{
    EXPECT_FALSE(Parse(Utf16File(L"a.exe\t1\t00:00:01:00\tgood\t", false)).ours);  // no BOM
    EXPECT_FALSE(Parse(Utf16File(L"just some\r\nnotes\r\n")).ours);
    std::vector<unsigned char> odd = Utf16File(L"a.exe\t1\t00:00:01:00\tx\t");
    odd.push_back(0x41);
    EXPECT_FALSE(Parse(odd).ours);
    ImportResult empty = Parse(Utf16File(L""));
    EXPECT_TRUE(empty.ours);
    EXPECT_TRUE(empty.rows.empty());
}

TEST(ImportList, ClockTexts)
{
    ArrivalTime t;
    EXPECT_TRUE(ParseClockText(L"09:05:07:00", t));
    EXPECT_TRUE(ParseClockText(L"09:05:07.004", t));
    EXPECT_EQ(t.millisecond, 4);
    for (const wchar_t* bad : { L"24:00:00:00", L"09:60:00:00", L"09:05:07:01", L"9:05:07:00",
                                L"09:05:07.04", L"" })
        EXPECT_FALSE(ParseClockText(bad, t)) << bad;
}
