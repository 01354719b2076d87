#include "capture/ProcessNameCache.h"
#include <chrono>
#include <iterator>

namespace orlix {

ProcessNameCache::ProcessNameCache(std::unique_ptr<ProcessSource> source)
    : m_source(std::move(source))
{
    Refresh();
}

ProcessNameCache::~ProcessNameCache() = default;

void ProcessNameCache::Refresh()
{
    m_names.clear();
    std::vector<uint32_t> ids;
    if (!m_source || !m_source->ListProcessIds(ids))
        return;
    for (uint32_t id : ids) {
        std::wstring name;
        if (!m_source->QueryName(id, name) || name.empty())
            continue;
        if (name.size() > kProcessNameUnits - 1)
            name.resize(kProcessNameUnits - 1);
        m_names.emplace(id, std::move(name)); // a repeated id keeps its first name
    }
}

uint64_t ProcessSource::NowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void ProcessNameCache::RememberMiss(uint32_t pid, uint64_t now)
{
    // Bounded: past a few thousand ids, forget those whose time is up (or
    // all of them).
    if (m_misses.size() >= 4096) {
        for (auto it = m_misses.begin(); it != m_misses.end();)
            it = now - it->second >= kMissMemoryMs ? m_misses.erase(it) : std::next(it);
        if (m_misses.size() >= 4096)
            m_misses.clear();
    }
    m_misses[pid] = now;
}

bool ProcessNameCache::Lookup(uint32_t pid, std::wstring& name)
{
    auto it = m_names.find(pid);
    if (it == m_names.end()) {
        if (!m_source)
            return false;
        uint64_t now = m_source->NowMs();
        auto miss = m_misses.find(pid);
        if (miss != m_misses.end() && now - miss->second < kMissMemoryMs)
            return false;
        Refresh();
        it = m_names.find(pid);
        if (it == m_names.end()) {
            RememberMiss(pid, now);
            return false;
        }
        m_misses.erase(pid);
    }
    name = it->second;
    return true;
}

} // namespace orlix

