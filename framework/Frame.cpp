#include "framework/Frame.h"
#include "framework/App.h"
#include "resources/resource.h"
#include <cstring>

namespace {
const UINT kRtToolbar = 241;
const UINT kRebarId = 0xE81B;

#pragma pack(push, 1)
struct ToolbarResource {
    WORD version;
    WORD width;
    WORD height;
    WORD count;
    // WORD ids[count] follow
};
#pragma pack(pop)
} // namespace

// ----------------------------------------------------------------- toolbar --

BOOL CToolBar::CreateEx(CWnd* parent, DWORD tbStyle, DWORD style, UINT id)
{
    m_hParent = parent->m_hWnd;
    m_hRebar = ::CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                     RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER | CCS_TOP,
                                 0, 0, 0, 0, m_hParent,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kRebarId)),
                                 AfxGetInstanceHandle(), nullptr);
    if (!m_hRebar)
        return FALSE;
    RECT rc = { 0, 0, 0, 0 };
    if (!CreateControl(0, TOOLBARCLASSNAMEW, nullptr,
                       style | tbStyle | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, rc,
                       m_hRebar, id))
        return FALSE;
    ::SendMessageW(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Notifications and commands go to the frame, not to the rebar.
    ::SendMessageW(m_hWnd, TB_SETPARENT, reinterpret_cast<WPARAM>(m_hParent), 0);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT id)
{
    HINSTANCE inst = AfxGetInstanceHandle();
    HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(kRtToolbar));
    HGLOBAL mem = res ? ::LoadResource(inst, res) : nullptr;
    auto* data = mem ? static_cast<const ToolbarResource*>(::LockResource(mem)) : nullptr;
    if (!data || ::SizeofResource(inst, res) < sizeof(ToolbarResource) || data->version != 1)
        return FALSE;
    if (::SizeofResource(inst, res) < sizeof(ToolbarResource) + data->count * sizeof(WORD))
        return FALSE;
    const WORD* ids = reinterpret_cast<const WORD*>(data + 1);
    m_sizeImage = { data->width, data->height };
    ::SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(data->width, data->height));
    int images = 0;
    for (int i = 0; i < data->count; ++i)
        if (ids[i])
            ++images;
    TBADDBITMAP ab = { inst, id };
    int first = static_cast<int>(::SendMessageW(m_hWnd, TB_ADDBITMAP, images,
                                                reinterpret_cast<LPARAM>(&ab)));
    if (first < 0)
        return FALSE;
    std::vector<TBBUTTON> buttons(data->count);
    int image = first;
    for (int i = 0; i < data->count; ++i) {
        TBBUTTON& b = buttons[i];
        std::memset(&b, 0, sizeof(b));
        if (ids[i] == 0) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = 6;
        } else {
            b.idCommand = ids[i];
            b.iBitmap = image++;
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        }
    }
    if (!::SendMessageW(m_hWnd, TB_ADDBUTTONSW, buttons.size(),
                        reinterpret_cast<LPARAM>(buttons.data())))
        return FALSE;
    ::SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    SIZE sz = {};
    ::SendMessageW(m_hWnd, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&sz));
    DWORD bs = static_cast<DWORD>(::SendMessageW(m_hWnd, TB_GETBUTTONSIZE, 0, 0));
    REBARBANDINFOW band = {};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE;
    band.hwndChild = m_hWnd;
    band.cxMinChild = sz.cx;
    band.cyMinChild = HIWORD(bs) > sz.cy ? HIWORD(bs) : sz.cy;
    band.cx = sz.cx + 16;
    band.cxIdeal = sz.cx;
    return ::SendMessageW(m_hRebar, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(&band)) != 0;
}

int CToolBar::GetButtonCount() const
{
    return static_cast<int>(::SendMessageW(m_hWnd, TB_BUTTONCOUNT, 0, 0));
}

int CToolBar::CommandToIndex(UINT id) const
{
    return static_cast<int>(::SendMessageW(m_hWnd, TB_COMMANDTOINDEX, id, 0));
}

void CToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const
{
    TBBUTTON b = {};
    if (!::SendMessageW(m_hWnd, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b))) {
        id = 0;
        style = 0;
        image = -1;
        return;
    }
    id = static_cast<UINT>(b.idCommand);
    style = b.fsStyle;
    image = b.iBitmap;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image)
{
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_BYINDEX | TBIF_COMMAND | TBIF_STYLE | TBIF_IMAGE;
    info.idCommand = static_cast<int>(id);
    info.fsStyle = static_cast<BYTE>(style);
    info.iImage = image;
    ::SendMessageW(m_hWnd, TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

int CToolBar::AddBitmap(int count, HBITMAP bmp)
{
    TBADDBITMAP ab = { nullptr, reinterpret_cast<UINT_PTR>(bmp) };
    return static_cast<int>(::SendMessageW(m_hWnd, TB_ADDBITMAP, count,
                                           reinterpret_cast<LPARAM>(&ab)));
}

int CToolBar::GetHeight() const
{
    if (!m_hRebar || !::IsWindowVisible(m_hRebar))
        return 0;
    RECT rc;
    ::GetWindowRect(m_hRebar, &rc);
    return rc.bottom - rc.top;
}

void CToolBar::Show(bool show)
{
    if (m_hRebar)
        ::ShowWindow(m_hRebar, show ? SW_SHOWNA : SW_HIDE);
}

bool CToolBar::IsVisible() const
{
    return m_hRebar && (::GetWindowLongW(m_hRebar, GWL_STYLE) & WS_VISIBLE);
}

// -------------------------------------------------------------- status bar --

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id)
{
    RECT rc = { 0, 0, 0, 0 };
    return CreateControl(0, STATUSCLASSNAMEW, nullptr, style | SBARS_SIZEGRIP, rc,
                         parent->m_hWnd, id);
}

BOOL CStatusBar::SetIndicators(const UINT* /*ids*/, int count)
{
    if (count < 1)
        return FALSE;
    // Only the message pane is used: one part that takes the whole width.
    int parts[1] = { -1 };
    return ::SendMessageW(m_hWnd, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts)) != 0;
}

void CStatusBar::SetText(LPCWSTR text)
{
    ::SendMessageW(m_hWnd, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text));
}

int CStatusBar::GetHeight() const
{
    if (!m_hWnd || !::IsWindowVisible(m_hWnd))
        return 0;
    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    return rc.bottom - rc.top;
}

// ------------------------------------------------------------------- frame --

CFrameWnd::CFrameWnd() = default;
CFrameWnd::~CFrameWnd() = default;

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
    cs.hMenu = ::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id));
    cs.lpszName = m_strTitle.c_str();
    if (!PreCreateWindow(cs)) {
        if (cs.hMenu)
            ::DestroyMenu(cs.hMenu);
        return FALSE;
    }
    m_hAccel = ::LoadAcceleratorsW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(id));
    if (CWinApp* app = AfxGetApp())
        app->m_pMainWnd = this;
    if (!CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                  nullptr, cs.hMenu)) {
        // WM_CREATE failed: the window and this object are gone already.
        if (CWinApp* app = AfxGetApp())
            app->m_pMainWnd = nullptr;
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
    m_pViewActive = view;
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

void CFrameWnd::OnViewActiveViewGone(CView* view)
{
    if (m_pViewActive == view)
        m_pViewActive = nullptr;
}

void CFrameWnd::PostNcDestroy()
{
    if (CWinApp* app = AfxGetApp()) {
        if (app->m_pMainWnd == this) {
            app->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
    }
    if (m_pTemplate)
        m_pTemplate->OnFrameDestroyed();
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
    std::wstring s = AfxLoadString(id);
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
    if (m_pViewActive && m_pViewActive->m_hWnd)
        ::MoveWindow(m_pViewActive->m_hWnd, 0, top, rc.right, bottom > top ? bottom - top : 0,
                     TRUE);
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
    CWinApp* app = AfxGetApp();
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
    CWinApp* app = AfxGetApp();
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
        tip = PromptFor(static_cast<UINT>(nm->idFrom));
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
        return OnCreate(reinterpret_cast<LPCREATESTRUCTW>(lParam));
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
