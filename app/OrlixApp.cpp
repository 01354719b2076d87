#include <winsock2.h>
#include "app/OrlixApp.h"
#include "app/MainFrame.h"
#include "app/OrlixCommandLine.h"
#include "app/UserGuide.h"
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
    COrlixCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    // Asked for the switches: they are all this start does.
    if (cmdInfo.m_bShowSwitches) {
        LoadSavedLanguage();
        ShowCommandLineSwitches();
        return FALSE;
    }
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
        if (auto* doc = dynamic_cast<COrlixDoc*>(frame->GetActiveDocument()))
            cmdInfo.ApplyTo(*doc);
    }
    ::ShowWindow(main->m_hWnd, frame ? frame->StartShowCommand() : SW_SHOW);
    ::UpdateWindow(main->m_hWnd);
    ReportCommandLineProblems(cmdInfo);
    return TRUE;
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
    case ID_HELP_USER_GUIDE:
        return Handle(code, pUI, [] { OpenUserGuide(AfxGetMainWnd()); });
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
