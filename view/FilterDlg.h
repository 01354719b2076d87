// The filter dialog: the include and exclude texts, applied only on OK.
#pragma once
#include "framework/Dialog.h"
#include <string>

class CFilterDlg : public CDialog {
public:
    CFilterDlg();
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    std::wstring m_strInclude;
    std::wstring m_strExclude;
};
