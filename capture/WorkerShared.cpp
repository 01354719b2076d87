#include "capture/WorkerShared.h"
#include <memory>
#include <string>

namespace {

HANDLE NewEvent(bool manual, bool initial)
{
    return ::CreateEventW(nullptr, manual, initial, nullptr);
}

} // namespace

namespace orlix {

namespace {

// One wake-up per batch: a posted message to the view, else the event of a
// consumer without a window.
bool WakeConsumer(WorkerShared& s, HWND view)
{
    if (view)
        return ::PostMessageW(view, kMsgDrainDebug, 0, 0) != FALSE;
    return ::SetEvent(s.debugWake.get()) != FALSE;
}

} // namespace

WorkerShared::WorkerShared()
{
    for (auto& e : stopEvents)
        e.reset(NewEvent(false, false));
    for (auto& e : doneEvents)
        e.reset(NewEvent(false, false));
    broadcastEvent.reset(NewEvent(false, false));
    logEvent.reset(NewEvent(false, false));
    boxDone.reset(NewEvent(false, false));
    debugSpace.reset(NewEvent(true, true));
}

bool ShowBoxFromWorker(WorkerShared& s, HANDLE stop, const std::wstring& text)
{
    HWND view = s.hwndView;
    if (!view)
        return false;
    ::ResetEvent(s.boxDone.get());
    auto* message = new std::wstring(text);
    if (!::PostMessageW(view, kMsgWorkerBox, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        return false;
    }
    HANDLE wait[2] = { stop, s.boxDone.get() };
    if (::WaitForMultipleObjects(2, wait, FALSE, INFINITE) == WAIT_OBJECT_0)
        ::SetEvent(stop);   // auto-reset: set again for the worker's own wait
    return true;
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
            if (!view && !s.debugWake)
                return true; // no view to take it
            if (s.debugQueue.size() < kDebugQueueBound) {
                s.debugQueue.push_back(std::move(line));
                if (!s.debugPosted)
                    s.debugPosted = WakeConsumer(s, view);
                return true;
            }
            ::ResetEvent(s.debugSpace.get());
            if (!s.debugPosted)
                s.debugPosted = WakeConsumer(s, view);
        }
        HANDLE wait[2] = { stop, s.debugSpace.get() };
        if (::WaitForMultipleObjects(2, wait, FALSE, 100) == WAIT_OBJECT_0) {
            ::SetEvent(stop); // keep the request for the worker's main loop
            return false;
        }
    }
}

} // namespace orlix
