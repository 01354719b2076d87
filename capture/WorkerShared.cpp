#include "capture/WorkerShared.h"
#include <memory>

namespace {

HANDLE NewEvent(bool manual, bool initial)
{
    return ::CreateEventW(nullptr, manual, initial, nullptr);
}

} // namespace

namespace orlix {

WorkerShared::WorkerShared()
{
    for (auto& e : stopEvents)
        e.reset(NewEvent(false, false));
    for (auto& e : doneEvents)
        e.reset(NewEvent(false, false));
    broadcastEvent.reset(NewEvent(false, false));
    logEvent.reset(NewEvent(false, false));
    debugSpace.reset(NewEvent(true, true));
}

DWORD RunWorker(LPVOID param, WorkerIndex index, void (*body)(WorkerShared&))
{
    // The thread's reference to the shared state arrives in its argument.
    auto* p = static_cast<std::shared_ptr<WorkerShared>*>(param);
    std::shared_ptr<WorkerShared> shared = std::move(*p);
    delete p;
    body(*shared);
    ::SetEvent(shared->doneEvents[index].get());
    return 0;
}

bool QueueLine(WorkerShared& s, WorkerIndex who, DebugLine&& line)
{
    HANDLE stop = s.stopEvents[who].get();
    for (;;) {
        HWND view = s.hwndView.load();
        {
            fw::CsLock lock(s.csDebug);
            if (!view)
                return true; // no view to take it
            if (s.debugQueue.size() < kDebugQueueBound) {
                s.debugQueue.push_back(std::move(line));
                if (!s.debugPosted)
                    s.debugPosted = ::PostMessageW(view, kMsgDrainDebug, 0, 0) != FALSE;
                return true;
            }
            ::ResetEvent(s.debugSpace.get());
            if (!s.debugPosted)
                s.debugPosted = ::PostMessageW(view, kMsgDrainDebug, 0, 0) != FALSE;
        }
        HANDLE wait[2] = { stop, s.debugSpace.get() };
        if (::WaitForMultipleObjects(2, wait, FALSE, 100) == WAIT_OBJECT_0) {
            ::SetEvent(stop); // keep the request for the worker's main loop
            return false;
        }
    }
}

} // namespace orlix
