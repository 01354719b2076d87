#include "view/OrlixView.h"
#include "view/FindDialogs.h"
#include "view/FrameImages.h"
#include "view/ListFiles.h"
#include "settings/OptionsFile.h"
#include "framework/AfxState.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/Dpi.h"
#include "framework/File.h"
#include "framework/Frame.h"
#include "framework/Text.h"
#include "framework/Theme.h"
#include "print/Pagination.h"
#include "print/PrintPreview.h"
#include "resources/resource.h"
#include <algorithm>
#include <climits>

COrlixView* g_pView = nullptr;

namespace {
const wchar_t kViewSection[] = L"View";
const wchar_t kTimeModeKey[] = L"TimeMode";

IFrameImages* FrameImages()
{
    CWinApp* app = AfxGetApp();
    return app ? dynamic_cast<IFrameImages*>(app->GetMainFrame()) : nullptr;
}

} // namespace

COrlixView::COrlixView()
{
    if (!g_pView)
        g_pView = this;
}

COrlixView::~COrlixView()
{
    if (m_capture)
        m_capture->Detach(this);
    if (g_pView == this)
        g_pView = nullptr;
    CPrintPreview::SourceGone(m_printRows);
}

orlix::Capture& COrlixView::GetCapture() const
{
    return *m_capture;
}

BOOL COrlixView::PreCreateWindow(CREATESTRUCTW& cs)
{
    // The capture is the document's; the control only shows its rows.
    auto* owner = dynamic_cast<orlix::ICaptureOwner*>(GetDocument());
    if (!owner)
        return FALSE;
    m_capture = &owner->GetCapture();
    m_shown = std::make_unique<orlix::RowView>(m_capture->Rows());
    cs.style |= LVS_REPORT | LVS_OWNERDATA;
    return TRUE;
}

void COrlixView::OnInitialUpdate()
{
    CListView::OnInitialUpdate();
    if (m_bInitialized)
        return; // a renewed document keeps the columns and the workers
    m_bInitialized = true;
    // Info tips: the full path of a followed file's row (no other row has one).
    ::SendMessageW(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    if (fw::DarkColours())
        ApplyColours();
    const UINT dpi = fw::WindowDpi(m_hWnd);
    // The control's own font is the system's; on a screen of another DPI,
    // that screen's.
    if (dpi != fw::SystemDpi())
        SetListFont(dpi);
    for (int i = 0; i < static_cast<int>(orlix::kListColumnCount); ++i) {
        LVCOLUMNW col = {};
        col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        col.fmt = LVCFMT_LEFT;
        col.pszText = const_cast<LPWSTR>(orlix::kListColumns[i].heading);
        col.cx = fw::RescaleForDpi(orlix::kListColumns[i].width, fw::kBaseDpi, dpi);
        ::SendMessageW(m_hWnd, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    LoadFeatureSettings();
    LoadDisplayChoices();
    m_timeMode = orlix::TimeModeFromInt(
        orlix::ReadIntOption(kViewSection, kTimeModeKey, 0, 0, orlix::kTimeModeCount - 1));
    m_columnLayout.LoadColumnLayout(m_hWnd);
    m_columnLayout.FitMessageColumn();
    // The rows the capture already holds, then every one that comes.
    for (size_t row = 0; row < Rows().Size(); ++row)
        m_shown->Appended(row);
    // The history limit trims the capture once per refresh: a stream costs
    // one move of each view's index per burst.
    m_refresh.Attach(m_hWnd, [this] { return DisplayCount(); },
                     [this] { m_capture->TrimHistory(); });
    m_capture->Attach(this);
    m_capture->Start();
    FlushRows();
}

void COrlixView::SetListFont(UINT dpi)
{
    if (fw::UniqueFont font{ fw::CreateListFontForDpi(dpi) }) {
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        m_font = std::move(font);
    }
}

void COrlixView::OnDpiChanged(UINT oldDpi, UINT newDpi)
{
    SetListFont(newDpi);
    for (int i = 0; i < static_cast<int>(orlix::kListColumnCount); ++i) {
        int width = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETCOLUMNWIDTH, i, 0));
        ::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, i,
                       MAKELPARAM(fw::RescaleForDpi(width, oldDpi, newDpi), 0));
    }
    m_columnLayout.FitMessageColumn();
}

