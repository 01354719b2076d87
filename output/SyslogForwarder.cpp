// The syslog forwarder's worker: formats each queued line as RFC 5424 and
// sends it; over TCP it keeps one connection, framed by octet counting, and
// reconnects with a growing pause while the server is away. A line leaves
// the queue only once it was handed to the network, so what waits for a
// server that is down is exactly what the queue holds.
#include "output/SyslogForwarder.h"
#include "framework/Worker.h"
#include "framework/Handles.h"
#include <algorithm>
#include <atomic>
#include <deque>
#include <string>
#include <vector>

namespace orlix {

namespace {

const DWORD kFirstPauseMs = 250;     // after the first failed attempt
const DWORD kLongestPauseMs = 5000;  // the pause doubles up to this
const DWORD kConnectMs = 5000;       // one connection attempt at most
const DWORD kSendTimeoutMs = 5000;   // a server that takes nothing this long is dropped
const DWORD kStopWaitMs = 500;       // how long the owner waits for the worker
const size_t kBatchLines = 256;      // lines formatted and sent at a time

struct SyslogLine {
    uint32_t pid = 0;
    std::wstring name;
    std::wstring text;
    uint64_t fileTime = 0;  // UTC, 100 ns since 1601
};

uint64_t FileTimeNow()
{
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t v)
{
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(v);
    ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return ft;
}

// The local time of a UTC instant and the offset in force then.
syslog::Timestamp LocalTimestamp(uint64_t utc)
{
    syslog::Timestamp t;
    FILETIME ft = ToFileTime(utc);
    SYSTEMTIME st = {}, local = {};
    if (!::FileTimeToSystemTime(&ft, &st))
        return t;
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &st, &local))
        local = st;
    FILETIME lft;
    if (::SystemTimeToFileTime(&local, &lft)) {
        uint64_t l = (static_cast<uint64_t>(lft.dwHighDateTime) << 32) | lft.dwLowDateTime;
        // Whole minutes: the milliseconds are the same on both sides.
        int64_t diff = static_cast<int64_t>(l - (utc - utc % 10000));
        t.offsetMinutes = static_cast<int>(diff / 600000000LL);
    }
    t.year = local.wYear;
    t.month = local.wMonth;
    t.day = local.wDay;
    t.hour = local.wHour;
    t.minute = local.wMinute;
    t.second = local.wSecond;
    t.millisecond = local.wMilliseconds;
    return t;
}

std::wstring ComputerName()
{
    wchar_t name[256] = {};
    DWORD n = 256;
    if (::GetComputerNameExW(ComputerNameDnsHostname, name, &n) && n > 0)
        return std::wstring(name, n);
    n = 256;
    if (::GetComputerNameW(name, &n))
        return std::wstring(name, n);
    return std::wstring();
}

// True when `stop` was set within `ms`.
bool Stopped(HANDLE stop, DWORD ms)
{
    return ::WaitForSingleObject(stop, ms) == WAIT_OBJECT_0;
}

} // namespace

struct SyslogState {
    syslog::Settings settings;
    fw::CriticalSection cs;
    std::deque<SyslogLine> queue;  // guarded by cs; the front lines may be in flight
    fw::UniqueHandle wake{ ::CreateEventW(nullptr, FALSE, FALSE, nullptr) };
    fw::UniqueHandle stop{ ::CreateEventW(nullptr, TRUE, FALSE, nullptr) };
    fw::UniqueHandle done{ ::CreateEventW(nullptr, TRUE, FALSE, nullptr) };
    std::atomic<uint64_t> dropped{ 0 };
    std::atomic<uint64_t> sent{ 0 };
};

namespace {

// One socket to the server, made again after each failure.
class Link {
public:
    Link(const syslog::Settings& s, HANDLE stop) : m_settings(s), m_stop(stop) {}

