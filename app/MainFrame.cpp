#include "app/MainFrame.h"
#include "app/FollowCommands.h"
#include "app/SyslogSettings.h"
#include "view/OrlixView.h"
#include "view/SyslogDlg.h"
#include "settings/OptionsFile.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "framework/Theme.h"
#include "i18n/Language.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <windowsx.h>

const wchar_t kMainFrameClass[] = L"Kesto-Orlix";
const wchar_t kMainFrameTitle[] = L"Orlix";

namespace {
const UINT kIndicators[] = { 0 /* the message pane */ };
// The tab labels' row counts and the filter box's count follow this often.
const UINT_PTR kViewsTimer = 0x5351;
const UINT kViewsMs = 400;

} // namespace

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
    UpdateStatusPanes();
    ::DragAcceptFiles(m_hWnd, TRUE);
    return 0;
}

void CMainFrame::AttachViews()
{
    if (auto* first = dynamic_cast<COrlixView*>(GetActiveView())) {
        m_filterBox.Create(m_hWnd);
        m_timeline.Create(m_hWnd);
        m_views.Attach(this, first);
        ActiveViewChanged();
        if (orlix::ReadIntOption(L"View", L"Theme", 0, 0, 2))
            ApplyTheme();
        if (orlix::ReadIntOption(L"View", L"Timeline", 0, 0, 1)) {
            m_timeline.Show(true);
            RecalcLayout();
        }
        ::SetTimer(m_hWnd, kViewsTimer, kViewsMs, nullptr);
    }
}

void CMainFrame::ActiveViewChanged()
{
    m_filterBox.SetView(ActiveListView());
    m_timeline.SetView(ActiveListView());
}

COrlixView* CMainFrame::ActiveListView() const
{
    return dynamic_cast<COrlixView*>(GetActiveView());
}

void CMainFrame::LayoutAboveView(RECT& area)
{
    m_views.Layout(area);
    m_filterBox.Layout(area);
    m_timeline.Layout(area);
}

// View › Timeline: every view keeps its counts while the strip shows (the
// active one at once, the others when they are shown), none while it is off.
void CMainFrame::OnTimeline()
{
    const bool on = !m_timeline.Visible();
    m_timeline.Show(on);
    if (!on)
        for (size_t i = 0; i < m_views.Count(); ++i)
            m_views.View(i)->KeepTimeline(false);
    orlix::WriteIntOption(L"View", L"Timeline", on ? 1 : 0);
    RecalcLayout();
}