void COrlixView::OnDestroy()
{
    if (m_bInitialized && g_pView == this)
        m_columnLayout.SaveColumnLayout();
    m_saver.Cancel();
    m_importer.Cancel();
    m_refresh.Detach();
    m_capture->Detach(this);
}

LRESULT COrlixView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    // The next piece of a long search or save.
    if (m_finder.Pieces().Takes(msg, wParam)) {
        m_finder.Continue();
        return 0;
    }
    if (m_saver.Pieces().Takes(msg, wParam)) {
        m_saver.Continue();
        return 0;
    }
    if (m_importer.Pieces().Takes(msg, wParam)) {
        m_importer.Continue();
        return 0;
    }
    if (m_refilter.Pieces().Takes(msg, wParam)) {
        m_refilter.Continue();
        return 0;
    }
    switch (msg) {
    case WM_SETTEXT:
        m_capture->Intake(static_cast<uint32_t>(wParam), reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    case WM_TIMER:
        if (m_refresh.OnTimer(wParam))
            return 0;
        break;
    case WM_KEYDOWN:
        // Esc stops a search, a save or an import that is running.
        if (wParam == VK_ESCAPE &&
            (m_finder.Running() || m_saver.Running() || m_importer.Running())) {
            m_finder.Cancel();
            m_saver.Cancel();
            m_importer.Cancel();
            return 0;
        }
        // Esc shows every time again after the timeline narrowed the view.
        if (wParam == VK_ESCAPE && m_shown->RowRange()) {
            SetTimeSpan(std::nullopt);
            return 0;
        }
        break;
    case kMsgFitColumns:
        m_columnLayout.FitMessageColumn();
        return 0;
    case WM_SIZE: {
        LRESULT r = CListView::WindowProc(msg, wParam, lParam);
        m_columnLayout.FitMessageColumn();
        return r;
    }
    case WM_PAINT: {
        // Painting the new rows is part of what a refresh costs.
        double t0 = RefreshPacer::NowMs();
        LRESULT r = CListView::WindowProc(msg, wParam, lParam);
        m_refresh.AddPaint(RefreshPacer::NowMs() - t0);
        return r;
    }
    case WM_CONTEXTMENU:
        // The frame shows the row menu (it knows the translated texts).
        if (HWND parent = ::GetParent(m_hWnd))
            ::SendMessageW(parent, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hWnd), lParam);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_NOTIFY: {
        // A right click on the header: the columns' menu.
        auto* nm = reinterpret_cast<NMHDR*>(lParam);
        HWND header = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0));
        if (nm && header && nm->hwndFrom == header && nm->code == NM_RCLICK) {
            m_columnLayout.ShowColumnMenu();
            return TRUE;
        }
        if (nm && header && nm->hwndFrom == header && nm->code == NM_CUSTOMDRAW &&
            fw::DarkColours())
            return PaintDarkHeader(reinterpret_cast<NMCUSTOMDRAW*>(lParam));
        if (nm && header && nm->hwndFrom == header)
            m_columnLayout.OnHeaderNotify(nm);
        break;
    }
    }
    return CListView::WindowProc(msg, wParam, lParam);
}

