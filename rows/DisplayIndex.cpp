#include "rows/DisplayIndex.h"
#include <algorithm>

namespace orlix {

void DisplayIndex::Rebuild(size_t storeSize, const std::function<bool(size_t)>& shows,
                           bool active)
{
    m_rows.clear();
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
    m_rows.clear();
    m_rows.shrink_to_fit();
}

void DisplayIndex::Append(size_t storeRow)
{
    if (m_active && (m_rows.empty() || m_rows.back() < storeRow))
        m_rows.push_back(storeRow);
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

void DisplayIndex::DropOldest(size_t count)
{
    if (!m_active || count == 0)
        return;
    auto keep = std::lower_bound(m_rows.begin(), m_rows.end(), count);
    m_rows.erase(m_rows.begin(), keep);
    for (auto& r : m_rows)
        r -= count;
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
