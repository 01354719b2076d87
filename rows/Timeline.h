// The traffic of a view over time: how many of its rows arrived in each
// second, and from which processes, kept as rows come (never worked out by a
// scan when drawn). Seconds run on across midnight: a time of day well
// before the last one starts the next day. Platform-free.
#pragma once
#include "rows/RecordFormat.h"
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace orlix {

class Timeline {
public:
    struct Second {
        size_t firstRow = 0;   // the stored row of its first line
        uint32_t total = 0;
        // (process name index, lines), the busiest first once sorted.
        std::vector<std::pair<uint32_t, uint32_t>> processes;
    };

    // A row the view shows, in the order rows are stored.
    void Add(size_t storeRow, const ArrivalTime& t, uint32_t nameIndex);
    void Clear();
    // The store dropped its `count` oldest rows: the seconds all of whose
    // rows went go too; stored rows move down by `count`.
    void Dropped(size_t count);

    bool Empty() const { return m_seconds.empty(); }
    // Seconds from the first to the last (empty seconds between included).
    size_t Length() const { return m_seconds.size(); }
    const Second& At(size_t i) const { return m_seconds[i]; }
    // The time of day of second i.
    ArrivalTime TimeOf(size_t i) const;
    // The second a stored row fell in (the nearest one before, for a row the
    // timeline does not hold).
    std::optional<size_t> SecondOfRow(size_t storeRow) const;
    // The first stored row at or after second i (none past the end).
    std::optional<size_t> RowAt(size_t i) const;
    // Up to `n` name indexes with the most rows, busiest first.
    std::vector<uint32_t> Busiest(size_t n) const;
    // The lines drawn in each of `width` columns over all seconds (a column
    // sums the seconds it covers), by slot: one per process of `busiest`, in
    // order, then one for the rest. `out` gets width * (busiest.size() + 1)
    // counts; returns the most lines of one column.
    uint32_t Columns(size_t width, const std::vector<uint32_t>& busiest,
                     std::vector<uint32_t>& out) const;
    // The most lines of any second.
    uint32_t Peak() const { return m_peak; }
    uint64_t Rows() const { return m_rows; }

private:
    int64_t m_first = 0;        // the absolute second of m_seconds[0]
    int64_t m_day = 0;          // days passed since the first row
    int32_t m_lastOfDay = -1;   // the last row's second of the day
    std::deque<Second> m_seconds;
    std::vector<uint64_t> m_byName;   // rows per process name index
    uint32_t m_peak = 0;
    uint64_t m_rows = 0;
};

} // namespace orlix
