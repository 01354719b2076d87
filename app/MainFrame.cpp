#include "app/MainFrame.h"
#include "capture/OrlixView.h"
#include "capture/SyslogDlg.h"
#include "capture/ViewOptions.h"
#include "i18n/Language.h"
#include "resources/resource.h"
#include <windowsx.h>

const wchar_t kMainFrameClass[] = L"Kesto-Orlix";
const wchar_t kMainFrameTitle[] = L"Orlix";

namespace {
const UINT kIndicators[] = { 0 /* the message pane */ };
const UINT_PTR kSyslogPaneTimer = 0x5350;
const UINT kSyslogPaneMs = 500;
const int kSyslogPaneWidth = 220;

orlix::syslog::Settings ReadSyslogSettings()
{
    std::wstring path = GetSettingsReadPath();
    auto read = [&](const wchar_t* key) {
        wchar_t value[512] = {};
        ::GetPrivateProfileStringW(L"Syslog", key, L"", value, 512, path.c_str());
        return std::wstring(value);
    };
    orlix::syslog::SettingsText t;
    t.enabled = read(L"Enabled");
    t.host = read(L"Host");
    t.port = read(L"Port");
    t.transport = read(L"Protocol");
    t.facility = read(L"Facility");
    t.queueLines = read(L"QueueLines");
    return orlix::syslog::ParseSettings(t);
}

void WriteSyslogSettings(const orlix::syslog::Settings& s)
{
    std::wstring path = GetSettingsFilePath();
    orlix::syslog::SettingsText t = orlix::syslog::FormatSettings(s);
    ::WritePrivateProfileStringW(L"Syslog", L"Enabled", t.enabled.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Host", t.host.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Port", t.port.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Protocol", t.transport.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"Facility", t.facility.c_str(), path.c_str());
    ::WritePrivateProfileStringW(L"Syslog", L"QueueLines", t.queueLines.c_str(), path.c_str());
}
}

CMainFrame::CMainFrame()
{
    m_pStatusBar = &m_statusBar;
    m_pToolBar = &m_toolBar;
    LoadSavedLanguage();
}

CMainFrame::~CMainFrame() = default;

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    // Same attributes as the framework's frame class, under the name that
    // clients look for, with the program's icon.
    HINSTANCE inst = AfxGetInstanceHandle();
    WNDCLASSEXW wc = { sizeof(wc) };
    if (::GetClassInfoExW(inst, cs.lpszClass, &wc)) {
        WNDCLASSEXW mine = wc;
        mine.cbSize = sizeof(mine);
        mine.lpszClassName = kMainFrameClass;
        mine.hIcon = ::LoadIconW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME));
        mine.hIconSm = static_cast<HICON>(::LoadImageW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                       IMAGE_ICON, 16, 16, 0));
        WNDCLASSEXW existing = { sizeof(existing) };
        if (!::GetClassInfoExW(inst, kMainFrameClass, &existing))
            ::RegisterClassExW(&mine);
    }
    cs.lpszClass = kMainFrameClass;
    LoadWindowOptions(cs);
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCTW cs)
{
    // The view's options live in the one settings file, wherever it is kept.
    orlix::SetOptionsFileLocator([](bool forReading) {
        return forReading ? GetSettingsReadPath() : GetSettingsFilePath();
    });
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    LoadFilterSettings();
    HMENU menu = ::GetMenu(m_hWnd);
    HMENU view = menu ? ::GetSubMenu(menu, 2) : nullptr;
    HMENU languages = view ? ::GetSubMenu(view, 3) : nullptr;
    UINT checked = languages ? FillLanguageMenu(languages) : ID_LANGUAGE_DEFAULT;
    if (checked != ID_LANGUAGE_DEFAULT)
        TranslateMenu(menu, IDR_MAINFRAME);

    if (!m_toolBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS,
                            WS_CHILD | WS_VISIBLE | CCS_TOP, AFX_IDW_TOOLBAR) ||
        !m_toolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    if (!m_statusBar.Create(this, WS_CHILD | WS_VISIBLE | CCS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_statusBar.SetIndicators(kIndicators, 1))
        return -1;
    SetMessageText(AFX_IDS_IDLEMESSAGE);
    SetTitle(kMainFrameTitle);

    // Mapped like the toolbar's own strip, so the grey background follows
    // the button face colour.
    m_bmpExtraImages.reset(::CreateMappedBitmap(AfxGetInstanceHandle(), IDB_TOOLBAR_EXTRA, 0,
                                                nullptr, 0));
    m_nExtraImageBase = m_bmpExtraImages ? m_toolBar.AddBitmap(22, m_bmpExtraImages.get()) : 0;
    SetButtonImage(ID_CAPTURE, m_nExtraImageBase + 2);
    SetButtonImage(ID_FILTER, m_nExtraImageBase + 5);
    SetButtonImage(ID_CLEAR, m_nExtraImageBase + 6);
    SetButtonImage(ID_LOG_TO_FILE, m_nExtraImageBase + 19);
    SetButtonImage(ID_AUTO_SCROLL, m_nExtraImageBase + 4);
    RecalcLayout();
    // Off unless the settings file says otherwise: nothing changes then.
    orlix::syslog::Settings syslog = ReadSyslogSettings();
    if (syslog.enabled)
        ApplySyslogSettings(syslog);
    NoteStartPlacement();
    return 0;
}

void CMainFrame::OnDestroy()
{
    ::KillTimer(m_hWnd, kSyslogPaneTimer);
    SaveWindowPlacement();
    SaveFilterSettings();
    m_pIniFile.reset();
    CFrameWnd::OnDestroy();
}

void CMainFrame::SetButtonImage(UINT id, int image)
{
    int index = m_toolBar.CommandToIndex(id);
    if (index < 0)
        return;
    UINT cmd = 0, style = 0;
    int old = 0;
    m_toolBar.GetButtonInfo(index, cmd, style, old);
    m_toolBar.SetButtonInfo(index, cmd, style, image);
}

void CMainFrame::SetCaptureImage(bool on)
{
    SetButtonImage(ID_CAPTURE, m_nExtraImageBase + (on ? 2 : 1));
}

void CMainFrame::SetLogImage(bool on)
{
    SetButtonImage(ID_LOG_TO_FILE, m_nExtraImageBase + (on ? 20 : 19));
}

void CMainFrame::SetAutoScrollImage(bool on)
{
    SetButtonImage(ID_AUTO_SCROLL, m_nExtraImageBase + (on ? 4 : 3));
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETTEXT: {
        // Trace lines: the title never changes.
        CDocument* doc = GetActiveDocument();
        CView* view = doc ? doc->GetFirstView() : nullptr;
        if (!view || !view->m_hWnd)
            return 1;
        return ::SendMessageW(view->m_hWnd, WM_SETTEXT, wParam, lParam);
    }
    case WM_GETMINMAXINFO: {
        // Room for the toolbar and the start of the message column.
        auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
        mm->ptMinTrackSize.x = 360;
        mm->ptMinTrackSize.y = 200;
        return 0;
    }
    case WM_MENUSELECT: {
        UINT id = LOWORD(wParam);
        if (id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST)
            GetLanguageDescription(::GetMenu(m_hWnd), id);
        else
            TranslateString(id);
        if (g_szUIText[0])
            ::SendMessageW(m_statusBar.m_hWnd, SB_SETTEXTW, 0,
                           reinterpret_cast<LPARAM>(g_szUIText));
        return 1;
    }
    case WM_TIMER:
        if (wParam == kSyslogPaneTimer) {
            UpdateSyslogPane();
            return 0;
        }
        break;
    case WM_SIZE: {
        LRESULT r = CFrameWnd::WindowProc(msg, wParam, lParam);
        if (m_bSyslogPane)
            UpdateSyslogPane();
        return r;
    }
    case WM_CONTEXTMENU:
        // The list's row menu (right click, Shift+F10, the menu key).
        if (g_pView && reinterpret_cast<HWND>(wParam) == g_pView->m_hWnd) {
            ShowRowMenu(lParam);
            return 0;
        }
        break;
    }
    return CFrameWnd::WindowProc(msg, wParam, lParam);
}

