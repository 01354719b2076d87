// What the capture shares with the workers that bring it lines (the debug
// channel readers, the broadcast receiver): their stop and finished signals,
// the switches they read, and the bounded FIFO through which every line
// reaches the user-interface thread. The workers co-own it, so one that
// outlives the capture's shutdown wait never touches freed memory; with the
// capture gone, its window handle here is null and nothing is queued.
#pragma once
#include "framework/Worker.h"
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace orlix {

enum WorkerIndex { kBroadcastReceive = 0, kDebugOutput = 1, kGlobalDebugOutput = 2,
                   kWorkerCount = 3 };

// A line on its way to the intake through the FIFO: from the system debug
// channel, or a received broadcast (pid 0, no process).
struct DebugLine {
    uint32_t pid = 0;
    std::wstring text;
    // The writer's process, opened when its first line was copied (may be
    // none); shared by all its lines, so a writer that ends at once is named.
    std::shared_ptr<const fw::UniqueHandle> process;
    // A followed file's line: the file's name stands for the process, and
    // there is no process id (pid kNoPid).
    std::shared_ptr<const std::wstring> file;
};

struct WorkerShared {
    WorkerShared();
    WorkerShared(const WorkerShared&) = delete;
    WorkerShared& operator=(const WorkerShared&) = delete;

    fw::WorkerSignals workers[kWorkerCount];
    // The window that drains the FIFO (kMsgDrainDebug).
    std::atomic<HWND> hwndSink{ nullptr };
    std::atomic<bool> broadcastRecv{ false };
    // Narrow text (debug channel, datagrams) read as UTF-8 when it is valid.
    std::atomic<bool> decodeUtf8{ false };

    // The FIFO to the user-interface thread.
    fw::CriticalSection csDebug;
    std::deque<DebugLine> debugQueue;
    fw::UniqueHandle debugSpace;      // manual-reset: set while the FIFO has room
    bool debugPosted = false;         // a drain message is on its way
    // A consumer without a window (orlixcap) waits on this auto-reset event
    // instead of a posted message; null in the viewer.
    fw::UniqueHandle debugWake;
};

// Hands a line to the consumer through the FIFO, waking it once per batch;
// while the FIFO is full, waits for room (back-pressure: nothing is
// dropped). False when worker `who` is asked to stop meanwhile (the stop
// request stays set).
bool QueueLine(WorkerShared& s, WorkerIndex who, DebugLine&& line);
// The same for a worker with a stop request of its own (a followed file).
bool QueueLine(WorkerShared& s, HANDLE stop, DebugLine&& line);

// Takes every queued line (in order) into `into` and lets the readers go on.
// `streaming`, told whether lines were taken, answers whether the consumer
// takes the next batch by itself (a timer), so that the readers need not
// wake it for each line meanwhile.
void TakeQueuedLines(WorkerShared& s, std::deque<DebugLine>& into,
                     const std::function<bool(bool took)>& streaming = nullptr);

// Lines the FIFO holds before the readers wait (back-pressure).
constexpr size_t kDebugQueueBound = 4096;
// The message that wakes the consumer's window for a batch.
constexpr unsigned kMsgDrainDebug = 0x8000 + 0x41;  // WM_APP + 0x41

} // namespace orlix
