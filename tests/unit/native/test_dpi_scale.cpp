#include "framework/DpiScale.h"
#include <gtest/gtest.h>

using fw::Pixels;

TEST(DpiScale, SizesFollowThePixelsPerInchAndStayPutAt96)
{
    EXPECT_EQ(fw::ScaleForDpi(150, 96), 150);
    EXPECT_EQ(fw::ScaleForDpi(450, 192), 900);
    EXPECT_EQ(fw::ScaleForDpi(15, 144), 23);   // 22.5 rounds up, as MulDiv does
    EXPECT_EQ(fw::ScaleForDpi(90, 120), 113);  // 112.5
    EXPECT_EQ(fw::ScaleForDpi(-7, 144), -11);  // halves away from zero
    // A width the user set at one DPI keeps its share of the window at another.
    EXPECT_EQ(fw::RescaleForDpi(333, 192, 96), 167);
    EXPECT_EQ(fw::RescaleForDpi(fw::RescaleForDpi(240, 96, 192), 192, 96), 240);
    // Nonsense DPI values leave the size alone.
    EXPECT_EQ(fw::RescaleForDpi(100, 0, 192), 100);
    EXPECT_EQ(fw::RescaleForDpi(100, 96, 0), 100);
}

namespace {
Pixels Make(int w, int h, std::vector<uint32_t> px)
{
    Pixels p;
    p.width = w;
    p.height = h;
    p.px = std::move(px);
    return p;
}
} // namespace

TEST(DpiScale, DoublingRepeatsEveryPixelExactly)
{
    Pixels src = Make(2, 2, { 0xFF0000, 0x00FF00, 0x0000FF, 0xC0C0C0 });
    Pixels big = fw::ResampleArea(src, 4, 4);
    ASSERT_EQ(big.width, 4);
    ASSERT_EQ(big.height, 4);
    std::vector<uint32_t> want = {
        0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00,
        0x0000FF, 0x0000FF, 0xC0C0C0, 0xC0C0C0, 0x0000FF, 0x0000FF, 0xC0C0C0, 0xC0C0C0,
    };
    EXPECT_EQ(big.px, want);
    // The same size gives the same picture.
    EXPECT_EQ(fw::ResampleArea(src, 2, 2).px, src.px);
}

TEST(DpiScale, HalfStepsBlendOnlyWherePixelsMeet)
{
    // Two pixels made three: the middle one straddles both.
    Pixels src = Make(2, 1, { 0x000000, 0xFEFEFE });
    Pixels out = fw::ResampleArea(src, 3, 1);
    std::vector<uint32_t> want = { 0x000000, 0x7F7F7F, 0xFEFEFE };
    EXPECT_EQ(out.px, want);
    // A plain area stays exactly its colour (the toolbar masks the button
    // face by colour, so the face must survive unblended).
    Pixels face = Make(3, 3, std::vector<uint32_t>(9, 0xC0C0C0));
    for (uint32_t p : fw::ResampleArea(face, 5, 4).px)
        EXPECT_EQ(p, 0xC0C0C0u);
    // Shrinking averages.
    Pixels four = Make(2, 2, { 0x000000, 0x000000, 0xFFFFFF, 0xFFFFFF });
    EXPECT_EQ(fw::ResampleArea(four, 1, 1).px, std::vector<uint32_t>{ 0x808080 });
    EXPECT_TRUE(fw::ResampleArea(Make(0, 0, {}), 4, 4).px.empty());
    EXPECT_TRUE(fw::ResampleArea(Make(2, 2, { 1 }), 4, 4).px.empty()) << "too few pixels";
}

TEST(DpiScale, StripCellsAreScaledApartAndSurplusCellsDropped)
{
    // Three 1x1 cells, of which two are wanted, each made 2x2: no colour of
    // one cell reaches its neighbour, and the third cell is left out.
    Pixels strip = Make(3, 1, { 0x111111, 0x222222, 0x333333 });
    Pixels out = fw::ResampleStrip(strip, 2, 1, 1, 2, 2);
    ASSERT_EQ(out.width, 4);
    ASSERT_EQ(out.height, 2);
    std::vector<uint32_t> want = { 0x111111, 0x111111, 0x222222, 0x222222,
                                   0x111111, 0x111111, 0x222222, 0x222222 };
    EXPECT_EQ(out.px, want);
    // 16x15 cells at 150 %: 24x23, the cell border exactly where it belongs.
    Pixels two = Make(32, 15, {});
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 32; ++x)
            two.px.push_back(x < 16 ? 0x000080 : 0xFFFF00);
    Pixels mid = fw::ResampleStrip(two, 2, 16, 15, 24, 23);
    ASSERT_EQ(mid.width, 48);
    for (int y = 0; y < 23; ++y) {
        EXPECT_EQ(mid.px[y * 48 + 23], 0x000080u);
        EXPECT_EQ(mid.px[y * 48 + 24], 0xFFFF00u);
    }
    EXPECT_TRUE(fw::ResampleStrip(strip, 4, 1, 1, 2, 2).px.empty()) << "more cells than the strip";
}