void CMainFrame::ShowRowMenu(LPARAM where)
{
    fw::UniqueMenu menu(::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_ROW_MENU)));
    if (!menu)
        return;
    TranslateMenu(menu.get(), IDR_ROW_MENU);
    POINT pt = { GET_X_LPARAM(where), GET_Y_LPARAM(where) };
    if (where == static_cast<LPARAM>(-1))
        pt = g_pView->ContextMenuPoint();
    // Commands go the usual way: check and enable at WM_INITMENUPOPUP, then
    // WM_COMMAND to this window.
    ::TrackPopupMenu(::GetSubMenu(menu.get(), 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0,
                     m_hWnd, nullptr);
}

bool CMainFrame::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    if (id == ID_SYSLOG_FORWARD)
        return Handle(code, pUI, [&] { OnSyslogForward(); }, [&](CCmdUI& ui) {
            ui.SetCheck(g_pView && g_pView->SyslogForwarding() ? 1 : 0);
        });
    if (id >= ID_LANGUAGE_DEFAULT && id <= ID_LANGUAGE_LAST) {
        if (id > g_nLastLanguageId)
            return false;
        return Handle(code, pUI, [&] { OnLanguage(id); },
                      [&](CCmdUI& ui) { ui.SetRadio(id == g_nCheckedLanguageId); });
    }
    if (OnWindowOptionCmd(id, code, pUI))
        return true;
    return CFrameWnd::OnCmdMsg(id, code, pUI);
}

