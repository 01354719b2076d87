#include "view/ViewSet.h"
#include "view/ViewSettings.h"
#include "settings/OptionsFile.h"
#include "framework/Dialog.h"
#include "framework/Digits.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "framework/Handles.h"
#include "framework/Theme.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <algorithm>
#include <windowsx.h>
#include <fstream>
#include <iterator>

namespace {


class CRenameViewDlg : public CDialog {
public:
    explicit CRenameViewDlg(std::wstring name) : CDialog(IDD_RENAME_VIEW), m_name(std::move(name)) {}
    BOOL OnInitDialog() override
    {
        SetDlgItemText(IDC_VIEW_NAME, m_name);
        return TRUE;
    }
    void OnOK() override
    {
        m_name = GetDlgItemText(IDC_VIEW_NAME);
        CDialog::OnOK();
    }
    std::wstring m_name;
};

} // namespace

void CViewSet::Attach(CFrameWnd* frame, COrlixView* first)
{
    m_frame = frame;
    m_doc = first->GetDocument();
    m_views.push_back({ first, AfxLoadUIString(IDS_VIEW_FIRST_NAME) });
    first->m_onRulesChanged = [this] { Save(); };
    m_tabs = ::CreateWindowExW(0, WC_TABCONTROLW, L"",
                               WS_CHILD | WS_CLIPSIBLINGS | TCS_FOCUSNEVER | TCS_TOOLTIPS, 0, 0,
                               0, 0, frame->m_hWnd,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_VIEW_TABS)),
                               ::GetModuleHandleW(nullptr), nullptr);
    if (m_tabs) {
        ::SendMessageW(m_tabs, WM_SETFONT,
                       reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        ::SetWindowSubclass(m_tabs, TabProc, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    Load();
}

void CViewSet::Detach()
{
    Save();
    // The columns are shared: the first view keeps what the active one shows.
    if (m_active != 0 && m_active < m_views.size())
        m_views[0].view->Columns().ApplyLayout(m_views[m_active].view->Columns().CurrentColumnLayout());
    if (m_tabs)
        ::RemoveWindowSubclass(m_tabs, TabProc, 1);
    m_tabs = nullptr;
}

COrlixView* CViewSet::Active() const
{
    return m_active < m_views.size() ? m_views[m_active].view : nullptr;
}

COrlixView* CViewSet::MakeView()
{
    auto* view = new COrlixView;
    view->m_onRulesChanged = [this] { Save(); };
    view->AttachDocument(m_doc);
    const UINT id = AFX_IDW_PANE_FIRST + static_cast<UINT>(m_views.size());
    if (!view->CreateView(m_frame->m_hWnd, id)) {
        delete view;
        return nullptr;
    }
    ::ShowWindow(view->m_hWnd, SW_HIDE);
    view->OnInitialUpdate();
    if (COrlixView* active = Active())
        view->Columns().ApplyLayout(active->Columns().CurrentColumnLayout());
    return view;
}

std::wstring CViewSet::DefaultName() const
{
    return orlix::FillInserts(AfxLoadUIString(IDS_VIEW_NAME), { std::to_wstring(m_views.size() + 1) });
}

COrlixView* CViewSet::NewView(bool copyActive, std::wstring name,
                              const std::vector<orlix::ViewRule>* rules)
{
    if (m_views.size() >= CViewSet::kMaxViews)
        return nullptr;
    COrlixView* from = Active();
    COrlixView* view = MakeView();
    if (!view)
        return nullptr;
    std::vector<orlix::ViewRule> copied;
    if (rules) {
        copied = *rules;
    } else if (copyActive && from) {
        for (const auto& h : from->Highlights().Rules())
            copied.push_back(ViewRuleFromHighlight(h));
        for (const auto& r : from->Shown().Rules().Rules())
            copied.push_back(r);
    }
    if (!copied.empty())
        view->SetViewRules(std::move(copied));
    m_views.push_back({ view, name.empty() ? DefaultName() : std::move(name) });
    Activate(m_views.size() - 1);
    Save();
    return view;
}

bool CViewSet::CloseView(size_t i)
{
    if (m_views.size() < 2 || i >= m_views.size())
        return false;
    COrlixView* view = m_views[i].view;
    if (i == 0)   // the columns stay with the next first view
        m_views[1].view->Columns().ApplyLayout(view->Columns().CurrentColumnLayout());
    m_views.erase(m_views.begin() + i);
    if (g_pView == view)
        g_pView = m_views[0].view;
    m_active = m_active > i ? m_active - 1 : std::min(m_active, m_views.size() - 1);
    if (m_frame->GetActiveView() == view)
        m_frame->SetActiveView(nullptr);
    ::DestroyWindow(view->m_hWnd);
    ShowActive();
    Save();
    return true;
}

void CViewSet::Activate(size_t i)
{
    if (i >= m_views.size())
        return;
    COrlixView* old = Active();
    COrlixView* view = m_views[i].view;
    if (old && old != view)
        view->Columns().ApplyLayout(old->Columns().CurrentColumnLayout());
    m_active = i;
    ShowActive();
}

void CViewSet::ShowActive()
{
    COrlixView* view = Active();
    for (const Entry& e : m_views)
        if (e.view != view)
            ::ShowWindow(e.view->m_hWnd, SW_HIDE);
    m_frame->SetActiveView(view);
    UpdateTabs();
    m_frame->RecalcLayout();
    if (view) {
        ::ShowWindow(view->m_hWnd, SW_SHOW);
        view->FlushRows();
        ::SetFocus(view->m_hWnd);
    }
}

void CViewSet::Rename(size_t i, const std::wstring& name)
{
    if (i < m_views.size() && !name.empty()) {
        m_views[i].name = name;
        UpdateTabs();
        Save();
    }
}

void CViewSet::Move(size_t from, size_t to)
{
    if (from >= m_views.size() || to >= m_views.size() || from == to)
        return;
    Entry e = m_views[from];
    COrlixView* active = Active();
    m_views.erase(m_views.begin() + from);
    m_views.insert(m_views.begin() + to, e);
    for (size_t k = 0; k < m_views.size(); ++k)
        if (m_views[k].view == active)
            m_active = k;
    g_pView = m_views[0].view;
    UpdateTabs();
    Save();
}

void CViewSet::ShowInFirst(size_t storeRow)
{
    COrlixView* first = m_views[0].view;
    const orlix::RowView& shown = first->Shown();
    std::optional<size_t> item;
    // The row itself, or the nearest shown one before it (then after it).
    for (size_t r = storeRow + 1; r-- > 0 && !item;)
        item = shown.ToItem(r);
    if (!item && shown.Count())
        item = 0;
    Activate(0);
    if (item) {
        first->FlushRows();
        first->SelectItem(*item);
    }
}

void CViewSet::UpdateTabs()
{
    if (!m_tabs)
        return;
    const bool show = m_views.size() >= 2;
    int count = static_cast<int>(::SendMessageW(m_tabs, TCM_GETITEMCOUNT, 0, 0));
    while (count > static_cast<int>(m_views.size()))
        ::SendMessageW(m_tabs, TCM_DELETEITEM, --count, 0);
    const std::wstring format = AfxLoadUIString(IDS_VIEW_TAB);
    for (size_t i = 0; i < m_views.size(); ++i) {
        std::wstring text = orlix::FillInserts(format, { m_views[i].name,
                                                        std::to_wstring(m_views[i].view->DisplayCount()) });
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        wchar_t now[256] = {};
        TCITEMW cur = {};
        cur.mask = TCIF_TEXT;
        cur.pszText = now;
        cur.cchTextMax = 256;
        if (static_cast<int>(i) < count) {
            if (::SendMessageW(m_tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&cur)) &&
                text == now)
                continue;
            ::SendMessageW(m_tabs, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
        } else {
            ::SendMessageW(m_tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
    }
    if (static_cast<size_t>(::SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0)) != m_active)
        ::SendMessageW(m_tabs, TCM_SETCURSEL, m_active, 0);
    if ((::IsWindowVisible(m_tabs) != FALSE) != show) {
        ::ShowWindow(m_tabs, show ? SW_SHOW : SW_HIDE);
        m_frame->RecalcLayout();
    }
}

void CViewSet::Layout(RECT& area)
{
    if (!m_tabs || m_views.size() < 2)
        return;
    RECT rc = { 0, 0, area.right - area.left, 0 };
    ::SendMessageW(m_tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&rc));
    const int height = fw::ScaleForDpi(26, fw::WindowDpi(m_frame->m_hWnd));
    ::MoveWindow(m_tabs, area.left, area.top, area.right - area.left, height, TRUE);
    area.top += height;
}

void CViewSet::Refresh()
{
    if (m_views.size() >= 2)
        UpdateTabs();
}

void CViewSet::OnDpiChanged(UINT oldDpi, UINT newDpi)
{
    for (const Entry& e : m_views)
        if (e.view != Active())
            e.view->OnDpiChanged(oldDpi, newDpi);
}

bool CViewSet::OnTabNotify(NMHDR* nm, LRESULT* result)
{
    if (!m_tabs || nm->hwndFrom != m_tabs)
        return false;
    *result = 0;
    if (nm->code == TCN_SELCHANGE) {
        const int sel = static_cast<int>(::SendMessageW(m_tabs, TCM_GETCURSEL, 0, 0));
        if (sel >= 0)
            Activate(static_cast<size_t>(sel));
        return true;
    }
    return nm->code == TCN_SELCHANGING;
}

// Double-click renames; dragging a tab onto another puts it there.
LRESULT CALLBACK CViewSet::TabProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR data)
{
    auto* self = reinterpret_cast<CViewSet*>(data);
    TCHITTESTINFO hit = {};
    hit.pt = { GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) };
    switch (msg) {
    case WM_LBUTTONDBLCLK: {
        const int i = static_cast<int>(::SendMessageW(hwnd, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (i >= 0)
            self->OnRename(static_cast<size_t>(i));
        return 0;
    }
    case WM_LBUTTONDOWN:
        self->m_dragFrom = static_cast<int>(
            ::SendMessageW(hwnd, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        break;
    case WM_LBUTTONUP: {
        const int to = static_cast<int>(::SendMessageW(hwnd, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        const int from = self->m_dragFrom;
        self->m_dragFrom = -1;
        if (from >= 0 && to >= 0 && from != to) {
            self->Move(static_cast<size_t>(from), static_cast<size_t>(to));
            return 0;
        }
        break;
    }
    case WM_ERASEBKGND:
        if (fw::DarkColours())
            return 1;
        break;
    case WM_PAINT:
        if (fw::DarkColours()) {
            PaintDarkTabs(hwnd);
            return 0;
        }
        break;
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// The tabs in dark colours: the selected one lighter, each its label.
void CViewSet::PaintDarkTabs(HWND tabs)
{
    const fw::Colours& c = fw::CurrentColours();
    fw::DarkPaint paint(tabs);
    HDC dc = paint.dc();
    const int count = static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    const int selected = static_cast<int>(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r = {};
        ::SendMessageW(tabs, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        if (i == selected) {
            HBRUSH b = ::CreateSolidBrush(c.selectedTab);
            ::FillRect(dc, &r, b);
            ::DeleteObject(b);
        }
        ::MoveToEx(dc, r.right - 1, r.top + 2, nullptr);
        ::LineTo(dc, r.right - 1, r.bottom - 2);
        wchar_t text[160] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 160;
        ::SendMessageW(tabs, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        ::DrawTextW(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}

void CViewSet::OnRename(size_t i)
{
    if (i >= m_views.size())
        return;
    CRenameViewDlg dlg(m_views[i].name);
    if (dlg.DoModal() == IDOK)
        Rename(i, dlg.m_name);
}

bool CViewSet::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    auto many = [&](CCmdUI& ui) { ui.Enable(m_views.size() > 1); };
    switch (id) {
    case ID_VIEW_NEW:
        return Handle(code, pUI, [&] { NewView(true); },
                      [&](CCmdUI& ui) { ui.Enable(m_views.size() < CViewSet::kMaxViews); });
    case ID_VIEW_NEW_EMPTY:
        return Handle(code, pUI, [&] { NewView(false); },
                      [&](CCmdUI& ui) { ui.Enable(m_views.size() < CViewSet::kMaxViews); });
    case ID_VIEW_CLOSE:
        return Handle(code, pUI, [&] { CloseView(m_active); }, many);
    case ID_VIEW_RENAME:
        return Handle(code, pUI, [&] { OnRename(m_active); });
    case ID_VIEW_NEXT:
        return Handle(code, pUI, [&] { Activate((m_active + 1) % m_views.size()); }, many);
    case ID_VIEW_PREV:
        return Handle(code, pUI,
                      [&] { Activate((m_active + m_views.size() - 1) % m_views.size()); }, many);
    case ID_VIEW_SHOW_IN_FIRST:
        return Handle(code, pUI, [&] {
            COrlixView* v = Active();
            const int sel = v ? v->FirstSelectedItem() : -1;
            if (sel >= 0)
                ShowInFirst(v->StoreRow(static_cast<size_t>(sel)));
        }, [&](CCmdUI& ui) { ui.Enable(Active() && Active()->FirstSelectedItem() >= 0); });
    case ID_VIEW_OF_PROCESS:
        return Handle(code, pUI, [&] {
            COrlixView* v = Active();
            const int sel = v ? v->FirstSelectedItem() : -1;
            if (sel < 0)
                return;
            const size_t row = v->StoreRow(static_cast<size_t>(sel));
            orlix::ViewRule only;
            only.action = orlix::ViewRule::Action::Include;
            only.field = orlix::ViewRule::Field::Pid;
            only.match = orlix::ViewRule::Match::Equals;
            only.pattern = orlix::FormatPid(v->Rows().Pid(row));
            std::wstring name(v->Rows().Name(row));
            std::vector<orlix::ViewRule> rules{ only };
            NewView(false, name.empty() ? only.pattern : name + L" " + only.pattern, &rules);
        }, [&](CCmdUI& ui) { ui.Enable(Active() && Active()->FirstSelectedItem() >= 0); });
    case ID_VIEW_SAVE_RULES:
        return Handle(code, pUI, [&] { OnSaveRules(); });
    case ID_VIEW_LOAD_RULES:
        return Handle(code, pUI, [&] {
            const std::wstring filter = AfxLoadUIString(IDS_PRESET_FILTER);
            CFileDialog dlg(TRUE, L"orlixview", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                            filter.c_str());
            if (dlg.DoModal() == IDOK)
                OnLoadRules(dlg.GetPathName());
        });
    }
    if (id >= ID_PRESET_RECENT_FIRST && id <= ID_PRESET_RECENT_LAST) {
        const size_t n = id - ID_PRESET_RECENT_FIRST;
        return Handle(code, pUI, [&] {
            if (n < m_recent.size())
                OnLoadRules(m_recent[n]);
        }, [&](CCmdUI& ui) { ui.Enable(n < m_recent.size()); });
    }
    return false;
}
