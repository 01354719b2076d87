#include "rows/Datagram.h"
#include "framework/Text.h"

namespace orlix {

void EncodeDatagram(std::wstring_view text, char* out)
{
    EncodeDatagram(text, out, fw::AnsiFromWide);
}

std::wstring DecodeDatagram(const char* data, size_t size)
{
    return DecodeDatagram(data, size, fw::WideFromAnsi);
}

} // namespace orlix
