#include "view/FilterDlg.h"
#include "resources/resource.h"

CFilterDlg::CFilterDlg() : CDialog(IDD_FILTER) {}

BOOL CFilterDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_INCLUDE, m_strInclude);
    SetDlgItemText(IDC_EXCLUDE, m_strExclude);
    return TRUE;
}

INT_PTR CFilterDlg::DialogProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        // Read back whichever button closed the dialog; the caller applies
        // them only after OK.
        m_strInclude = GetDlgItemText(IDC_INCLUDE);
        m_strExclude = GetDlgItemText(IDC_EXCLUDE);
    }
    return CDialog::DialogProc(msg, wParam, lParam);
}
