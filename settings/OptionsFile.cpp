#include "settings/OptionsFile.h"
#include "framework/Digits.h"
#include "framework/Text.h"
#include <cwchar>

namespace orlix {

namespace {
std::wstring (*g_locate)(bool forReading) = nullptr;
} // namespace

void SetOptionsFileLocator(std::wstring (*locate)(bool forReading))
{
    g_locate = locate;
}

std::wstring OptionsFilePath(bool forReading)
{
    if (g_locate)
        return g_locate(forReading);
    std::wstring p(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, p.data(), static_cast<DWORD>(p.size()));
        if (n == 0)
            return std::wstring();
        if (n < p.size()) {
            p.resize(n);
            break;
        }
        p.resize(p.size() * 2);
    }
    size_t dot = p.find_last_of(L'.');
    size_t slash = p.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        p.erase(dot);
    return p + L".ini";
}

std::wstring ReadTextOption(LPCWSTR section, LPCWSTR key)
{
    std::wstring file = OptionsFilePath(true);
    if (file.empty())
        return std::wstring();
    wchar_t buf[4096] = {};
    ::GetPrivateProfileStringW(section, key, L"", buf, 4096, file.c_str());
    return buf;
}

void WriteTextOption(LPCWSTR section, LPCWSTR key, const std::wstring& value)
{
    std::wstring file = OptionsFilePath(false);
    if (file.empty())
        return;
    fw::MakeUnicodeProfileFile(file);
    ::WritePrivateProfileStringW(section, key, value.c_str(), file.c_str());
}

void ClearOptionSection(LPCWSTR section)
{
    std::wstring file = OptionsFilePath(false);
    if (!file.empty())
        ::WritePrivateProfileStringW(section, nullptr, nullptr, file.c_str());
}

int ReadIntOption(LPCWSTR section, LPCWSTR key, int fallback, int lo, int hi)
{
    return static_cast<int>(fw::ParseInteger(ReadTextOption(section, key), lo, hi).value_or(fallback));
}

void WriteIntOption(LPCWSTR section, LPCWSTR key, int value)
{
    WriteTextOption(section, key, std::to_wstring(value));
}

} // namespace orlix
