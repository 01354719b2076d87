#include "capture/ProcessNameCache.h"

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

bool ProcessNameCache::Lookup(uint32_t pid, std::wstring& name)
{
    auto it = m_names.find(pid);
    if (it == m_names.end()) {
        Refresh();
        it = m_names.find(pid);
        if (it == m_names.end())
            return false;
    }
    name = it->second;
    return true;
}

void ProcessNameCache::Lookup(uint32_t pid, wchar_t* buffer)
{
    std::wstring name;
    if (!buffer || !Lookup(pid, name))
        return;
    name.copy(buffer, kProcessNameUnits - 1);
    buffer[name.size() < kProcessNameUnits ? name.size() : kProcessNameUnits - 1] = 0;
}

} // namespace orlix

