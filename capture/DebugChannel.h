// The system debug channel, read by one implementation for the viewer and
// for orlixcap: a buffer section and two events, named without a prefix (this
// session's channel) or with "Global\\" (the session-independent one that
// services write to). Each line read goes into the bounded FIFO of a
// WorkerShared (QueueLine): the reader waits when it is full, never drops.
#pragma once
#include "capture/WorkerShared.h"
#include <memory>
#include <string>

namespace orlix {

constexpr const wchar_t* kSessionChannel = L"";
constexpr const wchar_t* kGlobalChannel = L"Global\\";

enum class ChannelOpen {
    Ok,        // created here, or shared with another reader (when allowed)
    Busy,      // another reader holds it and sharing was not allowed
    Refused,   // the system refused to create it (the create-global privilege)
    Failed,    // any other failure
};

class DebugChannel {
public:
    DebugChannel() = default;
    DebugChannel(const DebugChannel&) = delete;
    DebugChannel& operator=(const DebugChannel&) = delete;
    ~DebugChannel() { Close(); }

    // Creates (or joins) the channel's objects. With `allowShared` false, a
    // channel another reader already created is let go again (Busy).
    ChannelOpen Open(const wchar_t* prefix, bool allowShared);
    // Takes lines until `finish` is set (a line being taken is queued first),
    // queueing each as worker `who`; QueueLine may end it sooner when that
    // worker's stop is set while the FIFO is full.
    void Read(WorkerShared& s, WorkerIndex who, HANDLE finish);
    void Close();
    bool IsOpen() const { return m_view != nullptr; }
    // The system's error code of a failed Open.
    unsigned long Error() const { return m_error; }

private:
    fw::UniqueHandle m_ready;
    fw::UniqueHandle m_data;
    fw::UniqueHandle m_section;
    fw::UniqueMappedView m_mapped;
    const unsigned char* m_view = nullptr;
    size_t m_region = 0;
    unsigned long m_error = 0;
};

// Runs `channel` (open) on a thread of its own as worker `who` until that
// worker's stop (or `finish`, when given: then the stop only ends a wait for
// room in a full FIFO); its done is set when it has let the channel go.
// False when no thread could be made (done set at once).
bool StartReader(const std::shared_ptr<WorkerShared>& s, WorkerIndex who,
                 std::unique_ptr<DebugChannel> channel, HANDLE finish = nullptr);

} // namespace orlix
