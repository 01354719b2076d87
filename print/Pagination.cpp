#include "print/Pagination.h"
#include <algorithm>
#include <cstdint>
#include <numeric>

namespace orlix {

size_t RowsPerPage(const PageBudget& b)
{
    if (b.lineHeight <= 0 || b.bodyHeight <= 0 || b.headingHeight < 0 || b.footerHeight < 0)
        return 0;
    // In 64 bits: heading and footer may be as large as the body itself.
    int64_t rest = int64_t{ b.bodyHeight } - b.headingHeight - b.footerHeight;
    if (rest < b.lineHeight)
        return 0;
    return static_cast<size_t>(rest / b.lineHeight);
}

std::vector<PageRows> Paginate(const PageBudget& budget, size_t rowCount)
{
    std::vector<PageRows> pages;
    size_t perPage = RowsPerPage(budget);
    if (perPage == 0)
        return pages;
    if (rowCount == 0) {
        pages.push_back({ 0, 0 });
        return pages;
    }
    pages.reserve((rowCount + perPage - 1) / perPage);
    // Written so that first + perPage never wraps, whatever the sizes.
    for (size_t first = 0; first < rowCount;) {
        size_t last = rowCount - first <= perPage ? rowCount : first + perPage;
        pages.push_back({ first, last });
        first = last;
    }
    return pages;
}

std::wstring FillInserts(const std::wstring& format, const std::vector<std::wstring>& inserts)
{
    std::wstring out;
    out.reserve(format.size());
    for (size_t i = 0; i < format.size(); ++i) {
        wchar_t c = format[i];
        if (c == L'%' && i + 1 < format.size()) {
            wchar_t next = format[i + 1];
            if (next == L'%') {
                out += L'%';
                ++i;
                continue;
            }
            if (next >= L'1' && next <= L'9') {
                size_t n = static_cast<size_t>(next - L'1');
                if (n < inserts.size())
                    out += inserts[n];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::wstring PageNumberText(const std::wstring& format, size_t page, size_t pageCount)
{
    return FillInserts(format, { std::to_wstring(page), std::to_wstring(pageCount) });
}

std::vector<int> ScaleColumnWidths(const std::vector<int>& widths, int total)
{
    std::vector<int> out(widths.size(), 0);
    if (widths.empty() || total <= 0)
        return out;
    std::vector<int64_t> w(widths.size());
    for (size_t i = 0; i < widths.size(); ++i)
        w[i] = std::max(0, widths[i]);
    int64_t sum = std::accumulate(w.begin(), w.end(), int64_t{ 0 });
    if (sum == 0) {
        std::fill(w.begin(), w.end(), 1);
        sum = static_cast<int64_t>(w.size());
    }
    // Floors first, then the leftover units to the largest remainders, so
    // the columns end exactly at the right margin.
    std::vector<std::pair<int64_t, size_t>> remainders;
    int64_t given = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        int64_t scaled = w[i] * total;
        out[i] = static_cast<int>(scaled / sum);
        given += out[i];
        remainders.push_back({ scaled % sum, i });
    }
    std::stable_sort(remainders.begin(), remainders.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t k = 0; given < total; ++k, ++given)
        ++out[remainders[k % remainders.size()].second];
    return out;
}

} // namespace orlix
