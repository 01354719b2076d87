#include "framework/App.h"
#include "framework/AfxRes.h"
#include "framework/AfxState.h"
#include "framework/Dialog.h"
#include "framework/Frame.h"
#include <commdlg.h>
#include <shellapi.h>

namespace {
CWinApp* g_pApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWinApp::CWinApp() : m_strCmdLine(::GetCommandLineW())
{
    g_pApp = this;
    AfxGetModuleState().pApp = this;
}

CFrameWnd* CWinApp::GetMainFrame() const
{
    return static_cast<CFrameWnd*>(AfxGetModuleState().pMainWnd);
}

const std::wstring& CWinApp::GetAppName() const
{
    return AfxGetModuleState().strAppName;
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* tpl)
{
    m_pDocTemplate.reset(tpl);
    tpl->m_onOpened = [this](LPCWSTR path) { AddToRecentFileList(path); };
    tpl->m_onFailed = [this](LPCWSTR path) { OnDocumentFailed(path); };
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
    if (AfxGetModuleState().pApp == this)
        AfxGetModuleState().pApp = nullptr;
}

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    m_pDocTemplate.reset();
    return m_nExitCode;
}

void CWinApp::OnIdle()
{
    if (CFrameWnd* main = GetMainFrame())
        main->OnIdleUpdateCmdUI();
}

int CWinApp::Run()
{
    std::wstring& name = AfxGetModuleState().strAppName;
    if (name.empty()) {
        name = AfxLoadString(AFX_IDS_APP_TITLE);
        if (name.empty())
            name = L"App";
    }
    if (!InitInstance()) {
        ExitInstance();
        return 0;
    }
    MSG msg;
    bool idle = true;
    for (;;) {
        if (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            OnIdle();
            idle = false;
        }
        BOOL r = ::GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1)
            break;
        HWND main = AfxGetMainWnd();
        CFrameWnd* frame = GetMainFrame();
        HACCEL accel = frame ? frame->GetAccelerators() : nullptr;
        // Accelerators belong to the main window; dialogs handle their own keys.
        if (AfxPreTranslateModeless(&msg)) {
        } else if (!(main && accel && (msg.hwnd == main || ::IsChild(main, msg.hwnd)) &&
              ::TranslateAcceleratorW(main, accel, &msg))) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        // Mouse moves and timers do not change command states.
        if (msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE &&
            msg.message != WM_TIMER && msg.message != WM_PAINT)
            idle = true;
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

std::wstring CWinApp::GetProfileKeyPath() const
{
    return L"Software\\" + m_strRegistryKey + L"\\" + GetAppName();
}

void CWinApp::SetRegistryKey(LPCWSTR key)
{
    m_strRegistryKey = key;
    std::wstring& name = AfxGetModuleState().strAppName;
    if (name.empty())
        name = AfxLoadString(AFX_IDS_APP_TITLE);
}

void CWinApp::LoadStdProfileSettings(UINT maxMru)
{
    m_nMaxMru = maxMru;
    m_recent.clear();
    if (m_strRegistryKey.empty())
        return;
    fw::UniqueRegKey key;
    std::wstring path = GetProfileKeyPath() + L"\\Recent File List";
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return;
    for (UINT i = 1; i <= maxMru; ++i) {
        wchar_t name[16], value[MAX_PATH];
        wsprintfW(name, L"File%u", i);
        DWORD type = 0, size = sizeof(value);
        if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                               &size) == ERROR_SUCCESS && type == REG_SZ) {
            value[MAX_PATH - 1] = 0;
            if (value[0])
                m_recent.push_back(value);
        }
    }
}

void CWinApp::AddToRecentFileList(LPCWSTR path)
{
    if (!m_nMaxMru || !path || !*path)
        return;
    std::wstring p = path;
    for (auto it = m_recent.begin(); it != m_recent.end(); ++it) {
        if (::lstrcmpiW(it->c_str(), p.c_str()) == 0) {
            m_recent.erase(it);
            break;
        }
    }
    m_recent.insert(m_recent.begin(), p);
    if (m_recent.size() > m_nMaxMru)
        m_recent.resize(m_nMaxMru);
    SaveStdProfileSettings();
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_strRegistryKey.empty() || !m_nMaxMru)
        return;
    fw::UniqueRegKey key;
    std::wstring path = GetProfileKeyPath() + L"\\Recent File List";
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return;
    for (UINT i = 1; i <= m_nMaxMru; ++i) {
        wchar_t name[16];
        wsprintfW(name, L"File%u", i);
        if (i <= m_recent.size()) {
            const std::wstring& v = m_recent[i - 1];
            ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                             static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
        } else {
            ::RegDeleteValueW(key.get(), name);
        }
    }
}

