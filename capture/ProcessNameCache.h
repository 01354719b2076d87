// Process id -> executable base name, refreshed from the live process list
// when asked for an id it does not hold. Platform-free: the process list
// comes through ProcessSource.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orlix {

class ProcessSource {
public:
    virtual ~ProcessSource() = default;
    // Ids of all running processes; false when they cannot be listed.
    virtual bool ListProcessIds(std::vector<uint32_t>& ids) = 0;
    // The base name of the process's executable (first module); false when
    // the process cannot be opened or named.
    virtual bool QueryName(uint32_t pid, std::wstring& name) = 0;
    // A millisecond clock for how long a miss is remembered (steady time).
    virtual uint64_t NowMs();
};

// The system's process list (Windows builds only).
std::unique_ptr<ProcessSource> MakeSystemProcessSource();

constexpr size_t kProcessNameUnits = 128; // a lookup's buffer, terminator included

class ProcessNameCache {
public:
    // Without a source the cache never names a process.
    explicit ProcessNameCache(std::unique_ptr<ProcessSource> source);
    virtual ~ProcessNameCache();
    ProcessNameCache(const ProcessNameCache&) = delete;
    ProcessNameCache& operator=(const ProcessNameCache&) = delete;

    // The name of `pid` (at most kProcessNameUnits - 1 units): false (and
    // name unchanged) when the process cannot be named.
    bool Lookup(uint32_t pid, std::wstring& name);
    void Refresh();
    size_t Size() const { return m_names.size(); }

    // An id that could not be named after a refresh is not looked for again
    // (no new refresh) for this long: a flood of lines from one unnameable
    // sender costs one process enumeration per interval, not one per line.
    static constexpr uint64_t kMissMemoryMs = 1000;

private:
    void RememberMiss(uint32_t pid, uint64_t now);

    std::unique_ptr<ProcessSource> m_source;
    std::map<uint32_t, std::wstring> m_names;
    std::map<uint32_t, uint64_t> m_misses; // id -> when it was last missed
};

} // namespace orlix
