// Text where it meets Windows: the ANSI code page, and writing bytes to a
// file. Surrogate tests are in Utf16.h (platform-free).
#pragma once
#include "framework/Utf16.h"
#include <windows.h>
#include <string>
#include <string_view>

namespace fw {

// The byte-order mark that starts the program's UTF-16 LE files.
constexpr unsigned char kUtf16LeBom[2] = { 0xFF, 0xFE };

// Narrow text in the system's ANSI code page (CP_ACP) as UTF-16, and back.
// Throws std::length_error for more than INT_MAX bytes or units.
std::wstring WideFromAnsi(std::string_view bytes);
std::string AnsiFromWide(std::wstring_view text);

// Writes every byte, in as many WriteFile calls as it takes; false when one
// fails or writes nothing.
bool WriteAll(HANDLE file, const void* data, size_t bytes);

// A profile file (INI) that does not exist yet is made as UTF-16 with a
// byte-order mark, so the profile functions keep any text written to it
// (a new file would otherwise be written in the ANSI code page).
void MakeUnicodeProfileFile(const std::wstring& path);

} // namespace fw
