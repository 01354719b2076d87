#include "capture/Utf8Text.h"
#include <cstdint>

namespace orlix {

namespace {

// The code point starting at bytes[i] and its length; length 0 when the
// sequence there is not well-formed.
size_t NextCodePoint(std::string_view bytes, size_t i, uint32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t n;
    uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2; min = 0x80; cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3; min = 0x800; cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4; min = 0x10000; cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - i < n)
        return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    uint32_t cp;
    for (size_t i = 0; i < bytes.size();) {
        size_t n = NextCodePoint(bytes, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::wstring WideFromUtf8(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    uint32_t cp;
    for (size_t i = 0; i < bytes.size();) {
        size_t n = NextCodePoint(bytes, i, cp);
        if (n == 0) {
            out += static_cast<wchar_t>(0xFFFD);   // not reached for valid input
            ++i;
            continue;
        }
        i += n;
        if (cp >= 0x10000 && sizeof(wchar_t) == 2) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
    }
    return out;
}

std::wstring DecodeNarrowText(std::string_view bytes, bool tryUtf8,
                              const std::function<std::wstring(std::string_view)>& ansi)
{
    if (tryUtf8) {
        bool ascii = true;
        for (char c : bytes)
            if (static_cast<unsigned char>(c) >= 0x80) {
                ascii = false;
                break;
            }
        if (!ascii && IsValidUtf8(bytes))
            return WideFromUtf8(bytes);
    }
    return ansi(bytes);
}

} // namespace orlix
