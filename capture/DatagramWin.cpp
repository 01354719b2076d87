#include "capture/Datagram.h"
#include <windows.h>

namespace orlix {

static std::string AnsiFromWide(std::wstring_view w)
{
    if (w.empty())
        return std::string();
    int n = ::WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string s(n > 0 ? n : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr,
                              nullptr);
    return s;
}

static std::wstring WideFromAnsi(std::string_view s)
{
    if (s.empty())
        return std::wstring();
    int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n > 0 ? n : 0, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

void EncodeDatagram(std::wstring_view text, char* out)
{
    EncodeDatagram(text, out, AnsiFromWide);
}

std::wstring DecodeDatagram(const char* data, size_t size)
{
    return DecodeDatagram(data, size, WideFromAnsi);
}

} // namespace orlix
