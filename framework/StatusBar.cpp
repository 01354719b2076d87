#include "framework/StatusBar.h"
#include "framework/Dpi.h"
#include "framework/Theme.h"
#include <string>

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id)
{
    RECT rc = { 0, 0, 0, 0 };
    if (!CreateControl(0, STATUSCLASSNAMEW, nullptr, style | SBARS_SIZEGRIP, rc, parent->m_hWnd,
                       id))
        return FALSE;
    // The control's own font is the system's; a window that starts on a
    // screen of another DPI needs that screen's.
    UINT dpi = fw::WindowDpi(parent->m_hWnd);
    if (dpi != fw::SystemDpi())
        SetDpi(dpi);
    return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* /*ids*/, int count)
{
    if (count < 1)
        return FALSE;
    // Only the message pane is used: one part that takes the whole width.
    int parts[1] = { -1 };
    return ::SendMessageW(m_hWnd, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts)) != 0;
}

void CStatusBar::SetText(LPCWSTR text)
{
    ::SendMessageW(m_hWnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

int CStatusBar::GetHeight() const
{
    if (!m_hWnd || !::IsWindowVisible(m_hWnd))
        return 0;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    return rc.bottom - rc.top;
}


void CStatusBar::SetDpi(UINT dpi)
{
    if (!m_hWnd)
        return;
    fw::UniqueFont font(fw::CreateStatusFontForDpi(dpi));
    if (!font)
        return;
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    ::SendMessageW(m_hWnd, WM_SIZE, 0, 0);
    m_font = std::move(font);
}

LRESULT CStatusBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_PAINT || !fw::DarkColours())
        return CWnd::WindowProc(msg, wParam, lParam);
    fw::DarkPaint paint(m_hWnd);
    HDC dc = paint.dc();
    const int parts = static_cast<int>(::SendMessageW(m_hWnd, SB_GETPARTS, 0, 0));
    for (int i = 0; i < parts; ++i) {
        RECT part = {};
        ::SendMessageW(m_hWnd, SB_GETRECT, i, reinterpret_cast<LPARAM>(&part));
        const int len = LOWORD(::SendMessageW(m_hWnd, SB_GETTEXTLENGTHW, i, 0));
        std::wstring text(static_cast<size_t>(len) + 1, L'\0');
        ::SendMessageW(m_hWnd, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(len));
        RECT t = { part.left + 4, part.top, part.right - 4, part.bottom };
        ::DrawTextW(dc, text.c_str(), -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX |
                    DT_END_ELLIPSIS);
        if (i + 1 < parts) {
            ::MoveToEx(dc, part.right - 1, part.top + 2, nullptr);
            ::LineTo(dc, part.right - 1, part.bottom - 2);
        }
    }
    return 0;
}
