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
            m_rows.push_back(r);
}

void DisplayIndex::Deactivate()
{
    m_active = false;
    m_fold = nullptr;
    Clear();
    m_rows.shrink_to_fit();
    m_counts.shrink_to_fit();
}

void DisplayIndex::Clear()
{
    m_rows.clear();
    m_counts.clear();
    m_next.clear();
    m_latest.clear();
    m_base = 0;
}

void DisplayIndex::Append(size_t storeRow)
{
    if (!m_active || !(m_rows.empty() || m_rows.back() < storeRow))
        return;
    if (m_fold && Fold(storeRow))
        return;
    m_rows.push_back(storeRow);
    if (m_fold) {
        m_counts.push_back(1);
        m_latest[m_fold->Pid(storeRow)] = { storeRow + m_base, storeRow + m_base };
    }
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
    if (last >= row || row - last > UINT32_MAX || !m_fold->SameLine(last, row))
        return false;
    auto item = std::lower_bound(m_rows.begin(), m_rows.end(), latest.first - m_base);
    if (item == m_rows.end() || *item != latest.first - m_base)
        return false;
    uint32_t& count = m_counts[static_cast<size_t>(item - m_rows.begin())];
    if (count == UINT32_MAX)
        return false;
    if (m_next.size() <= last)
        m_next.resize(last + 1, 0);
    m_next[last] = static_cast<uint32_t>(row - last);
    ++count;
    latest.last = row + m_base;
    return true;
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
    if (!m_fold)
        return out;
    for (size_t i = 0; i < m_rows.size() && m_rows[i] < count; ++i) {
        size_t row = m_rows[i];
        uint32_t left = m_counts[i];
        while (row < count) {
            const uint32_t step = row < m_next.size() ? m_next[row] : 0;
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
    if (m_fold)
        m_counts.erase(m_counts.begin(), m_counts.begin() + (keep - m_rows.begin()));
    m_rows.erase(m_rows.begin(), keep);
    for (auto& r : m_rows)
        r -= count;
    if (!m_fold)
        return;
    m_next.erase(m_next.begin(), m_next.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min(count, m_next.size())));
    m_base += count;
    // An item whose first rows went stands at its first row still held.
    for (auto [row, left] : clipped) {
        row -= count;
        auto at = std::lower_bound(m_rows.begin(), m_rows.end(), row);
        m_counts.insert(m_counts.begin() + (at - m_rows.begin()), left);
        m_rows.insert(at, row);
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
