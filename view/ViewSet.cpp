#include "view/ViewSet.h"
#include "view/ViewSettings.h"
#include "settings/OptionsFile.h"
#include "framework/Dialog.h"
#include "framework/Digits.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "framework/Handles.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <algorithm>
#include <windowsx.h>
#include <fstream>
#include <iterator>

namespace {

const wchar_t kSection[] = L"Views";
constexpr size_t kMaxViews = 32;
constexpr size_t kMaxRecent = 4;

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

std::wstring Key(const wchar_t* what, size_t view, size_t item = 0)
{
    std::wstring k = what + std::to_wstring(view + 1);
    if (item)
        k += L"_" + std::to_wstring(item);
    return k;
}

// A legacy highlight rule as a rule of a view.
orlix::ViewRule FromHighlight(const orlix::HighlightRule& h)
{
    orlix::ViewRule r;
    r.action = orlix::ViewRule::Action::Highlight;
    r.matchCase = h.matchCase;
    r.foreground = h.foreground;
    r.background = h.background;
    if (h.kind == orlix::HighlightRule::ProcessIs) {
        r.field = orlix::ViewRule::Field::Process;
        r.match = h.regex ? orlix::ViewRule::Match::Regex : orlix::ViewRule::Match::Equals;
        r.pattern = h.regex ? L"^(?:" + h.pattern + L")$" : h.pattern;
    } else {
        r.match = h.regex ? orlix::ViewRule::Match::Regex : orlix::ViewRule::Match::Contains;
        r.pattern = h.pattern;
    }
    return r;
}

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
    if (m_views.size() >= kMaxViews)
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
            copied.push_back(FromHighlight(h));
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
    }
    return ::DefSubclassProc(hwnd, msg, wParam, lParam);
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
                      [&](CCmdUI& ui) { ui.Enable(m_views.size() < kMaxViews); });
    case ID_VIEW_NEW_EMPTY:
        return Handle(code, pUI, [&] { NewView(false); },
                      [&](CCmdUI& ui) { ui.Enable(m_views.size() < kMaxViews); });
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

void CViewSet::OnSaveRules()
{
    COrlixView* v = Active();
    if (!v)
        return;
    const std::wstring filter = AfxLoadUIString(IDS_PRESET_FILTER);
    CFileDialog dlg(FALSE, L"orlixview", m_views[m_active].name.c_str(), OFN_HIDEREADONLY,
                    filter.c_str());
    if (dlg.DoModal() != IDOK)
        return;
    orlix::ViewPreset preset{ m_views[m_active].name, {} };
    for (const auto& h : v->Highlights().Rules())
        preset.rules.push_back(FromHighlight(h));
    for (const auto& r : v->Shown().Rules().Rules())
        preset.rules.push_back(r);
    const std::string bytes = orlix::FormatViewPreset(preset);
    const std::wstring path = dlg.GetPathName();
    fw::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD wrote = 0;
    const bool ok = file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                        &wrote, nullptr) && wrote == bytes.size() && file.close();
    if (!ok) {
        AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    AddRecent(path);
}

