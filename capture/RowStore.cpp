#include "capture/RowStore.h"

namespace orlix {

namespace {

constexpr uint32_t kLengthBits = 12;
static_assert(kMaxTextUnits < (1u << kLengthBits), "a kept text's length fits its field");

} // namespace

uint32_t RowStore::InternName(std::wstring_view name)
{
    auto found = m_nameIndex.find(name);
    if (found != m_nameIndex.end())
        return found->second;
    const uint32_t index = static_cast<uint32_t>(m_names.size());
    m_names.emplace_back(name);
    m_nameIndex.emplace(std::wstring_view(m_names.back()), index);
    return index;
}

void RowStore::Append(std::wstring_view name, uint32_t pid, const ArrivalTime& t,
                      std::wstring_view text)
{
    text = CutUnits(text, kMaxTextUnits);
    name = CutUnits(name, kMaxNameUnits);
    if (m_chunks.empty() || m_chunks.back().size() + text.size() > kChunkUnits) {
        m_chunks.emplace_back();
        m_chunks.back().reserve(kChunkUnits);
    }
    std::vector<wchar_t>& chunk = m_chunks.back();
    Row r;
    r.pid = pid;
    r.textChunk = static_cast<uint32_t>(m_chunks.size() - 1);
    r.textOffset = static_cast<uint32_t>(chunk.size());
    r.nameIndex = InternName(name);
    r.lengthTime = static_cast<uint32_t>(text.size()) | (uint32_t(t.hour & 0x1F) << 12)
                 | (uint32_t(t.minute & 0x3F) << 17) | (uint32_t(t.second & 0x3F) << 23);
    chunk.insert(chunk.end(), text.begin(), text.end());
    m_rows.push_back(r);
    m_millis.push_back(t.millisecond);
}

void RowStore::DropOldest(size_t count)
{
    if (count >= m_rows.size()) {
        Clear();
        return;
    }
    if (count == 0)
        return;
    m_rows.erase(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(count));
    m_millis.erase(m_millis.begin(), m_millis.begin() + static_cast<std::ptrdiff_t>(count));
    if (m_rows.capacity() > 2 * m_rows.size() + 1024) {
        m_rows.shrink_to_fit();
        m_millis.shrink_to_fit();
    }
    // Rows keep their chunk order: chunks before the first row's are unused.
    for (uint32_t c = 0; c < m_rows.front().textChunk; ++c)
        std::vector<wchar_t>().swap(m_chunks[c]);
}

void RowStore::Clear()
{
    std::vector<Row>().swap(m_rows);
    std::vector<uint16_t>().swap(m_millis);
    std::vector<std::vector<wchar_t>>().swap(m_chunks);
    std::unordered_map<std::wstring_view, uint32_t>().swap(m_nameIndex);
    std::deque<std::wstring>().swap(m_names);
}

std::wstring_view RowStore::Text(size_t row) const
{
    const Row& r = m_rows[row];
    return std::wstring_view(m_chunks[r.textChunk].data() + r.textOffset,
                             r.lengthTime & ((1u << kLengthBits) - 1));
}

ArrivalTime RowStore::Time(size_t row) const
{
    const Row& r = m_rows[row];
    ArrivalTime t;
    t.hour = static_cast<uint16_t>((r.lengthTime >> 12) & 0x1F);
    t.minute = static_cast<uint16_t>((r.lengthTime >> 17) & 0x3F);
    t.second = static_cast<uint16_t>((r.lengthTime >> 23) & 0x3F);
    t.millisecond = m_millis[row];
    return t;
}

std::wstring RowStore::Column(size_t row, int column) const
{
    switch (column) {
    case 0: return std::wstring(Name(row));
    case 1: return FormatPid(Pid(row));
    case 2: {
        ArrivalTime t = Time(row);
        t.millisecond = 0;   // the list's time text shows whole seconds
        return FormatTime(t);
    }
    case 3: return std::wstring(Text(row));
    }
    return std::wstring();
}

size_t RowStore::MemoryBytes() const
{
    size_t bytes = m_rows.capacity() * sizeof(Row) + m_millis.capacity() * sizeof(uint16_t);
    for (const auto& c : m_chunks)
        bytes += c.capacity() * sizeof(wchar_t);
    for (const auto& n : m_names)
        bytes += n.capacity() * sizeof(wchar_t) + sizeof(n);
    // The name map: its buckets, and a node per name (key, value, link).
    bytes += m_nameIndex.bucket_count() * sizeof(void*)
           + m_nameIndex.size() * (sizeof(std::wstring_view) + sizeof(uint32_t) + 2 * sizeof(void*));
    return bytes;
}

} // namespace orlix
