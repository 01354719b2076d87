// What the list shows of the stored rows: the index from list item to stored
// row that the view's rules need, and the bookmarked rows.
// All of them follow the store when its oldest rows are dropped (store rows
// shift down by the count dropped). Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace orlix {

// List item -> stored row while the view filters; identity while it does not
// (then it holds nothing).
class DisplayIndex {
public:
    bool Active() const { return m_active; }
    // Rebuilds over rows 0..storeSize-1 with the predicate; inactive: identity.
    void Rebuild(size_t storeSize, const std::function<bool(size_t)>& shows, bool active);
    void Deactivate();
    // A new stored row (the last one) that the filter shows.
    void Append(size_t storeRow);
    size_t Count(size_t storeSize) const { return m_active ? m_rows.size() : storeSize; }
    size_t ToStore(size_t item) const { return m_active ? m_rows[item] : item; }
    // The item showing the stored row, if it is shown.
    std::optional<size_t> ToItem(size_t storeRow, size_t storeSize) const;
    // The first item whose stored row is >= storeRow (Count when none).
    size_t LowerItem(size_t storeRow, size_t storeSize) const;
    void DropOldest(size_t count);
    void Clear() { m_rows.clear(); }

private:
    bool m_active = false;
    std::vector<size_t> m_rows;   // ascending stored rows
};

// Bookmarked stored rows.
class BookmarkSet {
public:
    // Returns true when the row is now bookmarked.
    bool Toggle(size_t storeRow);
    bool Has(size_t storeRow) const { return m_rows.count(storeRow) != 0; }
    bool Empty() const { return m_rows.empty(); }
    size_t Size() const { return m_rows.size(); }
    // The next bookmarked row after `from` (before it, when backwards),
    // wrapping around the store; `from` itself comes last. Rows the
    // predicate rejects (not shown) are passed over.
    std::optional<size_t> Next(size_t from, bool forward,
                               const std::function<bool(size_t)>& shown) const;
    void DropOldest(size_t count);
    void Clear() { m_rows.clear(); }

private:
    std::set<size_t> m_rows;
};

} // namespace orlix
