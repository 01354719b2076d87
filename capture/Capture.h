// The capture: every source of lines (the debug channel readers, the
// broadcast receiver, clients' WM_SETTEXT handed in by the main window), the
// intake that names, stamps, filters and stores each line, the rows, and the
// outputs (the log file, the broadcast sender, the syslog forwarder). It
// knows no view: views observe it through ICaptureObserver, and each keeps
// its own index over the one store. Everything runs on the user-interface
// thread but the workers, which hand their lines over through a FIFO.
#pragma once
#include "capture/ArrivalClock.h"
#include "capture/FileFollower.h"
#include "capture/ProcessNameCache.h"
#include "capture/WorkerShared.h"
#include "output/BroadcastSender.h"
#include "output/LogWriter.h"
#include "output/SyslogForwarder.h"
#include "rows/MessageFilter.h"
#include "rows/RowStore.h"
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace orlix {

class ICaptureObserver {
public:
    // Rows [first, first + count) were stored.
    virtual void OnRowsAppended(size_t first, size_t count) = 0;
    // Every row is gone.
    virtual void OnRowsCleared() = 0;
    // The `count` oldest rows left the store: every row number moved down by
    // `count`.
    virtual void OnRowsDropped(size_t count) = 0;

protected:
    ~ICaptureObserver() = default;
};

class Capture {
public:
    Capture();
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Starts the sources and the outputs' workers (once): the settings file's
    // choices for the capture are read first.
    void Start();
    // Asks every worker to stop and waits at most m_dwShutdownWaitMs for all
    // of them (the log writer writes what it holds first); lines still on
    // their way reach no row. Later calls do nothing.
    void Shutdown();
    bool Started() const { return m_bStarted; }

    void Attach(ICaptureObserver* observer);
    void Detach(ICaptureObserver* observer);

    // Every line, whatever its source: re-broadcast first (lines naming a
    // process only), then AddMessage.
    void Intake(uint32_t pid, const wchar_t* text, HANDLE process = nullptr);
    // Names, stamps, logs, forwards, filters and stores one line (process id
    // 0: names no process; `process`, when given, names a writer that has
    // gone since). Returns 0.
    int AddMessage(uint32_t processId, const wchar_t* text, HANDLE process = nullptr);
    // A row from elsewhere (an imported file), stored as it is after the
    // rows there; it is not logged or forwarded.
    void AppendRow(std::wstring_view name, uint32_t pid, const ArrivalTime& t,
                   std::wstring_view text, bool hasPid = true);
    // A followed file's line: stamped, logged, forwarded and filtered like
    // a debug line, its file's name for the process, no process id; never
    // broadcast.
    void AddFollowedLine(const std::wstring& fileName, const wchar_t* text);

    // Followed log files (File › Follow Log File…): each shows its last
    // TailLines() lines, then what is appended to it.
    bool Follow(const std::wstring& path);
    void StopFollowing(size_t index) { m_followed.Remove(index, m_dwShutdownWaitMs); }
    const FollowedFiles& Followed() const { return m_followed; }
    // How many of a file's last lines following starts with ([Follow]
    // TailLines in the settings file, 10,000 unless set).
    size_t TailLines() const;
    void SetTailLines(size_t lines);
    void Clear();

    // Keep at most this many rows (0: every row, up to kMostRows, what a
    // list can count); TrimHistory drops the oldest beyond it, in one step,
    // and tells the observers.
    static constexpr size_t kMostRows = 0x7FFFFFFF;
    void SetHistoryLimit(size_t rows) { m_historyLimit = rows; }
    size_t HistoryLimit() const { return m_historyLimit; }
    void TrimHistory();
    // While work reads the rows a piece at a time (a save), none is dropped:
    // the trim waits until the last hold is let go.
    void HoldTrim(bool hold) { m_trimHolds += hold ? 1 : -1; }

    const RowStore& Rows() const { return m_rows; }
    // The first row's arrival since the last Clear.
    const ArrivalTime& Origin() const { return m_timeOrigin; }

    // Switches (all but capture off at each start).
    bool m_bCapture = true;
    bool m_bLogToFile = false;
    bool m_bBroadcastSend = false;
    bool m_bCaptureGlobal = false;
    bool BroadcastReceive() const { return m_shared->broadcastRecv.load(); }
    void SetBroadcastReceive(bool on) { m_shared->broadcastRecv = on; }
    bool DecodesUtf8() const { return m_shared->decodeUtf8.load(); }
    void SetDecodeUtf8(bool on) { m_shared->decodeUtf8 = on; }
    // Logging into a new file at `path` from here on, or no more.
    void StartLogging(const std::wstring& path);
    void StopLogging();
    // Capture › Global: a second reader, of the channel services write to.
    // False with the system's error code when the channel cannot be made.
    bool StartGlobal(unsigned long& error);
    void StopGlobal();
    // Forwarding to syslog (off: null), replaced whole when settings change.
    void SetSyslogForwarding(const syslog::Settings& settings);
    const SyslogForwarder* SyslogForwarding() const { return m_syslog.get(); }

    MessageFilter m_filter;
    ProcessNameCache m_processNames;
    // How long Shutdown waits for the workers.
    DWORD m_dwShutdownWaitMs = 1000;

    // The workers' shared state and the log's queue (the tests reach in).
    const std::shared_ptr<WorkerShared>& Shared() const { return m_shared; }
    LogWriter& Log() { return m_log; }

private:
    static LRESULT CALLBACK SinkProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateSink();
    void DestroySink();
    void DrainQueue();
    void ContinueDrain();
    void OnTimer(UINT_PTR id);
    std::wstring DroppedNote(uint64_t count);
    static void AskUserFromWorker(WorkerShared& s, const std::wstring& text, HANDLE stop);
    void Stored(size_t first, size_t count);
    void Keep(std::wstring_view name, uint32_t pid, bool hasPid, const wchar_t* text);

    std::shared_ptr<WorkerShared> m_shared;
    RowStore m_rows;
    ArrivalTime m_timeOrigin;
    ArrivalClock m_clock;
    std::vector<ICaptureObserver*> m_observers;
    size_t m_historyLimit = 0;
    int m_trimHolds = 0;
    bool m_bStarted = false;
    bool m_bStopped = false;

    LogWriter m_log;
    BroadcastSender m_broadcast;
    std::unique_ptr<SyslogForwarder> m_syslog;
    FollowedFiles m_followed;

    // The message-only window that the readers wake and the timers tick.
    HWND m_hSink = nullptr;
    bool m_bBatchTimer = false;
    bool m_bDrainTimer = false;
    // Lines taken from the FIFO and not yet through the intake: the drain
    // takes a few milliseconds at a time.
    std::deque<DebugLine> m_backlog;
    // The intake's reusable name buffer.
    std::wstring m_nameBuffer;
};

} // namespace orlix
