#include "view/HistoryLimitDlg.h"
#include "framework/Digits.h"
#include "resources/resource.h"

CHistoryLimitDlg::CHistoryLimitDlg() : CDialog(IDD_HISTORY_LIMIT) {}

BOOL CHistoryLimitDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_HISTORY_ROWS, std::to_wstring(m_rows));
    return TRUE;
}

INT_PTR CHistoryLimitDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        auto v = fw::ParseDigits(GetDlgItemText(IDC_HISTORY_ROWS), kMaxLimit);
        m_valid = v.has_value();
        if (m_valid)
            m_rows = static_cast<int>(*v);
    }
    return CDialog::DialogProc(msg, wParam, lParam);
}
