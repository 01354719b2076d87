// How the list's rows fall onto printed pages, and how its columns share a
// page's width. Platform-free: sizes are plain device units of the page.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace orlix {

// The vertical budget of one page. Every page carries the heading row at
// its top and the page-number footer at its bottom; rows fill the rest.
struct PageBudget {
    int bodyHeight = 0;     // printable height between the margins
    int lineHeight = 0;     // one row
    int headingHeight = 0;  // the heading row and its rule
    int footerHeight = 0;   // the page number and the gap above it
};

// The rows [first, last) of one page.
struct PageRows {
    size_t first = 0;
    size_t last = 0;
    bool operator==(const PageRows& o) const { return first == o.first && last == o.last; }
};

// Rows that fit on one page; 0 when not even one does (or the budget is
// not a real one).
size_t RowsPerPage(const PageBudget& budget);

// The pages for rowCount rows, in order, covering every row exactly once.
// An empty list still gives one page (the heading alone), so a print of it
// says plainly that there was nothing. Empty when no row fits on a page.
std::vector<PageRows> Paginate(const PageBudget& budget, size_t rowCount);

// The format with %1, %2, ... replaced by the inserts (a missing insert by
// nothing) and %% by %; any other % stays as it is.
std::wstring FillInserts(const std::wstring& format, const std::vector<std::wstring>& inserts);

// The page label from its format ("第 %1 页 / 共 %2 页" gives "第 3 页 / 共 12 页"):
// %1 is the 1-based page, %2 the count.
std::wstring PageNumberText(const std::wstring& format, size_t page, size_t pageCount);

// Shares `total` units among columns in proportion to `widths` (the list's
// pixel widths); the shares add up to `total` exactly. Negative widths
// count as 0; when all are 0 the columns share equally.
std::vector<int> ScaleColumnWidths(const std::vector<int>& widths, int total);

} // namespace orlix