    bool Open()
    {
        m_sock.reset();
        bool tcp = m_settings.transport == syslog::Transport::Tcp;
        ADDRINFOW hints = {};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = tcp ? SOCK_STREAM : SOCK_DGRAM;
        hints.ai_protocol = tcp ? IPPROTO_TCP : IPPROTO_UDP;
        fw::UniqueAddrInfo found;
        std::wstring port = std::to_wstring(m_settings.port);
        if (::GetAddrInfoW(m_settings.host.c_str(), port.c_str(), &hints, found.put()) != 0)
            return false;
        for (ADDRINFOW* a = found.get(); a; a = a->ai_next) {
            fw::UniqueSocket sock(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
            if (!sock)
                continue;
            if (tcp && !Connect(sock.get(), a->ai_addr, static_cast<int>(a->ai_addrlen)))
                continue;
            m_addr.assign(reinterpret_cast<const char*>(a->ai_addr), a->ai_addrlen);
            m_sock = std::move(sock);
            return true;
        }
        return false;
    }

    bool IsOpen() const { return m_sock.valid(); }
    void Close() { m_sock.reset(); }

    // TCP: the server has closed its side (it never sends anything else).
    bool PeerClosed()
    {
        for (;;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_sock.get(), &readable);
            timeval zero = { 0, 0 };
            if (::select(0, &readable, nullptr, nullptr, &zero) != 1)
                return false;
            char buf[512];
            int got = ::recv(m_sock.get(), buf, sizeof(buf), 0);
            if (got <= 0)
                return true;
        }
    }

    bool SendDatagram(std::string_view payload)
    {
        return ::sendto(m_sock.get(), payload.data(), static_cast<int>(payload.size()), 0,
                        reinterpret_cast<const sockaddr*>(m_addr.data()),
                        static_cast<int>(m_addr.size())) != SOCKET_ERROR;
    }

    // Sends all of `data`; returns how many bytes went out.
    size_t SendStream(std::string_view data)
    {
        size_t done = 0;
        while (done < data.size()) {
            int chunk = static_cast<int>(std::min<size_t>(data.size() - done, 1 << 20));
            int n = ::send(m_sock.get(), data.data() + done, chunk, 0);
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        return done;
    }

private:
    // A connection attempt that a stop request cuts short.
    bool Connect(SOCKET sock, const sockaddr* addr, int len)
    {
        u_long nonBlocking = 1;
        ::ioctlsocket(sock, FIONBIO, &nonBlocking);
        if (::connect(sock, addr, len) == SOCKET_ERROR && ::WSAGetLastError() != WSAEWOULDBLOCK)
            return false;
        ULONGLONG deadline = ::GetTickCount64() + kConnectMs;
        for (;;) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(sock, &writable);
            FD_SET(sock, &failed);
            timeval slice = { 0, 100000 };
            int r = ::select(0, nullptr, &writable, &failed, &slice);
            if (r == SOCKET_ERROR || FD_ISSET(sock, &failed))
                return false;
            if (r == 1 && FD_ISSET(sock, &writable))
                break;
            if (::GetTickCount64() >= deadline || Stopped(m_stop, 0))
                return false;
        }
        int error = 0;
        int size = sizeof(error);
        if (::getsockopt(sock, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 ||
            error != 0)
            return false;
        u_long blocking = 0;
        ::ioctlsocket(sock, FIONBIO, &blocking);
        DWORD timeout = kSendTimeoutMs;
        ::setsockopt(sock, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout),
                     sizeof(timeout));
        BOOL on = TRUE;
        ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
        return true;
    }

