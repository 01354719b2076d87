// The system's process list through the process-status interface.
#include "framework/Handles.h"
#include "capture/ProcessNameCache.h"
#include "capture/ProcessNamesWin.h"
#include <windows.h>
#include <psapi.h>

namespace orlix {
namespace {

class SystemProcessSource : public ProcessSource {
public:
    bool ListProcessIds(std::vector<uint32_t>& ids) override
    {
        // Grow the array until the system leaves part of it unused: a full
        // array may mean there were more processes than room.
        std::vector<DWORD> buf(1024);
        for (;;) {
            DWORD bytes = 0;
            DWORD size = static_cast<DWORD>(buf.size() * sizeof(DWORD));
            if (!::EnumProcesses(buf.data(), size, &bytes))
                return false;
            if (bytes < size || buf.size() >= (1u << 20)) {
                ids.assign(buf.begin(), buf.begin() + bytes / sizeof(DWORD));
                return true;
            }
            buf.resize(buf.size() * 2);
        }
    }

    bool QueryName(uint32_t pid, std::wstring& name) override
    {
        fw::UniqueHandle process(
            ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
        if (!process)
            process.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        return process && NameFromProcessHandle(process.get(), name);
    }
};

} // namespace

std::unique_ptr<ProcessSource> MakeSystemProcessSource()
{
    return std::make_unique<SystemProcessSource>();
}

bool NameFromProcessHandle(HANDLE process, std::wstring& name)
{
    if (!process)
        return false;
    HMODULE module = nullptr;
    DWORD needed = 0;
    wchar_t buf[orlix::kProcessNameUnits] = {};
    DWORD n = 0;
    if (::EnumProcessModules(process, &module, sizeof(module), &needed))
        n = ::GetModuleBaseNameW(process, module, buf, orlix::kProcessNameUnits);
    if (n >= orlix::kProcessNameUnits)
        n = orlix::kProcessNameUnits - 1;
    if (n == 0) {
        // A process that has exited has no modules left, and a 32-bit
        // program cannot walk a 64-bit one's; the image name stays readable.
        wchar_t path[MAX_PATH] = {};
        DWORD len = MAX_PATH;
        if (::QueryFullProcessImageNameW(process, 0, path, &len) && len > 0) {
            const wchar_t* base = path;
            for (const wchar_t* p = path; *p; ++p)
                if (*p == L'\\' || *p == L'/')
                    base = p + 1;
            lstrcpynW(buf, base, orlix::kProcessNameUnits);
            n = lstrlenW(buf);
        }
    }
    if (n == 0)
        return false;
    name.assign(buf, n);
    return true;
}

} // namespace orlix

namespace orlix {

void NameLineProcess(ProcessNameCache& cache, uint32_t pid, HANDLE process, std::wstring& name)
{
    name.clear();
    if (pid != 0 && !cache.Lookup(pid, name) && process)
        NameFromProcessHandle(process, name);
}

} // namespace orlix
