// Process names looked up for captured lines: the pids come from the
// senders, the names from a process list that changes between refreshes.
// Names of any length must land in the caller's fixed buffer whole or cut
// to its size, and never past it.
#include "capture/ProcessNameCache.h"

#include "FuzzSupport.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace orlix;

namespace {

struct Entry {
    uint32_t pid;
    bool named;
    std::wstring name;
};

// One process list per refresh, in turn; the last one stays.
struct Snapshot {
    bool listed = true;
    std::vector<Entry> entries;
};

class ScriptedSource : public ProcessSource {
public:
    explicit ScriptedSource(std::vector<Snapshot> snapshots, size_t* lists)
        : m_snapshots(std::move(snapshots)), m_lists(lists) {}

    bool ListProcessIds(std::vector<uint32_t>& ids) override
    {
        m_current = &Current();
        m_asked.clear();
        ++m_next;
        ++*m_lists;
        if (!m_current->listed)
            return false;
        for (const auto& e : m_current->entries)
            ids.push_back(e.pid);
        return true;
    }

    bool QueryName(uint32_t pid, std::wstring& name) override
    {
        FUZZ_CHECK(m_current && m_current->listed);
        // Asked in list order: the first entry for the pid not asked yet.
        for (auto& e : m_current->entries)
            if (e.pid == pid && m_asked.emplace(&e).second) {
                if (e.named)
                    name = e.name;
                return e.named;
            }
        std::abort();  // a pid that was not listed
    }

    uint64_t NowMs() override { return now; }
    uint64_t now = 0; // advanced by the input

    const Snapshot& Current() const
    {
        return m_snapshots[m_next < m_snapshots.size() ? m_next : m_snapshots.size() - 1];
    }

private:
    std::vector<Snapshot> m_snapshots;
    size_t m_next = 0;
    const Snapshot* m_current = nullptr;
    std::set<const Entry*> m_asked;
    size_t* m_lists;
};

// What the cache holds after a refresh from `s`: the first usable name of
// each pid, cut to what a lookup's buffer takes.
std::map<uint32_t, std::wstring> Expected(const Snapshot& s)
{
    std::map<uint32_t, std::wstring> names;
    if (!s.listed)
        return names;
    for (const auto& e : s.entries)
        if (e.named && !e.name.empty())
            names.emplace(e.pid, e.name.substr(0, kProcessNameUnits - 1));
    return names;
}

std::wstring ConsumeName(FuzzedDataProvider& p)
{
    if (p.ConsumeIntegralInRange(0, 7) == 7) {
        const size_t n = p.ConsumeIntegralInRange<size_t>(kProcessNameUnits - 3,
                                                          kProcessNameUnits + 3);
        return std::wstring(n, static_cast<wchar_t>(p.ConsumeIntegral<uint16_t>()));
    }
    return fuzz::ConsumeUnits(p, 24);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider p(data, size);
    const bool noSource = p.ConsumeIntegralInRange(0, 15) == 15;

    // Few distinct pids, so lists repeat them and lookups hit.
    std::vector<Snapshot> snapshots(p.ConsumeIntegralInRange<size_t>(1, 4));
    for (auto& s : snapshots) {
        s.listed = p.ConsumeIntegralInRange(0, 7) != 7;
        const size_t n = p.ConsumeIntegralInRange<size_t>(0, 12);
        for (size_t i = 0; i < n; ++i) {
            Entry e;
            e.pid = p.ConsumeBool() ? p.ConsumeIntegralInRange<uint32_t>(0, 7)
                                    : p.ConsumeIntegral<uint32_t>();
            e.named = p.ConsumeIntegralInRange(0, 7) != 7;
            e.name = ConsumeName(p);
            s.entries.push_back(std::move(e));
        }
    }

    size_t lists = 0;
    auto owned = std::make_unique<ScriptedSource>(snapshots, &lists);
    ScriptedSource* source = noSource ? nullptr : owned.get();
    ProcessNameCache cache(noSource ? nullptr : std::move(owned));
    std::map<uint32_t, std::wstring> model;
    std::map<uint32_t, uint64_t> misses;
    if (source) {
        FUZZ_CHECK(lists == 1);
        model = Expected(snapshots[0]);
    }
    FUZZ_CHECK(cache.Size() == model.size());

    while (p.remaining_bytes() > 0) {
        const uint32_t pid = p.ConsumeBool() ? p.ConsumeIntegralInRange<uint32_t>(0, 8)
                                             : p.ConsumeIntegral<uint32_t>();
        const size_t before = lists;
        if (source)
            source->now += p.ConsumeIntegralInRange<uint64_t>(0, 1500);
        const bool hit = model.count(pid) != 0;
        // An id missed after a refresh is not looked for again for a while.
        const auto missed = misses.find(pid);
        const bool remembered = source && missed != misses.end() &&
                                source->now - missed->second < ProcessNameCache::kMissMemoryMs;
        const bool refreshes = !hit && source && !remembered;
        if (refreshes)
            model = Expected(source->Current());
        const auto it = model.find(pid);
        const bool found = it != model.end();
        if (refreshes) {
            if (found)
                misses.erase(pid);
            else
                misses[pid] = source->now;
        }

        std::wstring name = L"unchanged";
        FUZZ_CHECK(cache.Lookup(pid, name) == found);
        FUZZ_CHECK(name == (found ? it->second : L"unchanged"));
        FUZZ_CHECK(name.size() <= kProcessNameUnits - 1 || !found);
        // A hit or a remembered miss asks nothing of the process list;
        // another miss refreshes once.
        FUZZ_CHECK(lists == before + (refreshes ? 1 : 0));
        FUZZ_CHECK(cache.Size() == model.size());
    }
    return 0;
}
