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

CWinApp::CWinApp()
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
        if (!(main && accel && (msg.hwnd == main || ::IsChild(main, msg.hwnd)) &&
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

BOOL CWinApp::ProcessShellCommand()
{
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::wstring file;
    if (argv) {
        // Switches (/p, /dde, ...) have no meaning for this program; the first
        // plain argument names a file to open as the document.
        for (int i = 1; i < argc; ++i) {
            if (argv[i][0] != L'/' && argv[i][0] != L'-') {
                file = argv[i];
                break;
            }
        }
        ::LocalFree(argv);
    }
    if (!m_pDocTemplate)
        return FALSE;
    return m_pDocTemplate->OpenDocumentFile(file.empty() ? nullptr : file.c_str()) != nullptr;
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
