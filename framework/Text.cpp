#include "framework/Text.h"
#include <climits>
#include <stdexcept>

namespace fw {

namespace {
int CheckedLength(size_t n)
{
    if (n > static_cast<size_t>(INT_MAX))
        throw std::length_error("text too long to convert");
    return static_cast<int>(n);
}
} // namespace

std::wstring WideFromAnsi(std::string_view bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int length = CheckedLength(bytes.size());
    const int units = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(units), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), units);
    return text;
}

std::string AnsiFromWide(std::wstring_view text)
{
    if (text.empty())
        return std::string();
    const int length = CheckedLength(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr,
                                            nullptr);
    if (bytes <= 0)
        return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
    return out;
}

bool WriteAll(HANDLE file, const void* data, size_t bytes)
{
    const auto* p = static_cast<const unsigned char*>(data);
    while (bytes > 0) {
        const DWORD want = bytes > (1u << 24) ? (1u << 24) : static_cast<DWORD>(bytes);
        DWORD put = 0;
        if (!::WriteFile(file, p, want, &put, nullptr) || put == 0)
            return false;
        p += put;
        bytes -= put;
    }
    return true;
}

void MakeUnicodeProfileFile(const std::wstring& path)
{
    if (path.empty() || ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD wrote = 0;
    ::WriteFile(h, kUtf16LeBom, sizeof(kUtf16LeBom), &wrote, nullptr);
    ::CloseHandle(h);
}

} // namespace fw
