// The broadcast sender: a worker that sends each text it is handed as one
// datagram to 255.255.255.255, UDP port 5050, in the order handed over. The
// intake never waits for it.
#pragma once
#include "framework/Worker.h"
#include <deque>
#include <memory>
#include <string>

namespace orlix {

struct BroadcastQueue {
    fw::WorkerSignals signals;
    fw::UniqueHandle wake{ ::CreateEventW(nullptr, FALSE, FALSE, nullptr) };
    fw::CriticalSection cs;
    std::deque<std::wstring> texts;
};

class BroadcastSender {
public:
    BroadcastSender() : m_queue(std::make_shared<BroadcastQueue>()) {}
    // Starts the worker; false when no thread could be made.
    bool Start();
    // Queues one text and wakes the worker (user-interface thread).
    void Send(std::wstring_view text);
    const fw::WorkerSignals& Signals() const { return m_queue->signals; }

private:
    std::shared_ptr<BroadcastQueue> m_queue;
};

} // namespace orlix
