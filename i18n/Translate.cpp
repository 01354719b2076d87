#include "i18n/Language.h"
#include "i18n/MenuTemplate.h"
#include "resources/resource.h"

wchar_t g_szUIText[1024] = {};

namespace {

const int kKeyUnits = 260;
const int kValueUnits = 1024;

// Reads section/key of the current language file into `out`; false when
// missing or empty.
bool ReadLanguageValue(LPCWSTR section, LPCWSTR key, wchar_t* out, DWORD units)
{
    out[0] = 0;
    if (!g_szLanguageFile[0])
        return false;
    return ::GetPrivateProfileStringW(section, key, L"", out, units, g_szLanguageFile) > 0;
}

HMENU FindSubmenuByPath(HMENU menu, const std::vector<unsigned>& path, size_t depth)
{
    for (size_t i = 0; i < depth && menu; ++i)
        menu = ::GetSubMenu(menu, static_cast<int>(path[i]));
    return menu;
}

// The menu (the given one or a submenu) that holds the item with this id.
HMENU FindMenuHolding(HMENU menu, UINT id)
{
    int n = ::GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mi = { sizeof(mi) };
        mi.fMask = MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, i, TRUE, &mi))
            continue;
        if (mi.hSubMenu) {
            if (HMENU found = FindMenuHolding(mi.hSubMenu, id))
                return found;
        } else if (mi.wID == id) {
            return menu;
        }
    }
    return nullptr;
}

struct EnumContext {
    LPCWSTR section;
};

BOOL CALLBACK TranslateChild(HWND child, LPARAM lParam)
{
    return TranslateWindow(child, reinterpret_cast<EnumContext*>(lParam)->section);
}

} // namespace

LPCWSTR TranslateString(UINT id)
{
    wchar_t key[16];
    wsprintfW(key, L"%u", id);
    if (g_szLanguageFile[0] && ReadLanguageValue(L"String", key, g_szUIText, kValueUnits))
        return g_szUIText;
    g_szUIText[0] = 0;
    if (::LoadStringW(::GetModuleHandleW(nullptr), id, g_szUIText, kValueUnits) > 0)
        return g_szUIText;
    g_szUIText[0] = 0;
    return nullptr;
}

LPCWSTR TranslateTooltip(UINT id)
{
    wchar_t key[16];
    wsprintfW(key, L"%u", id);
    if (ReadLanguageValue(L"Tooltip", key, g_szUIText, kValueUnits))
        return g_szUIText;
    g_szUIText[0] = 0;
    return nullptr;
}

LPCWSTR GetLanguageDescription(HMENU menu, UINT id)
{
    wchar_t label[MAX_PATH] = {};
    ::GetMenuStringW(menu, id, label, MAX_PATH, MF_BYCOMMAND);
    std::wstring path = GetModuleDirectory() + label + L".lng";
    g_szUIText[0] = 0;
    if (::GetPrivateProfileStringW(L"Language", L"Description", L"", g_szUIText, kValueUnits,
                                   path.c_str()) == 0)
        TranslateString(IDS_FIRST_LANGUAGE);
    return g_szUIText;
}

void TranslateMenu(HMENU menu, LPCWSTR section)
{
    if (g_szLanguageFile[0])
        TranslateMenuItems(menu, section, L"");
}

void TranslateMenu(HMENU menu, UINT id)
{
    if (g_szLanguageFile[0]) {
        wchar_t section[32];
        wsprintfW(section, L"%u", id);
        TranslateMenuItems(menu, section, L"");
    } else {
        RestoreMenuTexts(menu, id);
    }
}

void TranslateMenuItems(HMENU menu, LPCWSTR section, LPCWSTR parentKey)
{
    int n = ::GetMenuItemCount(menu);
    for (int p = 0; p < n; ++p) {
        MENUITEMINFOW mi = { sizeof(mi) };
        mi.fMask = MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, p, TRUE, &mi))
            continue;
        if (mi.wID == 0 && !mi.hSubMenu)
            continue; // a separator
        wchar_t key[kKeyUnits];
        if (mi.hSubMenu)
            _snwprintf(key, kKeyUnits - 1, L"%s|%u", parentKey, static_cast<unsigned>(p));
        else
            _snwprintf(key, kKeyUnits - 1, L"%u", mi.wID);
        key[kKeyUnits - 1] = 0;
        wchar_t text[kValueUnits];
        if (ReadLanguageValue(section, key, text, kValueUnits))
            SetMenuItemText(menu, p, text, TRUE);
        if (mi.hSubMenu)
            TranslateMenuItems(mi.hSubMenu, section, key);
    }
}

BOOL SetMenuItemText(HMENU menu, UINT item, LPCWSTR text, BOOL byPosition)
{
    MENUITEMINFOW mi = { sizeof(mi) };
    mi.fMask = MIIM_FTYPE;
    if (!::GetMenuItemInfoW(menu, item, byPosition, &mi))
        return FALSE;
    if (mi.fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))
        return FALSE; // no text to change
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = const_cast<LPWSTR>(text);
    return ::SetMenuItemInfoW(menu, item, byPosition, &mi);
}

void RestoreMenuTexts(HMENU menu, UINT id)
{
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(4) /* RT_MENU */);
    HGLOBAL mem = res ? ::LoadResource(inst, res) : nullptr;
    const void* data = mem ? ::LockResource(mem) : nullptr;
    if (!data)
        return;
    auto actions = orlix::WalkMenuTemplate(static_cast<const unsigned char*>(data),
                                           ::SizeofResource(inst, res));
    for (const auto& a : actions) {
        if (a.popup) {
            HMENU parent = FindSubmenuByPath(menu, a.path, a.path.size() - 1);
            if (parent)
                SetMenuItemText(parent, a.path.back(), a.text.c_str(), TRUE);
        } else if (a.commandId != 0) {
            if (HMENU holder = FindMenuHolding(menu, a.commandId))
                SetMenuItemText(holder, a.commandId, a.text.c_str(), FALSE);
        }
    }
}

void TranslateDialog(HWND dialog, LPCWSTR section)
{
    if (!g_szLanguageFile[0])
        return;
    TranslateWindow(dialog, section);
    EnumContext ctx = { section };
    ::EnumChildWindows(dialog, TranslateChild, reinterpret_cast<LPARAM>(&ctx));
}

void TranslateDialog(HWND dialog, UINT id)
{
    wchar_t section[32];
    wsprintfW(section, L"%u", id);
    TranslateDialog(dialog, section);
}

BOOL TranslateWindow(HWND window, LPCWSTR section)
{
    int id = (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? ::GetDlgCtrlID(window) : 0;
    wchar_t key[16];
    wsprintfW(key, L"%u", static_cast<unsigned>(id) & 0xFFFF);
    wchar_t text[kValueUnits];
    if (ReadLanguageValue(section, key, text, kValueUnits))
        ::SetWindowTextW(window, text);
    if (g_dialogFont)
        ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(g_dialogFont.get()), FALSE);
    return TRUE;
}
