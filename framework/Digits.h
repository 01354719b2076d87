// Decimal numbers in text: the one parser for settings values, dialog fields
// and the files the program reads back. Platform-free.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace fw {

// An optional '-' (when `lo` is negative) and 1 to 19 decimal digits, nothing
// else, within [lo, hi]: the number; anything else: none.
inline std::optional<int64_t> ParseInteger(std::wstring_view text, int64_t lo, int64_t hi)
{
    const bool negative = !text.empty() && text[0] == L'-' && lo < 0;
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 19)
        return std::nullopt;
    int64_t v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        v = v * 10 + (c - L'0');
    }
    if (negative)
        v = -v;
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

// Digits only, at most `max`.
inline std::optional<uint64_t> ParseDigits(std::wstring_view text, uint64_t max)
{
    auto v = ParseInteger(text, 0, static_cast<int64_t>(max > INT64_MAX ? INT64_MAX : max));
    return v ? std::optional<uint64_t>(static_cast<uint64_t>(*v)) : std::nullopt;
}

} // namespace fw
