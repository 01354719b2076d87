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

} // namespace orlix

