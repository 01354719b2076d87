#include "rows/RowStore.h"
#include "rows/TimeModes.h"
#include "rows/Timeline.h"
#include <gtest/gtest.h>

using namespace orlix;

TEST(TimeModes, ClockKeepsTheClassicTextWhateverTheMilliseconds)
{
    ArrivalTime origin{ 0, 0, 0, 0 };
    EXPECT_EQ(FormatTimeAs(TimeMode::Clock, ArrivalTime{ 9, 5, 7, 0 }, origin, nullptr),
              L"09:05:07:00");
    EXPECT_EQ(FormatTimeAs(TimeMode::Clock, ArrivalTime{ 9, 5, 7, 987 }, origin, nullptr),
              L"09:05:07:00");
}

TEST(TimeModes, ClockWithMilliseconds)
{
    ArrivalTime origin;
    EXPECT_EQ(FormatTimeAs(TimeMode::ClockMs, ArrivalTime{ 9, 5, 7, 4 }, origin, nullptr),
              L"09:05:07.004");
    EXPECT_EQ(FormatTimeAs(TimeMode::ClockMs, ArrivalTime{ 23, 59, 59, 999 }, origin, nullptr),
              L"23:59:59.999");
}

TEST(TimeModes, SecondsSinceTheFirstRowAndAcrossMidnight)
{
    ArrivalTime origin{ 10, 0, 0, 250 };
    EXPECT_EQ(FormatTimeAs(TimeMode::SinceFirst, origin, origin, nullptr), L"0.000");
    EXPECT_EQ(FormatTimeAs(TimeMode::SinceFirst, ArrivalTime{ 10, 0, 1, 0 }, origin, nullptr),
              L"0.750");
    EXPECT_EQ(FormatTimeAs(TimeMode::SinceFirst, ArrivalTime{ 11, 2, 3, 260 }, origin, nullptr),
              L"3723.010");
    ArrivalTime late{ 23, 59, 59, 900 };
    EXPECT_EQ(FormatTimeAs(TimeMode::SinceFirst, ArrivalTime{ 0, 0, 0, 100 }, late, nullptr),
              L"0.200");
}

TEST(TimeModes, DeltaToThePreviousRow)
{
    ArrivalTime origin;
    ArrivalTime prev{ 8, 0, 0, 990 };
    EXPECT_EQ(FormatTimeAs(TimeMode::Delta, ArrivalTime{ 8, 0, 1, 5 }, origin, &prev), L"0.015");
    EXPECT_EQ(FormatTimeAs(TimeMode::Delta, prev, origin, &prev), L"0.000");
    EXPECT_EQ(FormatTimeAs(TimeMode::Delta, prev, origin, nullptr), L"0.000");
}

TEST(TimeModes, StoredNumbersOutsideTheModesReadAsClock)
{
    EXPECT_EQ(TimeModeFromInt(2), TimeMode::SinceFirst);
    EXPECT_EQ(TimeModeFromInt(-1), TimeMode::Clock);
    EXPECT_EQ(TimeModeFromInt(4), TimeMode::Clock);
    EXPECT_EQ(FormatSeconds(-1500), L"-1.500");
}

TEST(RowStoreTime, KeepsMillisecondsButTheListTextShowsWholeSeconds)
{
    RowStore rows;
    rows.Append(L"a.exe", 1, ArrivalTime{ 12, 34, 56, 789 }, L"one");
    EXPECT_EQ(rows.Time(0).millisecond, 789);
    EXPECT_EQ(rows.Column(0, 2), L"12:34:56:00");
}

TEST(RowStoreTime, DropOldestShiftsRowsAndGivesChunksBack)
{
    RowStore rows;
    std::wstring big(4000, L'x');
    for (int i = 0; i < 1200; ++i)
        rows.Append(L"a.exe", static_cast<uint32_t>(i), ArrivalTime{ 1, 2, 3, uint16_t(i % 1000) },
                    big);
    size_t before = rows.MemoryBytes();
    rows.DropOldest(1000);
    ASSERT_EQ(rows.Size(), 200u);
    EXPECT_EQ(rows.Pid(0), 1000u);
    EXPECT_EQ(rows.Time(0).millisecond, 0);
    EXPECT_EQ(rows.Text(199), big);
    EXPECT_LT(rows.MemoryBytes(), before / 2);
    rows.Append(L"b.exe", 7, ArrivalTime{}, L"after");
    EXPECT_EQ(rows.Text(200), L"after");
    rows.DropOldest(500);
    EXPECT_EQ(rows.Size(), 0u);
}

TEST(Timeline, CountsEachSecondAcrossMidnightAndFollowsDroppedRows)
{
    Timeline t;
    auto at = [](int h, int m, int s) {
        return ArrivalTime{ static_cast<uint16_t>(h), static_cast<uint16_t>(m),
                            static_cast<uint16_t>(s), 0 };
    };
    t.Add(0, at(23, 59, 58), 1);
    t.Add(1, at(23, 59, 58), 2);
    t.Add(2, at(23, 59, 59), 1);
    t.Add(3, at(0, 0, 1), 1);   // the next day: two seconds on, one empty between
    t.Add(4, at(0, 0, 1), 3);
    ASSERT_EQ(t.Length(), 4u);
    EXPECT_EQ(t.At(0).total, 2u);
    EXPECT_EQ(t.At(2).total, 0u);
    EXPECT_EQ(t.At(3).total, 2u);
    EXPECT_EQ(t.TimeOf(3).hour, 0);
    EXPECT_EQ(t.Peak(), 2u);
    EXPECT_EQ(t.RowAt(2), std::optional<size_t>(3));   // the empty second: the next row
    EXPECT_EQ(t.SecondOfRow(1), std::optional<size_t>(0));
    EXPECT_EQ(t.SecondOfRow(4), std::optional<size_t>(3));
    EXPECT_EQ(t.Busiest(2), (std::vector<uint32_t>{ 1, 2 }));
    std::vector<uint32_t> cols;   // two columns of two seconds: slots 1, 2, the rest
    EXPECT_EQ(t.Columns(2, { 1, 2 }, cols), 3u);
    EXPECT_EQ(cols, (std::vector<uint32_t>{ 2, 1, 0, 1, 0, 1 }));

    t.Dropped(2);   // rows 0 and 1 go: the first second with them
    ASSERT_EQ(t.Length(), 3u);
    EXPECT_EQ(t.At(0).firstRow, 0u);
    EXPECT_EQ(t.RowAt(1), std::optional<size_t>(1));
    EXPECT_EQ(t.Rows(), 3u);
    EXPECT_EQ(t.Busiest(3), (std::vector<uint32_t>{ 1, 3 }));
    t.Dropped(3);
    EXPECT_TRUE(t.Empty());
}
