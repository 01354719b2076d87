#include <winsock2.h>
#include "app/OrlixApp.h"
#include "app/MainFrame.h"
#include "app/SampleText.h"
#include "app/OrlixDoc.h"
#include "i18n/Language.h"
#include "resources/resource.h"
#include "resources/version.h"
#ifndef ORLIX_VERSION_WSTRING
#define ORLIX_VERSION_WSTRING L"" ORLIX_VERSION_STRING
#endif
#include <string>

namespace {
const wchar_t kMutexName[] = L"Tamsel-me";
const wchar_t kRegistryKey[] = L"Local AppWizard-Generated Applications";
}

BOOL COrlixApp::InitInstance()
{
    m_hMutex.reset(::CreateMutexW(nullptr, FALSE, kMutexName));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        m_hMutex.reset();
        if (HWND running = ::FindWindowW(kMainFrameClass, kMainFrameTitle)) {
            ::SetForegroundWindow(running);
            ::ShowWindow(running, SW_SHOW);
        }
        return FALSE;
    }
    WSADATA wsa;
    m_bSockets = ::WSAStartup(0x2020, &wsa) == 0;

    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_BAR_CLASSES | ICC_COOL_CLASSES |
                                                  ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES };
    ::InitCommonControlsEx(&icc);
    SetDialogTranslator([](HWND dialog, UINT id) { TranslateDialog(dialog, id); });
    SetStringTranslator(TranslateString);

    SetRegistryKey(kRegistryKey);
    LoadStdProfileSettings(4);
    AddDocTemplate(new CSingleDocTemplate(
        IDR_MAINFRAME, { [] { return static_cast<CDocument*>(new COrlixDoc); },
                         [] { return static_cast<CFrameWnd*>(new CMainFrame); },
                         [] { return static_cast<CView*>(new COrlixView); } }));
    COrlixCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!ProcessShellCommand(cmdInfo))
        return FALSE;
    CFrameWnd* main = GetMainFrame();
    if (!main)
        return FALSE;
    auto* frame = dynamic_cast<CMainFrame*>(main);
    if (frame) {
        frame->AttachViews();
        for (const std::wstring& preset : cmdInfo.m_viewPresets)
            frame->m_views.OpenPreset(preset);
    }
    ::ShowWindow(main->m_hWnd, frame ? frame->StartShowCommand() : SW_SHOW);
    ::UpdateWindow(main->m_hWnd);
    if (!cmdInfo.m_unknown.empty())
        ReportUnknownArguments(cmdInfo.m_unknown);
    return TRUE;
}

void COrlixCommandLineInfo::ParseArgument(LPCWSTR arg, bool last)
{
    const std::wstring given = arg ? arg : L"";
    if (m_bPresetNext) {
        m_bPresetNext = false;
        m_viewPresets.push_back(given);
        return;
    }
    if ((given.size() == 5 && (given[0] == L'/' || given[0] == L'-')) &&
        ::lstrcmpiW(given.c_str() + 1, L"view") == 0) {
        if (last)
            m_unknown.push_back(given);   // no file after it
        else
            m_bPresetNext = true;
        return;
    }
    CCommandLineInfo::ParseArgument(arg, last);
}

// An argument the program does not understand is said so, over the running
// window (in the chosen language), rather than silently passed over.
void COrlixApp::ReportUnknownArguments(const std::vector<std::wstring>& args)
{
    std::wstring list;
    for (const auto& a : args) {
        if (!list.empty())
            list += L' ';
        list += a;
    }
    LPCWSTR format = TranslateString(IDS_UNKNOWN_ARGUMENT);
    std::wstring text = format ? format : L"%s";
    size_t at = text.find(L"%s");
    if (at != std::wstring::npos)
        text.replace(at, 2, list);
    else
        text += L"\n" + list;
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

std::wstring COrlixApp::GetFileOpenFilter() const
{
    LPCWSTR text = TranslateString(IDS_ALL_FILES_FILTER);
    return text ? text : L"|*.*||";
}

void COrlixApp::OnDocumentFailed(LPCWSTR path)
{
    if (!path) {
        AfxMessageBox(AfxLoadUIString(IDS_NEW_DOCUMENT_FAILED).c_str());
        return;
    }
    std::wstring msg = AfxLoadUIString(IDS_OPEN_DOCUMENT_FAILED);
    msg += path;
    AfxMessageBox(msg.c_str());
}

int COrlixApp::ExitInstance()
{
    if (m_bSockets)
        ::WSACleanup();
    m_bSockets = false;
    return CWinApp::ExitInstance();
}

bool COrlixApp::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    switch (id) {
    case ID_APP_ABOUT:
        return Handle(code, pUI, [] {
            CAboutDlg dlg;
            dlg.DoModal();
        });
    case ID_FILE_NEW:
        return Handle(code, pUI, [this] { OnFileNew(); });
    case ID_FILE_OPEN:
        return Handle(code, pUI, [this] { OnFileOpen(); });
    case ID_FILE_PRINT_SETUP:
        return Handle(code, pUI, [this] { OnFilePrintSetup(); });
    }
    return CWinApp::OnCmdMsg(id, code, pUI);
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Set after the translation: a language file cannot change these.
    SetDlgItemText(IDC_SAMPLE_TEXT, AboutSampleText());
    SetDlgItemText(IDC_PROGRAM_LINE, std::wstring(L"Orlix") + L"v" + ORLIX_VERSION_WSTRING);
    return TRUE;
}

const wchar_t* AboutSampleText()
{
    static const std::wstring text = [] {
        std::wstring s;
        for (const wchar_t* p = kSenderSample; *p; ++p) {
            if (*p == L'\n')
                s += L'\r';
            s += *p;
        }
        while (!s.empty() && (s.back() == L'\n' || s.back() == L'\r'))
            s.pop_back();
        return s;
    }();
    return text.c_str();
}
