#include "rows/JsonLine.h"
#include "rows/RecordFormat.h"
#include "framework/Utf16.h"
#include "rows/RowStore.h"
#include "output/LogRotation.h"
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

TEST(RecordFormat, NewLogFilesAreNamedBesideTheFirstAndCutAtLineEnds)
{
    EXPECT_EQ(RotatedName(L"C:\\d\\261209-063000.txt", 2, false, 2026, 12, 10, 1),
              L"C:\\d\\261209-063000.2.txt");
    EXPECT_EQ(RotatedName(L"C:\\d.x\\log", 3, false, 2026, 1, 2, 1), L"C:\\d.x\\log.3");
    EXPECT_EQ(RotatedName(L"a.txt", 5, true, 2026, 1, 2, 1), L"a.2026-01-02.txt");
    EXPECT_EQ(RotatedName(L"a.txt", 6, true, 2026, 1, 2, 2), L"a.2026-01-02.2.txt");
    const std::wstring_view text = L"ab\r\ncd\r\nef\r\n";
    EXPECT_EQ(FitLines(text, 100, false), text.size());
    EXPECT_EQ(FitLines(text, 8, false), 8u);       // two whole lines
    EXPECT_EQ(FitLines(text, 7, false), 4u);       // never half a line
    EXPECT_EQ(FitLines(text, 3, false), 0u);
    EXPECT_EQ(FitLines(text, 0, true), 4u);        // an empty file takes one line anyway
    EXPECT_EQ(FitLines(L"no end", 2, true), 6u);
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
    rows.Append(L"a.exe", 1, ArrivalTime{ 1, 2, 3, 456 }, L"first");
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

TEST(RowStore, IndexEntryIsSixteenBytes)
{
    EXPECT_EQ(sizeof(RowStore::Row), 16u);
}

std::wstring Cn(size_t units)
{
    std::wstring s;
    for (size_t i = 0; i < units; ++i)
        s += static_cast<wchar_t>(0x4E00 + i % 500);
    return s;
}

TEST(RowStore, EightBitTextsTakeAByteACharacterAndReadBackExactly)
{
    RowStore rows;
    const std::wstring ascii = L"plain ascii line";
    std::wstring latin1 = L"caf";
    latin1 += static_cast<wchar_t>(0xE9);   // é
    latin1 += static_cast<wchar_t>(0xFF);   // ÿ
    latin1 += static_cast<wchar_t>(0x01);
    std::wstring mixed = L"ascii then ";
    mixed += static_cast<wchar_t>(0x100);   // just past 8 bits
    const std::wstring chinese = Cn(30);
    rows.Append(L"a.exe", 1, ArrivalTime{}, ascii);
    rows.Append(L"a.exe", 1, ArrivalTime{}, latin1);
    rows.Append(L"a.exe", 1, ArrivalTime{}, mixed);
    rows.Append(L"a.exe", 1, ArrivalTime{}, chinese);
    rows.Append(L"a.exe", 1, ArrivalTime{}, L"");
    EXPECT_TRUE(rows.IsNarrow(0));
    EXPECT_TRUE(rows.IsNarrow(1));
    EXPECT_FALSE(rows.IsNarrow(2));
    EXPECT_FALSE(rows.IsNarrow(3));
    EXPECT_EQ(rows.Text(0), ascii);
    EXPECT_EQ(rows.Text(1), latin1);
    EXPECT_EQ(rows.Text(2), mixed);
    EXPECT_EQ(rows.Text(3), chinese);
    EXPECT_EQ(rows.Text(4), L"");
    EXPECT_EQ(rows.Column(3, 3), chinese);
    // A short buffer gets the start of the text.
    wchar_t buf[5];
    ASSERT_EQ(rows.CopyText(1, buf, 5), 5u);
    EXPECT_EQ(std::wstring(buf, 5), latin1.substr(0, 5));
    ASSERT_EQ(rows.CopyText(3, buf, 5), 5u);
    EXPECT_EQ(std::wstring(buf, 5), chinese.substr(0, 5));
    EXPECT_EQ(rows.TextLength(3), 30u);
}

TEST(RowStore, MemoryPerRowFollowsTheTextsWidth)
{
    const size_t n = 300000;
    RowStore ascii;
    const std::wstring line(97, L'a');
    for (size_t i = 0; i < n; ++i)
        ascii.Append(L"proc.exe", 42, ArrivalTime{}, line);
    const double asciiPerRow = double(ascii.MemoryBytes()) / n;
    EXPECT_LE(asciiPerRow, 97 + 16 + 8);
    RowStore wide;
    const std::wstring cn = Cn(97);
    for (size_t i = 0; i < n; ++i)
        wide.Append(L"proc.exe", 42, ArrivalTime{}, cn);
    const double widePerRow = double(wide.MemoryBytes()) / n;
    EXPECT_LE(widePerRow, 97 * sizeof(wchar_t) + 16 + 8);
    EXPECT_EQ(wide.Text(n - 1), cn);
    EXPECT_EQ(ascii.Text(n - 1), line);
}

TEST(RowStore, KeepsTheMillisecondAndShowsWholeSeconds)
{
    RowStore rows;
    rows.Append(L"a.exe", 1, ArrivalTime{ 23, 59, 59, 999 }, L"late");
    rows.Append(L"a.exe", 1, ArrivalTime{ 0, 0, 0, 1 }, L"early");
    rows.Append(L"a.exe", 1, ArrivalTime{ 12, 34, 56, 500 }, L"noon");
    const ArrivalTime t = rows.Time(0);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.minute, 59);
    EXPECT_EQ(t.second, 59);
    EXPECT_EQ(t.millisecond, 999);
    EXPECT_EQ(rows.Time(1).millisecond, 1);
    EXPECT_EQ(rows.Time(2).millisecond, 500);
    EXPECT_EQ(rows.Column(0, 2), L"23:59:59:00");
    EXPECT_EQ(rows.Column(2, 2), L"12:34:56:00");
    std::wstring saved;
    rows.AppendSavedRow(2, saved);
    EXPECT_EQ(saved, L"a.exe\t1\t12:34:56:00\tnoon\t\r\n");
}

