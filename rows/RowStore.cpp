#include "rows/RowStore.h"
#include <algorithm>
#include <cstring>
#include <type_traits>

namespace orlix {

namespace {

constexpr unsigned kTimeBits = 27;    // hour 5, minute 6, second 6, millisecond 10
constexpr unsigned kLengthBits = 12;
constexpr unsigned kNarrowBit = kTimeBits + kLengthBits;
constexpr unsigned kOffsetShift = kNarrowBit + 1;
constexpr unsigned kOffsetBits = 64 - kOffsetShift;
static_assert(kMaxTextUnits < (1u << kLengthBits), "a kept text's length fits its field");
// A block's texts, each perhaps after a gap at a chunk's end, stay within
// the offset's reach.
static_assert(RowStore::kRowsPerBlock * 2 * kMaxTextUnits * sizeof(wchar_t)
                  < (uint64_t{ 1 } << kOffsetBits),
              "a block's texts fit the offset field");
static_assert(kMaxTextUnits * sizeof(wchar_t) <= RowStore::kChunkBytes, "a text fits a chunk");
static_assert(sizeof(RowStore::Row) == 16, "the index entry stays 16 bytes");

uint64_t Field(uint64_t packed, unsigned shift, unsigned bits)
{
    return (packed >> shift) & ((uint64_t{ 1 } << bits) - 1);
}

ArrivalTime TimeOf(uint64_t packed)
{
    ArrivalTime t;
    t.hour = static_cast<uint16_t>(Field(packed, 0, 5));
    t.minute = static_cast<uint16_t>(Field(packed, 5, 6));
    t.second = static_cast<uint16_t>(Field(packed, 11, 6));
    t.millisecond = static_cast<uint16_t>(Field(packed, 17, 10));
    return t;
}

// n units of a kept text into `out`: 8-bit texts widened, others copied.
void WidenText(const unsigned char* src, size_t n, bool narrow, wchar_t* out)
{
    if (narrow) {
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<wchar_t>(src[i]);
    } else {
        std::memcpy(out, src, n * sizeof(wchar_t));
    }
}

bool FitsEightBits(std::wstring_view text)
{
    for (wchar_t c : text)
        if (static_cast<std::make_unsigned_t<wchar_t>>(c) > 0xFF)
            return false;
    return true;
}

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
    const bool narrow = FitsEightBits(text);
    const size_t bytes = text.size() * (narrow ? 1 : sizeof(wchar_t));

    // A text never straddles two chunks: one that does not fit the rest of
    // the last chunk starts the next.
    uint64_t pos = m_textEnd;
    const uint64_t chunkNo = pos / kChunkBytes;
    if (pos % kChunkBytes + bytes > kChunkBytes)
        pos = (chunkNo + 1) * kChunkBytes;
    if (bytes > 0) {
        while (m_firstTextChunk + m_textChunks.size() <= pos / kChunkBytes)
            m_textChunks.emplace_back(new unsigned char[kChunkBytes]);
        unsigned char* dst =
            m_textChunks[static_cast<size_t>(pos / kChunkBytes - m_firstTextChunk)].get()
            + pos % kChunkBytes;
        if (narrow) {
            for (size_t i = 0; i < text.size(); ++i)
                dst[i] = static_cast<unsigned char>(text[i]);
        } else {
            std::memcpy(dst, text.data(), bytes);
        }
    }
    m_textEnd = pos + bytes;

