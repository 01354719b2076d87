// The application object and the About dialog.
#pragma once
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include <string>
#include <vector>

// The framework's command line, and the program's own switches: /view FILE
// opens a view with the rules of a preset file (as often as given).
class COrlixCommandLineInfo : public CCommandLineInfo {
public:
    void ParseArgument(LPCWSTR arg, bool last) override;
    std::vector<std::wstring> m_viewPresets;

private:
    bool m_bPresetNext = false;
};

class COrlixApp : public CWinApp {
public:
    BOOL InitInstance() override;
    int ExitInstance() override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    std::wstring GetFileOpenFilter() const override;

protected:
    void OnDocumentFailed(LPCWSTR path) override;

private:
    void ReportUnknownArguments(const std::vector<std::wstring>& args);

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
