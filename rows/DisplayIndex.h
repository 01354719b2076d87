// What the list shows of the stored rows: the index from list item to stored
// row that the view's rules need, and the bookmarked rows.
// All of them follow the store when its oldest rows are dropped (store rows
// shift down by the count dropped). Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace orlix {

class RowStore;

// List item -> stored row while the view filters or folds; identity while it
// does neither (then it holds nothing). Stored rows fit 32 bits: the capture
// never holds more rows than a list can show (INT_MAX).
//
// Folding (an active index over `rows`): a shown row that is the same line
// (process name, pid, text) as the previous shown row of its process goes
// into that row's item, which counts it. An item is its first row still
// held; when the history limit drops it, the item moves to its next row
// (the items stay in the order of their rows) and counts one less.
class DisplayIndex {
public:
    bool Active() const { return m_active; }
    // Rebuilds over rows 0..storeSize-1 with the predicate; inactive: identity.
    void Rebuild(size_t storeSize, const std::function<bool(size_t)>& shows, bool active);
    void Deactivate();
    // Folds repeats from the next Rebuild on (null: no folding).
    void SetFolding(const RowStore* rows) { m_fold = rows; }
    bool Folding() const { return m_fold != nullptr; }
    // The rows an item stands for (1 unless folding).
    uint32_t Repeats(size_t item) const;
    // A new stored row (the last one) that the filter shows.
    void Append(size_t storeRow);
    size_t Count(size_t storeSize) const { return m_active ? m_rows.size() : storeSize; }
    size_t ToStore(size_t item) const { return m_active ? m_rows[item] : item; }
    // The item showing the stored row, if it is shown.
    std::optional<size_t> ToItem(size_t storeRow, size_t storeSize) const;
    // The first item whose stored row is >= storeRow (Count when none).
    size_t LowerItem(size_t storeRow, size_t storeSize) const;
    void DropOldest(size_t count);
    // How many items DropOldest(count) takes away.
    size_t ItemsGone(size_t count) const;
    void Clear();

private:
    // The items with rows below `count` that keep rows past it: their new
    // first row (before the shift) and count.
    std::vector<std::pair<size_t, uint32_t>> Clipped(size_t count) const;
    bool Fold(size_t storeRow);
    bool m_active = false;
    uint32_t Next(size_t row) const;
    void Link(size_t row, size_t next);
    // Ascending stored rows, in blocks: growing never copies the index nor
    // leaves the heap holding its old, smaller copies.
    std::deque<uint32_t> m_rows;
    // Folding: the store; the count of each item of more than one row, by
    // its first row counted from m_base (the rows dropped); for each stored
    // row from m_nextFrom on how far on the next row of its item is (0:
    // none), kept only once a repeat came, so that a capture without repeats
    // costs no more than its index; the newest item of each pid (its first
    // and last rows counted from m_base).
    const RowStore* m_fold = nullptr;
    std::unordered_map<size_t, uint32_t> m_counts;
    std::deque<uint32_t> m_next;
    size_t m_nextFrom = 0;
    struct Latest {
        size_t first, last;
    };
    std::unordered_map<uint32_t, Latest> m_latest;
    size_t m_base = 0;
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
