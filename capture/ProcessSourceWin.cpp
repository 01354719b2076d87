// The system's process list through the process-status interface.
#include "framework/Handles.h"
#include "capture/ProcessNameCache.h"
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
            return false;
        bool ok = false;
        HMODULE module = nullptr;
        DWORD needed = 0;
        if (::EnumProcessModules(process.get(), &module, sizeof(module), &needed)) {
            wchar_t buf[kProcessNameUnits] = {};
            DWORD n = ::GetModuleBaseNameW(process.get(), module, buf, kProcessNameUnits);
            if (n > 0) {
                name.assign(buf, n < kProcessNameUnits ? n : kProcessNameUnits - 1);
                ok = true;
            }
        }
        return ok;
    }
};

} // namespace

std::unique_ptr<ProcessSource> MakeSystemProcessSource()
{
    return std::make_unique<SystemProcessSource>();
}

} // namespace orlix
