// The debug-output reader: takes each line from the system debug channel,
// frees the channel at once and queues the line for the user-interface thread.
#include "capture/OrlixView.h"
#include "capture/WorkerShared.h"
#include "framework/Text.h"
#include <cstring>
#include <vector>

using orlix::WorkerShared;

namespace {

// A handle to the writer, opened while the line is copied, so the row can be
// named even when the writer ends at once. The last writer's handle is kept
// while that process runs (most lines come from few processes).
class WriterHandles {
public:
    fw::UniqueHandle For(uint32_t pid)
    {
        fw::UniqueHandle dup;
        if (pid == 0)
            return dup;
        if (m_process &&
            (m_pid != pid || ::WaitForSingleObject(m_process.get(), 0) == WAIT_OBJECT_0)) {
            m_process.reset();
            m_pid = 0;
        }
        if (!m_process) {
            m_process.reset(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ |
                                              SYNCHRONIZE, FALSE, pid));
            if (!m_process)
                m_process.reset(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE,
                                              FALSE, pid));
            m_pid = pid;
        }
        if (m_process)
            ::DuplicateHandle(::GetCurrentProcess(), m_process.get(), ::GetCurrentProcess(),
                              dup.put(), 0, FALSE, DUPLICATE_SAME_ACCESS);
        return dup;
    }

private:
    fw::UniqueHandle m_process;
    uint32_t m_pid = 0;
};

// Queues a line for the user-interface thread; waits while the FIFO is full.
// Returns false when asked to stop meanwhile.
bool QueueDebugLine(WorkerShared& s, orlix::DebugLine&& line)
{
    HANDLE stop = s.stopEvents[orlix::kDebugOutput].get();
    for (;;) {
        HWND view = s.hwndView.load();
        {
            fw::CsLock lock(s.csDebug);
            if (!view) {
                line.process.reset();
                return true; // no view to take it
            }
            if (s.debugQueue.size() < orlix::kDebugQueueBound) {
                s.debugQueue.push_back(std::move(line));
                if (!s.debugPosted)
                    s.debugPosted = ::PostMessageW(view, orlix::kMsgDrainDebug, 0, 0) != FALSE;
                return true;
            }
            ::ResetEvent(s.debugSpace.get());
            if (!s.debugPosted)
                s.debugPosted = ::PostMessageW(view, orlix::kMsgDrainDebug, 0, 0) != FALSE;
        }
        HANDLE wait[2] = { stop, s.debugSpace.get() };
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, 100);
        if (r == WAIT_OBJECT_0) {
            ::SetEvent(stop); // keep the request for the main loop
            line.process.reset();
            return false;
        }
    }
}

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
            orlix::DebugLine line;
            line.pid = *reinterpret_cast<const DWORD*>(view);
            const char* text = reinterpret_cast<const char*>(view + 4);
            size_t max = region - 4;
            const void* nul = memchr(text, 0, max);
            size_t len = nul ? static_cast<const char*>(nul) - text : max;
            line.text = fw::WideFromAnsi(std::string_view(text, len));
            line.process = writers.For(line.pid);
            // The line is ours now; the FIFO's bound alone may hold the writer.
            running = QueueDebugLine(s, std::move(line));
            ::SetEvent(ready.get());
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
