#include "rows/DisplayIndex.h"
#include "rows/RowStore.h"
#include <algorithm>
#include <climits>

namespace orlix {

void DisplayIndex::Rebuild(size_t storeSize, const std::function<bool(size_t)>& shows,
                           bool active)
{
    Clear();
    m_active = active;
    if (!active) {
        m_rows.shrink_to_fit();
        return;
    }
    for (size_t r = 0; r < storeSize; ++r)
        if (shows(r))
            m_rows.push_back(static_cast<uint32_t>(r));
}

void DisplayIndex::Deactivate()
{
    m_active = false;
    m_fold = nullptr;
    Clear();
    m_rows.shrink_to_fit();
    std::unordered_map<size_t, uint32_t>().swap(m_counts);
}

void DisplayIndex::Clear()
{
    m_rows.clear();
    m_counts.clear();
    m_next.clear();
    m_nextFrom = 0;
    m_latest.clear();
    m_base = 0;
}

uint32_t DisplayIndex::Repeats(size_t item) const
{
    if (!m_fold || m_counts.empty())
        return 1;
    auto found = m_counts.find(m_rows[item] + m_base);
    return found == m_counts.end() ? 1 : found->second;
}

void DisplayIndex::Append(size_t storeRow)
{
    if (!m_active || storeRow > UINT32_MAX || !(m_rows.empty() || m_rows.back() < storeRow))
        return;
    if (m_fold && Fold(storeRow))
        return;
    m_rows.push_back(static_cast<uint32_t>(storeRow));
    if (m_fold)
        m_latest[m_fold->Pid(storeRow)] = { storeRow + m_base, storeRow + m_base };
}

// The row goes into the newest item of its process when it repeats that
// item's last row.
bool DisplayIndex::Fold(size_t row)
{
    auto found = m_latest.find(m_fold->Pid(row));
    if (found == m_latest.end() || found->second.last < m_base)
        return false;
    Latest& latest = found->second;
    const size_t last = latest.last - m_base;
    if (last >= row || row - last > UINT32_MAX || !m_fold->SameLine(last, row) ||
        !std::binary_search(m_rows.begin(), m_rows.end(), latest.first - m_base))
        return false;
    auto count = m_counts.find(latest.first);
    if (count != m_counts.end() && count->second == UINT32_MAX)
        return false;
    Link(last, row);
    if (count == m_counts.end())
        m_counts.emplace(latest.first, 2);
    else
        ++count->second;
    latest.last = row + m_base;
    return true;
}

uint32_t DisplayIndex::Next(size_t row) const
{
    return row >= m_nextFrom && row - m_nextFrom < m_next.size() ? m_next[row - m_nextFrom] : 0;
}

void DisplayIndex::Link(size_t row, size_t next)
{
    if (m_next.empty()) {
        m_nextFrom = row;
    } else if (row < m_nextFrom) {
        m_next.insert(m_next.begin(), m_nextFrom - row, 0);
        m_nextFrom = row;
    }
    const size_t at = row - m_nextFrom;
    if (m_next.size() <= at)
        m_next.resize(at + 1, 0);
    m_next[at] = static_cast<uint32_t>(next - row);
}

std::optional<size_t> DisplayIndex::ToItem(size_t storeRow, size_t storeSize) const
{
    if (!m_active)
        return storeRow < storeSize ? std::optional<size_t>(storeRow) : std::nullopt;
    auto it = std::lower_bound(m_rows.begin(), m_rows.end(), storeRow);
    if (it == m_rows.end() || *it != storeRow)
        return std::nullopt;
    return static_cast<size_t>(it - m_rows.begin());
}

size_t DisplayIndex::LowerItem(size_t storeRow, size_t storeSize) const
{
    if (!m_active)
        return std::min(storeRow, storeSize);
    return static_cast<size_t>(std::lower_bound(m_rows.begin(), m_rows.end(), storeRow) -
                               m_rows.begin());
}

std::vector<std::pair<size_t, uint32_t>> DisplayIndex::Clipped(size_t count) const
{
    std::vector<std::pair<size_t, uint32_t>> out;
    if (!m_fold || m_counts.empty())
        return out;
    for (size_t i = 0; i < m_rows.size() && m_rows[i] < count; ++i) {
        size_t row = m_rows[i];
        uint32_t left = Repeats(i);
        while (row < count) {
            const uint32_t step = Next(row);
            if (--left == 0 || step == 0) {
                left = 0;
                break;
            }
            row += step;
        }
        if (left > 0)
            out.emplace_back(row, left);
    }
    return out;
}

size_t DisplayIndex::ItemsGone(size_t count) const
{
    return LowerItem(count, SIZE_MAX) - Clipped(count).size();
}

void DisplayIndex::DropOldest(size_t count)
{
    if (!m_active || count == 0)
        return;
    const auto clipped = Clipped(count);
    auto keep = std::lower_bound(m_rows.begin(), m_rows.end(), count);
    if (m_fold && !m_counts.empty())
        for (auto gone = m_rows.begin(); gone != keep; ++gone)
            m_counts.erase(*gone + m_base);
    m_rows.erase(m_rows.begin(), keep);
    for (auto& r : m_rows)
        r -= static_cast<uint32_t>(count);
    if (!m_fold)
        return;
    if (count <= m_nextFrom) {
        m_nextFrom -= count;
    } else {
        m_next.erase(m_next.begin(),
                     m_next.begin() + static_cast<std::ptrdiff_t>(
                                          std::min(count - m_nextFrom, m_next.size())));
        m_nextFrom = 0;
    }
    m_base += count;
    // An item whose first rows went stands at its first row still held
    // (the same row counted from m_base).
    for (auto [row, left] : clipped) {
        if (left > 1)
            m_counts.emplace(row + m_base - count, left);
        row -= count;
        m_rows.insert(std::lower_bound(m_rows.begin(), m_rows.end(), row),
                      static_cast<uint32_t>(row));
        auto latest = m_latest.find(m_fold->Pid(row));
        if (latest != m_latest.end() && latest->second.first < m_base &&
            latest->second.last >= m_base)
            latest->second.first = row + m_base;
    }
}

bool BookmarkSet::Toggle(size_t storeRow)
{
    auto it = m_rows.find(storeRow);
    if (it != m_rows.end()) {
        m_rows.erase(it);
        return false;
    }
    m_rows.insert(storeRow);
    return true;
}

std::optional<size_t> BookmarkSet::Next(size_t from, bool forward,
                                        const std::function<bool(size_t)>& shown) const
{
    if (m_rows.empty())
        return std::nullopt;
    if (forward) {
        for (auto it = m_rows.upper_bound(from); it != m_rows.end(); ++it)
            if (shown(*it))
                return *it;
        for (auto it = m_rows.begin(); it != m_rows.end() && *it <= from; ++it)
            if (shown(*it))
                return *it;
    } else {
        auto lower = m_rows.lower_bound(from);
        for (auto it = std::make_reverse_iterator(lower); it != m_rows.rend(); ++it)
            if (shown(*it))
                return *it;
        for (auto it = m_rows.rbegin(); it != m_rows.rend() && *it >= from; ++it)
            if (shown(*it))
                return *it;
    }
    return std::nullopt;
}

void BookmarkSet::DropOldest(size_t count)
{
    if (count == 0)
        return;
    std::set<size_t> kept;
    for (auto it = m_rows.lower_bound(count); it != m_rows.end(); ++it)
        kept.insert(kept.end(), *it - count);
    m_rows.swap(kept);
}

} // namespace orlix
