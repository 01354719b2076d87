#include "view/ListFind.h"
#include "view/FindDialogs.h"
#include "view/ListFiles.h"
#include "view/OrlixView.h"
#include "view/ViewSettings.h"
#include "framework/App.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <chrono>

namespace {
// One piece of a search runs this long at most, then lets the window's
// other work in.
const double kSliceMs = 8.0;
// A search that runs this long shows its progress, this often.
const ULONGLONG kProgressAfterMs = 200;
const ULONGLONG kProgressEveryMs = 200;

double NowMs()
{
    return SliceClockMs();
}
} // namespace

CListFind::CListFind(COrlixView& view) : m_view(view) {}

CListFind::~CListFind() = default;

void CListFind::Load()
{
    FindSettings f = LoadFindSettings();
    m_options = f.options;
    m_forward = f.forward;
    if (!m_find.Set(f.text, f.options))
        m_find.Reset();
}

void CListFind::ShowDialog()
{
    if (!m_dialog) {
        m_dialog = std::make_unique<CFindDialog>(&m_view);
        if (!m_dialog->CreateModeless()) {
            m_dialog.reset();
            return;
        }
    }
    m_dialog->ShowAgain();
}

bool CListFind::SetPattern(const std::wstring& text, const orlix::MatchOptions& options,
                           bool forward, std::wstring* error)
{
    orlix::TextMatcher m;
    if (!m.Set(text, options, error))
        return false;
    Cancel();
    m_find = std::move(m);
    m_options = options;
    m_forward = forward;
    SaveFindSettings({ m_find.Pattern(), m_options, m_forward });
    return true;
}

bool CListFind::FindNext(bool forward)
{
    if (m_scan)
        Cancel();
    if (m_find.Empty() || m_view.DisplayCount() == 0)
        return false;
    int sel = m_view.FirstSelectedItem();
    if (!forward && sel >= 0) {
        // Backwards from the last selected row.
        for (int i = sel; i >= 0; i = static_cast<int>(::SendMessageW(
                                      m_view.m_hWnd, LVM_GETNEXTITEM, i, LVNI_SELECTED)))
            sel = i;
    }
    m_scan = m_view.Shown().StartFind(sel >= 0 ? std::optional<size_t>(sel) : std::nullopt,
                                      forward);
    m_pieces.Attach(m_view.m_hWnd);
    m_started = ::GetTickCount64();
    m_shownAt = 0;
    m_rowsPerCheck = 16;   // what a row costs depends on the pattern
    Continue();
    return true;
}

void CListFind::Continue()
{
    if (!m_scan)
        return;
    const double t0 = NowMs();
    orlix::RowView::Found found{};
    try {
        for (;;) {
            // Rows between two looks at the clock: as many as take about a
            // millisecond, whatever a row costs this pattern.
            const double before = NowMs();
            auto state = m_view.Shown().FindSome(m_find, *m_scan, m_rowsPerCheck, found);
            if (state != orlix::RowView::ScanState::Running) {
                Finish(state, found);
                return;
            }
            const double now = NowMs();
            if (now - before < 0.5 && m_rowsPerCheck < 8192)
                m_rowsPerCheck *= 2;
            else if (now - before > 2.0 && m_rowsPerCheck > 1)
                m_rowsPerCheck /= 2;
            if (now - t0 >= kSliceMs)
                break;
        }
    } catch (const std::bad_alloc&) {
        m_scan.reset();
        m_pieces.Stop();
        ReportOutOfMemory();
        return;
    }
    ShowProgress();
    m_pieces.Next();
}

void CListFind::ShowProgress()
{
    const ULONGLONG now = ::GetTickCount64();
    if (now - m_started < kProgressAfterMs || now - m_shownAt < kProgressEveryMs || !m_scan)
        return;
    m_shownAt = now;
    const size_t count = m_scan->count ? m_scan->count : 1;
    const int percent = static_cast<int>(m_scan->Done() * 100 / count);
    m_view.ShowNote(orlix::FillInserts(AfxLoadUIString(IDS_FIND_PROGRESS),
                                       { std::to_wstring(percent) }));
}

void CListFind::Finish(orlix::RowView::ScanState state, const orlix::RowView::Found& found)
{
    m_scan.reset();
    m_pieces.Stop();
    switch (state) {
    case orlix::RowView::ScanState::Found:
        m_view.SelectItem(found.item);
        m_view.ShowNote(found.wrapped ? AfxLoadUIString(IDS_FIND_WRAPPED) : std::wstring());
        return;
    case orlix::RowView::ScanState::TooComplex: {
        m_view.ShowNote(std::wstring());
        const std::wstring text =
            orlix::FillInserts(AfxLoadUIString(IDS_PATTERN_TOO_COMPLEX), { m_find.Pattern() });
        HWND owner = AfxGetMainWnd();
        ::MessageBoxW(owner, text.c_str(), L"Orlix",
                      MB_OK | MB_ICONEXCLAMATION | (owner ? 0u : MB_TASKMODAL));
        return;
    }
    default:
        ::MessageBeep(MB_ICONASTERISK);
        m_view.ShowNote(orlix::FillInserts(AfxLoadUIString(IDS_FIND_NOT_FOUND),
                                           { m_find.Pattern() }));
        return;
    }
}

void CListFind::Cancel()
{
    if (!m_scan)
        return;
    m_scan.reset();
    m_pieces.Stop();
    m_view.ShowNote(AfxLoadUIString(IDS_FIND_STOPPED));
}

void CListFind::RowsDropped(size_t goneItems)
{
    if (m_scan)
        orlix::RowView::ScanDropped(*m_scan, goneItems);
}

void CListFind::RowsReset()
{
    m_scan.reset();
}
