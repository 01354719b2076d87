#include "view/ListRefilter.h"
#include "view/ListFiles.h"
#include "view/OrlixView.h"

namespace {
const double kSliceMs = 8.0;
} // namespace

void CListRefilter::Start()
{
    m_pieces.Attach(m_view.m_hWnd);
    m_running = true;
    m_rowsPerCheck = 1024;
    Continue();
}

void CListRefilter::Continue()
{
    if (!m_running)
        return;
    const double t0 = SliceClockMs();
    try {
        for (;;) {
            const double before = SliceClockMs();
            if (m_view.MutableShown().RefilterSome(m_rowsPerCheck)) {
                Stop();
                m_view.ShowRows();
                return;
            }
            const double now = SliceClockMs();
            if (now - before < 0.5 && m_rowsPerCheck < 65536)
                m_rowsPerCheck *= 2;
            else if (now - before > 2.0 && m_rowsPerCheck > 1)
                m_rowsPerCheck /= 2;
            if (now - t0 >= kSliceMs)
                break;
        }
    } catch (const std::bad_alloc&) {
        Stop();
        m_view.SetFilterBox(orlix::TextMatcher());
        ReportOutOfMemory();
        return;
    }
    m_pieces.Next();
}

void CListRefilter::Stop()
{
    m_running = false;
    m_pieces.Stop();
}