void CCommandLineInfo::ParseArgument(LPCWSTR arg, bool last)
{
    const std::wstring given = arg ? arg : L"";
    if (!given.empty() && (given[0] == L'/' || given[0] == L'-')) {
        const std::wstring flag = given.substr(1);
        auto is = [&](LPCWSTR name) { return ::lstrcmpiW(flag.c_str(), name) == 0; };
        if (flag == L"pt")
            m_nShellCommand = FilePrintTo;
        else if (flag == L"p")
            m_nShellCommand = FilePrint;
        else if (flag == L"dde")
            m_nShellCommand = FileDDE;
        else if (is(L"Register") || is(L"Regserver"))
            m_nShellCommand = AppRegister;
        else if (is(L"Unregister") || is(L"Unregserver"))
            m_nShellCommand = AppUnregister;
        else if (is(L"Embedding"))
            m_bRunEmbedded = true;
        else if (is(L"Automation"))
            m_bRunAutomated = true;
        else
            m_unknown.push_back(given);
    } else if (m_strFileName.empty()) {
        m_strFileName = given;
    } else if (m_nShellCommand == FilePrintTo && m_strPrinterName.empty()) {
        m_strPrinterName = given;
    } else if (m_nShellCommand == FilePrintTo && m_strDriverName.empty()) {
        m_strDriverName = given;
    } else if (m_nShellCommand == FilePrintTo && m_strPortName.empty()) {
        m_strPortName = given;
    } else {
        m_unknown.push_back(given);
    }
    if (last)
        FinishParse();
}

void CCommandLineInfo::FinishParse()
{
    if (m_nShellCommand == FileNew && !m_strFileName.empty())
        m_nShellCommand = FileOpen;
    // Printing needs a document to print: without one the switch is not
    // understood and the program starts as usual.
    if ((m_nShellCommand == FilePrint || m_nShellCommand == FilePrintTo) &&
        m_strFileName.empty()) {
        m_unknown.push_back(m_nShellCommand == FilePrint ? L"/p" : L"/pt");
        m_nShellCommand = FileNew;
    }
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info, LPCWSTR commandLine)
{
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(commandLine ? commandLine : m_strCmdLine.c_str(), &argc);
    if (!argv)
        return;
    for (int i = 1; i < argc; ++i)
        info.ParseArgument(argv[i], i + 1 == argc);
    ::LocalFree(argv);
}

BOOL CWinApp::ProcessShellCommand()
{
    CCommandLineInfo info;
    ParseCommandLine(info);
    return ProcessShellCommand(info);
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& info)
{
    if (!m_pDocTemplate)
        return FALSE;
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
    case CCommandLineInfo::FileDDE:
        // No DDE conversation is served: a start for one is a normal start.
        return m_pDocTemplate->OpenDocumentFile(nullptr) != nullptr;
    case CCommandLineInfo::FileOpen:
        return m_pDocTemplate->OpenDocumentFile(info.m_strFileName.c_str()) != nullptr;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo: {
        if (!m_pDocTemplate->OpenDocumentFile(info.m_strFileName.c_str()))
            return FALSE;
        if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo &&
            !info.m_strPrinterName.empty())
            m_printer.SelectNamed(info.m_strPrinterName.c_str(), info.m_strDriverName.c_str(),
                                  info.m_strPortName.c_str());
        // The window stays hidden: the document is printed, and the program ends.
        if (CFrameWnd* frame = GetMainFrame()) {
            ::SendMessageW(frame->m_hWnd, WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
            if (GetMainFrame())
                GetMainFrame()->DestroyWindow();
        }
        return FALSE;
    }
    case CCommandLineInfo::AppRegister:
        // Nothing to register: no file type, no objects. Done, the program ends.
        return FALSE;
    case CCommandLineInfo::AppUnregister:
        // The per-user settings the framework keeps (the recent-file list).
        if (!m_strRegistryKey.empty()) {
            std::wstring path = GetProfileKeyPath();
            ::RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
        }
        return FALSE;
    }
    return FALSE;
}

void CWinApp::OnFileNew()
{
    if (m_pDocTemplate)
        m_pDocTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen()
{
    std::wstring filter = GetFileOpenFilter();
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                    filter.c_str());
    if (dlg.DoModal() != IDOK)
        return;
    if (m_pDocTemplate)
        m_pDocTemplate->OpenDocumentFile(dlg.GetPathName().c_str());
}

void CWinApp::OnFilePrintSetup()
{
    PRINTDLGW pd = { sizeof(pd) };
    pd.hwndOwner = AfxGetMainWnd();
    pd.Flags = PD_PRINTSETUP;
    pd.hDevMode = m_printer.devMode.get();
    pd.hDevNames = m_printer.devNames.get();
    // The dialog may have replaced the handles even when cancelled.
    ::PrintDlgW(&pd);
    m_printer.TakeFromDialog(pd.hDevMode, pd.hDevNames);
}

bool CWinApp::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    switch (id) {
    case ID_APP_EXIT:
        return Handle(code, pUI, [] {
            if (HWND main = AfxGetMainWnd())
                ::PostMessageW(main, WM_CLOSE, 0, 0);
        });
    }
    return false;
}
