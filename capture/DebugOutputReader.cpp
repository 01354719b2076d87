// The debug-output reader: takes each line from the system debug channel,
// frees the channel at once and queues the line for the user-interface thread.
#include "capture/OrlixView.h"
#include "capture/WorkerShared.h"
#include "capture/Utf8Text.h"
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

void ReadDebugOutput(WorkerShared& s)
{
    HANDLE stop = s.stopEvents[orlix::kDebugOutput].get();

    fw::UniqueHandle ready(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
    fw::UniqueHandle data(::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    fw::UniqueHandle section(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                  0, 1024, L"DBWIN_BUFFER"));
    fw::UniqueMappedView mapped(
        section ? ::MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 0) : nullptr);
    const BYTE* view = static_cast<const BYTE*>(mapped.get());
    // The writer may fill the whole mapped region (a page), whatever size
    // the section was made with: read no further than the region.
    SIZE_T region = 0;
    if (view) {
        MEMORY_BASIC_INFORMATION mbi = {};
        if (::VirtualQuery(view, &mbi, sizeof(mbi)) == sizeof(mbi))
            region = mbi.RegionSize;
    }
    if (!ready || !data || !view || region < 8) {
        // Without a channel there is nothing to read: only wait for the stop.
        ::WaitForSingleObject(stop, INFINITE);
    } else {
        WriterHandles writers;
        std::string raw;
        HANDLE wait[2] = { data.get(), stop };
        bool running = true;
        ::SetEvent(ready.get());
        while (running) {
            DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, INFINITE);
            if (r == WAIT_OBJECT_0 + 1)
                break;
            if (r != WAIT_OBJECT_0) {
                ::SetEvent(ready.get());
                continue;
            }
            // Copy the line out and free the channel at once: the writer
            // waits for nothing else. The rest happens while it goes on.
            orlix::DebugLine line;
            line.pid = *reinterpret_cast<const DWORD*>(view);
            const char* text = reinterpret_cast<const char*>(view + 4);
            size_t max = region - 4;
            const void* nul = memchr(text, 0, max);
            raw.assign(text, nul ? static_cast<const char*>(nul) - text : max);
            line.process = writers.For(line.pid);
            ::SetEvent(ready.get());
            line.text = orlix::DecodeNarrowText(raw, s.decodeUtf8.load(), fw::WideFromAnsi);
            // The FIFO's bound alone may hold the next writer.
            running = orlix::QueueLine(s, orlix::kDebugOutput, std::move(line));
            writers.Prune();
        }
    }
    data.reset();
    ready.reset();
    mapped.reset();
    section.reset();
}

} // namespace

DWORD WINAPI DebugOutputThread(LPVOID param)
{
    return orlix::RunWorker(param, orlix::kDebugOutput, ReadDebugOutput);
}
