// The debug-output reader (orlix::DebugChannel, shared with orlixcap): takes
// each line from the system debug channel, frees the channel at once and
// queues the line for the user-interface thread (or orlixcap's main thread).
#include "capture/DebugChannel.h"
#include "capture/WorkerShared.h"
#include "rows/Utf8Text.h"
#include "framework/Text.h"
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using orlix::WorkerShared;

namespace {

// The writer's process, opened before the channel is freed when a line
// comes from a new writer, so the row can be named even when the writer ends
// at once. A writer's further lines share that handle and cost no system
// call: while we hold a handle to the process, its id cannot be given to
// another one. The handle is let go once the process has ended.
class WriterHandles {
public:
    using Shared = std::shared_ptr<const fw::UniqueHandle>;

    // Before the channel is freed.
    Shared For(uint32_t pid)
    {
        if (pid == 0)
            return nullptr;
        if (m_process && m_pid == pid)
            return m_process;
        fw::UniqueHandle h(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ |
                                             SYNCHRONIZE, FALSE, pid));
        if (!h)
            h.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
        m_pid = pid;
        m_process = h ? std::make_shared<const fw::UniqueHandle>(std::move(h)) : nullptr;
        m_checked = ::GetTickCount64();
        return m_process;
    }

    // After the channel is freed, now and then: an ended writer's handle is
    // released (queued lines keep their own reference).
    void Prune()
    {
        ULONGLONG now = ::GetTickCount64();
        if (!m_process || now - m_checked < kCheckMs)
            return;
        m_checked = now;
        if (::WaitForSingleObject(m_process->get(), 0) == WAIT_OBJECT_0) {
            m_process.reset();
            m_pid = 0;
        }
    }

private:
    static constexpr ULONGLONG kCheckMs = 250;
    Shared m_process;
    uint32_t m_pid = 0;
    ULONGLONG m_checked = 0;
};

} // namespace

namespace orlix {

ChannelOpen DebugChannel::Open(const wchar_t* prefix, bool allowShared)
{
    Close();
    std::wstring p = prefix ? prefix : L"";
    m_ready.reset(::CreateEventW(nullptr, FALSE, FALSE, (p + L"DBWIN_BUFFER_READY").c_str()));
    DWORD error = ::GetLastError();
    bool existed = m_ready && error == ERROR_ALREADY_EXISTS;
    if (m_ready) {
        m_data.reset(::CreateEventW(nullptr, FALSE, FALSE, (p + L"DBWIN_DATA_READY").c_str()));
        error = ::GetLastError();
    }
    if (m_data) {
        m_section.reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             1024, (p + L"DBWIN_BUFFER").c_str()));
        error = ::GetLastError();
    }
    if (m_section) {
        m_mapped.reset(::MapViewOfFile(m_section.get(), FILE_MAP_READ, 0, 0, 0));
        error = ::GetLastError();
    }
    m_view = static_cast<const BYTE*>(m_mapped.get());
    // The writer may fill the whole mapped region (a page), whatever size
    // the section was made with: read no further than the region.
    m_region = 0;
    if (m_view) {
        MEMORY_BASIC_INFORMATION mbi = {};
        if (::VirtualQuery(m_view, &mbi, sizeof(mbi)) == sizeof(mbi))
            m_region = mbi.RegionSize;
    }
    if (!m_view || m_region < 8) {
        Close();
        m_error = error ? error : ERROR_INVALID_HANDLE;
        return m_error == ERROR_ACCESS_DENIED || m_error == ERROR_PRIVILEGE_NOT_HELD
                   ? ChannelOpen::Refused
                   : ChannelOpen::Failed;
    }
    if (existed && !allowShared) {
        Close();
        m_error = ERROR_ALREADY_EXISTS;
        return ChannelOpen::Busy;
    }
    m_error = 0;
    return ChannelOpen::Ok;
}

void DebugChannel::Close()
{
    m_data.reset();
    m_ready.reset();
    m_mapped.reset();
    m_section.reset();
    m_view = nullptr;
    m_region = 0;
}

void DebugChannel::Read(WorkerShared& s, WorkerIndex who, HANDLE finish)
{
    if (!m_view)
        return;
    const BYTE* view = m_view;
    SIZE_T region = m_region;
    WriterHandles writers;
    std::string raw;
    HANDLE wait[2] = { m_data.get(), finish };
    bool running = true;
    ::SetEvent(m_ready.get());
    while (running) {
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0 + 1)
            break;
        if (r != WAIT_OBJECT_0) {
            ::SetEvent(m_ready.get());
            continue;
        }
        // Copy the line out and free the channel at once: the writer
        // waits for nothing else. The rest happens while it goes on.
        DebugLine line;
        line.pid = *reinterpret_cast<const DWORD*>(view);
        const char* text = reinterpret_cast<const char*>(view + 4);
        size_t max = region - 4;
        const void* nul = memchr(text, 0, max);
        raw.assign(text, nul ? static_cast<const char*>(nul) - text : max);
        line.process = writers.For(line.pid);
        ::SetEvent(m_ready.get());
        line.text = DecodeNarrowText(raw, s.decodeUtf8.load(), fw::WideFromAnsi);
        // The FIFO's bound alone may hold the next writer.
        running = QueueLine(s, who, std::move(line));
        writers.Prune();
    }
}

bool StartReader(const std::shared_ptr<WorkerShared>& s, WorkerIndex who,
                 std::unique_ptr<DebugChannel> channel, HANDLE finish)
{
    ::ResetEvent(s->workers[who].stop.get());
    ::ResetEvent(s->workers[who].done.get());
    std::shared_ptr<DebugChannel> reader(std::move(channel));
    WorkerShared* shared = s.get();
    return fw::StartWorker(s, s->workers[who], [shared, who, reader, finish] {
        reader->Read(*shared, who, finish ? finish : shared->workers[who].stop.get());
        reader->Close();
    });
}

} // namespace orlix
