// The program settings file (the executable's path ending in ".ini") for the
// view's everyday options: a missing or damaged value reads as the default.
#pragma once
#include <windows.h>
#include <string>

namespace orlix {

// Where the settings file is read from / written to. Until the program
// names a place (SetOptionsFileLocator), beside the executable.
std::wstring OptionsFilePath(bool forReading = true);
void SetOptionsFileLocator(std::wstring (*locate)(bool forReading));
// An integer in [lo, hi]; anything else (missing, not a number, out of
// range) gives `fallback`.
int ReadIntOption(LPCWSTR section, LPCWSTR key, int fallback, int lo, int hi);
void WriteIntOption(LPCWSTR section, LPCWSTR key, int value);
std::wstring ReadTextOption(LPCWSTR section, LPCWSTR key);
void WriteTextOption(LPCWSTR section, LPCWSTR key, const std::wstring& value);
// Removes a whole section, so a list written anew leaves no stale keys.
void ClearOptionSection(LPCWSTR section);

} // namespace orlix
