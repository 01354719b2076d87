#include "i18n/Language.h"
#include "resources/resource.h"
#include <vector>

wchar_t g_szLanguageFile[MAX_PATH] = {};
fw::UniqueFont g_dialogFont;
UINT g_nLastLanguageId = ID_LANGUAGE_DEFAULT;
UINT g_nCheckedLanguageId = ID_LANGUAGE_DEFAULT;

namespace {

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n < MAX_PATH ? n : 0);
}

// Names matching *.lng beside the executable, in the listing's order.
std::vector<std::wstring> ListLanguageFiles()
{
    std::vector<std::wstring> names;
    std::wstring pattern = GetModuleDirectory() + L"*.lng";
    WIN32_FIND_DATAW fd;
    fw::UniqueFind h(::FindFirstFileW(pattern.c_str(), &fd));
    if (!h)
        return names;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(fd.cFileName);
    } while (::FindNextFileW(h.get(), &fd));
    return names;
}

UINT FileLanguageId(const std::wstring& path)
{
    return ::GetPrivateProfileIntW(L"Language", L"Language", 0, path.c_str());
}

} // namespace

std::wstring GetModuleDirectory()
{
    std::wstring p = ModulePath();
    size_t slash = p.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : p.substr(0, slash + 1);
}

std::wstring GetSettingsFilePath()
{
    std::wstring p = ModulePath();
    if (p.size() >= 4)
        p.resize(p.size() - 4);
    return p + L".ini";
}

int DialogFontHeight(int pointSize, int dpi)
{
    return pointSize ? -::MulDiv(pointSize, dpi, 72) : 0;
}

UINT LoadSavedLanguage()
{
    UINT saved = ::GetPrivateProfileIntW(L"Main", L"Language", ::GetUserDefaultLangID(),
                                         GetSettingsFilePath().c_str());
    if ((saved & 0xFFFF) == 0)
        return 0;
    std::wstring dir = GetModuleDirectory();
    for (const auto& name : ListLanguageFiles()) {
        std::wstring path = dir + name;
        if ((FileLanguageId(path) & 0xFFFF) == (saved & 0xFFFF)) {
            lstrcpynW(g_szLanguageFile, path.c_str(), MAX_PATH);
            ApplyLanguage(nullptr, saved);
            return saved;
        }
    }
    return 0;
}

UINT FillLanguageMenu(HMENU submenu)
{
    UINT saved = ::GetPrivateProfileIntW(L"Main", L"Language", 0, GetSettingsFilePath().c_str());
    std::wstring dir = GetModuleDirectory();
    for (const auto& name : ListLanguageFiles()) {
        UINT id = FileLanguageId(dir + name);
        if ((id & 0xFFFF) == 0)
            continue;
        if (g_nLastLanguageId == ID_LANGUAGE_DEFAULT)
            ::AppendMenuW(submenu, MF_SEPARATOR, 0, nullptr);
        else if (g_nLastLanguageId >= ID_LANGUAGE_LAST)
            break;
        ++g_nLastLanguageId;
        std::wstring label = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;
        ::AppendMenuW(submenu, MF_STRING, g_nLastLanguageId, label.c_str());
        if ((id & 0xFFFF) == (saved & 0xFFFF))
            g_nCheckedLanguageId = g_nLastLanguageId;
    }
    ::CheckMenuRadioItem(submenu, ID_LANGUAGE_DEFAULT, g_nLastLanguageId, g_nCheckedLanguageId,
                         MF_BYCOMMAND);
    return g_nCheckedLanguageId;
}

void ApplyLanguage(HMENU menu, UINT id)
{
    UINT languageId = id;
    if (menu) {
        if (id <= ID_LANGUAGE_DEFAULT || id > g_nLastLanguageId) {
            g_nCheckedLanguageId = ID_LANGUAGE_DEFAULT;
            g_szLanguageFile[0] = 0;
            languageId = 0;
        } else {
            g_nCheckedLanguageId = id;
            wchar_t label[MAX_PATH] = {};
            ::GetMenuStringW(menu, id, label, MAX_PATH, MF_BYCOMMAND);
            std::wstring path = GetModuleDirectory() + label + L".lng";
            lstrcpynW(g_szLanguageFile, path.c_str(), MAX_PATH);
            languageId = FileLanguageId(path);
        }
        ::CheckMenuRadioItem(menu, ID_LANGUAGE_DEFAULT, g_nLastLanguageId, g_nCheckedLanguageId,
                             MF_BYCOMMAND);
    }
    wchar_t value[16];
    wsprintfW(value, L"%d", static_cast<int>(languageId & 0xFFFF));
    ::WritePrivateProfileStringW(L"Main", L"Language", value, GetSettingsFilePath().c_str());
    g_dialogFont.reset();
    if (!g_szLanguageFile[0])
        return;
    LOGFONTW lf = {};
    if (::GetPrivateProfileStringW(L"Language", L"FontName", L"", lf.lfFaceName, LF_FACESIZE,
                                   g_szLanguageFile) == 0 || !lf.lfFaceName[0])
        return;
    lf.lfCharSet = DEFAULT_CHARSET;
    int size = static_cast<int>(::GetPrivateProfileIntW(L"Language", L"FontSize", 0,
                                                        g_szLanguageFile));
    if (size) {
        fw::UniqueDC ic(::CreateICW(L"DISPLAY", nullptr, nullptr, nullptr));
        int dpi = ic ? ::GetDeviceCaps(ic.get(), LOGPIXELSY) : 96;
        lf.lfHeight = DialogFontHeight(size, dpi);
    }
    g_dialogFont.reset(::CreateFontIndirectW(&lf));
}
