#include "capture/ViewOptions.h"
#include <cwchar>

namespace orlix {

std::wstring OptionsFilePath()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n < MAX_PATH ? n : 0);
    if (p.size() >= 4)
        p.resize(p.size() - 4);
    return p + L".ini";
}

std::wstring ReadTextOption(LPCWSTR section, LPCWSTR key)
{
    wchar_t buf[1024] = {};
    ::GetPrivateProfileStringW(section, key, L"", buf, 1024, OptionsFilePath().c_str());
    return buf;
}

void WriteTextOption(LPCWSTR section, LPCWSTR key, const std::wstring& value)
{
    ::WritePrivateProfileStringW(section, key, value.c_str(), OptionsFilePath().c_str());
}

int ReadIntOption(LPCWSTR section, LPCWSTR key, int fallback, int lo, int hi)
{
    std::wstring text = ReadTextOption(section, key);
    if (text.empty() || text.size() > 10)
        return fallback;
    size_t i = text[0] == L'-' ? 1 : 0;
    if (i == text.size())
        return fallback;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return fallback;
        v = v * 10 + (text[i] - L'0');
    }
    if (text[0] == L'-')
        v = -v;
    return v < lo || v > hi ? fallback : static_cast<int>(v);
}

void WriteIntOption(LPCWSTR section, LPCWSTR key, int value)
{
    WriteTextOption(section, key, std::to_wstring(value));
}

} // namespace orlix
