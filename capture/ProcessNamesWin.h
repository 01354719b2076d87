// Names a process from a handle to it (Windows only).
#pragma once
#include <windows.h>
#include <string>

namespace orlix {

// The base name of a process's executable ("app.exe") from a handle with
// query rights: from its main module, else from its image path (a process
// that has ended since the handle was opened, or a 64-bit one seen from a
// 32-bit viewer).
bool NameFromProcessHandle(HANDLE process, std::wstring& name);

} // namespace orlix

#include "capture/ProcessNameCache.h"

namespace orlix {

// A line's process name: from the cache, else (a writer that has gone) from
// the handle its reader opened; empty for pid 0 or a process that cannot be
// named. `name` is cleared first.
void NameLineProcess(ProcessNameCache& cache, uint32_t pid, HANDLE process, std::wstring& name);

} // namespace orlix
