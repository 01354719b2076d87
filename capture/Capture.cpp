#include "capture/Capture.h"
#include "capture/DebugChannel.h"
#include "capture/ProcessNamesWin.h"
#include "capture/UdpReceiver.h"
#include "settings/OptionsFile.h"
#include "framework/Wnd.h"
#include "resources/resource.h"
#include <algorithm>

namespace orlix {

namespace {
const wchar_t kViewSection[] = L"View";
const int kMaxHistoryLimit = 100000000;
} // namespace

Capture::Capture()
    : m_processNames(MakeSystemProcessSource()), m_shared(std::make_shared<WorkerShared>())
{
}

Capture::~Capture()
{
    Shutdown();
    m_filter.SetFilters(L";", nullptr);
}

void Capture::Attach(ICaptureObserver* observer)
{
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void Capture::Detach(ICaptureObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

void Capture::Start()
{
    if (m_bStarted || m_bStopped)
        return;
    m_bStarted = true;
    SetDecodeUtf8(ReadIntOption(kViewSection, L"DecodeUtf8", 0, 0, 1) != 0);
    m_log.SetRotation(ReadLogRotation());
    m_historyLimit = static_cast<size_t>(
        ReadIntOption(kViewSection, L"HistoryLimit", 0, 0, kMaxHistoryLimit));
    CreateSink();
    // The reader of the global channel runs only while Capture › Global is
    // on: until then it counts as finished for the shutdown wait.
    ::SetEvent(m_shared->workers[kGlobalDebugOutput].done.get());
    m_broadcast.Start();
    StartBroadcastReceiver(m_shared);
    // The viewer shares the session's channel with any other reader.
    auto channel = std::make_unique<DebugChannel>();
    if (channel->Open(kSessionChannel, true) == ChannelOpen::Ok)
        StartReader(m_shared, kDebugOutput, std::move(channel));
    else
        ::SetEvent(m_shared->workers[kDebugOutput].done.get());
    std::shared_ptr<WorkerShared> shared = m_shared;
    m_log.Start([shared](const std::wstring& text,
                         HANDLE stop) { AskUserFromWorker(*shared, text, stop); },
                [this](uint64_t count) { return DroppedNote(count); });
}

void Capture::Shutdown()
{
    if (!m_bStarted || m_bStopped)
        return;
    m_bStopped = true;
    m_syslog.reset();
    DestroySink();
    m_backlog.clear();
    if (m_bLogToFile)
        m_log.QueueDroppedNote();   // the writer's last attempt takes it too
    const fw::WorkerSignals* workers[] = { &m_shared->workers[kBroadcastReceive],
                                           &m_broadcast.Signals(),
                                           &m_shared->workers[kDebugOutput],
                                           &m_log.Signals(),
                                           &m_shared->workers[kGlobalDebugOutput] };
    for (const fw::WorkerSignals* w : workers)
        ::SetEvent(w->stop.get());
    m_followed.RemoveAll(0);
    fw::StopAndWait(workers, m_dwShutdownWaitMs);
    // Lines still in the FIFO reach no row; let their process handles go.
    std::deque<DebugLine> gone;
    TakeQueuedLines(*m_shared, gone);
}

void Capture::Intake(uint32_t pid, const wchar_t* text, HANDLE process)
{
    if (!text)
        text = L"";
    if (pid != 0 && m_bBroadcastSend)
        m_broadcast.Send(text);
    AddMessage(pid, text, process);
}

int Capture::AddMessage(uint32_t processId, const wchar_t* text, HANDLE process)
{
    if (!m_bCapture)
        return 0;
    if (!text)
        text = L"";
    // The name is looked up into a buffer kept from line to line; the text
    // is copied once, into the row store (and the log line when logging).
    NameLineProcess(m_processNames, processId, process, m_nameBuffer);
    Keep(m_nameBuffer, processId, true, text);
    return 0;
}

void Capture::AddFollowedLine(const std::wstring& fileName, const wchar_t* text)
{
    if (m_bCapture)
        Keep(fileName, 0, false, text ? text : L"");
}

void Capture::Keep(std::wstring_view name, uint32_t pid, bool hasPid, const wchar_t* text)
{
    const std::wstring_view keptName = CutUnits(name, kMaxNameUnits);
    const std::wstring_view keptText = CutUnits(text, kMaxTextUnits);
    const ArrivalTime arrival = m_clock.Now();
    if (m_bLogToFile)
        m_log.Append(hasPid ? FormatLogLine(keptName, pid, ShownTime(arrival), keptText)
                            : FormatLogLineWithoutPid(keptName, ShownTime(arrival), keptText));
    if (m_syslog)
        m_syslog->Push(pid, keptName, keptText);
    if (m_filter.Matches(text))
        AppendRow(keptName, pid, arrival, keptText, hasPid);
}

void Capture::AppendRow(std::wstring_view name, uint32_t pid, const ArrivalTime& t,
                        std::wstring_view text, bool hasPid)
{
    if (m_rows.Size() == 0)
        m_timeOrigin = t;
    if (hasPid)
        m_rows.Append(name, pid, t, text);
    else
        m_rows.AppendWithoutPid(name, t, text);
    Stored(m_rows.Size() - 1, 1);
}

bool Capture::Follow(const std::wstring& path)
{
    FollowNotes notes{ AfxLoadUIString(IDS_FOLLOW_TRUNCATED), AfxLoadUIString(IDS_FOLLOW_REPLACED),
                       AfxLoadUIString(IDS_FOLLOW_WAITING) };
    return m_followed.Add(m_shared, path, TailLines(), notes);
}

size_t Capture::TailLines() const
{
    return static_cast<size_t>(ReadIntOption(L"Follow", L"TailLines", 10000, 0, kMaxHistoryLimit));
}

void Capture::SetTailLines(size_t lines)
{
    WriteIntOption(L"Follow", L"TailLines", static_cast<int>(lines));
}

void Capture::Stored(size_t first, size_t count)
{
    for (ICaptureObserver* o : m_observers)
        o->OnRowsAppended(first, count);
}

void Capture::Clear()
{
    m_rows.Clear();
    for (ICaptureObserver* o : m_observers)
        o->OnRowsCleared();
}

void Capture::TrimHistory()
{
    const size_t limit =
        m_historyLimit == 0 ? kMostRows : std::min(m_historyLimit, kMostRows);
    if (m_rows.Size() <= limit || m_trimHolds > 0)
        return;
    const size_t drop = m_rows.Size() - limit;
    m_rows.DropOldest(drop);
    for (ICaptureObserver* o : m_observers)
        o->OnRowsDropped(drop);
}

void Capture::StartLogging(const std::wstring& path)
{
    m_log.StartNewFile(path);
    m_bLogToFile = true;
}

void Capture::StopLogging()
{
    m_log.StopFile();
    m_bLogToFile = false;
}

bool Capture::StartGlobal(unsigned long& error)
{
    auto channel = std::make_unique<DebugChannel>();
    const ChannelOpen state = channel->Open(kGlobalChannel, true);
    error = channel->Error();
    if (state != ChannelOpen::Ok)
        return false;
    if (!StartReader(m_shared, kGlobalDebugOutput, std::move(channel))) {
        error = ::GetLastError();
        return false;
    }
    m_bCaptureGlobal = true;
    return true;
}

void Capture::StopGlobal()
{
    fw::WorkerSignals& w = m_shared->workers[kGlobalDebugOutput];
    ::SetEvent(w.stop.get());
    // Set again at once: the shutdown wait counts on it.
    if (::WaitForSingleObject(w.done.get(), m_dwShutdownWaitMs) == WAIT_OBJECT_0)
        ::SetEvent(w.done.get());
    m_bCaptureGlobal = false;
}

void Capture::SetSyslogForwarding(const syslog::Settings& settings)
{
    m_syslog.reset();
    if (settings.enabled)
        m_syslog = SyslogForwarder::Start(settings);
}

// The line that stands in the log where lines had to be dropped: the
// viewer's own, at the time it is written.
std::wstring Capture::DroppedNote(uint64_t count)
{
    std::wstring text = AfxLoadUIString(IDS_LOG_LINES_DROPPED);
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos)
        text.replace(at, 2, std::to_wstring(count));
    std::wstring name;
    const DWORD self = ::GetCurrentProcessId();
    m_processNames.Lookup(self, name);
    return FormatLogLine(CutUnits(name, kMaxNameUnits), self, ShownTime(m_clock.Now()), text);
}

} // namespace orlix
