#include "framework/Wnd.h"

namespace {
const UINT_PTR kSubclassId = 0x4F52; // identifies our subclass of a control
const wchar_t kWrapperProp[] = L"fw.CWnd"; // the wrapper of a subclassed control
StringTranslator g_stringTranslator = nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    return ::GetModuleHandleW(nullptr);
}

std::wstring AfxLoadString(UINT id)
{
    const wchar_t* p = nullptr;
    // With a length of 0, LoadStringW hands out a pointer into the resource.
    int n = ::LoadStringW(AfxGetInstanceHandle(), id, reinterpret_cast<LPWSTR>(&p), 0);
    if (n <= 0 || !p)
        return std::wstring();
    return std::wstring(p, n);
}

void SetStringTranslator(StringTranslator fn)
{
    g_stringTranslator = fn;
}

std::wstring AfxLoadUIString(UINT id)
{
    if (g_stringTranslator) {
        LPCWSTR text = g_stringTranslator(id);
        if (text && text[0])
            return text;
    }
    return AfxLoadString(id);
}

CWnd::~CWnd()
{
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        if (m_bSubclassed) {
            ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
            ::RemovePropW(m_hWnd, kWrapperProp);
        } else
            ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        ::DestroyWindow(h);
    }
}

ATOM CWnd::RegisterWndClass(LPCWSTR name, UINT style, HICON icon, HCURSOR cursor,
                            HBRUSH background, HICON smallIcon)
{
    WNDCLASSEXW wc = { sizeof(wc) };
    if (::GetClassInfoExW(AfxGetInstanceHandle(), name, &wc))
        return 1; // registered already: used unchanged
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return ::RegisterClassExW(&wc);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x,
                    int y, int cx, int cy, HWND parent, HMENU menuOrId)
{
    HWND h = ::CreateWindowExW(exStyle, className, title, style, x, y, cx, cy, parent, menuOrId,
                               AfxGetInstanceHandle(), this);
    return h != nullptr;
}

BOOL CWnd::CreateControl(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style,
                         const RECT& rc, HWND parent, UINT id)
{
    HWND h = ::CreateWindowExW(exStyle, className, title, style, rc.left, rc.top,
                               rc.right - rc.left, rc.bottom - rc.top, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               AfxGetInstanceHandle(), nullptr);
    if (!h)
        return FALSE;
    m_hWnd = h;
    m_bSubclassed = true;
    // FromHandle finds the wrapper through a window property: comctl32's
    // GetWindowSubclass is not in every import library (x86-64 mingw lacks it).
    ::SetPropW(h, kWrapperProp, this);
    ::SetWindowSubclass(h, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    if (void* wrapper = ::GetPropW(hwnd, kWrapperProp))
        return static_cast<CWnd*>(wrapper);
    if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == StaticWndProc)
        return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return nullptr;
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<CWnd*>(cs->lpCreateParams);
        if (self) {
            self->m_hWnd = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        LRESULT r = self->Dispatch(msg, wParam, lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
        return r;
    }
    return self->Dispatch(msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR ref)
{
    CWnd* self = reinterpret_cast<CWnd*>(ref);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        ::RemovePropW(hwnd, kWrapperProp);
        LRESULT r = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        self->m_hWnd = nullptr;
        self->m_bSubclassed = false;
        self->PostNcDestroy();
        return r;
    }
    return self->Dispatch(msg, wParam, lParam);
}

LRESULT CWnd::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return WindowProc(msg, wParam, lParam);
}

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (msg == WM_NOTIFY) {
        auto* nm = reinterpret_cast<NMHDR*>(lParam);
        CWnd* child = nm ? FromHandle(nm->hwndFrom) : nullptr;
        return child && child != this && child->OnNotifyReflect(nm, pResult);
    }
    if (msg == WM_COMMAND && lParam) {
        CWnd* child = FromHandle(reinterpret_cast<HWND>(lParam));
        return child && child != this && child->OnCommandReflect(HIWORD(wParam), pResult);
    }
    return false;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT r = 0;
    if ((msg == WM_NOTIFY || msg == WM_COMMAND) && ReflectToChild(msg, wParam, lParam, &r))
        return r;
    return Default(msg, wParam, lParam);
}

LRESULT CWnd::Default(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_bSubclassed)
        return ::DefSubclassProc(m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}
