// The view's everyday tools: find, highlight rules, quick filters by
// process, bookmarks, selecting and copying rows, a row's details. Each one
// changes nothing until the user turns to it; choices are kept in the
// settings file beside the executable ([Find], [Highlight]).
#include "view/FindDialogs.h"
#include "view/OrlixView.h"
#include "view/RowPainter.h"
#include "view/ViewRulesDialog.h"
#include "view/ViewSettings.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <algorithm>

namespace {


CFrameWnd* MainFrame()
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetMainFrame() : nullptr;
}

} // namespace

// ---------------------------------------------------------------- settings

// The highlight rules kept in [Highlight] are the first view's.
void COrlixView::LoadFeatureSettings()
{
    m_finder.Load();
    if (g_pView == this)
        m_shown->SetHighlightRules(LoadHighlightRules());
}

// ---------------------------------------------------------------- commands

bool COrlixView::OnFeatureCommand(UINT id, int code, CCmdUI* pUI)
{
    if (OnDisplayCommand(id, code, pUI))
        return true;
    auto hasRows = [&](CCmdUI& ui) { ui.Enable(DisplayCount() > 0); };
    auto hasSelection = [&](CCmdUI& ui) { ui.Enable(FirstSelectedItem() >= 0); };
    switch (id) {
    case ID_FIND:
        return Handle(code, pUI, [&] { m_finder.ShowDialog(); });
    case ID_FIND_NEXT:
    case ID_FIND_PREV:
        return Handle(code, pUI, [&] {
            if (m_finder.Matcher().Empty())
                m_finder.ShowDialog();
            else
                m_finder.FindNext(id == ID_FIND_NEXT);
        }, hasRows);
    case ID_EDIT_SELECT_ALL:
        return Handle(code, pUI, [&] { OnSelectAll(); }, hasRows);
    case ID_COPY_ROWS:
        return Handle(code, pUI, [&] { OnCopyRows(); }, hasSelection);
    case ID_BOOKMARK_TOGGLE:
        return Handle(code, pUI, [&] { OnToggleBookmark(); }, hasSelection);
    case ID_BOOKMARK_NEXT:
    case ID_BOOKMARK_PREV:
        return Handle(code, pUI, [&] { OnGotoBookmark(id == ID_BOOKMARK_NEXT); },
                      [&](CCmdUI& ui) { ui.Enable(m_shown->HasBookmarks()); });
    case ID_HIGHLIGHT_RULES:
        return Handle(code, pUI, [&] { OnHighlightRules(); });
    case ID_VIEW_RULES:
        return Handle(code, pUI, [&] {
            CViewRulesDialog dlg(m_shown->Rules().Rules(), Rows());
            if (dlg.DoModal() == IDOK) {
                SetViewRules(dlg.m_rules);
                if (m_onRulesChanged)
                    m_onRulesChanged();
            }
        });
    case ID_QUICK_FIND_PROCESS:
    case ID_QUICK_HIDE_PROCESS:
    case ID_QUICK_ONLY_PROCESS:
    case ID_QUICK_HIGHLIGHT:
        return Handle(code, pUI, [&] { OnQuickFilter(id); }, hasSelection);
    case ID_QUICK_CLEAR:
        return Handle(code, pUI, [&] { OnQuickFilter(id); },
                      [&](CCmdUI& ui) { ui.Enable(Narrowed()); });
    }
    return false;
}

int COrlixView::FirstSelectedItem() const
{
    int item = static_cast<int>(
        ::SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return (item >= 0 && static_cast<size_t>(item) < DisplayCount()) ? item : -1;
}

void COrlixView::SelectItem(size_t item)
{
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&none));
    LVITEMW one = {};
    one.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    one.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&one));
    ::SendMessageW(m_hWnd, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(item));
    ::SendMessageW(m_hWnd, LVM_ENSUREVISIBLE, item, FALSE);
    m_bHasSelection = TRUE;
}

void COrlixView::ShowNote(const std::wstring& text)
{
    if (CFrameWnd* frame = MainFrame())
        frame->SetMessageText(text.c_str());
}

void COrlixView::OnSelectAll()
{
    if (DisplayCount() == 0)
        return;
    LVITEMW all = {};
    all.stateMask = LVIS_SELECTED;
    all.state = LVIS_SELECTED;
    ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&all));
    m_bHasSelection = TRUE;
}

