#include "rows/Timeline.h"
#include <algorithm>

namespace orlix {

namespace {
constexpr int32_t kDay = 86400;
// A time of day this far before the last one is the next day's, not a clock
// that went back a little.
constexpr int32_t kNewDay = 12 * 3600;
// Seconds of no lines kept between two lines at most (a longer silence is
// drawn as this long).
constexpr int64_t kLongestGap = 2 * kDay;
}

void Timeline::Add(size_t storeRow, const ArrivalTime& t, uint32_t nameIndex)
{
    const int32_t ofDay = t.hour * 3600 + t.minute * 60 + t.second;
    if (m_lastOfDay >= 0 && ofDay + kNewDay < m_lastOfDay)
        ++m_day;
    m_lastOfDay = ofDay;
    const int64_t abs = m_day * kDay + ofDay;
    if (m_seconds.empty())
        m_first = abs;
    int64_t i = abs - m_first;
    if (i < 0) {
        i = 0;   // a line a little earlier than the first: counted with it
    } else if (i >= static_cast<int64_t>(m_seconds.size())) {
        const int64_t gap = i - static_cast<int64_t>(m_seconds.size());
        if (gap > kLongestGap) {
            m_first += gap - kLongestGap;
            i -= gap - kLongestGap;
        }
        Second empty;
        empty.firstRow = storeRow;
        m_seconds.resize(static_cast<size_t>(i) + 1, empty);
    } else if (i + 1 < static_cast<int64_t>(m_seconds.size())) {
        i = static_cast<int64_t>(m_seconds.size()) - 1;   // earlier than the last: with the last
    }
    Second& s = m_seconds[static_cast<size_t>(i)];
    if (s.total == 0)
        s.firstRow = storeRow;
    ++s.total;
    m_peak = std::max(m_peak, s.total);
    ++m_rows;
    auto it = std::find_if(s.processes.begin(), s.processes.end(),
                           [&](const auto& p) { return p.first == nameIndex; });
    if (it == s.processes.end())
        s.processes.emplace_back(nameIndex, 1);
    else
        ++it->second;
    if (m_byName.size() <= nameIndex)
        m_byName.resize(nameIndex + 1, 0);
    ++m_byName[nameIndex];
}

void Timeline::Clear()
{
    *this = Timeline();
}

void Timeline::Dropped(size_t count)
{
    // A second goes once the next one with lines starts at or before `count`.
    while (!m_seconds.empty()) {
        size_t next = 1;
        while (next < m_seconds.size() && m_seconds[next].total == 0)
            ++next;
        const bool allGone = next < m_seconds.size() ? m_seconds[next].firstRow <= count
                                                     : m_seconds.size() == 1 &&
                                                           m_seconds[0].firstRow + m_seconds[0].total <= count;
        if (!allGone)
            break;
        for (size_t k = 0; k < next && !m_seconds.empty(); ++k) {
            const Second& s = m_seconds.front();
            m_rows -= s.total;
            for (const auto& [name, lines] : s.processes)
                m_byName[name] -= std::min<uint64_t>(lines, m_byName[name]);
            m_seconds.pop_front();
            ++m_first;
        }
    }
    for (Second& s : m_seconds)
        s.firstRow = s.firstRow > count ? s.firstRow - count : 0;
    if (m_seconds.empty())
        Clear();
}

ArrivalTime Timeline::TimeOf(size_t i) const
{
    const int64_t ofDay = (m_first + static_cast<int64_t>(i)) % kDay;
    ArrivalTime t;
    t.hour = static_cast<uint16_t>(ofDay / 3600);
    t.minute = static_cast<uint16_t>(ofDay / 60 % 60);
    t.second = static_cast<uint16_t>(ofDay % 60);
    return t;
}

std::optional<size_t> Timeline::SecondOfRow(size_t storeRow) const
{
    if (m_seconds.empty())
        return std::nullopt;
    // firstRow never falls as seconds go on; empty seconds repeat the next.
    auto it = std::upper_bound(m_seconds.begin(), m_seconds.end(), storeRow,
                               [](size_t row, const Second& s) { return row < s.firstRow; });
    size_t i = it == m_seconds.begin() ? 0 : static_cast<size_t>(it - m_seconds.begin()) - 1;
    while (i > 0 && m_seconds[i].total == 0)
        --i;
    return i;
}

std::optional<size_t> Timeline::RowAt(size_t i) const
{
    for (; i < m_seconds.size(); ++i)
        if (m_seconds[i].total)
            return m_seconds[i].firstRow;
    return std::nullopt;
}

uint32_t Timeline::Columns(size_t width, const std::vector<uint32_t>& busiest,
                           std::vector<uint32_t>& out) const
{
    const size_t slots = busiest.size() + 1, n = m_seconds.size();
    out.assign(width * slots, 0);
    // The slot of each name index, looked up once.
    std::vector<uint8_t> slotOf(m_byName.size(), static_cast<uint8_t>(busiest.size()));
    for (size_t i = 0; i < busiest.size(); ++i)
        if (busiest[i] < slotOf.size())
            slotOf[busiest[i]] = static_cast<uint8_t>(i);
    uint32_t peak = 0;
    for (size_t x = 0; x < width && n; ++x) {
        const size_t s0 = x * n / width, s1 = std::max(s0 + 1, (x + 1) * n / width);
        uint32_t* col = &out[x * slots];
        uint32_t sum = 0;
        for (size_t s = s0; s < s1 && s < n; ++s) {
            for (const auto& [name, lines] : m_seconds[s].processes)
                col[name < slotOf.size() ? slotOf[name] : busiest.size()] += lines;
            sum += m_seconds[s].total;
        }
        peak = std::max(peak, sum);
    }
    return peak;
}

std::vector<uint32_t> Timeline::Busiest(size_t n) const
{
    std::vector<uint32_t> names;
    for (uint32_t i = 0; i < m_byName.size(); ++i)
        if (m_byName[i])
            names.push_back(i);
    const size_t keep = std::min(n, names.size());
    std::partial_sort(names.begin(), names.begin() + keep, names.end(),
                      [&](uint32_t a, uint32_t b) { return m_byName[a] > m_byName[b]; });
    names.resize(keep);
    return names;
}

} // namespace orlix
