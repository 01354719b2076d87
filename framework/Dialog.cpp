#include "framework/Dialog.h"
#include "framework/Theme.h"
#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace {
DialogTranslator g_translator = nullptr;
std::vector<HWND> g_modeless;
bool g_centre = false;
}

void SetDialogCentring(bool on)
{
    g_centre = on;
}

bool DialogCentring()
{
    return g_centre;
}

void CentreWindowOver(HWND window, HWND over)
{
    if (!over)
        over = ::GetWindow(window, GW_OWNER);
    RECT outer = {}, own = {};
    if (!over || !::GetWindowRect(over, &outer) || ::IsIconic(over) ||
        !::GetWindowRect(window, &own))
        return;
    MONITORINFO mi = { sizeof(mi) };
    if (!::GetMonitorInfoW(::MonitorFromWindow(over, MONITOR_DEFAULTTONEAREST), &mi))
        return;
    const RECT& area = mi.rcWork;
    const int w = own.right - own.left, h = own.bottom - own.top;
    int x = outer.left + ((outer.right - outer.left) - w) / 2;
    int y = outer.top + ((outer.bottom - outer.top) - h) / 2;
    // Whole on the screen; the caption first when the dialog is the taller.
    x = (std::max)(static_cast<int>(area.left), (std::min)(x, static_cast<int>(area.right) - w));
    y = (std::max)(static_cast<int>(area.top), (std::min)(y, static_cast<int>(area.bottom) - h));
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CDialog::CreateModeless()
{
    HWND h = ::CreateDialogParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                                  AfxGetDialogOwner(m_hParent), StaticDlgProc,
                                  reinterpret_cast<LPARAM>(this));
    if (h)
        g_modeless.push_back(h);
    return h;
}

bool AfxPreTranslateModeless(MSG* msg)
{
    for (HWND d : g_modeless)
        if (msg->hwnd && (msg->hwnd == d || ::IsChild(d, msg->hwnd)))
            return ::IsDialogMessageW(d, msg) != FALSE;
    return false;
}

void SetDialogTranslator(DialogTranslator fn)
{
    g_translator = fn;
}

INT_PTR CDialog::DoModal()
{
    return ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDTemplate),
                             AfxGetDialogOwner(m_hParent),
                             StaticDlgProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CDialog* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        if (g_translator)
            g_translator(hwnd, self->m_nIDTemplate);
        BOOL focus = self->OnInitDialog();
        fw::DarkenDialogControls(hwnd);
        if (g_centre)
            CentreWindowOver(hwnd);
        return focus;
    }
    if (!self)
        return FALSE;
    // Dark colours: the dialog and its controls take them (a dialog's own
    // answer comes first).
    if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
        if (INT_PTR own = self->DialogProc(msg, wParam, lParam))
            return own;
        HBRUSH b = fw::DarkControlColour(msg, reinterpret_cast<HDC>(wParam));
        return reinterpret_cast<INT_PTR>(b);
    }
    INT_PTR r = self->DialogProc(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        g_modeless.erase(std::remove(g_modeless.begin(), g_modeless.end(), hwnd),
                         g_modeless.end());
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return r;
}

INT_PTR CDialog::DialogProc(UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}

void CDialog::EndDialog(INT_PTR result)
{
    ::EndDialog(m_hWnd, result);
}

std::wstring CDialog::GetDlgItemText(int id) const
{
    HWND item = ::GetDlgItem(m_hWnd, id);
    int n = item ? ::GetWindowTextLengthW(item) : 0;
    std::wstring s(n + 1, L'\0');
    if (n > 0)
        ::GetWindowTextW(item, &s[0], n + 1);
    s.resize(n > 0 ? wcslen(s.c_str()) : 0);
    return s;
}

void CDialog::SetDlgItemText(int id, const std::wstring& text)
{
    ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

CFileDialog::CFileDialog(BOOL open, LPCWSTR defExt, LPCWSTR fileName, DWORD flags,
                         LPCWSTR filter, HWND parent)
    : m_bOpen(open), m_strDefExt(defExt ? defExt : L""), m_dwFlags(flags), m_hParent(parent)
{
    if (fileName)
        lstrcpynW(m_szFile, fileName, MAX_PATH);
    // "a|b||" becomes "a\0b\0\0".
    m_strFilter = filter ? filter : L"";
    for (auto& c : m_strFilter)
        if (c == L'|')
            c = L'\0';
    m_strFilter.push_back(L'\0');
}

INT_PTR CFileDialog::DoModal()
{
    OPENFILENAMEW ofn = { sizeof(ofn) };
    ofn.hwndOwner = m_hParent ? m_hParent : AfxGetMainWnd();
    ofn.lpstrFilter = m_strFilter.size() > 1 ? m_strFilter.c_str() : nullptr;
    ofn.lpstrFile = m_szFile;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = m_strDefExt.empty() ? nullptr : m_strDefExt.c_str();
    ofn.Flags = m_dwFlags | OFN_EXPLORER | OFN_ENABLESIZING | OFN_PATHMUSTEXIST;
    BOOL ok = m_bOpen ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
    return ok ? IDOK : IDCANCEL;
}
