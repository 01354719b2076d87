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
