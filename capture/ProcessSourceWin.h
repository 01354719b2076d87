// Naming a process from a handle to it.
#pragma once
#include <windows.h>
#include <string>

namespace orlix {

// The base name of the process's executable ("app.exe"): from its main
// module, else from its image path (an exited process, or a 64-bit one seen
// from a 32-bit viewer). The handle needs query rights (limited suffice for
// the image path). False when neither is readable.
bool ProcessBaseName(HANDLE process, std::wstring& name);

} // namespace orlix
