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

// The standard command line of a document program, one argument at a time.
// Switches begin with '/' or '-'; the shell's (p, pt, dde) match exactly,
// the others whatever their letter case.
class CCommandLineInfo {
public:
    enum Command { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister };
    virtual ~CCommandLineInfo() = default;
    // `arg` as the command line gave it; `last` for the final argument. A
    // program's own switches come first in a derived class.
    virtual void ParseArgument(LPCWSTR arg, bool last);

    Command m_nShellCommand = FileNew;
    std::wstring m_strFileName;
    // /pt: where to print (the driver and the port may be left out).
    std::wstring m_strPrinterName, m_strDriverName, m_strPortName;
    // Started by OLE: both are accepted; this program serves no objects.
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    // Arguments with no standard meaning, as given: unknown switches, /p or
    // /pt without a file, and names beyond the ones a command takes.
    std::vector<std::wstring> m_unknown;

protected:
    // After the last argument: what the arguments together mean.
    void FinishParse();
};

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
    // Parses `commandLine` (null: m_strCmdLine) into `info`.
    void ParseCommandLine(CCommandLineInfo& info, LPCWSTR commandLine = nullptr);
    // The command line the program runs with, program name first: the
    // process's own, unless replaced before InitInstance (a test host's).
    std::wstring m_strCmdLine;
    // File New, or the named file opened as the document. /p and /pt print
    // that document without showing the window, then return FALSE so the
    // program ends; so do /Register and /Unregister once done.
    BOOL ProcessShellCommand(CCommandLineInfo& info);
    // The process's own command line, parsed and processed.
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
