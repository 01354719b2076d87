#include "capture/WorkerShared.h"

namespace orlix {

namespace {

// One wake-up per batch: a posted message to the sink, else the event of a
// consumer without a window.
bool WakeConsumer(WorkerShared& s, HWND sink)
{
    if (sink)
        return ::PostMessageW(sink, kMsgDrainDebug, 0, 0) != FALSE;
    return ::SetEvent(s.debugWake.get()) != FALSE;
}

} // namespace

WorkerShared::WorkerShared() : debugSpace(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

bool QueueLine(WorkerShared& s, WorkerIndex who, DebugLine&& line)
{
    return QueueLine(s, s.workers[who].stop.get(), std::move(line));
}

bool QueueLine(WorkerShared& s, HANDLE stop, DebugLine&& line)
{
    for (;;) {
        HWND sink = s.hwndSink.load();
        {
            fw::CsLock lock(s.csDebug);
            if (!sink && !s.debugWake)
                return true; // nobody to take it
            if (s.debugQueue.size() < kDebugQueueBound) {
                s.debugQueue.push_back(std::move(line));
                if (!s.debugPosted)
                    s.debugPosted = WakeConsumer(s, sink);
                return true;
            }
            ::ResetEvent(s.debugSpace.get());
            if (!s.debugPosted)
                s.debugPosted = WakeConsumer(s, sink);
        }
        HANDLE wait[2] = { stop, s.debugSpace.get() };
        if (::WaitForMultipleObjects(2, wait, FALSE, 100) == WAIT_OBJECT_0) {
            ::SetEvent(stop); // keep the request for the worker's main loop
            return false;
        }
    }
}

void TakeQueuedLines(WorkerShared& s, std::deque<DebugLine>& into,
                     const std::function<bool(bool took)>& streaming)
{
    fw::CsLock lock(s.csDebug);
    const bool took = !s.debugQueue.empty();
    if (into.empty())
        into.swap(s.debugQueue);
    else
        for (DebugLine& line : s.debugQueue)
            into.push_back(std::move(line));
    s.debugQueue.clear();
    s.debugPosted = streaming ? streaming(took) : false;
    ::SetEvent(s.debugSpace.get());
}

} // namespace orlix
