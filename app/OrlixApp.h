// The application object and the About dialog.
#pragma once
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include <string>
#include <vector>

class COrlixApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    std::wstring GetFileOpenFilter() const override;

protected:
    void OnDocumentFailed(LPCWSTR path) override;

private:
    fw::UniqueHandle m_hMutex;
    bool m_bSockets = false;
};

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    BOOL OnInitDialog() override;
};

// The text of the About dialog's sample: the shipped sender, CR LF between
// lines, none after the last.
const wchar_t* AboutSampleText();
