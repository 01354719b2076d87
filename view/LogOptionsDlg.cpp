#include "view/LogOptionsDlg.h"
#include "framework/Digits.h"
#include "resources/resource.h"

CLogOptionsDlg::CLogOptionsDlg() : CDialog(IDD_LOG_OPTIONS) {}

BOOL CLogOptionsDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_rotation.maxBytes)
        m_sizeKb = m_rotation.maxBytes / 1024;
    ::CheckDlgButton(m_hWnd, IDC_LOG_BY_SIZE, m_rotation.maxBytes ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_LOG_MAX_KB, std::to_wstring(m_sizeKb));
    ::CheckDlgButton(m_hWnd, IDC_LOG_DAILY, m_rotation.daily ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_LOG_KEEP, std::to_wstring(m_rotation.keep));
    ::CheckRadioButton(m_hWnd, IDC_LOG_NUMBERED, IDC_LOG_DATED,
                       m_rotation.dated ? IDC_LOG_DATED : IDC_LOG_NUMBERED);
    EnableParts();
    return TRUE;
}

void CLogOptionsDlg::EnableParts()
{
    const bool bySize = ::IsDlgButtonChecked(m_hWnd, IDC_LOG_BY_SIZE) == BST_CHECKED;
    const bool any = bySize || ::IsDlgButtonChecked(m_hWnd, IDC_LOG_DAILY) == BST_CHECKED;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_LOG_MAX_KB), bySize);
    for (int id : { IDC_LOG_KEEP_LABEL, IDC_LOG_KEEP, IDC_LOG_NUMBERED, IDC_LOG_DATED })
        ::EnableWindow(::GetDlgItem(m_hWnd, id), any);
}

INT_PTR CLogOptionsDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
        (LOWORD(wParam) == IDC_LOG_BY_SIZE || LOWORD(wParam) == IDC_LOG_DAILY)) {
        EnableParts();
        return TRUE;
    }
    return CDialog::DialogProc(msg, wParam, lParam);
}

// A size or a count that is not a number in range keeps the dialog open with
// the field selected, as the standard number checks of dialogs do.
void CLogOptionsDlg::OnOK()
{
    orlix::LogRotation r;
    const bool bySize = ::IsDlgButtonChecked(m_hWnd, IDC_LOG_BY_SIZE) == BST_CHECKED;
    auto kb = fw::ParseDigits(GetDlgItemText(IDC_LOG_MAX_KB), kMaxKb);
    auto keep = fw::ParseDigits(GetDlgItemText(IDC_LOG_KEEP), kMaxKeep);
    int bad = bySize && (!kb || *kb == 0) ? IDC_LOG_MAX_KB : !keep ? IDC_LOG_KEEP : 0;
    if (bad) {
        ::MessageBeep(MB_ICONEXCLAMATION);
        HWND field = ::GetDlgItem(m_hWnd, bad);
        ::SetFocus(field);
        ::SendMessageW(field, EM_SETSEL, 0, -1);
        return;
    }
    r.maxBytes = bySize ? *kb * 1024 : 0;
    r.daily = ::IsDlgButtonChecked(m_hWnd, IDC_LOG_DAILY) == BST_CHECKED;
    r.keep = static_cast<unsigned>(*keep);
    r.dated = ::IsDlgButtonChecked(m_hWnd, IDC_LOG_DATED) == BST_CHECKED;
    m_rotation = r;
    CDialog::OnOK();
}
