#include "capture/ProcessNameCache.h"
#include <gtest/gtest.h>
#include <map>

using namespace orlix;

namespace {
// A process list the test changes at will; counts how often it is read.
struct FakeList {
    std::vector<std::pair<uint32_t, std::wstring>> processes; // empty name: cannot be named
    bool listFails = false;
    int listings = 0;
    uint64_t now = 0; // the clock the cache reads
};

class FakeSource : public ProcessSource {
public:
    explicit FakeSource(FakeList& l) : m_list(l) {}
    bool ListProcessIds(std::vector<uint32_t>& ids) override
    {
        ++m_list.listings;
        if (m_list.listFails)
            return false;
        ids.clear();
        for (auto& p : m_list.processes)
            ids.push_back(p.first);
        return true;
    }
    bool QueryName(uint32_t pid, std::wstring& name) override
    {
        for (auto& p : m_list.processes)
            if (p.first == pid && !p.second.empty()) {
                name = p.second;
                return true;
            }
        return false;
    }
    uint64_t NowMs() override { return m_list.now; }

private:
    FakeList& m_list;
};

std::wstring Look(ProcessNameCache& c, uint32_t pid)
{
    std::wstring name;
    c.Lookup(pid, name);
    return name;
}
} // namespace

TEST(ProcessNameCache, KnowsProcessesRunningAtConstruction)
{
    FakeList list{ { { 4, L"System" }, { 100, L"app.exe" } } };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    EXPECT_EQ(list.listings, 1);
    EXPECT_EQ(Look(cache, 100), L"app.exe");
    EXPECT_EQ(list.listings, 1) << "a hit must not refresh";
}

TEST(ProcessNameCache, MissRefreshesOnceAndFindsNewProcess)
{
    FakeList list{ { { 100, L"app.exe" } } };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    list.processes.push_back({ 200, L"late.exe" });
    EXPECT_EQ(Look(cache, 200), L"late.exe");
    EXPECT_EQ(list.listings, 2);
    EXPECT_EQ(Look(cache, 200), L"late.exe");
    EXPECT_EQ(list.listings, 2);
}

TEST(ProcessNameCache, UnnameableProcessGivesEmptyNameAndIsRememberedBriefly)
{
    FakeList list{ { { 100, L"app.exe" }, { 300, L"" } } };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    list.now = 5000;
    EXPECT_EQ(Look(cache, 300), L"");
    EXPECT_EQ(list.listings, 2);
    // A flood of lines from it within the interval costs no enumeration.
    for (int i = 0; i < 100; ++i) {
        list.now += 9;
        EXPECT_EQ(Look(cache, 300), L"");
    }
    EXPECT_EQ(list.listings, 2);
    // Another id still refreshes at once.
    list.processes.push_back({ 400, L"late.exe" });
    EXPECT_EQ(Look(cache, 400), L"late.exe");
    EXPECT_EQ(list.listings, 3);
    // Once the interval is over, the id is looked for again, and found when
    // it has become nameable meanwhile.
    list.processes[1].second = L"named.exe";
    list.now = 5000 + ProcessNameCache::kMissMemoryMs;
    EXPECT_EQ(Look(cache, 300), L"named.exe");
    EXPECT_EQ(list.listings, 4);
    EXPECT_EQ(Look(cache, 999), L"") << "an ended process";
}

TEST(ProcessNameCache, RememberedMissesStayBounded)
{
    FakeList list{ { { 100, L"app.exe" } } };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    for (uint32_t pid = 1000; pid < 1000 + 10000; ++pid) {
        list.now += 1;
        EXPECT_EQ(Look(cache, pid), L"");
    }
    EXPECT_EQ(list.listings, 1 + 10000) << "every new id is looked for once";
    EXPECT_EQ(Look(cache, 100), L"app.exe");
}

TEST(ProcessNameCache, RefreshDropsEndedProcessesAndKeepsStaleNamesUntilThen)
{
    FakeList list{ { { 100, L"old.exe" }, { 101, L"gone.exe" } } };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    list.processes = { { 100, L"reused.exe" }, { 102, L"new.exe" } };
    EXPECT_EQ(Look(cache, 100), L"old.exe") << "pid reuse is seen only after a refresh";
    EXPECT_EQ(Look(cache, 102), L"new.exe");
    EXPECT_EQ(Look(cache, 100), L"reused.exe");
    EXPECT_EQ(cache.Size(), 2u);
}

TEST(ProcessNameCache, FailedListingLeavesItEmpty)
{
    FakeList list{ { { 100, L"app.exe" } }, true };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_EQ(Look(cache, 100), L"");
}

TEST(ProcessNameCache, LongNamesFitTheBuffer)
{
    std::wstring n127(127, L'n'), n200(200, L'm');
    FakeList list{ { { 1, n127 }, { 2, n200 } } };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    EXPECT_EQ(Look(cache, 1), n127);
    EXPECT_EQ(Look(cache, 2), std::wstring(127, L'm'));
}

TEST(ProcessNameCache, RepeatedIdKeepsFirstName)
{
    FakeList list{ { { 5, L"first.exe" }, { 5, L"second.exe" } } };
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    EXPECT_EQ(Look(cache, 5), L"first.exe");
}

TEST(ProcessNameCache, ManyProcessesAreAllRead)
{
    FakeList list;
    for (uint32_t i = 1; i <= 3000; ++i)
        list.processes.push_back({ i * 4, L"p" + std::to_wstring(i) + L".exe" });
    ProcessNameCache cache(std::make_unique<FakeSource>(list));
    EXPECT_EQ(cache.Size(), 3000u);
    EXPECT_EQ(Look(cache, 12000), L"p3000.exe");
}
