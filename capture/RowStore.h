// The compact row store behind the list; printing reads it as its row
// source. Platform-free.
#pragma once
#include "capture/RecordFormat.h"
#include "print/RowSource.h"
#include <deque>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace orlix {

// The list's rows: one copy of every kept text, packed in large chunks, and
// a 20-byte index entry per row. Process names are interned: any number of
// distinct names, each found again in constant time.
class RowStore : public IPrintRowSource {
public:
    struct Row {
        uint32_t pid;
        uint32_t textChunk;   // chunk index
        uint32_t textOffset;  // offset inside the chunk, in units
        uint32_t nameIndex;
        uint32_t lengthTime;  // text length (12 bits), hour (5), minute (6), second (6)
    };

    void Append(std::wstring_view name, uint32_t pid, const ArrivalTime& t,
                std::wstring_view text);
    void Clear();
    // Removes the `count` oldest rows (all when count >= Size()); later rows'
    // indices shift down, text chunks no row needs any more are given back.
    void DropOldest(size_t count);
    size_t Size() const { return m_rows.size(); }
    uint32_t Pid(size_t row) const { return m_rows[row].pid; }
    std::wstring_view Name(size_t row) const { return m_names[m_rows[row].nameIndex]; }
    std::wstring_view Text(size_t row) const;
    ArrivalTime Time(size_t row) const;
    // Column 0..3 as the list shows it.
    std::wstring Column(size_t row, int column) const;
    size_t RowCount() const override { return Size(); }
    std::wstring Cell(size_t row, int column) const override { return Column(row, column); }
    const wchar_t* Heading(int column) const override { return kListColumns[column].heading; }
    // Distinct process names held.
    size_t NameCount() const { return m_names.size(); }
    // Bytes held for the rows (texts, index, names), for the benchmarks.
    size_t MemoryBytes() const;

private:
    static constexpr size_t kChunkUnits = 1 << 20;
    uint32_t InternName(std::wstring_view name);

    std::vector<Row> m_rows;
    std::vector<uint16_t> m_millis;   // each row's arrival milliseconds
    std::vector<std::vector<wchar_t>> m_chunks;
    // A deque never moves its elements, so the map's keys can view them.
    std::deque<std::wstring> m_names;
    std::unordered_map<std::wstring_view, uint32_t> m_nameIndex;
};

} // namespace orlix
