// The view's four worker threads: debug-channel reader, log writer, and the
// two halves of the UDP relay. They wait on events, do their I/O and hand
// lines to the user-interface thread; none of them touches the list.
#include <winsock2.h>
#include <ws2tcpip.h>
#include "capture/OrlixView.h"
#include "capture/Datagram.h"
#include "capture/RecordFormat.h"
#include "framework/Text.h"
#include <memory>
#include <vector>

namespace {

using orlix::WorkerShared;

// Takes the thread's reference to the shared state out of its argument.
std::shared_ptr<WorkerShared> TakeShared(LPVOID param)
{
    auto* p = static_cast<std::shared_ptr<WorkerShared>*>(param);
    std::shared_ptr<WorkerShared> s = std::move(*p);
    delete p;
    return s;
}

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

} // namespace orlix

// ------------------------------------------------------------ debug output --

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

} // namespace

DWORD WINAPI DebugOutputThread(LPVOID param)
{
    std::shared_ptr<WorkerShared> sp = TakeShared(param);
    WorkerShared& s = *sp;
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
    ::SetEvent(s.doneEvents[orlix::kDebugOutput].get());
    return 0;
}

// -------------------------------------------------------------- log writer --

namespace {

// Lines waiting for their file: kept across failed appends up to this many
// UTF-16 units (about 64 MiB); past it the oldest waiting lines are dropped.
const size_t kLogPendingBound = 32u << 20;

struct PendingLog {
    std::wstring path;
    std::wstring text; // lines, back to back
};

bool IsOurLogFile(HANDLE h)
{
    BYTE bom[2] = {};
    DWORD got = 0;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(h, &size))
        return false;
    if (size.QuadPart == 0)
        return true;
    return ::ReadFile(h, bom, 2, &got, nullptr) && got == 2 && bom[0] == 0xFF && bom[1] == 0xFE;
}

// Creates the new log file with its byte-order mark. A file of that name that
// is one of ours is appended to; any other file is left alone and a free
// name beside it is taken instead. Returns the path used, or "".
std::wstring CreateLogFile(const std::wstring& path)
{
    for (int attempt = 1; attempt < 100; ++attempt) {
        std::wstring p = path;
        if (attempt > 1) {
            size_t dot = p.rfind(L'.');
            p.insert(dot == std::wstring::npos ? p.size() : dot, L"-" + std::to_wstring(attempt));
        }
        fw::UniqueHandle h(::CreateFileW(p.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) {
            if (::GetLastError() == ERROR_SHARING_VIOLATION)
                continue;
            return std::wstring();
        }
        bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
        if (existed && !IsOurLogFile(h.get()))
            continue;
        bool ok = true;
        LARGE_INTEGER size = {};
        ::GetFileSizeEx(h.get(), &size);
        if (size.QuadPart == 0)
            ok = fw::WriteAll(h.get(), fw::kUtf16LeBom, sizeof(fw::kUtf16LeBom));
        ok = h.close() && ok;
        return ok ? p : std::wstring();
    }
    return std::wstring();
}

// One open, seek, write and close for everything pending for `path`.
bool AppendToLog(const std::wstring& path, const std::wstring& text)
{
    fw::UniqueHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return false;
    bool ok = true;
    LARGE_INTEGER size = {};
    // The file was removed meanwhile: start it again as a log file.
    if (::GetFileSizeEx(h.get(), &size) && size.QuadPart == 0)
        ok = fw::WriteAll(h.get(), fw::kUtf16LeBom, sizeof(fw::kUtf16LeBom));
    LARGE_INTEGER zero = {};
    ok = ok && ::SetFilePointerEx(h.get(), zero, nullptr, FILE_END);
    ok = ok && fw::WriteAll(h.get(), text.data(), text.size() * sizeof(wchar_t));
    return h.close() && ok;
}

} // namespace

