#include "capture/RecordFormat.h"
#include "capture/RowStore.h"
#include <gtest/gtest.h>

using namespace orlix;

TEST(RecordFormat, TimeAlwaysEndsInZeroMilliseconds)
{
    ArrivalTime t{ 9, 5, 7, 0 };
    EXPECT_EQ(FormatTime(t), L"09:05:07:00");
    EXPECT_EQ(FormatTime(ArrivalTime{ 23, 59, 59, 0 }), L"23:59:59:00");
}

TEST(RecordFormat, LogLineLayout)
{
    ArrivalTime t{ 9, 5, 7, 0 };
    EXPECT_EQ(FormatLogLine(L"app.exe", 412, t, L"hello"),
              L"app.exe\t\t412\t\t09:05:07:00\t\thello\r\n");
    // A line naming no process starts with the two tabs.
    EXPECT_EQ(FormatLogLine(L"", 0, t, L""), L"\t\t0\t\t09:05:07:00\t\t\r\n");
}

TEST(RecordFormat, PidIsSignedDecimal)
{
    EXPECT_EQ(FormatPid(8), L"8");
    EXPECT_EQ(FormatPid(0xFFFFFFFFu), L"-1");
}

TEST(RecordFormat, SavedLineHasATabAfterEveryColumn)
{
    std::wstring out;
    std::wstring_view cols[4] = { L"app.exe", L"8", L"10:00:01:00", L"hi" };
    AppendSavedLine(out, cols, 4);
    EXPECT_EQ(out, L"app.exe\t8\t10:00:01:00\thi\t\r\n");
}

TEST(RecordFormat, CutKeepsSurrogatePairsWhole)
{
    EXPECT_EQ(CutUnits(L"abc", 5), L"abc");
    EXPECT_EQ(CutUnits(L"abcdef", 4), L"abcd");
    if (sizeof(wchar_t) == 2) {
        std::wstring s = L"ab";
        s += static_cast<wchar_t>(0xD83D);
        s += static_cast<wchar_t>(0xDE00);
        EXPECT_EQ(CutUnits(s, 3), L"ab");
        EXPECT_EQ(CutUnits(s, 4), s);
    }
}

TEST(RowStore, KeepsRowsInOrderWithWholeTexts)
{
    RowStore rows;
    std::wstring long4095(4095, L'x');
    std::wstring long5000(5000, L'y');
    rows.Append(L"a.exe", 1, ArrivalTime{ 1, 2, 3, 0 }, L"first");
    rows.Append(L"", 0, ArrivalTime{ 4, 5, 6, 0 }, long4095);
    rows.Append(std::wstring(200, L'n'), 7, ArrivalTime{ 7, 8, 9, 0 }, long5000);
    ASSERT_EQ(rows.Size(), 3u);
    EXPECT_EQ(rows.Column(0, 0), L"a.exe");
    EXPECT_EQ(rows.Column(0, 1), L"1");
    EXPECT_EQ(rows.Column(0, 2), L"01:02:03:00");
    EXPECT_EQ(rows.Column(0, 3), L"first");
    EXPECT_EQ(rows.Text(1), long4095);
    EXPECT_EQ(rows.Text(2).size(), kMaxTextUnits);
    EXPECT_EQ(rows.Name(2).size(), kMaxNameUnits);
    EXPECT_EQ(rows.Name(1), L"");
    rows.Clear();
    EXPECT_EQ(rows.Size(), 0u);
}

TEST(RowStore, TextsSpanManyChunks)
{
    RowStore rows;
    std::wstring text(4000, L'q');
    for (int i = 0; i < 1000; ++i) {
        text[0] = static_cast<wchar_t>(L'A' + i % 26);
        rows.Append(L"p.exe", static_cast<uint32_t>(i), ArrivalTime{}, text);
    }
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(rows.Text(i).size(), 4000u);
        ASSERT_EQ(rows.Text(i)[0], static_cast<wchar_t>(L'A' + i % 26));
        ASSERT_EQ(rows.Pid(i), static_cast<uint32_t>(i));
    }
}

TEST(RowStore, MemoryStaysCloseToTheText)
{
    RowStore rows;
    std::wstring text(100, L't');
    const size_t n = 200000;
    for (size_t i = 0; i < n; ++i)
        rows.Append(L"proc.exe", 42, ArrivalTime{}, text);
    double perRow = double(rows.MemoryBytes()) / n;
    double textBytes = 100.0 * sizeof(wchar_t);
    EXPECT_LE(perRow, 2 * textBytes + 48);
}

TEST(RowStore, EveryRowKeepsItsNamePastSixtyFiveThousandNames)
{
    RowStore rows;
    const uint32_t n = 70000;
    for (uint32_t i = 0; i < n; ++i)
        rows.Append(L"p" + std::to_wstring(i) + L".exe", i, ArrivalTime{ 23, 59, 58, 0 }, L"x");
    // Names seen before come back to their first entry.
    rows.Append(L"p1.exe", 1, ArrivalTime{}, L"again");
    rows.Append(L"p69999.exe", 2, ArrivalTime{}, L"again");
    EXPECT_EQ(rows.NameCount(), size_t(n));
    for (uint32_t i = 0; i < n; ++i)
        ASSERT_EQ(rows.Name(i), L"p" + std::to_wstring(i) + L".exe") << "row " << i;
    EXPECT_EQ(rows.Name(n), L"p1.exe");
    EXPECT_EQ(rows.Name(n + 1), L"p69999.exe");
    EXPECT_EQ(rows.Column(n - 1, 2), L"23:59:58:00");
    rows.Clear();
    EXPECT_EQ(rows.NameCount(), 0u);
    rows.Append(L"q.exe", 3, ArrivalTime{}, L"after clear");
    EXPECT_EQ(rows.Name(0), L"q.exe");
}

TEST(RowStore, RowIndexStaysTwentyBytes)
{
    EXPECT_EQ(sizeof(RowStore::Row), 20u);
}
