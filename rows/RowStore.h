// The compact row store behind the list; printing reads it as its row
// source. Platform-free.
#pragma once
#include "rows/RecordFormat.h"
#include "rows/TextMatch.h"
#include "print/RowSource.h"
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orlix {

// The list's rows: one copy of every kept text, packed one after another in
// large chunks, one byte per character when every character of the text
// fits in 8 bits (ASCII, Latin-1), else as it came; and a 16-byte index
// entry per row. Process names are interned: any number of distinct names,
// each found again in constant time. Rows are appended at the end and may
// be dropped from the front; both give memory back in whole chunks.
class RowStore : public IPrintRowSource {
public:
    struct Row {
        uint32_t pid;
        // The name's number; kNoPidFlag set: a row without a process id (a
        // followed file's line), whose pid column is empty.
        uint32_t nameIndex;
        // Hour, minute, second, millisecond (5, 6, 6, 10 bits), text length in units (12),
        // narrow flag (1), byte offset from its block's start (24).
        uint64_t packed;
    };

    void Append(std::wstring_view name, uint32_t pid, const ArrivalTime& t,
                std::wstring_view text);
    // A row whose name is not a process's (a followed file): no process id.
    void AppendWithoutPid(std::wstring_view name, const ArrivalTime& t, std::wstring_view text)
    {
        Append(name, 0, t, text);
        MarkLastWithoutPid();
    }
    bool HasPid(size_t row) const { return (At(row).nameIndex & kNoPidFlag) == 0; }
    void Clear();
    // Removes the `count` oldest rows (all of them when there are fewer);
    // the rows after them move down by `count`.
    void DropOldest(size_t count);
    size_t Size() const { return m_size; }
    uint32_t Pid(size_t row) const { return At(row).pid; }
    std::wstring_view Name(size_t row) const { return m_names[NameIndex(row)]; }
    // The interned name's index (the same for every row of that name).
    uint32_t NameIndex(size_t row) const { return At(row).nameIndex & ~kNoPidFlag; }
    std::wstring_view NameAt(uint32_t nameIndex) const { return m_names[nameIndex]; }
    size_t TextLength(size_t row) const;
    // Copies at most `capacity` units of the text to `out` (no terminator);
    // returns how many.
    size_t CopyText(size_t row, wchar_t* out, size_t capacity) const;
    void AppendText(size_t row, std::wstring& out) const;
    std::wstring Text(size_t row) const;
    // The text where it lies when it is held wide, else widened into
    // `scratch` (valid until the store or `scratch` changes).
    std::wstring_view TextView(size_t row, std::wstring& scratch) const;
    // The matcher over the row's text, an 8-bit text read where it lies;
    // `scratch` is room for a copy when one is needed.
    MatchResult MatchText(size_t row, const TextMatcher& matcher, std::wstring& scratch) const;
    bool TextMatches(size_t row, const TextMatcher& matcher, std::wstring& scratch) const
    {
        return MatchText(row, matcher, scratch) == MatchResult::Yes;
    }
    // True when the row's text is held one byte per character.
    bool IsNarrow(size_t row) const;
    // The two rows have the same process name, pid and text.
    bool SameLine(size_t a, size_t b) const;
    ArrivalTime Time(size_t row) const;
    // Column 0..3 as the list shows it.
    std::wstring Column(size_t row, int column) const;
    // The row as a saved list has it: each column followed by a tab, then
    // "\r\n" (AppendSavedLine of its columns).
    // `time`, when not empty, stands in for the clock text of the Time column.
    void AppendSavedRow(size_t row, std::wstring& out, std::wstring_view time = {}) const;
    // The same straight into `out`, which has room for SavedRowUnits(row,
    // time) units; returns how many were written.
    size_t WriteSavedRow(size_t row, wchar_t* out, std::wstring_view time = {}) const;
    size_t SavedRowUnits(size_t row, std::wstring_view time = {}) const;
    // The most SavedRowUnits can be for any row, given the time text's length.
    static constexpr size_t MostSavedRowUnits(size_t timeUnits)
    {
        return kMaxNameUnits + 1 + 11 + 1 + (timeUnits ? timeUnits : 11) + 1 + kMaxTextUnits + 3;
    }
    size_t RowCount() const override { return Size(); }
    std::wstring Cell(size_t row, int column) const override { return Column(row, column); }
    const wchar_t* Heading(int column) const override { return kListColumns[column].heading; }
    // Distinct process names held.
    size_t NameCount() const { return m_names.size(); }
    // Bytes held for the rows (texts, index, names), for the benchmarks.
    size_t MemoryBytes() const;

    static constexpr size_t kChunkBytes = size_t{ 1 } << 20;
    static constexpr size_t kRowsPerChunk = 16384;
    static constexpr size_t kRowsPerBlock = 256;

private:
    static constexpr uint32_t kNoPidFlag = 0x80000000u;
    void MarkLastWithoutPid();
    struct RowChunk {
        Row rows[kRowsPerChunk];
        // Where each block of kRowsPerBlock rows starts in the text.
        uint64_t blockStart[kRowsPerChunk / kRowsPerBlock];
    };
    const Row& At(size_t row) const
    {
        const size_t abs = m_first + row;
        return m_rowChunks[abs / kRowsPerChunk]->rows[abs % kRowsPerChunk];
    }
    const unsigned char* TextBytes(size_t row) const;
    // Where the text of a chunk's row inChunk starts, counted as m_textEnd is.
    static uint64_t TextPos(const RowChunk& chunk, size_t inChunk);
    const unsigned char* TextBytesAt(const RowChunk& chunk, size_t inChunk) const;
    uint32_t InternName(std::wstring_view name);

    // Row `row` is m_rowChunks' row number m_first + row.
    std::deque<std::unique_ptr<RowChunk>> m_rowChunks;
    size_t m_first = 0;
    size_t m_size = 0;
    // Text positions count bytes from the first text ever appended (since
    // the last Clear); m_textChunks.front() holds chunk number m_firstTextChunk.
    std::deque<std::unique_ptr<unsigned char[]>> m_textChunks;
    uint64_t m_firstTextChunk = 0;
    uint64_t m_textEnd = 0;
    // A deque never moves its elements, so the map's keys can view them.
    std::deque<std::wstring> m_names;
    std::unordered_map<std::wstring_view, uint32_t> m_nameIndex;
};

} // namespace orlix
