#include "rows/Utf8Text.h"
#include "framework/Utf16.h"
#include <cstdint>

namespace orlix {

bool IsValidUtf8(std::string_view bytes)
{
    char32_t cp;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = fw::NextUtf8(bytes, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
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
        std::wstring wide;
        if (!ascii && fw::DecodeUtf8(bytes, wide))
            return wide;
    }
    return ansi(bytes);
}

} // namespace orlix
