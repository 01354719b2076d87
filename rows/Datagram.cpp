#include "rows/Datagram.h"
#include "framework/Utf16.h"
#include <cstring>

namespace orlix {

void EncodeDatagram(std::wstring_view text, char* out, const ToNarrow& narrow)
{
    std::memset(out, 0, kDatagramBytes);
    std::string bytes = narrow(text);
    if (bytes.size() > kDatagramBytes) {
        // Find the longest prefix (in whole characters) whose bytes fit.
        size_t lo = 0, hi = text.size();
        std::string best;
        while (lo < hi) {
            size_t mid = (lo + hi + 1) / 2;
            size_t cut = mid;
            if (cut > 0 && cut < text.size() && fw::OpensSurrogatePair(text[cut - 1]))
                --cut;
            std::string b = narrow(text.substr(0, cut));
            if (b.size() <= kDatagramBytes) {
                lo = mid;
                best = std::move(b);
            } else {
                hi = mid - 1;
            }
        }
        bytes = std::move(best);
    }
    std::memcpy(out, bytes.data(), bytes.size());
}

std::wstring DecodeDatagram(const char* data, size_t size, const ToWide& wide)
{
    if (size > kDatagramBytes)
        size = kDatagramBytes;
    const void* nul = std::memchr(data, 0, size);
    size_t len = nul ? static_cast<size_t>(static_cast<const char*>(nul) - data) : size;
    return wide(std::string_view(data, len));
}

} // namespace orlix
