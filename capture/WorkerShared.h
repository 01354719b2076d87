// State the view shares with its four worker threads. The workers co-own it,
// so a worker that outlives the view's shutdown wait never touches freed
// memory; with the view gone, its window handle here is null and the
// worker's next send simply does not happen.
#pragma once
#include "framework/Handles.h"
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

namespace orlix {

// Stack reserved for each worker thread. The program's own threads reserve
// more (the user-interface thread runs regular-expression searches, whose
// matcher recurses once per character), so the workers ask for the usual
// size explicitly instead of inheriting that.
constexpr unsigned kWorkerStackBytes = 1u << 20;

enum LogState : int32_t { Append = 0, StartNewFile = 1, Stop = 2, Idle = 3 };

enum WorkerIndex { kBroadcastReceive = 0, kBroadcastSend = 1, kDebugOutput = 2, kLogWriter = 3,
                   kGlobalDebugOutput = 4, kWorkerCount = 5 };

// One line taken from the system debug channel, on its way to the intake.
// A line on its way to the intake through the FIFO: from the system debug
// channel, or a received broadcast (pid 0, no process).
struct DebugLine {
    uint32_t pid = 0;
    std::wstring text;
    // The writer's process, opened when its first line was copied (may be
    // none); shared by all its lines, so a writer that ends at once is named.
    std::shared_ptr<const fw::UniqueHandle> process;
};

// A command for the log writer, in the order the view issued it.
struct LogItem {
    LogState kind = Append;  // Append: text is a line; StartNewFile: text is the path
    std::wstring text;
};

struct WorkerShared {
    WorkerShared();
    WorkerShared(const WorkerShared&) = delete;
    WorkerShared& operator=(const WorkerShared&) = delete;

    fw::UniqueHandle stopEvents[kWorkerCount];   // auto-reset, one per worker
    fw::UniqueHandle doneEvents[kWorkerCount];
    std::atomic<HWND> hwndView{ nullptr };

    // Broadcast send queue (texts with a non-zero process id).
    fw::UniqueHandle broadcastEvent;
    fw::CriticalSection csBroadcast;
    std::deque<std::wstring> broadcastQueue;
    std::atomic<bool> broadcastRecv{ false };
    // Narrow text (debug channel, datagrams) read as UTF-8 when it is valid.
    std::atomic<bool> decodeUtf8{ false };

    // Log writer queue and state; guarded by csLog.
    fw::UniqueHandle logEvent;
    fw::CriticalSection csLog;
    std::deque<LogItem> logQueue;
    LogState logState = Idle;
    // Bytes of the lines that wait for the writer, in logQueue or in the
    // writer's own buffer, until written or given up (LogItemBytes each);
    // the intake takes no line that would carry it past kLogWaitBound.
    size_t logWaitingBytes = 0;
    // Set by the user-interface thread when the box a worker asked for
    // (kMsgWorkerBox) has been dismissed; auto-reset.
    fw::UniqueHandle boxDone;

    // Debug-channel FIFO to the user-interface thread.
    fw::CriticalSection csDebug;
    std::deque<DebugLine> debugQueue;
    fw::UniqueHandle debugSpace;      // manual-reset: set while the FIFO has room
    bool debugPosted = false;         // a drain message is on its way
    // A consumer without a window (orlixcap) waits on this auto-reset event
    // instead of a posted message; null in the viewer.
    fw::UniqueHandle debugWake;
};

// The start and finish every worker shares: takes the thread's reference to
// the shared state out of `param`, runs `body`, then sets the worker's done
// event. Returns the thread's exit code.
DWORD RunWorker(LPVOID param, WorkerIndex index, void (*body)(WorkerShared&));

// Hands a line to the user-interface thread through the FIFO, waking it
// with one posted message per batch; while the FIFO is full, waits for room
// (back-pressure: nothing is dropped). False when worker `who` is asked to
// stop meanwhile (the stop request stays set).
bool QueueLine(WorkerShared& s, WorkerIndex who, DebugLine&& line);

// What may wait for the log writer, queued and in its buffer together:
// while the file cannot be written (held, or the writer's box is up) lines
// beyond it are dropped and counted, never left to use up memory.
constexpr size_t kLogWaitBound = size_t(64) << 20;
// What one waiting log line counts for: its text and its item.
inline size_t LogItemBytes(const std::wstring& text)
{
    return text.size() * sizeof(wchar_t) + sizeof(LogItem);
}

// Lines the debug FIFO holds before the reader waits (back-pressure).
constexpr size_t kDebugQueueBound = 4096;
// Messages the view posts to itself.
constexpr unsigned kMsgDrainDebug = 0x8000 + 0x41;  // WM_APP + 0x41
// A worker's failure for the user: lParam is a new std::wstring (the text)
// the view takes over; the view shows it in a box, then sets boxDone.
constexpr unsigned kMsgWorkerBox = 0x8000 + 0x42;   // WM_APP + 0x42
// The message column is fitted to the width again (after the header's own
// handling of a divider drag).
constexpr unsigned kMsgFitColumns = 0x8000 + 0x43;  // WM_APP + 0x43

// Has the view's window show `text` in a box and waits until it is
// dismissed or the worker's `stop` event is set (that stop stays set for
// the worker's own loop). False when there was no window to ask.
bool ShowBoxFromWorker(WorkerShared& s, HANDLE stop, const std::wstring& text);

} // namespace orlix
