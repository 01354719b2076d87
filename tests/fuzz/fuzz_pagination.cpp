// Pages and column widths of a print, for any page metrics the printer
// driver reports and any list widths.
#include "print/Pagination.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace orlix;

namespace {

// Lists whose pages would not fit in memory are not asked for.
constexpr size_t kMostPages = size_t{ 1 } << 16;

int ConsumeSize(FuzzedDataProvider& p)
{
    switch (p.ConsumeIntegralInRange(0, 3)) {
    case 0: return p.ConsumeIntegralInRange(-2, 40);
    case 1: return p.ConsumeIntegralInRange(0, 10000);
    default: return p.ConsumeIntegral<int>();
    }
}

void CheckPages(FuzzedDataProvider& p)
{
    PageBudget b;
    b.bodyHeight = ConsumeSize(p);
    b.lineHeight = ConsumeSize(p);
    b.headingHeight = ConsumeSize(p);
    b.footerHeight = ConsumeSize(p);

    const size_t perPage = RowsPerPage(b);
    const bool real = b.lineHeight > 0 && b.bodyHeight > 0 && b.headingHeight >= 0
                   && b.footerHeight >= 0;
    const int64_t fixed = int64_t{ b.headingHeight } + b.footerHeight;
    if (!real) {
        FUZZ_CHECK(perPage == 0);
    } else {
        // As many rows as fit, and not one more.
        FUZZ_CHECK(int64_t(perPage) * b.lineHeight + fixed <= b.bodyHeight || perPage == 0);
        FUZZ_CHECK(int64_t(perPage + 1) * b.lineHeight + fixed > b.bodyHeight);
    }

    size_t rowCount = p.ConsumeIntegral<size_t>();
    switch (p.ConsumeIntegralInRange(0, 3)) {
    case 0: rowCount %= 64; break;
    case 1: rowCount = perPage ? perPage * p.ConsumeIntegralInRange<size_t>(0, 5)
                                 + p.ConsumeIntegralInRange<size_t>(0, 2) - 1
                               : rowCount;
            break;
    default: break;
    }
    if (perPage && rowCount / perPage >= kMostPages)
        rowCount %= perPage * kMostPages;

    const std::vector<PageRows> pages = Paginate(b, rowCount);
    if (perPage == 0) {
        FUZZ_CHECK(pages.empty());
        return;
    }
    if (rowCount == 0) {
        FUZZ_CHECK(pages.size() == 1 && pages[0] == (PageRows{ 0, 0 }));
        return;
    }
    // Every row exactly once, in order; full pages but perhaps the last.
    FUZZ_CHECK(pages.size() == (rowCount - 1) / perPage + 1);
    size_t next = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        FUZZ_CHECK(pages[i].first == next);
        FUZZ_CHECK(pages[i].last > pages[i].first);
        FUZZ_CHECK(pages[i].last - pages[i].first <= perPage);
        if (i + 1 < pages.size())
            FUZZ_CHECK(pages[i].last - pages[i].first == perPage);
        next = pages[i].last;
    }
    FUZZ_CHECK(next == rowCount);
}

std::wstring Decimal(size_t v)
{
    std::wstring s;
    do {
        s.insert(s.begin(), static_cast<wchar_t>(L'0' + v % 10));
        v /= 10;
    } while (v);
    return s;
}

void CheckPageNumber(FuzzedDataProvider& p)
{
    const size_t page = p.ConsumeIntegral<size_t>();
    const size_t count = p.ConsumeIntegral<size_t>();
    FUZZ_CHECK(PageNumberText(L"\u7B2C %1 \u9875 / \u5171 %2 \u9875", page, count)
               == L"\u7B2C " + Decimal(page) + L" \u9875 / \u5171 " + Decimal(count) + L" \u9875");
}

void CheckWidths(FuzzedDataProvider& p)
{
    std::vector<int> widths(p.ConsumeIntegralInRange<size_t>(0, 40));
    for (int& w : widths)
        w = ConsumeSize(p);
    const int total = ConsumeSize(p);

    const std::vector<int> out = ScaleColumnWidths(widths, total);
    FUZZ_CHECK(out.size() == widths.size());
    if (widths.empty())
        return;
    if (total <= 0) {
        FUZZ_CHECK(std::all_of(out.begin(), out.end(), [](int v) { return v == 0; }));
        return;
    }
    std::vector<int64_t> w;
    for (int v : widths)
        w.push_back(std::max(v, 0));
    int64_t sum = 0;
    for (int64_t v : w)
        sum += v;
    if (sum == 0) {
        std::fill(w.begin(), w.end(), 1);
        sum = static_cast<int64_t>(w.size());
    }
    // Each share is its exact proportion rounded down or up, the shares end
    // exactly at `total`, and the ones rounded up are those that lost most.
    int64_t given = 0;
    int64_t smallestUp = INT64_MAX, largestDown = -1;
    for (size_t i = 0; i < out.size(); ++i) {
        const int64_t exact = w[i] * total;
        const int64_t floor = exact / sum;
        FUZZ_CHECK(out[i] == floor || out[i] == floor + 1);
        given += out[i];
        if (out[i] == floor + 1)
            smallestUp = std::min(smallestUp, exact % sum);
        else
            largestDown = std::max(largestDown, exact % sum);
    }
    FUZZ_CHECK(given == total);
    FUZZ_CHECK(smallestUp == INT64_MAX || largestDown <= smallestUp);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider p(data, size);
    while (p.remaining_bytes() > 0) {
        switch (p.ConsumeIntegralInRange(0, 2)) {
        case 0: CheckPages(p); break;
        case 1: CheckPageNumber(p); break;
        default: CheckWidths(p); break;
        }
    }
    return 0;
}
