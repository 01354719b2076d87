#include "framework/Frame.h"
#include "framework/AfxRes.h"
#include "framework/AfxState.h"
#include "framework/Dpi.h"

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd()
{
    if (m_pViewActive)
        m_pViewActive->SetParentFrame(nullptr);
}

void CFrameWnd::SetActiveView(CView* view)
{
    if (m_pViewActive && m_pViewActive != view && m_pViewActive->GetParentFrame() == this)
        m_pViewActive->SetParentFrame(nullptr);
    m_pViewActive = view;
    if (view)
        view->SetParentFrame(this);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    HICON icon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIDResource));
    RegisterWndClass(L"FwFrame", CS_DBLCLKS, icon, ::LoadCursorW(nullptr, IDC_ARROW),
                     reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    cs.lpszClass = L"FwFrame";
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT id, DWORD style)
{
    m_nIDResource = id;
    std::wstring doc = AfxLoadString(id);
    m_strTitle = doc.substr(0, doc.find(L'\n'));
    CREATESTRUCTW cs = {};
    cs.style = style;
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    fw::UniqueMenu menu(::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id)));
    cs.hMenu = menu.get();
    cs.lpszName = m_strTitle.c_str();
    if (!PreCreateWindow(cs))
        return FALSE;
    // From here the window owns the menu (and destroys it when it goes).
    menu.release();
    m_hAccel = ::LoadAcceleratorsW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id));
    AfxModuleState& state = AfxGetModuleState();
    state.pMainWnd = this;
    if (!CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                  nullptr, cs.hMenu)) {
        // WM_CREATE failed: the window and this object are gone already.
        state.pMainWnd = nullptr;
        return FALSE;
    }
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCTW)
{
    if (!m_pNewView)
        return 0;
    CView* view = m_pNewView();
    view->AttachDocument(m_pNewDoc);
    if (!view->CreateView(m_hWnd, AFX_IDW_PANE_FIRST)) {
        delete view;
        return -1;
    }
    SetActiveView(view);
    return 0;
}

void CFrameWnd::OnDestroy() {}

void CFrameWnd::InitialUpdateFrame(CDocument*)
{
    if (m_pViewActive)
        m_pViewActive->OnInitialUpdate();
    OnUpdateFrameTitle();
    RecalcLayout();
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
}

