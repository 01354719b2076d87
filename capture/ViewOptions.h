// The program settings file (the executable's path ending in ".ini") for the
// view's everyday options: a missing or damaged value reads as the default.
#pragma once
#include <windows.h>
#include <string>

namespace orlix {

std::wstring OptionsFilePath();
// An integer in [lo, hi]; anything else (missing, not a number, out of
// range) gives `fallback`.
int ReadIntOption(LPCWSTR section, LPCWSTR key, int fallback, int lo, int hi);
void WriteIntOption(LPCWSTR section, LPCWSTR key, int value);
std::wstring ReadTextOption(LPCWSTR section, LPCWSTR key);
void WriteTextOption(LPCWSTR section, LPCWSTR key, const std::wstring& value);

} // namespace orlix
