// The syslog forwarder: a worker thread of its own that sends every line the
// intake hands it to a syslog server, over UDP or TCP. The intake never
// waits for it: a full queue counts the line as dropped instead.
#pragma once
#include "output/SyslogFormat.h"
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string_view>

namespace orlix {

struct SyslogState;

class SyslogForwarder {
public:
    // Starts the worker; null when no thread could be made.
    static std::unique_ptr<SyslogForwarder> Start(const syslog::Settings& settings);
    ~SyslogForwarder();  // asks the worker to stop and waits a moment
    SyslogForwarder(const SyslogForwarder&) = delete;
    SyslogForwarder& operator=(const SyslogForwarder&) = delete;

    // One accepted line (user-interface thread): stamped now, queued, and
    // the worker woken. Never blocks beyond a short lock.
    void Push(uint32_t pid, std::wstring_view processName, std::wstring_view text);

    // Lines that found the queue full since the start.
    uint64_t Dropped() const;
    // Lines handed to the network since the start.
    uint64_t Sent() const;
    const syslog::Settings& GetSettings() const;

private:
    explicit SyslogForwarder(std::shared_ptr<SyslogState> state);
    std::shared_ptr<SyslogState> m_state;
};

} // namespace orlix