void CFrameWnd::PostNcDestroy()
{
    AfxModuleState& state = AfxGetModuleState();
    if (state.pMainWnd == this) {
        state.pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    if (m_onDestroyed)
        m_onDestroyed();
    delete this;
}

void CFrameWnd::SetMessageText(LPCWSTR text)
{
    if (m_pStatusBar && m_pStatusBar->m_hWnd)
        m_pStatusBar->SetText(text);
}

void CFrameWnd::SetMessageText(UINT id)
{
    SetMessageText(PromptFor(id).c_str());
}

std::wstring CFrameWnd::PromptFor(UINT id) const
{
    std::wstring s = AfxLoadUIString(id);
    return s.substr(0, s.find(L'\n'));
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    int top = 0, bottom = rc.bottom;
    if (m_pToolBar && m_pToolBar->GetRebar() && m_pToolBar->IsVisible()) {
        ::SendMessageW(m_pToolBar->GetRebar(), WM_SIZE, 0, 0);
        ::MoveWindow(m_pToolBar->GetRebar(), 0, 0, rc.right, m_pToolBar->GetHeight(), TRUE);
        top = m_pToolBar->GetHeight();
    }
    if (m_pStatusBar && m_pStatusBar->m_hWnd && ::IsWindowVisible(m_pStatusBar->m_hWnd)) {
        ::SendMessageW(m_pStatusBar->m_hWnd, WM_SIZE, 0, 0);
        bottom -= m_pStatusBar->GetHeight();
    }
    RECT area = { 0, top, rc.right, bottom > top ? bottom : top };
    LayoutAboveView(area);
    top = area.top;
    if (m_pViewActive && m_pViewActive->m_hWnd)
        ::MoveWindow(m_pViewActive->m_hWnd, 0, top, rc.right, bottom > top ? bottom - top : 0,
                     TRUE);
}

void CFrameWnd::OnDpiChanged(UINT dpi, const RECT* suggested)
{
    if (dpi == 0)
        return;
    UINT old = m_nDpi ? m_nDpi : fw::kBaseDpi;
    m_nDpi = dpi;
    if (m_pToolBar && m_pToolBar->m_hWnd)
        m_pToolBar->SetDpi(dpi);
    if (m_pStatusBar && m_pStatusBar->m_hWnd)
        m_pStatusBar->SetDpi(dpi);
    if (m_pViewActive && m_pViewActive->m_hWnd)
        m_pViewActive->OnDpiChanged(old, dpi);
    if (suggested)
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top,
                       suggested->right - suggested->left, suggested->bottom - suggested->top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    RecalcLayout();
}

bool CFrameWnd::RouteUpdate(CCmdUI& ui)
{
    if (m_pViewActive && m_pViewActive->OnCmdMsg(ui.m_nID, CN_UPDATE_COMMAND_UI, &ui))
        return true;
    if (CDocument* doc = GetActiveDocument())
        if (doc->OnCmdMsg(ui.m_nID, CN_UPDATE_COMMAND_UI, &ui))
            return true;
    if (OnCmdMsg(ui.m_nID, CN_UPDATE_COMMAND_UI, &ui))
        return true;
    CCmdTarget* app = AfxGetModuleState().pApp;
    return app && app->OnCmdMsg(ui.m_nID, CN_UPDATE_COMMAND_UI, &ui);
}

bool CFrameWnd::RouteCommand(UINT id)
{
    CCmdUI ui(id);
    if (!RouteUpdate(ui) || !ui.m_bEnabled)
        return false; // no handler, or disabled: the command does nothing
    bool done = RunCommand(id);
    // A command may change what the toolbar shows; a command that arrived
    // as a sent message would not wake the idle update by itself.
    if (m_hWnd)
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    return done;
}

bool CFrameWnd::RunCommand(UINT id)
{
    if (m_pViewActive && m_pViewActive->OnCmdMsg(id, CN_COMMAND, nullptr))
        return true;
    if (CDocument* doc = GetActiveDocument())
        if (doc->OnCmdMsg(id, CN_COMMAND, nullptr))
            return true;
    if (OnCmdMsg(id, CN_COMMAND, nullptr))
        return true;
    CCmdTarget* app = AfxGetModuleState().pApp;
    return app && app->OnCmdMsg(id, CN_COMMAND, nullptr);
}

bool CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    switch (id) {
    case ID_VIEW_TOOLBAR:
        if (!m_pToolBar)
            return false;
        return Handle(code, pUI, [&] {
            m_pToolBar->Show(!m_pToolBar->IsVisible());
            RecalcLayout();
        }, [&](CCmdUI& ui) { ui.SetCheck(m_pToolBar->IsVisible()); });
    case ID_VIEW_STATUS_BAR:
        if (!m_pStatusBar || !m_pStatusBar->m_hWnd)
            return false;
        return Handle(code, pUI, [&] {
            bool vis = ::IsWindowVisible(m_pStatusBar->m_hWnd) != FALSE;
            ::ShowWindow(m_pStatusBar->m_hWnd, vis ? SW_HIDE : SW_SHOWNA);
            RecalcLayout();
        }, [&](CCmdUI& ui) { ui.SetCheck(::IsWindowVisible(m_pStatusBar->m_hWnd)); });
    }
    return false;
}

void CFrameWnd::UpdateMenuPopup(HMENU popup)
{
    int n = ::GetMenuItemCount(popup);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mi = { sizeof(mi) };
        mi.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STATE;
        if (!::GetMenuItemInfoW(popup, i, TRUE, &mi) || mi.hSubMenu || (mi.fType & MFT_SEPARATOR) ||
            mi.wID == 0)
            continue;
        CCmdUI ui(mi.wID);
        if (!RouteUpdate(ui))
            ui.m_bEnabled = false; // nobody handles it
        MENUITEMINFOW set = { sizeof(set) };
        set.fMask = MIIM_STATE | MIIM_FTYPE;
        set.fType = ui.m_bRadio ? (mi.fType | MFT_RADIOCHECK) : mi.fType;
        set.fState = (mi.fState & ~(MFS_CHECKED | MFS_DISABLED)) |
                     (ui.m_nCheck ? MFS_CHECKED : 0) | (ui.m_bEnabled ? 0 : MFS_DISABLED);
        ::SetMenuItemInfoW(popup, i, TRUE, &set);
    }
}