bool COrlixView::OnNotifyReflect(NMHDR* nm, LRESULT* pResult)
{
    switch (nm->code) {
    case LVN_GETDISPINFOW: {
        auto* di = reinterpret_cast<NMLVDISPINFOW*>(nm);
        LVITEMW& item = di->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            size_t shown = static_cast<size_t>(item.iItem);
            if (item.iItem < 0 || shown >= DisplayCount()) {
                item.pszText[0] = 0;
            } else {
                const orlix::RowStore& rows = Rows();
                size_t row = StoreRow(shown);
                const size_t room = static_cast<size_t>(item.cchTextMax - 1);
                size_t n;
                if (item.iSubItem == 3 && m_shown->ReshapesMessages()) {
                    const std::wstring text = m_shown->MessageOf(shown);
                    n = text.copy(item.pszText, room);
                } else if (item.iSubItem == 3) {
                    n = rows.CopyText(row, item.pszText, room);
                } else {
                    std::wstring tmp;
                    std::wstring_view v;
                    if (item.iSubItem == 0)
                        v = rows.Name(row);
                    else if (item.iSubItem == 2 && m_timeMode != orlix::TimeMode::Clock)
                        v = tmp = TimeText(row);
                    else
                        v = tmp = rows.Column(row, item.iSubItem);
                    n = v.size() < room ? v.size() : room;
                    v.copy(item.pszText, n);
                }
                item.pszText[n] = 0;
            }
        }
        *pResult = 0;
        return true;
    }
    case LVN_ODFINDITEMW:
        *pResult = -1;
        return true;
    }
    if (OnFeatureNotify(nm, pResult))
        return true;
    switch (nm->code) {
    case NM_CLICK:
        m_bHasSelection = ::SendMessageW(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
        *pResult = 0;
        return true;
    }
    return false;
}

bool COrlixView::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    switch (id) {
    case ID_AUTO_SCROLL:
        return Handle(code, pUI, [&] { OnAutoScroll(); },
                      [&](CCmdUI& ui) { ui.SetCheck(m_bAutoScroll ? 0 : 1); });
    case ID_EDIT_COPY:
        return Handle(code, pUI, [&] { OnEditCopy(); },
                      [&](CCmdUI& ui) { ui.Enable(m_bHasSelection != FALSE); });
    case ID_FILE_SAVE:
        return Handle(code, pUI, [&] { OnFileSave(); });
    case ID_FILE_PRINT:
        return Handle(code, pUI, [&] { OnFilePrint(true); });
    case ID_FILE_PRINT_DIRECT:
        return Handle(code, pUI, [&] { OnFilePrint(false); });
    case ID_FILE_PRINT_PREVIEW:
        return Handle(code, pUI, [&] { OnFilePrintPreview(); });
    case ID_FILE_IMPORT:
        return Handle(code, pUI, [&] { OnFileImport(); });
    case ID_TIME_CLOCK:
    case ID_TIME_CLOCK_MS:
    case ID_TIME_SINCE_FIRST:
    case ID_TIME_DELTA: {
        auto mode = orlix::TimeModeFromInt(static_cast<int>(id - ID_TIME_CLOCK));
        return Handle(code, pUI, [&] { SetTimeMode(mode); },
                      [&](CCmdUI& ui) { ui.SetRadio(m_timeMode == mode); });
    }
    }
    if (OnFeatureCommand(id, code, pUI))
        return true;
    return m_columnLayout.OnCmdMsg(id, code, pUI);
}

// ------------------------------------------------------ the capture's rows

void COrlixView::OnRowsAppended(size_t first, size_t count)
{
    size_t items = m_shown->Count(), shown = 0;   // the items before, the rows shown
    for (size_t row = first; row < first + count; ++row) {
        const orlix::RowVerdict v = m_shown->Appended(row);
        shown += v.shown ? 1 : 0;
        if (v.track || v.stop || v.notify)
            OnArrival(v, row);
    }
    // A repeat counted in an item already shown changes how it looks.
    if (m_shown->FoldsRepeats() && m_shown->Count() - items < shown)
        m_refresh.ItemsChanged();
    m_refresh.RowsCame(m_bAutoScroll != FALSE);
}

