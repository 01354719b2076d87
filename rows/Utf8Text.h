// Narrow text that may be UTF-8: many programs now write UTF-8 through the
// narrow debug channel. Platform-free.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace orlix {

// True when the bytes are well-formed UTF-8: shortest forms only, no
// surrogate code points, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The text of narrow bytes: UTF-8 when `tryUtf8` is set, the bytes are valid
// UTF-8 and hold at least one non-ASCII character; otherwise `ansi` (the
// code-page conversion) decides.
std::wstring DecodeNarrowText(std::string_view bytes, bool tryUtf8,
                              const std::function<std::wstring(std::string_view)>& ansi);

} // namespace orlix