void CFrameWnd::OnIdleUpdateCmdUI()
{
    if (!m_pToolBar || !m_pToolBar->m_hWnd)
        return;
    HWND tb = m_pToolBar->m_hWnd;
    int n = m_pToolBar->GetButtonCount();
    m_lastButtonState.resize(n, { -1, -1 });
    for (int i = 0; i < n; ++i) {
        TBBUTTON b = {};
        if (!::SendMessageW(tb, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b)) ||
            (b.fsStyle & BTNS_SEP))
            continue;
        CCmdUI ui(static_cast<UINT>(b.idCommand));
        if (!RouteUpdate(ui))
            ui.m_bEnabled = false;
        std::pair<int, int> st(ui.m_bEnabled ? 1 : 0, ui.m_nCheck ? 1 : 0);
        if (m_lastButtonState[i] == st)
            continue;
        m_lastButtonState[i] = st;
        ::SendMessageW(tb, TB_ENABLEBUTTON, b.idCommand, MAKELPARAM(st.first, 0));
        ::SendMessageW(tb, TB_CHECKBUTTON, b.idCommand, MAKELPARAM(st.second, 0));
    }
}

LRESULT CFrameWnd::OnToolbarNotify(NMHDR* nm, bool* handled)
{
    *handled = true;
    switch (nm->code) {
    case TTN_GETDISPINFOW: {
        auto* di = reinterpret_cast<NMTTDISPINFOW*>(nm);
        static std::wstring tip;
        tip = TooltipFor(static_cast<UINT>(nm->idFrom));
        di->lpszText = const_cast<LPWSTR>(tip.c_str());
        di->hinst = nullptr;
        return 0;
    }
    case TBN_HOTITEMCHANGE: {
        auto* hi = reinterpret_cast<NMTBHOTITEM*>(nm);
        if (hi->dwFlags & HICF_LEAVING)
            SetMessageText(AFX_IDS_IDLEMESSAGE);
        else
            SetMessageText(static_cast<UINT>(hi->idNew));
        return 0;
    }
    }
    *handled = false;
    return 0;
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        m_nDpi = fw::WindowDpi(m_hWnd);
        return OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam));
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SIZE:
        RecalcLayout();
        return 0;
    case WM_SETFOCUS:
        if (m_pViewActive && m_pViewActive->m_hWnd)
            ::SetFocus(m_pViewActive->m_hWnd);
        return 0;
    case WM_CLOSE:
        DestroyWindow();
        return 0;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam))
            UpdateMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_MENUSELECT:
        if (HIWORD(wParam) == 0xFFFF && lParam == 0)
            SetMessageText(AFX_IDS_IDLEMESSAGE);
        else if (HIWORD(wParam) & (MF_POPUP | MF_SEPARATOR))
            SetMessageText(L"");
        else
            SetMessageText(LOWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lParam);
        if (m_pToolBar && nm->hwndFrom != nullptr &&
            (nm->hwndFrom == m_pToolBar->m_hWnd ||
             nm->hwndFrom == reinterpret_cast<HWND>(
                 ::SendMessageW(m_pToolBar->m_hWnd, TB_GETTOOLTIPS, 0, 0)))) {
            bool handled = false;
            LRESULT r = OnToolbarNotify(nm, &handled);
            if (handled)
                return r;
        }
        if (nm->code == RBN_HEIGHTCHANGE) {
            RecalcLayout();
            return 0;
        }
        break;
    }
    case WM_COMMAND: {
        HWND from = reinterpret_cast<HWND>(lParam);
        bool fromToolbar = m_pToolBar && from == m_pToolBar->m_hWnd;
        if (from && !fromToolbar) {
            LRESULT r = 0;
            if (ReflectToChild(msg, wParam, lParam, &r))
                return r;
            break;
        }
        RouteCommand(LOWORD(wParam));
        return 0;
    }
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