// A preset opens a view of its own with its rules (its name, or the file's).
void CViewSet::OnLoadRules(const std::wstring& path)
{
    std::string bytes;
    {
        fw::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size = {};
        if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (1 << 20)) {
            AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() &&
            (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
             got != bytes.size())) {
            AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    std::wstring error;
    auto preset = orlix::ParseViewPreset(bytes, &error);
    if (!preset) {
        AfxMessageBox(orlix::FillInserts(AfxLoadUIString(IDS_PRESET_BAD), { path, error }).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    std::wstring name = preset->name;
    if (name.empty()) {
        name = path.substr(path.find_last_of(L"\\/") + 1);
        name = name.substr(0, name.rfind(L'.'));
    }
    NewView(false, name, &preset->rules);
    AddRecent(path);
}

void CViewSet::AddRecent(const std::wstring& path)
{
    m_recent.erase(std::remove(m_recent.begin(), m_recent.end(), path), m_recent.end());
    m_recent.insert(m_recent.begin(), path);
    if (m_recent.size() > kMaxRecent)
        m_recent.resize(kMaxRecent);
    Save();
}

void CViewSet::UpdateRecentMenu(HMENU popup) const
{
    if (!popup || ::GetMenuState(popup, ID_PRESET_RECENT_FIRST, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return;
    if (m_recent.empty())
        return;   // the one "(none)" item stays, greyed by its update
    while (::GetMenuItemCount(popup) > 0)
        ::DeleteMenu(popup, 0, MF_BYPOSITION);
    for (size_t i = 0; i < m_recent.size(); ++i) {
        std::wstring text = L"&" + std::to_wstring(i + 1) + L" " + m_recent[i];
        ::AppendMenuW(popup, MF_STRING, ID_PRESET_RECENT_FIRST + i, text.c_str());
    }
}

void CViewSet::Save() const
{
    bool worth = m_kept || m_views.size() > 1 || !m_recent.empty();
    for (const Entry& e : m_views)
        worth = worth || !e.view->Shown().Rules().Empty();
    if (!worth)
        return;
    m_kept = true;   // written once, the section follows every change after
    orlix::ClearOptionSection(kSection);
    orlix::WriteIntOption(kSection, L"Count", static_cast<int>(m_views.size()));
    orlix::WriteIntOption(kSection, L"Active", static_cast<int>(m_active));
    for (size_t i = 0; i < m_views.size(); ++i) {
        const COrlixView* v = m_views[i].view;
        orlix::WriteTextOption(kSection, Key(L"Name", i).c_str(), m_views[i].name);
        const auto& rules = v->Shown().Rules().Rules();
        orlix::WriteIntOption(kSection, Key(L"Rules", i).c_str(), static_cast<int>(rules.size()));
        for (size_t j = 0; j < rules.size(); ++j)
            orlix::WriteTextOption(kSection, Key(L"Rule", i, j + 1).c_str(),
                                   orlix::FormatViewRule(rules[j]));
        if (i == 0)
            continue;   // the first view's highlight rules are [Highlight]
        const auto& highlights = v->Highlights().Rules();
        orlix::WriteIntOption(kSection, Key(L"Highlights", i).c_str(),
                              static_cast<int>(highlights.size()));
        for (size_t j = 0; j < highlights.size(); ++j)
            orlix::WriteTextOption(kSection, Key(L"Highlight", i, j + 1).c_str(),
                                   orlix::FormatRule(highlights[j]));
    }
    for (size_t i = 0; i < m_recent.size(); ++i)
        orlix::WriteTextOption(kSection, Key(L"Recent", i).c_str(), m_recent[i]);
}

void CViewSet::Load()
{
    const int count = orlix::ReadIntOption(kSection, L"Count", 0, 0, static_cast<int>(kMaxViews));
    m_kept = count > 0;
    for (size_t i = 0; i < kMaxRecent; ++i) {
        std::wstring path = orlix::ReadTextOption(kSection, Key(L"Recent", i).c_str());
        if (!path.empty())
            m_recent.push_back(path);
    }
    auto readRules = [](size_t i) {
        std::vector<orlix::ViewRule> rules;
        const int n = orlix::ReadIntOption(kSection, Key(L"Rules", i).c_str(), 0, 0,
                                           static_cast<int>(orlix::ViewRuleSet::kMaxRules));
        for (int j = 1; j <= n; ++j)
            if (auto r = orlix::ParseViewRule(orlix::ReadTextOption(kSection, Key(L"Rule", i, j).c_str())))
                if (orlix::ViewRuleSet::CheckRule(*r) != orlix::ViewRuleSet::Check::TooComplex)
                    rules.push_back(*r);
        return rules;
    };
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        std::wstring name = orlix::ReadTextOption(kSection, Key(L"Name", i).c_str());
        std::vector<orlix::ViewRule> rules = readRules(i);
        if (i == 0) {
            if (!name.empty())
                m_views[0].name = name;
            if (!rules.empty())
                m_views[0].view->SetViewRules(std::move(rules));
            continue;
        }
        COrlixView* view = MakeView();
        if (!view)
            break;
        if (!rules.empty())
            view->SetViewRules(std::move(rules));
        std::vector<orlix::HighlightRule> highlights;
        const int h = orlix::ReadIntOption(kSection, Key(L"Highlights", i).c_str(), 0, 0, 16);
        for (int j = 1; j <= h; ++j)
            if (auto r = orlix::ParseRule(orlix::ReadTextOption(kSection, Key(L"Highlight", i, j).c_str())))
                highlights.push_back(*r);
        if (!highlights.empty())
            view->ApplyHighlightRules(std::move(highlights));
        m_views.push_back({ view, name.empty() ? DefaultName() : name });
    }
    const int active = orlix::ReadIntOption(kSection, L"Active", 0, 0, static_cast<int>(kMaxViews));
    m_active = static_cast<size_t>(active) < m_views.size() ? static_cast<size_t>(active) : 0;
    if (m_views.size() > 1)
        ShowActive();
}