    const size_t abs = m_first + m_size;
    if (abs / kRowsPerChunk >= m_rowChunks.size())
        m_rowChunks.emplace_back(new RowChunk);
    RowChunk& chunk = *m_rowChunks[abs / kRowsPerChunk];
    const size_t inChunk = abs % kRowsPerChunk;
    uint64_t& blockStart = chunk.blockStart[inChunk / kRowsPerBlock];
    if (inChunk % kRowsPerBlock == 0)
        blockStart = pos;
    const uint64_t time = uint64_t(t.hour & 0x1F) | (uint64_t(t.minute & 0x3F) << 5)
                        | (uint64_t(t.second & 0x3F) << 11) | (uint64_t(t.millisecond & 0x3FF) << 17);
    Row& r = chunk.rows[inChunk];
    r.pid = pid;
    r.nameIndex = InternName(name);
    r.packed = time | (uint64_t(text.size()) << kTimeBits) | (uint64_t(narrow) << kNarrowBit)
             | ((pos - blockStart) << kOffsetShift);
    ++m_size;
}

void RowStore::MarkLastWithoutPid()
{
    const size_t abs = m_first + m_size - 1;
    m_rowChunks[abs / kRowsPerChunk]->rows[abs % kRowsPerChunk].nameIndex |= kNoPidFlag;
}

void RowStore::Clear()
{
    std::deque<std::unique_ptr<RowChunk>>().swap(m_rowChunks);
    std::deque<std::unique_ptr<unsigned char[]>>().swap(m_textChunks);
    m_first = m_size = 0;
    m_firstTextChunk = m_textEnd = 0;
    std::unordered_map<std::wstring_view, uint32_t>().swap(m_nameIndex);
    std::deque<std::wstring>().swap(m_names);
}

void RowStore::DropOldest(size_t count)
{
    if (count >= m_size) {
        // The names stay: a process seen before is likely to write again.
        std::deque<std::unique_ptr<RowChunk>>().swap(m_rowChunks);
        std::deque<std::unique_ptr<unsigned char[]>>().swap(m_textChunks);
        m_first = m_size = 0;
        m_firstTextChunk = m_textEnd / kChunkBytes;
        return;
    }
    m_first += count;
    m_size -= count;
    while (m_first >= kRowsPerChunk) {
        m_rowChunks.pop_front();
        m_first -= kRowsPerChunk;
    }
    // Text chunks wholly before the first kept text are given back.
    const uint64_t pos = TextPos(*m_rowChunks[0], m_first);
    while (!m_textChunks.empty() && m_firstTextChunk < pos / kChunkBytes) {
        m_textChunks.pop_front();
        ++m_firstTextChunk;
    }
}

uint64_t RowStore::TextPos(const RowChunk& chunk, size_t inChunk)
{
    return chunk.blockStart[inChunk / kRowsPerBlock]
         + Field(chunk.rows[inChunk].packed, kOffsetShift, kOffsetBits);
}

const unsigned char* RowStore::TextBytes(size_t row) const
{
    const size_t abs = m_first + row;
    return TextBytesAt(*m_rowChunks[abs / kRowsPerChunk], abs % kRowsPerChunk);
}

const unsigned char* RowStore::TextBytesAt(const RowChunk& chunk, size_t inChunk) const
{
    const uint64_t pos = TextPos(chunk, inChunk);
    const size_t index = static_cast<size_t>(pos / kChunkBytes - m_firstTextChunk);
    // An empty text may sit at a chunk's end with no chunk behind it.
    if (index >= m_textChunks.size())
        return nullptr;
    return m_textChunks[index].get() + pos % kChunkBytes;
}

size_t RowStore::TextLength(size_t row) const
{
    return static_cast<size_t>(Field(At(row).packed, kTimeBits, kLengthBits));
}

bool RowStore::SameLine(size_t a, size_t b) const
{
    const Row& x = At(a);
    const Row& y = At(b);
    // Length and narrowness are one field apart: compared together.
    const uint64_t form = ((uint64_t{ 1 } << (kLengthBits + 1)) - 1) << kTimeBits;
    if (x.pid != y.pid || x.nameIndex != y.nameIndex || (x.packed & form) != (y.packed & form))
        return false;
    const size_t n = TextLength(a) * (IsNarrow(a) ? 1 : sizeof(wchar_t));
    return n == 0 || std::memcmp(TextBytes(a), TextBytes(b), n) == 0;
}

bool RowStore::IsNarrow(size_t row) const
{
    return Field(At(row).packed, kNarrowBit, 1) != 0;
}

size_t RowStore::CopyText(size_t row, wchar_t* out, size_t capacity) const
{
    size_t n = TextLength(row);
    if (n > capacity)
        n = capacity;
    if (n == 0)
        return 0;
    WidenText(TextBytes(row), n, IsNarrow(row), out);
    return n;
}

MatchResult RowStore::MatchText(size_t row, const TextMatcher& matcher,
                                std::wstring& scratch) const
{
    const size_t n = TextLength(row);
    const unsigned char* src = n ? TextBytes(row) : nullptr;
    if (n && IsNarrow(row))
        return matcher.MatchLatin1(src, n, scratch);
    scratch.resize(n);
    if (n)
        std::memcpy(&scratch[0], src, n * sizeof(wchar_t));
    return matcher.Match(scratch);
}

void RowStore::AppendText(size_t row, std::wstring& out) const
{
    const size_t at = out.size();
    out.resize(at + TextLength(row));
    CopyText(row, &out[at], out.size() - at);
}

std::wstring_view RowStore::TextView(size_t row, std::wstring& scratch) const
{
    const size_t n = TextLength(row);
    if (n && !IsNarrow(row))
        return std::wstring_view(reinterpret_cast<const wchar_t*>(TextBytes(row)), n);
    scratch.clear();
    AppendText(row, scratch);
    return scratch;
}

std::wstring RowStore::Text(size_t row) const
{
    std::wstring s;
    AppendText(row, s);
    return s;
}

ArrivalTime RowStore::Time(size_t row) const
{
    return TimeOf(At(row).packed);
}

std::wstring RowStore::Column(size_t row, int column) const
{
    switch (column) {
    case 0: return std::wstring(Name(row));
    case 1: return HasPid(row) ? FormatPid(Pid(row)) : std::wstring();
    case 2: return FormatTime(ShownTime(Time(row)));
    case 3: return Text(row);
    }
    return std::wstring();
}

size_t RowStore::SavedRowUnits(size_t row, std::wstring_view time) const
{
    // Name, tab, pid (at most 11 units), tab, time ("hh:mm:ss:00" unless
    // given) and tab, text, tab, CR LF.
    return Name(row).size() + 1 + 11 + 1 + (time.empty() ? 11 : time.size()) + 1 +
           TextLength(row) + 3;
}

namespace {
// The pid in signed decimal, as FormatPid has it.
wchar_t* WritePid(uint32_t value, wchar_t* p)
{
    wchar_t digits[12];
    wchar_t* end = digits + 12;
    wchar_t* d = end;
    const int32_t pid = static_cast<int32_t>(value);
    uint32_t v = pid < 0 ? 0u - value : value;
    do {
        *--d = static_cast<wchar_t>(L'0' + v % 10);
        v /= 10;
    } while (v);
    if (pid < 0)
        *--d = L'-';
    while (d != end)
        *p++ = *d++;
    return p;
}
} // namespace

size_t RowStore::WriteSavedRow(size_t row, wchar_t* out, std::wstring_view time) const
{
    // Saving a million rows runs through here a million times: the row's
    // index entry and text are looked up once.
    const size_t abs = m_first + row;
    const RowChunk& chunk = *m_rowChunks[abs / kRowsPerChunk];
    const size_t inChunk = abs % kRowsPerChunk;
    const Row& r = chunk.rows[inChunk];
    wchar_t* p = out;
    const std::wstring& name = m_names[r.nameIndex & ~kNoPidFlag];
    for (wchar_t c : name)
        *p++ = c;
    *p++ = L'\t';
    if ((r.nameIndex & kNoPidFlag) == 0)
        p = WritePid(r.pid, p);
    *p++ = L'\t';
    if (!time.empty()) {
        p = std::copy(time.begin(), time.end(), p);
    } else {
        const ArrivalTime t = TimeOf(r.packed);
        const wchar_t clock[] = {
            wchar_t(L'0' + t.hour / 10),   wchar_t(L'0' + t.hour % 10),   L':',
            wchar_t(L'0' + t.minute / 10), wchar_t(L'0' + t.minute % 10), L':',
            wchar_t(L'0' + t.second / 10), wchar_t(L'0' + t.second % 10), L':',
            L'0', L'0',
        };
        for (wchar_t c : clock)
            *p++ = c;
    }
    *p++ = L'\t';
    const size_t n = static_cast<size_t>(Field(r.packed, kTimeBits, kLengthBits));
    if (n) {
        WidenText(TextBytesAt(chunk, inChunk), n, Field(r.packed, kNarrowBit, 1) != 0, p);
        p += n;
    }
    *p++ = L'\t';
    *p++ = L'\r';
    *p++ = L'\n';
    return static_cast<size_t>(p - out);
}

void RowStore::AppendSavedRow(size_t row, std::wstring& out, std::wstring_view time) const
{
    const size_t at = out.size();
    out.resize(at + SavedRowUnits(row, time));
    out.resize(at + WriteSavedRow(row, &out[at], time));
}

size_t RowStore::MemoryBytes() const
{
    size_t bytes = m_rowChunks.size() * sizeof(RowChunk)
                 + m_textChunks.size() * kChunkBytes;
    for (const auto& n : m_names)
        bytes += n.capacity() * sizeof(wchar_t) + sizeof(n);
    // The name map: its buckets, and a node per name (key, value, link).
    bytes += m_nameIndex.bucket_count() * sizeof(void*)
           + m_nameIndex.size() * (sizeof(std::wstring_view) + sizeof(uint32_t) + 2 * sizeof(void*));
    return bytes;
}

} // namespace orlix
