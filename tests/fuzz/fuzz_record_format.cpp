// Text forms of captured lines and the row store behind the list. Names and
// texts come from other processes, so any units and any lengths.
#include "rows/RecordFormat.h"
#include "rows/RowStore.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <cinttypes>
#include <map>
#include <type_traits>
#include <string>
#include <vector>

using namespace orlix;

namespace {

bool IsHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::wstring Decimal(int64_t v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%" PRId64, v);
    return std::wstring(buf, buf + std::char_traits<char>::length(buf));
}

std::wstring Field(unsigned v)
{
    std::wstring s = Decimal(v);
    return s.size() < 2 ? L"0" + s : s;
}

std::wstring ExpectedTime(const ArrivalTime& t)
{
    return Field(t.hour) + L":" + Field(t.minute) + L":" + Field(t.second) + L":"
         + Field(t.millisecond);
}

std::wstring_view ExpectedCut(std::wstring_view text, size_t maxUnits)
{
    if (text.size() <= maxUnits)
        return text;
    size_t n = maxUnits;
    if (sizeof(wchar_t) == 2 && n > 0 && IsHigh(text[n - 1]))
        --n;
    return text.substr(0, n);
}

ArrivalTime ConsumeTime(FuzzedDataProvider& p)
{
    ArrivalTime t;
    if (p.ConsumeBool()) {
        t.hour = p.ConsumeIntegralInRange<uint16_t>(0, 23);
        t.minute = p.ConsumeIntegralInRange<uint16_t>(0, 59);
        t.second = p.ConsumeIntegralInRange<uint16_t>(0, 59);
        t.millisecond = p.ConsumeIntegralInRange<uint16_t>(0, 999);
    } else {
        t.hour = p.ConsumeIntegral<uint16_t>();
        t.minute = p.ConsumeIntegral<uint16_t>();
        t.second = p.ConsumeIntegral<uint16_t>();
        t.millisecond = p.ConsumeIntegral<uint16_t>();
    }
    return t;
}

// Text of any length: either units from the input, or a short pattern
// repeated past the store's limits.
std::wstring ConsumeText(FuzzedDataProvider& p, size_t longest)
{
    if (p.ConsumeIntegralInRange(0, 3) != 3)
        return fuzz::ConsumeUnits(p, 48);
    const std::wstring unit = fuzz::ConsumeUnits(p, 3);
    const size_t total = p.ConsumeIntegralInRange<size_t>(0, longest);
    std::wstring s;
    if (unit.empty())
        return std::wstring(total, L'x');
    while (s.size() < total)
        s += unit;
    s.resize(total);
    return s;
}

void CheckFormats(FuzzedDataProvider& p)
{
    const std::wstring text = ConsumeText(p, kMaxTextUnits + 8);
    const size_t maxUnits = p.ConsumeBool() ? p.ConsumeIntegralInRange<size_t>(0, text.size() + 2)
                                            : p.ConsumeIntegral<size_t>();
    const std::wstring_view cut = CutUnits(text, maxUnits);
    FUZZ_CHECK(cut.data() == text.data());
    FUZZ_CHECK(cut.size() <= maxUnits);
    FUZZ_CHECK(cut == ExpectedCut(text, maxUnits));
    if (sizeof(wchar_t) == 4)
        FUZZ_CHECK(cut.size() == std::min(text.size(), maxUnits));

    const ArrivalTime t = ConsumeTime(p);
    const std::wstring time = FormatTime(t);
    FUZZ_CHECK(time == ExpectedTime(t));
    if (t.hour < 100 && t.minute < 100 && t.second < 100 && t.millisecond < 100)
        FUZZ_CHECK(time.size() == 11);

    const uint32_t pid = p.ConsumeIntegral<uint32_t>();
    const std::wstring pidText = FormatPid(pid);
    FUZZ_CHECK(pidText == Decimal(static_cast<int32_t>(pid)));

    const std::wstring name = fuzz::ConsumeUnits(p, 40);
    const std::wstring line = FormatLogLine(name, pid, t, text);
    FUZZ_CHECK(line == name + L"\t\t" + pidText + L"\t\t" + time + L"\t\t" + text + L"\r\n");

    std::vector<std::wstring> columns;
    const size_t count = p.ConsumeIntegralInRange<size_t>(0, 6);
    for (size_t i = 0; i < count; ++i)
        columns.push_back(fuzz::ConsumeUnits(p, 16));
    std::vector<std::wstring_view> views(columns.begin(), columns.end());
    std::wstring saved = name;
    AppendSavedLine(saved, views.data(), views.size());
    std::wstring expected = name;
    for (const auto& c : columns)
        expected += c + L'\t';
    expected += L"\r\n";
    FUZZ_CHECK(saved == expected);
}

struct Appended {
    std::wstring name, text;
    uint32_t pid;
    ArrivalTime time;
};

void CheckRow(const RowStore& store, size_t row, const Appended& a)
{
    FUZZ_CHECK(store.Pid(row) == a.pid);
    FUZZ_CHECK(store.Name(row) == ExpectedCut(a.name, kMaxNameUnits));
    FUZZ_CHECK(store.Text(row) == ExpectedCut(a.text, kMaxTextUnits));
    const ArrivalTime t = store.Time(row);
    // Kept to the millisecond, packed beside the length: hour in 5 bits,
    // minute and second in 6, millisecond in 10 (every clock time fits).
    FUZZ_CHECK(t.hour == (a.time.hour & 0x1F));
    FUZZ_CHECK(t.minute == (a.time.minute & 0x3F));
    FUZZ_CHECK(t.second == (a.time.second & 0x3F));
    FUZZ_CHECK(t.millisecond == (a.time.millisecond & 0x3FF));
    FUZZ_CHECK(store.Column(row, 0) == store.Name(row));
    FUZZ_CHECK(store.Column(row, 1) == FormatPid(a.pid));
    // Shown to the second.
    FUZZ_CHECK(store.Column(row, 2) == FormatTime(ShownTime(t)));
    FUZZ_CHECK(store.Column(row, 2).substr(8) == L":00");
    std::wstring cols[4];
    std::wstring_view views[4];
    for (int c = 0; c < 4; ++c)
        views[c] = cols[c] = store.Column(row, c);
    std::wstring line, saved;
    AppendSavedLine(line, views, 4);
    store.AppendSavedRow(row, saved);
    FUZZ_CHECK(saved == line);
    // One byte a character exactly when every character fits in 8 bits.
    const std::wstring_view kept = ExpectedCut(a.text, kMaxTextUnits);
    bool narrow = true;
    for (wchar_t c : kept)
        narrow = narrow && static_cast<std::make_unsigned_t<wchar_t>>(c) <= 0xFF;
    FUZZ_CHECK(store.IsNarrow(row) == narrow);
    FUZZ_CHECK(store.TextLength(row) == kept.size());
    FUZZ_CHECK(store.Column(row, 3) == store.Text(row));
    FUZZ_CHECK(store.Column(row, 4).empty());
    FUZZ_CHECK(store.Column(row, -1).empty());
}

void CheckStore(FuzzedDataProvider& p)
{
    RowStore store;
    std::vector<Appended> rows;
    std::vector<std::wstring> names;
    const size_t batches = p.ConsumeIntegralInRange<size_t>(1, 24);
    for (size_t b = 0; b < batches; ++b) {
        if (p.ConsumeIntegralInRange(0, 15) == 15) {
            store.Clear();
            rows.clear();
            FUZZ_CHECK(store.Size() == 0);
            // Everything given back: no rows, chunks or names, an empty table.
            FUZZ_CHECK(store.MemoryBytes() <= 64);
            continue;
        }
        // The oldest rows dropped now and then, as a history limit does.
        if (!rows.empty() && p.ConsumeIntegralInRange(0, 7) == 7) {
            const size_t drop = p.ConsumeIntegralInRange<size_t>(0, rows.size() + 2);
            store.DropOldest(drop);
            rows.erase(rows.begin(), rows.begin() + std::min(drop, rows.size()));
            FUZZ_CHECK(store.Size() == rows.size());
            if (!rows.empty())
                CheckRow(store, 0, rows[0]);
            continue;
        }
        // A few names over and over, as few processes send lines.
        if (names.empty() || p.ConsumeIntegralInRange(0, 3) == 3)
            names.push_back(ConsumeText(p, kMaxNameUnits + 8));
        Appended a;
        a.name = names[p.ConsumeIntegralInRange<size_t>(0, names.size() - 1)];
        a.text = ConsumeText(p, kMaxTextUnits + 8);
        a.pid = p.ConsumeIntegral<uint32_t>();
        a.time = ConsumeTime(p);
        // Sometimes the same line many times, enough to fill a chunk.
        const size_t repeat = p.ConsumeIntegralInRange(0, 7) == 7
                                  ? p.ConsumeIntegralInRange<size_t>(1, 600)
                                  : 1;
        for (size_t r = 0; r < repeat && rows.size() < 1200; ++r) {
            store.Append(a.name, a.pid, a.time, a.text);
            rows.push_back(a);
        }
    }

    FUZZ_CHECK(store.Size() == rows.size());
    size_t bytes = 0;
    std::map<std::wstring_view, const wchar_t*> kept;
    for (size_t i = 0; i < rows.size(); ++i) {
        CheckRow(store, i, rows[i]);
        bytes += store.TextLength(i) * (store.IsNarrow(i) ? 1 : sizeof(wchar_t));
        // Names are kept once each.
        const auto [it, first] = kept.emplace(store.Name(i), store.Name(i).data());
        FUZZ_CHECK(first || it->second == store.Name(i).data());
    }
    FUZZ_CHECK(store.MemoryBytes() >= rows.size() * sizeof(RowStore::Row) + bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider p(data, size);
    if (p.ConsumeBool())
        CheckStore(p);
    else
        CheckFormats(p);
    return 0;
}
