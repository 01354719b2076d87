// The view's intake: every line from every source, the debug FIFO's drain
// and the list's coalesced refreshes.
#include "capture/OrlixView.h"
#include "capture/ProcessNamesWin.h"
#include "framework/Text.h"
#include <algorithm>

namespace {
// One drain runs this long at most, then lets input and painting in.
const double kDrainSliceMs = 8.0;
const UINT kFlushQuietMs = 10;   // the intake counts as quiet after this
const UINT kFlushMaxMs = 50;     // during a stream, refresh at least this often
                                 // (unless refreshing costs too much: RefreshPacer)

orlix::ArrivalTime ToArrival(const SYSTEMTIME& st)
{
    orlix::ArrivalTime t;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    return t;
}

} // namespace

// Every line, whatever its source: re-broadcast first (lines naming a
// process only), then the record, the log and the list.
void COrlixView::Intake(uint32_t pid, const wchar_t* text, HANDLE process)
{
    if (!text)
        text = L"";
    if (pid != 0 && m_bBroadcastSend) {
        {
            fw::CsLock lock(m_shared->csBroadcast);
            m_shared->broadcastQueue.emplace_back(text);
        }
        ::SetEvent(m_shared->broadcastEvent.get());
    }
    AddMessage(pid, text, process);
}

int COrlixView::AddMessage(uint32_t processId, const wchar_t* text, HANDLE process)
{
    if (!m_bCapture)
        return 0;
    if (!text)
        text = L"";
    MessageRecord record;
    if (processId != 0 && !m_processNames.Lookup(processId, record.szProcessName) && process)
        orlix::NameFromProcessHandle(process, record.szProcessName);
    record.szProcessName =
        std::wstring(orlix::CutUnits(record.szProcessName, orlix::kMaxNameUnits));
    record.dwProcessId = processId;
    ::GetLocalTime(&record.stArrival);
    record.szText = std::wstring(orlix::CutUnits(text, orlix::kMaxTextUnits));
    if (m_bLogToFile) {
        // The log file keeps whole seconds whatever the list shows.
        orlix::ArrivalTime logged = ToArrival(record.stArrival);
        logged.millisecond = 0;
        HandOffLogLine(orlix::FormatLogLine(record.szProcessName, processId, logged,
                                            record.szText));
    }
    if (m_filter.Matches(text))
        InsertRecord(record);
    return 0;
}

void COrlixView::HandOffLogLine(std::wstring line)
{
    {
        fw::CsLock lock(m_shared->csLog);
        m_shared->logQueue.push_back({ orlix::Append, std::move(line) });
    }
    ::SetEvent(m_shared->logEvent.get());
}

void COrlixView::InsertRecord(const MessageRecord& record)
{
    if (m_rows.Size() == 0)
        m_timeOrigin = ToArrival(record.stArrival);
    m_rows.Append(record.szProcessName, record.dwProcessId, ToArrival(record.stArrival),
                  record.szText);
    if (m_bAutoScroll)
        m_bScrollPending = true;
    ScheduleFlush();
}

// The control learns about new rows once per burst: when the intake has
// gone quiet, and at least every kFlushMaxMs while lines keep coming; never
// before the rest that the last refresh's cost asks for.
void COrlixView::ScheduleFlush()
{
    ULONGLONG now = ::GetTickCount64();
    m_lastLineTick = now;
    if (!m_bFlushTimer) {
        if (m_lastFlushTick == 0 || now - m_lastFlushTick > kFlushMaxMs)
            m_lastFlushTick = now; // the burst starts now
        m_bFlushTimer = ::SetTimer(m_hWnd, kFlushTimerId, kFlushQuietMs, nullptr) != 0;
        if (!m_bFlushTimer)
            FlushRows();
        return;
    }
    if (now - m_lastFlushTick >= kFlushMaxMs && m_pacer.MayRefresh(now))
        FlushRows();
}

void COrlixView::OnFlushTimer()
{
    ULONGLONG now = ::GetTickCount64();
    if (static_cast<size_t>(ShownRowCount()) != m_rows.Size() || m_bScrollPending) {
        bool due = now - m_lastLineTick >= kFlushQuietMs || now - m_lastFlushTick >= kFlushMaxMs;
        if (due && m_pacer.MayRefresh(now))
            FlushRows();
        else
            return;
    }
    ::KillTimer(m_hWnd, kFlushTimerId);
    m_bFlushTimer = false;
}

int COrlixView::ShownRowCount() const
{
    return static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

void COrlixView::FlushRows()
{
    double t0 = RefreshPacer::NowMs();
    double painted = m_pacer.PaintedMs();
    m_lastFlushTick = ::GetTickCount64();
    TrimHistory();
    int n = static_cast<int>(m_rows.Size());
    if (ShownRowCount() != n)
        ::SendMessageW(m_hWnd, LVM_SETITEMCOUNT, n, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (m_bScrollPending && n > 0)
        ::SendMessageW(m_hWnd, LVM_ENSUREVISIBLE, n - 1, FALSE);
    m_bScrollPending = false;
    // Scrolling paints at once, inside the time measured here.
    m_pacer.Refreshed(RefreshPacer::NowMs() - t0 + painted, ::GetTickCount64());
}

// Runs when the FIFO has lines (a posted message) and while a backlog is
// left: the FIFO is taken only once the backlog is through, so its bound
// still holds the workers back under a flood.
void COrlixView::DrainDebugQueue()
{
    if (m_drainBacklog.empty()) {
        fw::CsLock lock(m_shared->csDebug);
        m_drainBacklog.swap(m_shared->debugQueue);
        m_shared->debugPosted = false;
        ::SetEvent(m_shared->debugSpace.get());
    }
    // Expensive lines (a sender that cannot be named, a slow log) must not
    // freeze the window: a few milliseconds of lines, then the rest later.
    double t0 = RefreshPacer::NowMs();
    unsigned n = 0;
    while (!m_drainBacklog.empty()) {
        orlix::DebugLine line = std::move(m_drainBacklog.front());
        m_drainBacklog.pop_front();
        Intake(line.pid, line.text.c_str(), line.process ? line.process->get() : nullptr);
        if ((++n & 15) == 0 && RefreshPacer::NowMs() - t0 >= kDrainSliceMs)
            break;
    }
    if (!m_drainBacklog.empty())
        ContinueDrain();
}

// The next slice: at once when nothing waits, after input and painting
// (a timer's turn) when something does.
void COrlixView::ContinueDrain()
{
    if (HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT)) == 0 &&
        ::PostMessageW(m_hWnd, orlix::kMsgDrainDebug, 0, 0))
        return;
    if (!m_bDrainTimer)
        m_bDrainTimer = ::SetTimer(m_hWnd, kDrainTimerId, USER_TIMER_MINIMUM, nullptr) != 0;
    if (!m_bDrainTimer)
        ::PostMessageW(m_hWnd, orlix::kMsgDrainDebug, 0, 0);
}