void CMainFrame::OnLanguage(UINT id)
{
    HMENU menu = ::GetMenu(m_hWnd);
    UINT state = ::GetMenuState(menu, id, MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) || (state & MF_CHECKED))
        return;
    SwitchLanguage(id);
}

void CMainFrame::SwitchLanguage(UINT id)
{
    HMENU menu = ::GetMenu(m_hWnd);
    ApplyLanguage(menu, id);
    TranslateMenu(menu, IDR_MAINFRAME);
    ::DrawMenuBar(m_hWnd);
    ::SendMessageW(m_hWnd, WM_MENUSELECT, MAKEWPARAM(id, 0), 0);
}

// ---------------------------------------------------- filter persistence --

static std::wstring FilterSettingsPath(bool forReading = false)
{
    return SettingsFilePath(L"param.ini", forReading);
}

void CMainFrame::LoadFilterSettings()
{
    m_pIniFile = std::make_unique<IniFile>(FilterSettingsPath(true));
    if (!m_pIniFile->Load())
        return;
    ExchangeFilterSettings(false);
}

bool CMainFrame::ExchangeFilterSettings(bool save)
{
    if (!m_pIniFile)
        return false;
    std::wstring include, exclude;
    if (save && g_pView)
        g_pView->m_filter.GetFilters(include, exclude);
    IniSection* section = m_pIniFile->GetSection(L"Filter");
    if (save) {
        std::wstring stored;
        if (!m_bFilterLoaded || include != m_loadedInclude || !section->GetValue(L"include", stored))
            section->SetValue(L"include", include);
        if (!m_bFilterLoaded || exclude != m_loadedExclude || !section->GetValue(L"exclude", stored))
            section->SetValue(L"exclude", exclude);
    } else {
        section->GetValue(L"include", include);
        section->GetValue(L"exclude", exclude);
        if (g_pView) {
            g_pView->m_filter.SetFilters(include.c_str(), exclude.c_str());
            g_pView->m_filter.GetFilters(m_loadedInclude, m_loadedExclude);
            m_bFilterLoaded = true;
        }
    }
    return true;
}

void CMainFrame::SaveFilterSettings()
{
    ExchangeFilterSettings(true);
    if (!m_pIniFile)
        return;
    m_pIniFile->SetPath(FilterSettingsPath());
    m_pIniFile->Save();
}

// ----------------------------------------------------- forwarding to syslog --

void CMainFrame::OnSyslogForward()
{
    CSyslogDlg dlg;
    dlg.m_settings = ReadSyslogSettings();
    if (g_pView && g_pView->SyslogForwarding())
        dlg.m_settings = g_pView->SyslogForwarding()->GetSettings();
    if (dlg.DoModal() != IDOK)
        return;
    WriteSyslogSettings(dlg.m_settings);
    ApplySyslogSettings(dlg.m_settings);
}

void CMainFrame::ApplySyslogSettings(const orlix::syslog::Settings& settings)
{
    if (g_pView)
        g_pView->SetSyslogForwarding(settings);
    bool on = g_pView && g_pView->SyslogForwarding();
    if (on)
        ::SetTimer(m_hWnd, kSyslogPaneTimer, kSyslogPaneMs, nullptr);
    else
        ::KillTimer(m_hWnd, kSyslogPaneTimer);
    UpdateSyslogPane();
}

// While forwarding is on, a second pane at the right counts the lines the
// full queue turned away; with it off, the status bar is the one message pane.
void CMainFrame::UpdateSyslogPane()
{
    HWND bar = m_statusBar.m_hWnd;
    if (!bar)
        return;
    const orlix::SyslogForwarder* fwd = g_pView ? g_pView->SyslogForwarding() : nullptr;
    if (!fwd) {
        if (m_bSyslogPane) {
            int parts[1] = { -1 };
            ::SendMessageW(bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
            m_bSyslogPane = false;
        }
        return;
    }
    RECT rc = {};
    ::GetClientRect(bar, &rc);
    int parts[2] = { rc.right > kSyslogPaneWidth * 2 ? rc.right - kSyslogPaneWidth : rc.right / 2,
                     -1 };
    ::SendMessageW(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    m_bSyslogPane = true;
    std::wstring text = AfxLoadUIString(IDS_SYSLOG_PANE);
    size_t at = text.find(L"%1");
    std::wstring count = std::to_wstring(fwd->Dropped());
    if (at != std::wstring::npos)
        text.replace(at, 2, count);
    else
        text += L" " + count;
    wchar_t current[256] = {};
    if (::SendMessageW(bar, SB_GETTEXTLENGTHW, 1, 0) < 256)
        ::SendMessageW(bar, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(current));
    if (text != current)
        ::SendMessageW(bar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(text.c_str()));
}
