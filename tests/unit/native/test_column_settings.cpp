#include "view/ColumnSettings.h"
#include <gtest/gtest.h>

using namespace orlix;

TEST(ColumnSettings, DefaultIsTheListsOwnLayoutAndRoundTrips)
{
    ColumnLayout d = DefaultColumnLayout();
    EXPECT_EQ(OrderText(d), L"0,1,2,3");
    EXPECT_EQ(WidthsText(d), L"150,100,90,450");
    EXPECT_EQ(HiddenText(d), L"");
    ColumnLayout l = d;
    EXPECT_EQ(ApplyColumnSettings(l, L"3, 0,2,1", L"10,0,300,999", L"1"), 3);
    EXPECT_EQ(OrderText(l), L"3,0,2,1");
    EXPECT_EQ(WidthsText(l), L"10,0,300,999");
    EXPECT_EQ(HiddenText(l), L"1");
    ColumnLayout again = d;
    ApplyColumnSettings(again, OrderText(l), WidthsText(l), HiddenText(l));
    EXPECT_EQ(again, l);
}

TEST(ColumnSettings, EachDamagedPartKeepsItsDefault)
{
    const ColumnLayout d = DefaultColumnLayout();
    struct Case {
        const wchar_t *order, *widths, *hidden;
        int taken;
    } cases[] = {
        { L"", L"", L"", 1 },                    // nothing saved: hidden = none
        { L"0,1,2", L"1,2,3", L"3", 0 },         // too short; the message column
        { L"0,1,1,3", L"1,2,3,4,5", L"0,0", 0 },  // a repeat; too long; a repeat
        { L"0,1,2,4", L"-1,2,3,4", L"x", 0 },     // out of range; a sign; not a number
        { L"0;1;2;3", L"1,2,3,99999", L"0,1,2", 1 },
        { L"0,1,2,3,", L"1,,3,4", L"9", 0 },
    };
    for (const Case& c : cases) {
        ColumnLayout l = d;
        EXPECT_EQ(ApplyColumnSettings(l, c.order, c.widths, c.hidden), c.taken) << c.order;
        EXPECT_EQ(l.order, d.order) << c.order;
        EXPECT_EQ(l.width, d.width) << c.widths;
    }
    ColumnLayout l = d;
    EXPECT_EQ(ApplyColumnSettings(l, L"1,0,2,3", L"bad", L"2"), 2);
    EXPECT_EQ(OrderText(l), L"1,0,2,3");
    EXPECT_EQ(l.width, d.width);
    EXPECT_TRUE(l.hidden[2]);
}
