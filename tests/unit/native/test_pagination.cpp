#include "print/Pagination.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <numeric>

using namespace orlix;

namespace {

// A4 at 600 dpi less 10 mm margins, 9-point rows.
PageBudget A4Budget()
{
    PageBudget b;
    b.bodyHeight = 7016 - 2 * 236;
    b.lineHeight = 94;
    b.headingHeight = 94 + 24;
    b.footerHeight = 94 + 47;
    return b;
}

// Every row on exactly one page, in order, no page over its capacity.
void ExpectCovers(const std::vector<PageRows>& pages, size_t rows, size_t perPage)
{
    ASSERT_FALSE(pages.empty());
    size_t next = 0;
    for (const auto& p : pages) {
        EXPECT_EQ(p.first, next);
        EXPECT_LE(p.last - p.first, perPage);
        EXPECT_GT(p.last, p.first);
        next = p.last;
    }
    EXPECT_EQ(next, rows);
}

} // namespace

TEST(Pagination, ThousandRowsOnA4)
{
    PageBudget b = A4Budget();
    size_t perPage = RowsPerPage(b);
    // (6544 - 118 - 141) / 94 = 66 whole rows.
    EXPECT_EQ(perPage, 66u);
    auto pages = Paginate(b, 1000);
    EXPECT_EQ(pages.size(), 16u);
    ExpectCovers(pages, 1000, perPage);
    EXPECT_EQ(pages.back(), (PageRows{ 990, 1000 }));
}

TEST(Pagination, ExactFitsAndOneOver)
{
    PageBudget b;
    b.bodyHeight = 100;
    b.lineHeight = 10;
    b.headingHeight = 10;
    b.footerHeight = 10;
    ASSERT_EQ(RowsPerPage(b), 8u);
    EXPECT_EQ(Paginate(b, 8).size(), 1u);
    EXPECT_EQ(Paginate(b, 16).size(), 2u);
    auto pages = Paginate(b, 17);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[2], (PageRows{ 16, 17 }));
    // A row that would reach into the footer by one unit goes to the next page.
    b.bodyHeight = 99;
    EXPECT_EQ(RowsPerPage(b), 7u);
}

TEST(Pagination, EmptyListStillPrintsOnePage)
{
    auto pages = Paginate(A4Budget(), 0);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], (PageRows{ 0, 0 }));
}

TEST(Pagination, PageTooSmallForOneRowGivesNoPages)
{
    PageBudget b;
    b.bodyHeight = 50;
    b.lineHeight = 10;
    b.headingHeight = 25;
    b.footerHeight = 20;
    EXPECT_EQ(RowsPerPage(b), 0u);
    EXPECT_TRUE(Paginate(b, 5).empty());
    EXPECT_TRUE(Paginate(b, 0).empty());
    // Degenerate budgets never divide by zero or loop.
    EXPECT_TRUE(Paginate(PageBudget{}, 10).empty());
    b = A4Budget();
    b.lineHeight = -3;
    EXPECT_TRUE(Paginate(b, 10).empty());
    b = A4Budget();
    b.headingHeight = -1000;
    EXPECT_TRUE(Paginate(b, 10).empty());
}

TEST(Pagination, HugeSizesDoNotOverflow)
{
    PageBudget b;
    b.bodyHeight = 2147483647;
    b.lineHeight = 1;
    b.headingHeight = 2147483647;
    b.footerHeight = 2147483647;
    EXPECT_EQ(RowsPerPage(b), 0u);
    b.headingHeight = 0;
    b.footerHeight = 0;
    EXPECT_EQ(RowsPerPage(b), 2147483647u);
    EXPECT_EQ(Paginate(b, 3).size(), 1u);
}

TEST(Pagination, OneRowPerPage)
{
    PageBudget b;
    b.bodyHeight = 30;
    b.lineHeight = 10;
    b.headingHeight = 10;
    b.footerHeight = 10;
    auto pages = Paginate(b, 5);
    ASSERT_EQ(pages.size(), 5u);
    ExpectCovers(pages, 5, 1);
}

TEST(Pagination, PageNumberText)
{
    const std::wstring format = L"第 %1 页 / 共 %2 页";
    EXPECT_EQ(PageNumberText(format, 1, 1), L"第 1 页 / 共 1 页");
    EXPECT_EQ(PageNumberText(format, 3, 16), L"第 3 页 / 共 16 页");
    EXPECT_EQ(PageNumberText(format, 1000, 1000), L"第 1000 页 / 共 1000 页");
    // Another language may put the inserts the other way round.
    EXPECT_EQ(PageNumberText(L"%2 pages, this is %1", 2, 7), L"7 pages, this is 2");
}

TEST(ColumnScaling, ListWidthsScaleToThePageAndAddUpExactly)
{
    std::vector<int> list = { 150, 100, 90, 450 };
    auto w = ScaleColumnWidths(list, 4489);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(std::accumulate(w.begin(), w.end(), 0), 4489);
    // Each share within one unit of its exact proportion.
    const double exact[] = { 4489.0 * 150 / 790, 4489.0 * 100 / 790, 4489.0 * 90 / 790,
                             4489.0 * 450 / 790 };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(w[i], exact[i], 1.0) << i;
    // Same ratio, larger list: same page widths.
    EXPECT_EQ(ScaleColumnWidths({ 300, 200, 180, 900 }, 4489), w);
}

TEST(ColumnScaling, OddCasesStillFillTheWidth)
{
    // A column the user dragged shut stays shut; the others share the page.
    auto w = ScaleColumnWidths({ 0, 100, 0, 100 }, 1001);
    EXPECT_EQ(w[0], 0);
    EXPECT_EQ(w[2], 0);
    EXPECT_EQ(w[1] + w[3], 1001);
    // All shut (or nonsense): equal shares.
    w = ScaleColumnWidths({ 0, -5, 0, 0 }, 10);
    EXPECT_EQ(std::accumulate(w.begin(), w.end(), 0), 10);
    for (int x : w)
        EXPECT_TRUE(x == 2 || x == 3);
    // Very wide lists: no overflow in the products.
    w = ScaleColumnWidths({ 2000000000, 2000000000 }, 2000000001);
    EXPECT_EQ(int64_t{ w[0] } + w[1], 2000000001);
    EXPECT_TRUE(ScaleColumnWidths({}, 100).empty());
    EXPECT_EQ(ScaleColumnWidths({ 1, 2 }, 0), (std::vector<int>{ 0, 0 }));
}