void COrlixView::OnCopyRows()
{
    std::wstring all;
    for (int i = FirstSelectedItem(); i >= 0 && static_cast<size_t>(i) < DisplayCount();
         i = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
        size_t row = StoreRow(i);
        for (int c = 0; c < static_cast<int>(orlix::kListColumnCount); ++c) {
            if (c)
                all += L'\t';
            all += c == 3 && m_shown->ReshapesMessages() ? m_shown->MessageOf(i)
                                                          : Rows().Column(row, c);
        }
        all += L"\r\n";
    }
    if (!all.empty())
        CopyTextToClipboard(m_hWnd, all);
}

// --------------------------------------------------------------- bookmarks

void COrlixView::OnToggleBookmark()
{
    int item = FirstSelectedItem();
    if (item < 0)
        return;
    m_shown->ToggleBookmark(item);
    ::SendMessageW(m_hWnd, LVM_REDRAWITEMS, item, item);
    ::UpdateWindow(m_hWnd);
}

void COrlixView::OnGotoBookmark(bool forward)
{
    int sel = FirstSelectedItem();
    auto item = m_shown->NextBookmark(sel >= 0 ? std::optional<size_t>(sel) : std::nullopt,
                                      forward);
    if (!item) {
        ShowNote(AfxLoadUIString(IDS_BOOKMARK_NONE));
        return;
    }
    SelectItem(*item);
}

// ----------------------------------------------------------- quick filters

void COrlixView::RebuildDisplay(const std::function<void(orlix::RowView&)>& change)
{
    int sel = FirstSelectedItem();
    m_keepRow.reset();
    if (sel >= 0)
        m_keepRow = StoreRow(sel);
    change(*m_shown);
    if (m_shown->Refiltering())
        m_refilter.Start();
    else
        ShowRows();
}

void COrlixView::SetViewRules(std::vector<orlix::ViewRule> rules)
{
    RebuildDisplay([&](orlix::RowView& v) { v.SetRules(std::move(rules)); });
}

void COrlixView::SetFilterBox(orlix::TextMatcher matcher)
{
    RebuildDisplay([&](orlix::RowView& v) { v.SetFilterBox(std::move(matcher)); });
}

void COrlixView::KeepTimeline(bool on)
{
    if (on != (m_shown->Traffic() != nullptr))
        RebuildDisplay([&](orlix::RowView& v) { v.KeepTimeline(on); });
}

void COrlixView::SetTimeSpan(std::optional<std::pair<size_t, size_t>> rows)
{
    if (rows != m_shown->RowRange())
        RebuildDisplay([&](orlix::RowView& v) { v.SetRowRange(rows); });
}

void COrlixView::GoToStoreRow(size_t storeRow)
{
    const size_t count = DisplayCount();
    if (count == 0)
        return;
    if (m_bAutoScroll)
        OnAutoScroll();   // off: the list stays where it was taken
    SelectItem(std::min(m_shown->ItemsAmongOldest(storeRow), count - 1));
}

