// The application object: message loop with accelerators and idle updates,
// the document template, the standard command line and the recent-file list.
#pragma once
#include "framework/AfxState.h"
#include "framework/DocTemplate.h"
#include "framework/PrinterSettings.h"
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

    void AddDocTemplate(CSingleDocTemplate* tpl);
    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate.get(); }
    // No argument: File New. One argument: open that file as the document.
    BOOL ProcessShellCommand();
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    // Printer chosen by Print Setup (null: the default printer).
    CPrinterSettings m_printer;

    // The main frame (null before it is created and after it is gone).
    CFrameWnd* GetMainFrame() const;
    // The name shown in message boxes (default: the AFX_IDS_APP_TITLE string).
    const std::wstring& GetAppName() const;

protected:
    virtual void OnIdle();
    // The File Open dialog's filter, "Name|*.ext||" (empty: no filter).
    virtual std::wstring GetFileOpenFilter() const { return std::wstring(); }
    // No document: the named file could not be opened, or (null path) the
    // main frame could not be created. Tells the user, if the program will.
    virtual void OnDocumentFailed(LPCWSTR /*path*/) {}
    void SaveStdProfileSettings();

private:
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    std::wstring m_strRegistryKey;
    std::vector<std::wstring> m_recent;
    UINT m_nMaxMru = 0;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
