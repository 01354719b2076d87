// The application object: message loop with accelerators and idle updates,
// the document template, the standard command line and the recent-file list.
#pragma once
#include "framework/DocView.h"
#include <memory>
#include <string>
#include <vector>

class CFrameWnd;

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance();
    // Runs InitInstance, the message loop and ExitInstance; returns the
    // process exit code.
    int Run();
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;

    // Per-user settings under HKCU\Software\<key>\<application name>.
    void SetRegistryKey(LPCWSTR key);
    void LoadStdProfileSettings(UINT maxMru = 4);
    void AddToRecentFileList(LPCWSTR path);
    const std::vector<std::wstring>& GetRecentFiles() const { return m_recent; }
    std::wstring GetProfileKeyPath() const;

    void AddDocTemplate(CSingleDocTemplate* tpl) { m_pDocTemplate.reset(tpl); }
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
    // No argument: File New. One argument: open that file as the document.
    BOOL ProcessShellCommand();
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    // Printer chosen by Print Setup (null: the default printer).
    HGLOBAL m_hDevMode = nullptr;
    HGLOBAL m_hDevNames = nullptr;

    CFrameWnd* m_pMainWnd = nullptr;
    std::wstring m_strAppName;

protected:
    virtual void OnIdle();
    void SaveStdProfileSettings();

private:
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    std::wstring m_strRegistryKey;
    std::vector<std::wstring> m_recent;
    UINT m_nMaxMru = 0;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
HWND AfxGetMainWnd();