TEST(RowStore, SavedRowMatchesTheSavedLineOfItsColumns)
{
    RowStore rows;
    rows.Append(L"", 0, ArrivalTime{ 1, 2, 3, 4 }, L"");
    rows.Append(L"n.exe", 0xFFFFFFFFu, ArrivalTime{ 9, 8, 7, 6 }, Cn(12));
    rows.Append(L"n.exe", 0x80000000u, ArrivalTime{ 10, 20, 30, 40 }, L"text");
    rows.Append(L"m.exe", 2147483647u, ArrivalTime{}, std::wstring(5000, L'z'));
    for (size_t r = 0; r < rows.Size(); ++r) {
        std::wstring cols[4];
        std::wstring_view views[4];
        for (int c = 0; c < 4; ++c)
            views[c] = cols[c] = rows.Column(r, c);
        std::wstring expected, got = L"before";
        AppendSavedLine(expected, views, 4);
        rows.AppendSavedRow(r, got);
        EXPECT_EQ(got, L"before" + expected) << "row " << r;
    }
}

TEST(RowStore, DropOldestShiftsTheRowsDownAndGivesChunksBack)
{
    RowStore rows;
    const size_t n = 3 * RowStore::kRowsPerChunk + 100;
    auto textOf = [](size_t i) {
        std::wstring t = L"row " + std::to_wstring(i) + L" " + std::wstring(200, L'x');
        if (i % 3 == 0)
            t += static_cast<wchar_t>(0x4E2D);   // some wide rows between
        return t;
    };
    for (size_t i = 0; i < n; ++i)
        rows.Append(L"p" + std::to_wstring(i % 7) + L".exe", static_cast<uint32_t>(i),
                    ArrivalTime{ 1, 2, 3, static_cast<uint16_t>(i % 1000) }, textOf(i));
    const size_t full = rows.MemoryBytes();

    rows.DropOldest(1);
    ASSERT_EQ(rows.Size(), n - 1);
    EXPECT_EQ(rows.Pid(0), 1u);
    EXPECT_EQ(rows.Text(0), textOf(1));

    const size_t dropped = 2 * RowStore::kRowsPerChunk + 10;
    rows.DropOldest(dropped - 1);
    ASSERT_EQ(rows.Size(), n - dropped);
    for (size_t r = 0; r < rows.Size(); ++r) {
        const size_t i = r + dropped;
        ASSERT_EQ(rows.Pid(r), static_cast<uint32_t>(i));
        ASSERT_EQ(rows.Text(r), textOf(i));
        ASSERT_EQ(rows.Name(r), L"p" + std::to_wstring(i % 7) + L".exe");
        ASSERT_EQ(rows.Time(r).millisecond, i % 1000);
    }
    // Two of three row chunks and most text chunks are given back.
    EXPECT_LT(rows.MemoryBytes(), full / 2);

    // New rows come after the kept ones.
    rows.Append(L"new.exe", 99, ArrivalTime{}, L"appended");
    EXPECT_EQ(rows.Text(rows.Size() - 1), L"appended");
    EXPECT_EQ(rows.Pid(rows.Size() - 2), static_cast<uint32_t>(n - 1));

    // Dropping more than there are empties the list; it fills again.
    rows.DropOldest(rows.Size() + 5);
    EXPECT_EQ(rows.Size(), 0u);
    EXPECT_LT(rows.MemoryBytes(), size_t(4096));
    rows.Append(L"again.exe", 5, ArrivalTime{}, L"after");
    rows.Append(L"again.exe", 6, ArrivalTime{}, Cn(3));
    ASSERT_EQ(rows.Size(), 2u);
    EXPECT_EQ(rows.Text(0), L"after");
    EXPECT_EQ(rows.Text(1), Cn(3));
    rows.DropOldest(0);
    EXPECT_EQ(rows.Size(), 2u);
}