DWORD WINAPI LogWriterThread(LPVOID param)
{
    std::shared_ptr<WorkerShared> sp = TakeShared(param);
    WorkerShared& s = *sp;
    HANDLE wait[2] = { s.stopEvents[orlix::kLogWriter].get(), s.logEvent.get() };
    std::wstring current;              // the current log file; empty: none yet
    std::deque<PendingLog> pending;    // in order, grouped by file
    size_t pendingUnits = 0;
    for (;;) {
        // While appends are failing, look again every second.
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, pending.empty() ? INFINITE : 1000);
        // At a stop, what is still queued is written first (one attempt):
        // every line taken while logging was on belongs in the file.
        bool stopping = r == WAIT_OBJECT_0;
        std::deque<orlix::LogItem> items;
        if (r == WAIT_OBJECT_0 + 1 || stopping) {
            fw::CsLock lock(s.csLog);
            items.swap(s.logQueue);
        } else if (r != WAIT_TIMEOUT) {
            continue;
        }
        for (auto& item : items) {
            orlix::LogState state;
            {
                fw::CsLock lock(s.csLog);
                state = s.logState;
                if (item.kind == orlix::StartNewFile)
                    s.logState = orlix::Append;
                else if (item.kind == orlix::Stop)
                    s.logState = orlix::Idle;
            }
            switch (item.kind) {
            case orlix::Append:
                if (state != orlix::Append || current.empty())
                    break; // taken while no file was current
                if (pending.empty() || pending.back().path != current)
                    pending.push_back({ current, std::wstring() });
                pending.back().text += item.text;
                pendingUnits += item.text.size();
                break;
            case orlix::StartNewFile: {
                std::wstring used = CreateLogFile(item.text);
                if (used.empty()) {
                    std::wstring msg = orlix::OpenFileFailedText(item.text);
                    ::MessageBoxW(nullptr, msg.c_str(), L"Orlix", MB_OK | MB_ICONEXCLAMATION |
                                  MB_TASKMODAL);
                } else {
                    current = used;
                }
                break;
            }
            default:
                break;
            }
        }
        while (pendingUnits > kLogPendingBound && !pending.empty()) {
            pendingUnits -= pending.front().text.size();
            pending.pop_front();
        }
        while (!pending.empty()) {
            if (!AppendToLog(pending.front().path, pending.front().text))
                break; // locked or gone: stays pending, tried again later
            pendingUnits -= pending.front().text.size();
            pending.pop_front();
        }
        if (stopping)
            break;
    }
    ::SetEvent(s.doneEvents[orlix::kLogWriter].get());
    return 0;
}

// ------------------------------------------------------------- UDP relay --

DWORD WINAPI BroadcastSendThread(LPVOID param)
{
    std::shared_ptr<WorkerShared> sp = TakeShared(param);
    WorkerShared& s = *sp;
    fw::UniqueSocket sock(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    BOOL on = TRUE;
    if (sock)
        ::setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                     sizeof(on));
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(orlix::kBroadcastPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    HANDLE wait[2] = { s.broadcastEvent.get(), s.stopEvents[orlix::kBroadcastSend].get() };
    for (;;) {
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0 + 1)
            break;
        if (r != WAIT_OBJECT_0)
            continue;
        std::deque<std::wstring> texts;
        {
            fw::CsLock lock(s.csBroadcast);
            texts.swap(s.broadcastQueue);
        }
        for (const auto& text : texts) {
            char datagram[orlix::kDatagramBytes];
            orlix::EncodeDatagram(text, datagram);
            if (sock)
                ::sendto(sock.get(), datagram, sizeof(datagram), 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        }
    }
    ::SetEvent(s.doneEvents[orlix::kBroadcastSend].get());
    return 0;
}

DWORD WINAPI BroadcastReceiveThread(LPVOID param)
{
    std::shared_ptr<WorkerShared> sp = TakeShared(param);
    WorkerShared& s = *sp;
    HANDLE stop = s.stopEvents[orlix::kBroadcastReceive].get();
    fw::UniqueSocket sock(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (sock) {
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_port = htons(orlix::kBroadcastPort);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        ::bind(sock.get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local));
    }
    char buf[orlix::kDatagramBytes];
    for (;;) {
        if (::WaitForSingleObject(stop, 25) == WAIT_OBJECT_0)
            break;
        if (!s.broadcastRecv.load() || !sock)
            continue;
        // Never block without a bound: a stop is taken within ~25 ms.
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock.get(), &readable);
        timeval tv = { 0, 25000 };
        if (::select(0, &readable, nullptr, nullptr, &tv) != 1)
            continue;
        memset(buf, 0, sizeof(buf));
        int got = ::recvfrom(sock.get(), buf, sizeof(buf), 0, nullptr, nullptr);
        if (got <= 0)
            continue; // empty, failed, or longer than a datagram of ours
        std::wstring text = orlix::DecodeDatagram(buf, static_cast<size_t>(got));
        HWND view = s.hwndView.load();
        DWORD_PTR result = 0;
        if (view)
            ::SendMessageTimeoutW(view, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                  SMTO_NORMAL, 5000, &result);
    }
    ::SetEvent(s.doneEvents[orlix::kBroadcastReceive].get());
    return 0;
}
