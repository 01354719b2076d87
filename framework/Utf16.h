// UTF-16 surrogate tests. Platform-free: the logic that builds natively on
// Linux (where wchar_t is 32-bit) includes it as well.
#pragma once

namespace fw {

constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A wide unit that opens a surrogate pair; never where wchar_t is 32-bit.
constexpr bool OpensSurrogatePair(wchar_t c)
{
    return sizeof(wchar_t) == 2 && IsHighSurrogate(static_cast<char32_t>(c));
}

} // namespace fw