    const syslog::Settings& m_settings;
    HANDLE m_stop;
    fw::UniqueSocket m_sock;
    std::string m_addr;  // the server's address (UDP sends)
};

void Forward(SyslogState& s)
{
    HANDLE stop = s.stop.get();
    const std::wstring host = ComputerName();
    const bool tcp = s.settings.transport == syslog::Transport::Tcp;
    Link link(s.settings, stop);
    DWORD pause = kFirstPauseMs;
    std::vector<SyslogLine> batch;
    std::string stream;
    std::vector<size_t> frameEnds;
    for (;;) {
        bool pending;
        {
            fw::CsLock lock(s.cs);
            pending = !s.queue.empty();
        }
        if (!pending) {
            HANDLE wait[2] = { stop, s.wake.get() };
            if (::WaitForMultipleObjects(2, wait, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
                break;
            continue;
        }
        if (Stopped(stop, 0))
            break;
        if (link.IsOpen() && tcp && link.PeerClosed())
            link.Close();
        if (!link.IsOpen()) {
            if (!link.Open()) {
                if (Stopped(stop, pause))
                    break;
                pause = std::min(pause * 2, kLongestPauseMs);
                continue;
            }
            pause = kFirstPauseMs;
        }
        batch.clear();
        {
            fw::CsLock lock(s.cs);
            size_t n = std::min(s.queue.size(), kBatchLines);
            batch.assign(s.queue.begin(), s.queue.begin() + static_cast<ptrdiff_t>(n));
        }
        auto message = [&](const auto& line) {
            syslog::Message m;
            m.facility = s.settings.facility;
            m.time = LocalTimestamp(line.fileTime);
            m.hostName = host;
            m.appName = line.name;
            m.procId = line.pid;
            m.text = line.text;
            return m;
        };
        size_t done = 0;
        if (tcp) {
            stream.clear();
            frameEnds.clear();
            for (const auto& line : batch) {
                stream += syslog::OctetCountedFrame(syslog::FormatLine(message(line)));
                frameEnds.push_back(stream.size());
            }
            size_t bytes = link.SendStream(stream);
            while (done < frameEnds.size() && frameEnds[done] <= bytes)
                ++done;
            if (bytes < stream.size())
                link.Close();  // again from the first line not wholly sent
        } else {
            for (const auto& line : batch) {
                if (!link.SendDatagram(syslog::UdpPayload(syslog::FormatLine(message(line))))) {
                    link.Close();
                    break;
                }
                ++done;
            }
        }
        if (done > 0) {
            fw::CsLock lock(s.cs);
            s.queue.erase(s.queue.begin(), s.queue.begin() + static_cast<ptrdiff_t>(done));
            s.sent += done;
        }
        if (!link.IsOpen() && Stopped(stop, pause))
            break;
    }
}

DWORD WINAPI ForwarderThread(LPVOID param)
{
    auto* p = static_cast<std::shared_ptr<SyslogState>*>(param);
    std::shared_ptr<SyslogState> state = std::move(*p);
    delete p;
    Forward(*state);
    ::SetEvent(state->done.get());
    return 0;
}

} // namespace

std::unique_ptr<SyslogForwarder> SyslogForwarder::Start(const syslog::Settings& settings)
{
    auto state = std::make_shared<SyslogState>();
    state->settings = settings;
    if (!state->wake || !state->stop || !state->done)
        return nullptr;
    auto* arg = new std::shared_ptr<SyslogState>(state);
    fw::UniqueHandle thread(::CreateThread(nullptr, fw::kWorkerStackBytes, ForwarderThread, arg,
                                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        delete arg;
        return nullptr;
    }
    return std::unique_ptr<SyslogForwarder>(new SyslogForwarder(std::move(state)));
}

SyslogForwarder::SyslogForwarder(std::shared_ptr<SyslogState> state) : m_state(std::move(state)) {}

SyslogForwarder::~SyslogForwarder()
{
    ::SetEvent(m_state->stop.get());
    // A worker that overstays (a send stuck on a slow server) keeps its
    // own reference to the state.
    ::WaitForSingleObject(m_state->done.get(), kStopWaitMs);
}

void SyslogForwarder::Push(uint32_t pid, std::wstring_view processName, std::wstring_view text)
{
    SyslogLine line;
    line.fileTime = FileTimeNow();
    {
        fw::CsLock lock(m_state->cs);
        if (m_state->queue.size() >= m_state->settings.queueLines) {
            ++m_state->dropped;
            return;
        }
        line.pid = pid;
        line.name.assign(processName);
        line.text.assign(text);
        m_state->queue.push_back(std::move(line));
    }
    ::SetEvent(m_state->wake.get());
}

uint64_t SyslogForwarder::Dropped() const { return m_state->dropped.load(); }
uint64_t SyslogForwarder::Sent() const { return m_state->sent.load(); }
const syslog::Settings& SyslogForwarder::GetSettings() const { return m_state->settings; }

} // namespace orlix
