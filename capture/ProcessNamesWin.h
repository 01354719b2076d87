// Names a process from a handle to it (Windows only).
#pragma once
#include <windows.h>
#include <string>

namespace orlix {

// The name of a process that may have ended since its handle was opened.
bool NameFromProcessHandle(HANDLE process, std::wstring& name);

} // namespace orlix
