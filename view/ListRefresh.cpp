#include "view/ListRefresh.h"
#include <climits>
#include <commctrl.h>

namespace {
const UINT kFlushQuietMs = 10;   // the intake counts as quiet after this
const UINT kFlushMaxMs = 50;     // during a stream, refresh at least this often
                                 // (unless refreshing costs too much: RefreshPacer)
const UINT kFlushIdleMs = 150;  // once no line came for this long, a refresh
                                 // no longer waits for the rest after the last
const UINT kHiddenMs = 1000;     // a list not shown follows this often

int ItemCount(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}
} // namespace

void CListRefresh::Attach(HWND list, std::function<size_t()> items,
                          std::function<void()> beforeFlush)
{
    m_list = list;
    m_items = std::move(items);
    m_beforeFlush = std::move(beforeFlush);
}

void CListRefresh::Detach()
{
    if (m_bTimer && m_list)
        ::KillTimer(m_list, kTimerId);
    m_bTimer = false;
    m_list = nullptr;
}

void CListRefresh::RowsCame(bool scroll)
{
    if (!m_list)
        return;
    if (scroll)
        m_bScrollPending = true;
    // A list that is not shown (a view behind another tab) follows once a
    // second; it is brought up to date at once when it is shown.
    if (!::IsWindowVisible(m_list)) {
        if (!m_bTimer)
            m_bTimer = ::SetTimer(m_list, kTimerId, kHiddenMs, nullptr) != 0;
        return;
    }
    ULONGLONG now = ::GetTickCount64();
    m_lastLineTick = now;
    if (!m_bTimer) {
        if (m_lastFlushTick == 0 || now - m_lastFlushTick > kFlushMaxMs)
            m_lastFlushTick = now; // the burst starts now
        m_bTimer = ::SetTimer(m_list, kTimerId, kFlushQuietMs, nullptr) != 0;
        if (!m_bTimer)
            Flush();
        return;
    }
    if (now - m_lastFlushTick >= kFlushMaxMs && m_pacer.MayRefresh(now))
        Flush();
}

void CListRefresh::Reveal(size_t item)
{
    m_bRevealPending = true;
    m_revealItem = item;
}

void CListRefresh::Cleared()
{
    m_bRevealPending = false;
    if (m_list)
        ::SendMessageW(m_list, LVM_SETITEMCOUNT, 0, 0);
    m_bScrollPending = false;
}

bool CListRefresh::OnTimer(UINT_PTR id)
{
    if (id != kTimerId || !m_list)
        return false;
    if (!::IsWindowVisible(m_list)) {
        ::KillTimer(m_list, kTimerId);
        m_bTimer = false;
        Flush();
        return true;
    }
    ULONGLONG now = ::GetTickCount64();
    if (static_cast<size_t>(ItemCount(m_list)) != m_items() || m_bScrollPending ||
        m_bRevealPending || m_bRepaintPending) {
        const ULONGLONG quietFor = now - m_lastLineTick;
        bool due = quietFor >= kFlushQuietMs || now - m_lastFlushTick >= kFlushMaxMs;
        // The rest holds refreshes back while lines stream in; lines that
        // came on their own are shown without waiting it out.
        if (due && (m_pacer.MayRefresh(now) || quietFor >= kFlushIdleMs))
            Flush();
        else
            return true;
    }
    ::KillTimer(m_list, kTimerId);
    m_bTimer = false;
    return true;
}

void CListRefresh::Flush()
{
    if (!m_list)
        return;
    double t0 = RefreshPacer::NowMs();
    double painted = m_pacer.PaintedMs();
    m_lastFlushTick = ::GetTickCount64();
    if (m_beforeFlush)
        m_beforeFlush();
    int n = static_cast<int>(m_items());
    if (ItemCount(m_list) != n)
        ::SendMessageW(m_list, LVM_SETITEMCOUNT, n, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (m_bScrollPending && n > 0)
        ::SendMessageW(m_list, LVM_ENSUREVISIBLE, n - 1, FALSE);
    if (m_bRevealPending && m_revealItem < static_cast<size_t>(n))
        ::SendMessageW(m_list, LVM_ENSUREVISIBLE, m_revealItem, FALSE);
    if (m_bRepaintPending)
        ::InvalidateRect(m_list, nullptr, FALSE);
    m_bScrollPending = m_bRevealPending = m_bRepaintPending = false;
    // Scrolling paints at once, inside the time measured here.
    m_pacer.Refreshed(RefreshPacer::NowMs() - t0 + painted, ::GetTickCount64());
}

void CListRefresh::KeepPlaceThroughDrop(size_t goneItems)
{
    if (!m_list)
        return;
    HWND list = m_list;
    const int gone = goneItems > static_cast<size_t>(INT_MAX) ? INT_MAX
                                                              : static_cast<int>(goneItems);
    int top = static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    int selected = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM,
                                                   static_cast<WPARAM>(-1), LVNI_SELECTED));
    int focused = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM,
                                                  static_cast<WPARAM>(-1), LVNI_FOCUSED));
    LVITEMW clear = {};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&clear));
    const int n = static_cast<int>(m_items());
    ::SendMessageW(list, LVM_SETITEMCOUNT, n, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (selected >= gone) {
        LVITEMW sel = {};
        sel.stateMask = sel.state = LVIS_SELECTED;
        ::SendMessageW(list, LVM_SETITEMSTATE, selected - gone, reinterpret_cast<LPARAM>(&sel));
    }
    if (focused >= gone) {
        LVITEMW foc = {};
        foc.stateMask = foc.state = LVIS_FOCUSED;
        ::SendMessageW(list, LVM_SETITEMSTATE, focused - gone, reinterpret_cast<LPARAM>(&foc));
    }
    // The lines in view stay in view (unless new rows scroll in anyway).
    if (!m_bScrollPending && n > 0) {
        int wantTop = top - gone < 0 ? 0 : top - gone;
        int nowTop = static_cast<int>(::SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        RECT rc = {};
        rc.left = LVIR_BOUNDS;
        if (wantTop != nowTop &&
            ::SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc)) &&
            rc.bottom > rc.top)
            ::SendMessageW(list, LVM_SCROLL, 0, (wantTop - nowTop) * (rc.bottom - rc.top));
    }
    ::InvalidateRect(list, nullptr, FALSE);
}
