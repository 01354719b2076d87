#include "capture/RowStore.h"

namespace orlix {

uint16_t RowStore::InternName(std::wstring_view name)
{
    // Few distinct processes send lines: search the newest names first.
    for (size_t i = m_names.size(); i-- > 0;)
        if (m_names[i] == name)
            return static_cast<uint16_t>(i);
    if (m_names.size() >= 0xFFFF)
        m_names.erase(m_names.begin() + 1, m_names.end()); // never reached in practice
    m_names.emplace_back(name);
    return static_cast<uint16_t>(m_names.size() - 1);
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
    r.textLength = static_cast<uint16_t>(text.size());
    r.nameIndex = InternName(name);
    r.packedTime = (uint32_t(t.hour) << 16) | (uint32_t(t.minute & 0xFF) << 8) | (t.second & 0xFF);
    chunk.insert(chunk.end(), text.begin(), text.end());
    m_rows.push_back(r);
}

void RowStore::Clear()
{
    std::vector<Row>().swap(m_rows);
    std::vector<std::vector<wchar_t>>().swap(m_chunks);
    std::vector<std::wstring>().swap(m_names);
}

std::wstring_view RowStore::Text(size_t row) const
{
    const Row& r = m_rows[row];
    return std::wstring_view(m_chunks[r.textChunk].data() + r.textOffset, r.textLength);
}

ArrivalTime RowStore::Time(size_t row) const
{
    const Row& r = m_rows[row];
    ArrivalTime t;
    t.hour = static_cast<uint16_t>(r.packedTime >> 16);
    t.minute = static_cast<uint16_t>((r.packedTime >> 8) & 0xFF);
    t.second = static_cast<uint16_t>(r.packedTime & 0xFF);
    return t;
}

std::wstring RowStore::Column(size_t row, int column) const
{
    switch (column) {
    case 0: return std::wstring(Name(row));
    case 1: return FormatPid(Pid(row));
    case 2: return FormatTime(Time(row));
    case 3: return std::wstring(Text(row));
    }
    return std::wstring();
}

size_t RowStore::MemoryBytes() const
{
    size_t bytes = m_rows.capacity() * sizeof(Row);
    for (const auto& c : m_chunks)
        bytes += c.capacity() * sizeof(wchar_t);
    for (const auto& n : m_names)
        bytes += n.capacity() * sizeof(wchar_t) + sizeof(n);
    return bytes;
}

} // namespace orlix
