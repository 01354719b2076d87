// Edit › History Limit: keep at most N rows (0 keeps every row).
#pragma once
#include "framework/Dialog.h"

class CHistoryLimitDlg : public CDialog {
public:
    static constexpr int kMaxLimit = 100000000;
    CHistoryLimitDlg();
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    int m_rows = 0;
    bool m_valid = true;   // what was typed is a limit
};