// The list shows the rows the view's index now holds, the row that was
// selected before the change still selected where it is shown.
void COrlixView::ShowRows()
{
    const std::optional<size_t> keep = m_keepRow;
    m_finder.RowsReset();
    LVITEMW none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&none));
    ::SendMessageW(m_hWnd, LVM_SETITEMCOUNT, DisplayCount(), 0);
    m_bHasSelection = FALSE;
    if (keep)
        if (auto item = m_shown->ToItem(*keep))
            SelectItem(*item);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void COrlixView::OnQuickFilter(UINT id)
{
    int item = FirstSelectedItem();
    if (id == ID_QUICK_CLEAR) {
        RebuildDisplay([](orlix::RowView& v) { v.ClearQuickFilter(); });
        if (m_onRulesChanged)
            m_onRulesChanged();
        return;
    }
    if (item < 0)
        return;
    size_t row = StoreRow(item);
    uint32_t pid = Rows().Pid(row);
    switch (id) {
    case ID_QUICK_FIND_PROCESS:
        if (auto found = m_shown->FindProcess(item)) {
            SelectItem(found->item);
            ShowNote(found->wrapped ? AfxLoadUIString(IDS_FIND_WRAPPED) : std::wstring());
        } else {
            ::MessageBeep(MB_ICONASTERISK);
        }
        return;
    case ID_QUICK_HIDE_PROCESS:
    case ID_QUICK_ONLY_PROCESS: {
        // Rules of this view, seen and changed in View Rules like any other.
        bool added = true;
        RebuildDisplay([&](orlix::RowView& v) {
            added = id == ID_QUICK_HIDE_PROCESS ? v.HideProcess(pid) : v.ShowOnlyProcess(pid);
        });
        if (!added)
            AfxMessageBox(AfxLoadUIString(IDS_VIEW_RULES_FULL).c_str(), MB_OK | MB_ICONEXCLAMATION);
        else if (m_onRulesChanged)
            m_onRulesChanged();
        return;
    }
    case ID_QUICK_HIGHLIGHT: {
        std::vector<orlix::HighlightRule> rules = Highlights().Rules();
        if (rules.size() >= orlix::HighlightRules::kMaxRules) {
            AfxMessageBox(AfxLoadUIString(IDS_RULES_FULL).c_str(), MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        orlix::HighlightRule r;
        r.kind = orlix::HighlightRule::ProcessIs;
        r.pattern = std::wstring(Rows().Name(row));
        if (r.pattern.empty())
            return;   // a line of no process has no name to go by
        rules.insert(rules.begin(), r);
        ApplyHighlightRules(std::move(rules));
        return;
    }
    }
}

// --------------------------------------------------------------- highlight

void COrlixView::ApplyHighlightRules(std::vector<orlix::HighlightRule> rules)
{
    m_shown->SetHighlightRules(std::move(rules));
    if (g_pView == this)
        SaveHighlightRules(Highlights().Rules());
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void COrlixView::OnHighlightRules()
{
    CHighlightDialog dlg(Highlights().Rules());
    if (dlg.DoModal() == IDOK)
        ApplyHighlightRules(dlg.m_rules);
}

// ---------------------------------------------------------------- the list

POINT COrlixView::ContextMenuPoint() const
{
    POINT pt = { 8, 8 };
    int item = FirstSelectedItem();
    RECT rc = {};
    rc.left = LVIR_BOUNDS;
    if (item >= 0 && ::SendMessageW(m_hWnd, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rc))) {
        pt.x = rc.left + 8;
        pt.y = rc.bottom;
    }
    ::ClientToScreen(m_hWnd, &pt);
    return pt;
}

void COrlixView::ShowDetails(size_t item)
{
    if (item >= DisplayCount())
        return;
    size_t row = StoreRow(item);
    std::wstring text;
    for (int c = 0; c < static_cast<int>(orlix::kListColumnCount); ++c) {
        wchar_t heading[128] = {};
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT;
        col.pszText = heading;
        col.cchTextMax = 128;
        ::SendMessageW(m_hWnd, LVM_GETCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
        text += heading;
        text += c == 3 ? L":\r\n" : L": ";
        // A followed file's row: its full path.
        std::wstring path = c == 0 && !Rows().HasPid(row)
                                ? GetCapture().Followed().PathOf(Rows().Name(row)) : std::wstring();
        text += path.empty() ? Rows().Column(row, c) : path;
        text += L"\r\n";
    }
    CRowDetailsDialog dlg(text);
    dlg.DoModal();
}

bool COrlixView::OnFeatureNotify(NMHDR* nm, LRESULT* pResult)
{
    switch (nm->code) {
    case NM_DBLCLK: {
        auto* act = reinterpret_cast<NMITEMACTIVATE*>(nm);
        if (act->iItem >= 0) {
            m_bHasSelection = TRUE;
            ShowDetails(static_cast<size_t>(act->iItem));
        }
        *pResult = 0;
        return true;
    }
    case NM_CUSTOMDRAW:
        return PaintRow(m_hWnd, *m_shown, reinterpret_cast<NMLVCUSTOMDRAW*>(nm), pResult);
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(nm);
        std::wstring path;
        if (tip->iItem >= 0 && static_cast<size_t>(tip->iItem) < DisplayCount()) {
            const size_t row = StoreRow(static_cast<size_t>(tip->iItem));
            if (!Rows().HasPid(row))
                path = GetCapture().Followed().PathOf(Rows().Name(row));
        }
        if (tip->pszText && tip->cchTextMax > 0)
            lstrcpynW(tip->pszText, path.c_str(), tip->cchTextMax);
        *pResult = 0;
        return true;
    }
    }
    return false;
}
