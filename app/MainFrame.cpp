#include "app/MainFrame.h"
#include "capture/OrlixView.h"
#include "i18n/Language.h"
#include "resources/resource.h"

const wchar_t kMainFrameClass[] = L"Kesto-Orlix";
const wchar_t kMainFrameTitle[] = L"Orlix";

namespace {
const UINT kIndicators[] = { 0 /* the message pane */ };
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
    NoteStartPlacement();
    return 0;
}

void CMainFrame::OnDestroy()
{
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
    }
    return CFrameWnd::WindowProc(msg, wParam, lParam);
}

bool CMainFrame::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
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

static std::wstring FilterSettingsPath()
{
    return GetModuleDirectory() + L"param.ini";
}

void CMainFrame::LoadFilterSettings()
{
    m_pIniFile = std::make_unique<IniFile>(FilterSettingsPath());
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
        section->SetValue(L"include", include);
        section->SetValue(L"exclude", exclude);
    } else {
        section->GetValue(L"include", include);
        section->GetValue(L"exclude", exclude);
        if (g_pView)
            g_pView->m_filter.SetFilters(include.c_str(), exclude.c_str());
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
