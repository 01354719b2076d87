#include "framework/Worker.h"
#include <memory>

namespace fw {

namespace {

DWORD WINAPI ThreadEntry(LPVOID param)
{
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(param));
    (*body)();
    return 0;
}

} // namespace

WorkerSignals::WorkerSignals()
    : stop(::CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      done(::CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

bool StartThread(std::function<void()> body)
{
    auto* arg = new std::function<void()>(std::move(body));
    UniqueHandle thread(::CreateThread(nullptr, kWorkerStackBytes, ThreadEntry, arg,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        delete arg;
        return false;
    }
    return true;
}

} // namespace fw