void COrlixView::OnArrival(const orlix::RowVerdict& v, size_t storeRow)
{
    if (v.stop && m_bAutoScroll) {
        OnAutoScroll();   // off: the row stays in sight
        // A line sent from another program brings no idle time by itself:
        // the toolbar learns of the switch when the window next idles.
        if (HWND main = AfxGetMainWnd())
            ::PostMessageW(main, WM_NULL, 0, 0);
    }
    if (v.track || v.stop)
        if (auto item = m_shown->ToItem(storeRow))
            m_refresh.Reveal(*item);
    if (v.notify) {
        const ULONGLONG now = ::GetTickCount64();
        if (m_lastNotify == 0 || now - m_lastNotify >= 1000) {
            m_lastNotify = now;
            ::MessageBeep(MB_ICONASTERISK);
            FLASHWINFO fi = { sizeof(fi) };
            fi.hwnd = AfxGetMainWnd();
            fi.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
            if (fi.hwnd)
                ::FlashWindowEx(&fi);
        }
    }
}

void COrlixView::OnRowsCleared()
{
    m_shown->Cleared();
    m_finder.RowsReset();
    m_keepRow.reset();
    m_saver.Cancel();
    m_refresh.Cleared();
    m_bHasSelection = FALSE;
}

// The oldest rows left the store (the history limit): the selection and the
// rows in view stay on the same lines where they still exist.
void COrlixView::OnRowsDropped(size_t count)
{
    // The list items that go: with a quick filter in force, only the shown
    // ones among the dropped rows.
    const size_t goneItems = m_shown->ItemsAmongOldest(count);
    m_shown->Dropped(count);
    m_finder.RowsDropped(goneItems);
    m_refresh.KeepPlaceThroughDrop(goneItems);
    if (m_shown->Count() == 0 || ::SendMessageW(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
        m_bHasSelection = FALSE;
}

void COrlixView::FlushRows()
{
    m_refresh.Flush();
}

int COrlixView::ShownRowCount() const
{
    return static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

// ------------------------------------------------------------- commands

void COrlixView::OnAutoScroll()
{
    m_bAutoScroll = m_bAutoScroll ? FALSE : TRUE;
    if (IFrameImages* f = FrameImages())
        f->SetAutoScrollImage(m_bAutoScroll != FALSE);
}

std::wstring COrlixView::TimeText(size_t row) const
{
    const orlix::RowStore& rows = Rows();
    if (m_timeMode == orlix::TimeMode::Clock)
        return rows.Column(row, 2);
    orlix::ArrivalTime previous;
    if (row > 0)
        previous = rows.Time(row - 1);
    return orlix::FormatTimeAs(m_timeMode, rows.Time(row), m_capture->Origin(),
                               row > 0 ? &previous : nullptr);
}

// The mode is shared by every view of the capture.
void COrlixView::SetTimeMode(orlix::TimeMode mode)
{
    if (mode == m_timeMode)
        return;
    orlix::WriteIntOption(kViewSection, kTimeModeKey, static_cast<int>(mode));
    const std::vector<CView*> views = GetDocument() ? GetDocument()->GetViews()
                                                    : std::vector<CView*>{ this };
    for (CView* v : views)
        if (auto* list = dynamic_cast<COrlixView*>(v)) {
            list->m_timeMode = mode;
            ::InvalidateRect(list->m_hWnd, nullptr, FALSE);
        }
}

// File > Import: a list saved by Save, or a log the automatic logging wrote,
// read back after the rows already there (File > Open keeps its own
// meaning). A file that is not one of ours is reported and changes nothing.
void COrlixView::OnFileImport()
{
    std::wstring filter = AfxLoadUIString(IDS_IMPORT_FILTER);
    CFileDialog dlg(TRUE, L"txt", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter.c_str());
    if (dlg.DoModal() != IDOK)
        return;
    ImportFile(dlg.GetPathName());
}

bool COrlixView::ImportFile(const std::wstring& path)
{
    return m_importer.Start(m_hWnd, *m_capture, path);
}
