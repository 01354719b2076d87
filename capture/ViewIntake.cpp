// The view's intake: every line from every source, the debug FIFO's drain
// and the list's coalesced refreshes.
#include "capture/OrlixView.h"
#include "capture/ProcessNamesWin.h"
#include "framework/Text.h"
#include "resources/resource.h"
#include <algorithm>

namespace {
// One drain runs this long at most, then lets input and painting in.
const double kDrainSliceMs = 8.0;
// While debug lines stream in, they are taken this often.
const UINT kDrainBatchMs = 15;
const UINT kFlushQuietMs = 10;   // the intake counts as quiet after this
const UINT kFlushMaxMs = 50;     // during a stream, refresh at least this often
                                 // (unless refreshing costs too much: RefreshPacer)
const UINT kFlushIdleMs = 150;   // once no line came for this long, a refresh
                                 // no longer waits for the rest after the last

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
    // The name is looked up into a buffer kept from line to line; the text
    // is copied once, into the row store (and the log line when logging).
    std::wstring& name = m_nameBuffer;
    name.clear();
    if (processId != 0 && !m_processNames.Lookup(processId, name) && process)
        orlix::NameFromProcessHandle(process, name);
    const std::wstring_view keptName = orlix::CutUnits(name, orlix::kMaxNameUnits);
    const std::wstring_view keptText = orlix::CutUnits(text, orlix::kMaxTextUnits);
    const orlix::ArrivalTime arrival = ArrivalNow();
    if (m_bLogToFile)
        HandOffLogLine(orlix::FormatLogLine(keptName, processId, orlix::ShownTime(arrival),
                                            keptText));
    if (m_syslog)
        m_syslog->Push(processId, keptName, keptText);
    if (m_filter.Matches(text))
        InsertRow(keptName, processId, arrival, keptText);
    return 0;
}

// The local time now, to the millisecond. The system clock is read for
// every line (a cheap call); its conversion to local hours, minutes and
// seconds is worked out once a second.
orlix::ArrivalTime COrlixView::ArrivalNow()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const ULONGLONG second = ticks / 10000000;
    if (second != m_clockSecond) {
        const ULONGLONG whole = second * 10000000;
        FILETIME utc = { static_cast<DWORD>(whole), static_cast<DWORD>(whole >> 32) };
        FILETIME local;
        SYSTEMTIME st;
        if (::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToSystemTime(&local, &st)) {
            m_clockBase.hour = st.wHour;
            m_clockBase.minute = st.wMinute;
            m_clockBase.second = st.wSecond;
            m_clockSecond = second;
        } else {
            ::GetLocalTime(&st);
            m_clockBase.hour = st.wHour;
            m_clockBase.minute = st.wMinute;
            m_clockBase.second = st.wSecond;
        }
    }
    orlix::ArrivalTime t = m_clockBase;
    t.millisecond = static_cast<uint16_t>(ticks / 10000 % 1000);
    return t;
}


// A line that would carry what waits for the writer past its bound is
// dropped and counted; the count goes into the file as a line of the
// viewer's own where the gap is, once there is room again.
void COrlixView::HandOffLogLine(std::wstring line)
{
    {
        fw::CsLock lock(m_shared->csLog);
        size_t bytes = orlix::LogItemBytes(line);
        if (m_shared->logWaitingBytes + bytes > orlix::kLogWaitBound) {
            ++m_logDropped;
            return;
        }
        QueueDroppedNote();
        m_shared->logWaitingBytes += bytes;
        m_shared->logQueue.push_back({ orlix::Append, std::move(line) });
    }
    ::SetEvent(m_shared->logEvent.get());
}

// Caller holds csLog. The note is small and may pass the bound.
void COrlixView::QueueDroppedNote()
{
    if (m_logDropped == 0)
        return;
    std::wstring text = AfxLoadUIString(IDS_LOG_LINES_DROPPED);
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos)
        text.replace(at, 2, std::to_wstring(m_logDropped));
    m_logDropped = 0;
    std::wstring name;
    DWORD self = ::GetCurrentProcessId();
    m_processNames.Lookup(self, name);
    std::wstring note = orlix::FormatLogLine(orlix::CutUnits(name, orlix::kMaxNameUnits), self,
                                             orlix::ShownTime(ArrivalNow()), text);
    m_shared->logWaitingBytes += orlix::LogItemBytes(note);
    m_shared->logQueue.push_back({ orlix::Append, std::move(note) });
}

void COrlixView::InsertRow(std::wstring_view name, uint32_t pid, const orlix::ArrivalTime& t,
                           std::wstring_view text)
{
    if (m_rows.Size() == 0)
        m_timeOrigin = t;
    m_rows.Append(name, pid, t, text);
    OnRowStored();
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
    if (static_cast<size_t>(ShownRowCount()) != DisplayCount() || m_bScrollPending) {
        const ULONGLONG quietFor = now - m_lastLineTick;
        bool due = quietFor >= kFlushQuietMs || now - m_lastFlushTick >= kFlushMaxMs;
        // The rest holds refreshes back while lines stream in; lines that
        // came on their own are shown without waiting it out.
        if (due && (m_pacer.MayRefresh(now) || quietFor >= kFlushIdleMs))
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
    int n = static_cast<int>(DisplayCount());
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
        // While lines stream in, the readers stop waking this thread for
        // each one (a wake costs a writer on the same processor more than
        // the line itself): a timer takes what came meanwhile, a batch at a
        // time. Once a tick finds nothing, the next line wakes it at once.
        bool streaming = !m_drainBacklog.empty();
        if (streaming && !m_bBatchTimer)
            m_bBatchTimer = ::SetTimer(m_hWnd, kBatchTimerId, kDrainBatchMs, nullptr) != 0;
        if (!streaming && m_bBatchTimer) {
            ::KillTimer(m_hWnd, kBatchTimerId);
            m_bBatchTimer = false;
        }
        m_shared->debugPosted = streaming && m_bBatchTimer;
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