// View › Theme ([View] Theme: 0 light, 1 dark, 2 as Windows has it): every
// part of the window and the dialogs opened from now on take the colours;
// highlight colours stay as chosen.
void CMainFrame::ApplyTheme()
{
    const int mode = orlix::ReadIntOption(L"View", L"Theme", 0, 0, 2);
    fw::SetDarkColours(mode == 1 || (mode == 2 && fw::SystemPrefersDark()));
    fw::DarkenTitleBar(m_hWnd);
    m_toolBar.ApplyColours();
    for (size_t i = 0; i < m_views.Count(); ++i)
        m_views.View(i)->ApplyColours();
    ::RedrawWindow(m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CMainFrame::OnDpiChanged(UINT dpi, const RECT* suggested)
{
    const UINT old = GetDpi() ? GetDpi() : fw::kBaseDpi;
    m_views.OnDpiChanged(old, dpi);
    CFrameWnd::OnDpiChanged(dpi, suggested);
}

void CMainFrame::OnDestroy()
{
    ::KillTimer(m_hWnd, kStatusPaneTimer);
    ::KillTimer(m_hWnd, kViewsTimer);
    m_views.Detach();
    SaveWindowPlacement();
    SaveFilterSettings();
    m_pIniFile.reset();
    // The window goes: so do the capture's workers (at most a second's wait).
    if (orlix::Capture* capture = TheCapture())
        capture->Shutdown();
    CFrameWnd::OnDestroy();
}

orlix::Capture* CMainFrame::TheCapture() const
{
    auto* owner = dynamic_cast<orlix::ICaptureOwner*>(m_pNewDoc ? m_pNewDoc : GetActiveDocument());
    return owner ? &owner->GetCapture() : nullptr;
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
        // Straight to the capture's intake, as the view's own WM_SETTEXT
        // does: under Wine a message sent on to the list costs several times
        // the intake.
        if (orlix::Capture* capture = TheCapture()) {
            capture->Intake(static_cast<uint32_t>(wParam), reinterpret_cast<const wchar_t*>(lParam));
            return 0;
        }
        return ::SendMessageW(view->m_hWnd, WM_SETTEXT, wParam, lParam);
    }
    case WM_GETMINMAXINFO: {
        // Room for the toolbar and the start of the message column.
        auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
        mm->ptMinTrackSize.x = 360;
        mm->ptMinTrackSize.y = 200;
        // Wide enough for the columns left of the message column and the
        // start of its text, within two thirds of the screen.
        RECT outer = {}, list = {};
        COrlixView* shown = ActiveListView();
        if (shown && shown->m_hWnd && ::GetWindowRect(m_hWnd, &outer) &&
            ::GetClientRect(shown->m_hWnd, &list)) {
            const UINT dpi = fw::WindowDpi(m_hWnd);
            int wanted = (outer.right - outer.left) - list.right + shown->Columns().WidthBeforeMessage() +
                         fw::ScaleForDpi(100, dpi);
            MONITORINFO mi = { sizeof(mi) };
            if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &mi))
                wanted = (std::min)(wanted, static_cast<int>(mi.rcWork.right - mi.rcWork.left) * 2 / 3);
            mm->ptMinTrackSize.x = (std::max)(static_cast<int>(mm->ptMinTrackSize.x), wanted);
        }
        return 0;
    }
    case WM_MENUSELECT: {
        UINT id = LOWORD(wParam);
        // A menu closed: back to the idle text (with the details on).
        if (m_bStatusDetails && HIWORD(wParam) == 0xFFFF && lParam == 0) {
            SetMessageText(AFX_IDS_IDLEMESSAGE);
            return 1;
        }
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
        if (wParam == kStatusPaneTimer) {
            UpdateStatusPanes();
            return 0;
        }
        if (wParam == kViewsTimer) {
            m_views.Refresh();
            m_filterBox.Refresh();
            m_timeline.Refresh();
            return 0;
        }
        break;
    case WM_SIZE: {
        LRESULT r = CFrameWnd::WindowProc(msg, wParam, lParam);
        if (m_nStatusParts > 1)
            UpdateStatusPanes();
        return r;
    }
    case WM_NOTIFY: {
        LRESULT r = 0;
        if (m_views.OnTabNotify(reinterpret_cast<NMHDR*>(lParam), &r)) {
            ActiveViewChanged();
            return r;
        }
        break;
    }
    case WM_COMMAND:
        if (m_filterBox.OnCommand(wParam, lParam))
            return 0;
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:   // the filter box's parts
        if (HBRUSH b = fw::DarkControlColour(msg, reinterpret_cast<HDC>(wParam)))
            return reinterpret_cast<LRESULT>(b);
        break;
    case WM_ERASEBKGND:
        if (fw::DarkColours()) {
            RECT rc;
            ::GetClientRect(m_hWnd, &rc);
            ::FillRect(reinterpret_cast<HDC>(wParam), &rc, fw::FaceBrush());
            return 1;
        }
        break;
    case WM_SETTINGCHANGE:
        if (lParam && !lstrcmpW(reinterpret_cast<LPCWSTR>(lParam), L"ImmersiveColorSet"))
            ApplyTheme();
        break;
    case WM_DROPFILES:
        CFollowCommands::OnDropFiles(reinterpret_cast<HDROP>(wParam), TheCapture());
        return 0;
    case WM_INITMENUPOPUP:
        m_views.UpdateRecentMenu(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_CONTEXTMENU:
        // The list's row menu (right click, Shift+F10, the menu key).
        if (ActiveListView() && reinterpret_cast<HWND>(wParam) == ActiveListView()->m_hWnd) {
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
        pt = ActiveListView()->ContextMenuPoint();
    // Commands go the usual way: check and enable at WM_INITMENUPOPUP, then
    // WM_COMMAND to this window.
    ::TrackPopupMenu(::GetSubMenu(menu.get(), 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0,
                     m_hWnd, nullptr);
}

bool CMainFrame::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    if (id == ID_VIEW_FILTER_BOX)
        return Handle(code, pUI, [&] {
            m_filterBox.SetView(ActiveListView());
            m_filterBox.Show(!m_filterBox.Visible());
            RecalcLayout();
        }, [&](CCmdUI& ui) { ui.SetCheck(m_filterBox.Visible() ? 1 : 0); });
    if (id >= ID_THEME_LIGHT && id <= ID_THEME_SYSTEM)
        return Handle(code, pUI, [&] {
            orlix::WriteIntOption(L"View", L"Theme", static_cast<int>(id - ID_THEME_LIGHT));
            ApplyTheme();
        }, [&](CCmdUI& ui) {
            ui.SetRadio(orlix::ReadIntOption(L"View", L"Theme", 0, 0, 2) ==
                        static_cast<int>(id - ID_THEME_LIGHT));
        });
    if (id == ID_VIEW_TIMELINE)
        return Handle(code, pUI, [&] { OnTimeline(); },
                      [&](CCmdUI& ui) { ui.SetCheck(m_timeline.Visible() ? 1 : 0); });
    if (m_views.OnCmdMsg(id, code, pUI)) {
        if (code == CN_COMMAND)
            ActiveViewChanged();
        return true;
    }
    if (id == ID_SYSLOG_FORWARD)
        return Handle(code, pUI, [&] { OnSyslogForward(); }, [&](CCmdUI& ui) {
            ui.SetCheck(TheCapture() && TheCapture()->SyslogForwarding() ? 1 : 0);
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
