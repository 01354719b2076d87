#include "i18n/Language.h"
#include "framework/Text.h"
#include "resources/resource.h"
#include <shlobj.h>
#include <vector>

wchar_t g_szLanguageFile[kLongPathUnits] = {};
fw::UniqueFont g_dialogFont;
UINT g_nLastLanguageId = ID_LANGUAGE_DEFAULT;
UINT g_nCheckedLanguageId = ID_LANGUAGE_DEFAULT;

namespace {

// The executable's full path, however long (a buffer that is filled to the
// brim may have been cut: it grows until the path fits).
std::wstring ModulePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= kLongPathUnits)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}

// True when `path` is the place for the file: an existing file is opened
// for writing (one that is held or denied, or a folder, is not); a missing
// one is made and at once removed again.
bool CanWrite(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return false;
        // Marked read-only by its owner: the file stays the one in use, and
        // a save leaves it as it is.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return true;
        fw::UniqueHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return static_cast<bool>(h);
    }
    fw::UniqueHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                     nullptr));
    return static_cast<bool>(h);
}

// %APPDATA%\Orlix\ (made when missing), or "" when there is none.
std::wstring PerUserDirectory()
{
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)) ||
        !appData[0])
        return std::wstring();
    std::wstring dir = appData;
    if (dir.back() != L'\\')
        dir += L'\\';
    dir += L"Orlix";
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir + L'\\';
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
    if (slash == std::wstring::npos)
        return std::wstring();
    std::wstring dir = p.substr(0, slash + 1);
    // The profile functions (settings and language files) take paths of
    // fewer than 260 units only: past that, the folder's short form, where
    // the volume has one, keeps the files beside the program.
    if (dir.size() + 32 >= MAX_PATH) {
        std::wstring shortDir(dir.size() + 1, L'\0');
        DWORD n = ::GetShortPathNameW(dir.c_str(), &shortDir[0],
                                      static_cast<DWORD>(shortDir.size()));
        if (n > 0 && n < shortDir.size()) {
            shortDir.resize(n);
            if (shortDir.back() != L'\\')
                shortDir += L'\\';
            return shortDir;
        }
    }
    return dir;
}

std::wstring SettingsFilePath(const std::wstring& name, bool forReading)
{
    std::wstring beside = GetModuleDirectory() + name;
    if (CanWrite(beside))
        return beside;
    std::wstring perUser = PerUserDirectory();
    if (perUser.empty())
        return beside;
    perUser += name;
    // A file only beside the program (shipped with it) is still read.
    if (forReading && ::GetFileAttributesW(perUser.c_str()) == INVALID_FILE_ATTRIBUTES)
        return beside;
    return perUser;
}

// The program settings file's name: the executable's, ending in ".ini".
static std::wstring SettingsFileName()
{
    std::wstring p = ModulePath();
    size_t slash = p.find_last_of(L'\\');
    std::wstring name = slash == std::wstring::npos ? p : p.substr(slash + 1);
    if (name.size() >= 4)
        name.resize(name.size() - 4);
    return name + L".ini";
}

std::wstring GetSettingsFilePath()
{
    return SettingsFilePath(SettingsFileName(), false);
}

std::wstring GetSettingsReadPath()
{
    return SettingsFilePath(SettingsFileName(), true);
}

int DialogFontHeight(int pointSize, int dpi)
{
    return pointSize ? -::MulDiv(pointSize, dpi, 72) : 0;
}

UINT LoadSavedLanguage()
{
    UINT saved = ::GetPrivateProfileIntW(L"Main", L"Language", ::GetUserDefaultLangID(),
                                         GetSettingsReadPath().c_str());
    if ((saved & 0xFFFF) == 0)
        return 0;
    std::wstring dir = GetModuleDirectory();
    for (const auto& name : ListLanguageFiles()) {
        std::wstring path = dir + name;
        if ((FileLanguageId(path) & 0xFFFF) == (saved & 0xFFFF)) {
            lstrcpynW(g_szLanguageFile, path.c_str(), kLongPathUnits);
            ApplyLanguage(nullptr, saved);
            return saved;
        }
    }
    return 0;
}

UINT FillLanguageMenu(HMENU submenu)
{
    // The language in use, even when its choice could not be saved.
    UINT saved = g_szLanguageFile[0]
                     ? FileLanguageId(g_szLanguageFile)
                     : ::GetPrivateProfileIntW(L"Main", L"Language", 0,
                                               GetSettingsReadPath().c_str());
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
            lstrcpynW(g_szLanguageFile, path.c_str(), kLongPathUnits);
            languageId = FileLanguageId(path);
        }
        ::CheckMenuRadioItem(menu, ID_LANGUAGE_DEFAULT, g_nLastLanguageId, g_nCheckedLanguageId,
                             MF_BYCOMMAND);
    }
    wchar_t value[16];
    wsprintfW(value, L"%d", static_cast<int>(languageId & 0xFFFF));
    fw::MakeUnicodeProfileFile(GetSettingsFilePath());
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
