// Worker threads: started with a body to run, each with its stop request and
// finished signal, which the thread and its owner co-own, so a worker that
// outlives its owner's shutdown wait touches nothing freed.
#pragma once
#include "framework/Handles.h"
#include <functional>
#include <memory>

namespace fw {

// Stack reserved for each worker thread. The program's own threads reserve
// more, so the workers ask for the usual size explicitly instead of
// inheriting that.
constexpr unsigned kWorkerStackBytes = 1u << 20;

// One worker's stop request and its "finished" signal (both auto-reset).
struct WorkerSignals {
    WorkerSignals();
    UniqueHandle stop;
    UniqueHandle done;
};

// Runs `body` on a thread of its own; false (body not run) when no thread
// could be made.
bool StartThread(std::function<void()> body);

// Runs `body` on a thread of its own, then sets `signals.done`; `keep` (what
// co-owns the signals and all the body uses) lives as long as the thread.
// False when no thread could be made: `done` is set at once.
template <class Shared>
bool StartWorker(std::shared_ptr<Shared> keep, WorkerSignals& signals, std::function<void()> body)
{
    HANDLE done = signals.done.get();
    const bool started = StartThread([keep, done, body = std::move(body)] {
        body();
        ::SetEvent(done);
    });
    if (!started)
        ::SetEvent(done);
    return started;
}

// Sets each stop, then waits at most `waitMs` for every done of `workers`.
template <class Range>
void StopAndWait(const Range& workers, unsigned long waitMs);

} // namespace fw

#include <vector>

template <class Range>
void fw::StopAndWait(const Range& workers, unsigned long waitMs)
{
    std::vector<HANDLE> done;
    for (const WorkerSignals* w : workers) {
        if (!w)
            continue;
        ::SetEvent(w->stop.get());
        done.push_back(w->done.get());
    }
    if (!done.empty())
        ::WaitForMultipleObjects(static_cast<DWORD>(done.size()), done.data(), TRUE, waitMs);
}
