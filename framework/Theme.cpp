#include "framework/Theme.h"
#include "framework/Handles.h"
#include <commctrl.h>
#include <uxtheme.h>

namespace fw {

namespace {

Colours g_colours = {};
bool g_set = false;
UniqueGdi<HBRUSH> g_window, g_face;

Colours Light()
{
    return { false,
             ::GetSysColor(COLOR_WINDOW), ::GetSysColor(COLOR_WINDOWTEXT),
             ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT),
             ::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_WINDOW) };
}

Colours Dark()
{
    return { true, RGB(30, 30, 30), RGB(230, 230, 230), RGB(45, 45, 48), RGB(230, 230, 230),
             RGB(80, 80, 84), RGB(62, 62, 66) };
}

} // namespace

void SetDarkColours(bool dark)
{
    g_colours = dark ? Dark() : Light();
    g_set = true;
    g_window.reset(::CreateSolidBrush(g_colours.window));
    g_face.reset(::CreateSolidBrush(g_colours.face));
}

const Colours& CurrentColours()
{
    if (!g_set)
        SetDarkColours(false);
    return g_colours;
}

bool DarkColours()
{
    return CurrentColours().dark;
}

HBRUSH WindowBrush()
{
    CurrentColours();
    return g_window.get();
}

HBRUSH FaceBrush()
{
    CurrentColours();
    return g_face.get();
}

DarkPaint::DarkPaint(HWND control) : m_control(control)
{
    const Colours& c = CurrentColours();
    m_dc = ::BeginPaint(control, &m_ps);
    RECT all;
    ::GetClientRect(control, &all);
    ::FillRect(m_dc, &all, FaceBrush());
    m_oldFont = ::SelectObject(
        m_dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    ::SetBkMode(m_dc, TRANSPARENT);
    ::SetTextColor(m_dc, c.faceText);
    m_pen = ::CreatePen(PS_SOLID, 1, c.edge);
    m_oldPen = ::SelectObject(m_dc, m_pen);
}

DarkPaint::~DarkPaint()
{
    ::SelectObject(m_dc, m_oldPen);
    ::DeleteObject(m_pen);
    ::SelectObject(m_dc, m_oldFont);
    ::EndPaint(m_control, &m_ps);
}

HBRUSH DarkControlColour(UINT msg, HDC dc)
{
    const Colours& c = CurrentColours();
    if (!c.dark)
        return nullptr;
    const bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
    ::SetTextColor(dc, field ? c.text : c.faceText);
    ::SetBkColor(dc, field ? c.window : c.face);
    return field ? WindowBrush() : FaceBrush();
}

void DarkenTitleBar(HWND top)
{
    // DWMWA_USE_IMMERSIVE_DARK_MODE (20), where dwmapi has it.
    using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    HMODULE dwm = ::LoadLibraryW(L"dwmapi.dll");
    if (!dwm)
        return;
    if (auto set = reinterpret_cast<SetAttribute>(
            reinterpret_cast<void*>(::GetProcAddress(dwm, "DwmSetWindowAttribute")))) {
        BOOL on = DarkColours();
        set(top, 20, &on, sizeof(on));
    }
    ::FreeLibrary(dwm);
}

void DarkenDialogControls(HWND dialog)
{
    const Colours& c = CurrentColours();
    if (!c.dark)
        return;
    for (HWND h = ::GetWindow(dialog, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        ::GetClassNameW(h, cls, 32);
        if (!lstrcmpiW(cls, L"Button")) {
            const LONG type = ::GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK;
            if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)
                ::SetWindowTheme(h, L"", L"");
        } else if (!lstrcmpiW(cls, WC_LISTVIEWW)) {
            ::SendMessageW(h, LVM_SETBKCOLOR, 0, c.window);
            ::SendMessageW(h, LVM_SETTEXTBKCOLOR, 0, c.window);
            ::SendMessageW(h, LVM_SETTEXTCOLOR, 0, c.text);
        }
    }
}

bool SystemPrefersDark()
{
    DWORD light = 1, size = sizeof(light);
    if (::RegGetValueW(HKEY_CURRENT_USER,
                       L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                       L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &light, &size) != ERROR_SUCCESS)
        return false;
    return light == 0;
}

} // namespace fw
