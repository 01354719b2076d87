// UTF-16 surrogate tests and UTF-8 encoding of one code point. Platform-free: the logic that builds natively on
// Linux (where wchar_t is 32-bit) includes it as well.
#pragma once
#include <string>

namespace fw {

constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A wide unit that opens a surrogate pair; never where wchar_t is 32-bit.
constexpr bool OpensSurrogatePair(wchar_t c)
{
    return sizeof(wchar_t) == 2 && IsHighSurrogate(static_cast<char32_t>(c));
}

// Appends code point `c` as UTF-8 (1 to 4 bytes); the caller has checked it.
inline void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace fw
