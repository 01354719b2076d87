// Helpers shared by the fuzz targets: a check that stays on in every build
// type, and wide text made from raw bytes.
#pragma once
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Aborts with the failed condition, so libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(cond)                                                                    \
    do {                                                                                    \
        if (!(cond)) {                                                                      \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);   \
            std::abort();                                                                   \
        }                                                                                   \
    } while (0)

namespace fuzz {

// UTF-16 code units, little-endian, two bytes each; an odd last byte is
// dropped. Unpaired and reversed surrogates come through as they are, and
// a 32-bit wchar_t holds each unit on its own, as a 16-bit one would.
inline std::wstring Utf16Units(const uint8_t* data, size_t size)
{
    std::wstring out;
    out.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2)
        out += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    return out;
}

inline std::wstring Utf16Units(std::string_view bytes)
{
    return Utf16Units(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Up to maxUnits units of text taken from the provider.
inline std::wstring ConsumeUnits(FuzzedDataProvider& p, size_t maxUnits)
{
    return Utf16Units(p.ConsumeRandomLengthString(maxUnits * 2));
}

// The same, cut at the first zero unit (for APIs taking C strings).
inline std::wstring ConsumeCString(FuzzedDataProvider& p, size_t maxUnits)
{
    std::wstring s = ConsumeUnits(p, maxUnits);
    const size_t nul = s.find(L'\0');
    if (nul != std::wstring::npos)
        s.resize(nul);
    return s;
}

// Hex dump of wide text for failure messages.
inline void Dump(const char* label, std::wstring_view text)
{
    std::fprintf(stderr, "%s (%zu units):", label, text.size());
    for (size_t i = 0; i < text.size() && i < 256; ++i)
        std::fprintf(stderr, " %04lx", static_cast<unsigned long>(text[i]));
    std::fprintf(stderr, text.size() > 256 ? " ...\n" : "\n");
}

} // namespace fuzz
