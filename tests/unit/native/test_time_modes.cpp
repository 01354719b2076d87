#include "rows/RowStore.h"
#include "rows/TimeModes.h"
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