TEST(RowStore, DropOldestRowByRowKeepsEveryLaterRow)
{
    RowStore rows;
    // Texts of all sizes, so rows cross text chunks at every point.
    size_t appended = 0, first = 0;
    auto textOf = [](size_t i) { return std::wstring(1 + (i * 37) % kMaxTextUnits, L'a' + i % 26); };
    for (int round = 0; round < 40; ++round) {
        for (int k = 0; k < 300; ++k, ++appended)
            rows.Append(L"x.exe", static_cast<uint32_t>(appended), ArrivalTime{}, textOf(appended));
        const size_t drop = (round * 53) % 250;
        rows.DropOldest(drop);
        first += drop;
        ASSERT_EQ(rows.Size(), appended - first);
        ASSERT_EQ(rows.Text(0), textOf(first));
        ASSERT_EQ(rows.Text(rows.Size() - 1), textOf(appended - 1));
    }
    for (size_t r = 0; r < rows.Size(); ++r)
        ASSERT_EQ(rows.Text(r), textOf(first + r)) << r;
}

TEST(RecordFormat, JsonLineEscapesControlsAndKeepsOtherText)
{
    JsonTime t{ 2026, 12, 9, 6, 3, 7, 45 };
    std::wstring text = L"a\"b\\c\td\r\n\x01\x1f\x7f \u4e2d";
    text += static_cast<wchar_t>(0xD800);   // a lone surrogate half (16-bit wchar_t)
    const std::wstring line = FormatJsonLine(t, 4000000000u, L"x\".exe", text);
    EXPECT_EQ(line.substr(0, line.find(L"\"text\"")),
              L"{\"time\":\"2026-12-09T06:03:07.045\",\"pid\":4000000000,"
              L"\"process\":\"x\\\".exe\",");
    EXPECT_EQ(line.substr(line.find(L"\"text\"")),
              std::wstring(L"\"text\":\"a\\\"b\\\\c\\td\\r\\n\\u0001\\u001f\x7f \u4e2d") +
                  static_cast<wchar_t>(0xD800) + L"\"}\n");
    // As UTF-8 the half becomes U+FFFD: valid UTF-8 throughout.
    EXPECT_NE(fw::Utf8FromWide(line).find("\xEF\xBF\xBD\"}"), std::string::npos);
}
