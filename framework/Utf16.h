// UTF-16 surrogates and the one UTF-8 encoder and decoder of the program.
// Both follow Unicode's rule: a surrogate half without its partner (or a
// code point past U+10FFFF, which only a 32-bit wchar_t can hold) is written
// as U+FFFD, and bytes that encode a surrogate, an overlong form or anything
// past U+10FFFF are not UTF-8. Platform-free: the logic that builds natively
// on Linux (where wchar_t is 32-bit) includes it as well.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

constexpr bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A wide unit that opens a surrogate pair; never where wchar_t is 32-bit.
constexpr bool OpensSurrogatePair(wchar_t c)
{
    return sizeof(wchar_t) == 2 && IsHighSurrogate(static_cast<char32_t>(c));
}

// Appends code point `c` as UTF-8 (1 to 4 bytes); a surrogate or a value
// past U+10FFFF is written as U+FFFD.
inline void AppendUtf8(std::string& out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = 0xFFFD;
    auto byte = [&out](char32_t b) { out += static_cast<char>(static_cast<unsigned char>(b)); };
    if (c < 0x80) {
        byte(c);
    } else if (c < 0x800) {
        byte(0xC0 | (c >> 6));
        byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        byte(0xE0 | (c >> 12));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    } else {
        byte(0xF0 | (c >> 18));
        byte(0x80 | ((c >> 12) & 0x3F));
        byte(0x80 | ((c >> 6) & 0x3F));
        byte(0x80 | (c & 0x3F));
    }
}

// Appends wide text as UTF-8: UTF-16 surrogate pairs as their code point
// (where wchar_t is 32-bit, each unit is a code point of its own).
inline void AppendUtf8(std::string& out, std::wstring_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if (sizeof(wchar_t) == 2)
            c &= 0xFFFF;
        if (sizeof(wchar_t) == 2 && IsHighSurrogate(c) && i + 1 < text.size()) {
            const char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
            if (IsLowSurrogate(low)) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendUtf8(out, c);
    }
}

inline std::string Utf8FromWide(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    AppendUtf8(out, text);
    return out;
}

// One code point as wide units: a surrogate pair where wchar_t is 16 bits.
inline void AppendCodePoint(std::wstring& out, char32_t c)
{
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
        return;
    }
    out += static_cast<wchar_t>(c);
}

// The length of the well-formed UTF-8 sequence at bytes[i] and its code
// point; 0 when there is none there.
inline size_t NextUtf8(std::string_view bytes, size_t i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    size_t n;
    char32_t least;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        n = 2; least = 0x80; cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        n = 3; least = 0x800; cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        n = 4; least = 0x10000; cp = b0 & 0x07;
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
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// Well-formed UTF-8 as wide text into `out` (replaced); false, with `out`
// unspecified, when the bytes are not well-formed UTF-8.
inline bool DecodeUtf8(std::string_view bytes, std::wstring& out)
{
    out.clear();
    out.reserve(bytes.size());
    char32_t cp;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = NextUtf8(bytes, i, cp);
        if (n == 0)
            return false;
        AppendCodePoint(out, cp);
        i += n;
    }
    return true;
}

} // namespace fw
