#include "view/FilterBox.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {

HWND Child(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, int id)
{
    HWND h = ::CreateWindowExW(cls == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, cls,
                               text.c_str(), WS_CHILD | style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               ::GetModuleHandleW(nullptr), nullptr);
    if (h)
        ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                       FALSE);
    return h;
}

} // namespace

void CFilterBox::Create(HWND frame)
{
    m_frame = frame;
    m_label = Child(frame, L"STATIC", AfxLoadUIString(IDS_FILTER_BOX_LABEL), SS_CENTERIMAGE,
                    IDC_FILTER_BOX_LABEL);
    m_edit = Child(frame, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL, IDC_FILTER_BOX_EDIT);
    m_regex = Child(frame, L"BUTTON", AfxLoadUIString(IDS_FILTER_BOX_REGEX),
                    WS_TABSTOP | BS_AUTOCHECKBOX, IDC_FILTER_BOX_REGEX);
    m_count = Child(frame, L"STATIC", L"", SS_CENTERIMAGE, IDC_FILTER_BOX_COUNT);
    if (m_edit)
        ::SetWindowSubclass(m_edit, EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
}

void CFilterBox::Show(bool on)
{
    if (!m_edit)
        return;
    m_visible = on;
    for (HWND h : { m_label, m_edit, m_regex, m_count })
        ::ShowWindow(h, on ? SW_SHOW : SW_HIDE);
    if (on) {
        ::SetFocus(m_edit);
        ::SendMessageW(m_edit, EM_SETSEL, 0, -1);
    } else {
        ::SetWindowTextW(m_edit, L"");
        if (m_view && !m_view->Shown().FilterBox().Empty())
            m_view->SetFilterBox(orlix::TextMatcher());
        if (m_view)
            ::SetFocus(m_view->m_hWnd);
    }
}

void CFilterBox::Layout(RECT& area)
{
    if (!m_visible)
        return;
    const UINT dpi = fw::WindowDpi(m_frame);
    const int h = fw::ScaleForDpi(24, dpi), pad = fw::ScaleForDpi(4, dpi);
    const int label = fw::ScaleForDpi(60, dpi), regex = fw::ScaleForDpi(130, dpi),
              count = fw::ScaleForDpi(130, dpi);
    int x = area.left + pad;
    const int y = area.top + pad / 2;
    ::MoveWindow(m_label, x, y, label, h - pad, TRUE);
    x += label;
    const int edit = (area.right - area.left) - label - regex - count - 4 * pad;
    ::MoveWindow(m_edit, x, y, edit > 40 ? edit : 40, h - pad, TRUE);
    x += (edit > 40 ? edit : 40) + pad;
    ::MoveWindow(m_regex, x, y, regex, h - pad, TRUE);
    x += regex + pad;
    ::MoveWindow(m_count, x, y, count, h - pad, TRUE);
    area.top += h + pad / 2;
}

bool CFilterBox::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const HWND from = reinterpret_cast<HWND>(lParam);
    if (!from || (from != m_edit && from != m_regex))
        return false;
    if ((from == m_edit && HIWORD(wParam) == EN_CHANGE) ||
        (from == m_regex && HIWORD(wParam) == BN_CLICKED))
        Apply();
    return true;
}

void CFilterBox::SetView(COrlixView* view)
{
    m_view = view;
    if (!m_edit || !view)
        return;
    const orlix::TextMatcher& m = view->Shown().FilterBox();
    m_bad = false;
    ::SetWindowTextW(m_edit, m.Pattern().c_str());
    ::SendMessageW(m_regex, BM_SETCHECK, m.Options().regex ? BST_CHECKED : BST_UNCHECKED, 0);
    Refresh();
}

// Every key: the view's rows worked out anew (what was under way is given up).
void CFilterBox::Apply()
{
    if (!m_view)
        return;
    wchar_t text[1024] = {};
    ::GetWindowTextW(m_edit, text, 1024);
    orlix::MatchOptions o;
    o.regex = ::SendMessageW(m_regex, BM_GETCHECK, 0, 0) == BST_CHECKED;
    orlix::TextMatcher m;
    m_bad = !m.Set(text, o);
    if (m_bad) {
        Refresh();
        return;
    }
    if (m.Pattern() == m_view->Shown().FilterBox().Pattern() &&
        m.Options().regex == m_view->Shown().FilterBox().Options().regex)
        return;
    m_view->SetFilterBox(std::move(m));
    Refresh();
}

void CFilterBox::Refresh()
{
    if (!m_visible || !m_view)
        return;
    std::wstring text;
    if (m_bad)
        text = L"?";
    else if (!m_view->Shown().FilterBox().Empty())
        text = m_view->Shown().Refiltering()
                   ? std::to_wstring(m_view->Shown().RefilterPercent()) + L"%"
                   : orlix::FillInserts(AfxLoadUIString(IDS_FILTER_BOX_COUNT),
                                        { std::to_wstring(m_view->DisplayCount()) });
    wchar_t now[128] = {};
    ::GetWindowTextW(m_count, now, 128);
    if (text != now)
        ::SetWindowTextW(m_count, text.c_str());
}

LRESULT CALLBACK CFilterBox::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR data)
{
    auto* self = reinterpret_cast<CFilterBox*>(data);
    if (msg == WM_GETDLGCODE)
        return DLGC_WANTALLKEYS | ::DefSubclassProc(hwnd, msg, wParam, lParam);
    if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) {
        if (::GetWindowTextLengthW(hwnd) > 0)
            ::SetWindowTextW(hwnd, L"");   // EN_CHANGE lets the view's filter go
        else
            self->Show(false);
        return 0;
    }
    if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
        if (self->m_view)
            ::SetFocus(self->m_view->m_hWnd);
        return 0;
    }
    if (msg == WM_CHAR && (wParam == VK_ESCAPE || wParam == VK_RETURN))
        return 0;
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}
