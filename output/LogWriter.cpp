#include "output/LogWriter.h"
#include "rows/RecordFormat.h"
#include "framework/Text.h"
#include <algorithm>

namespace orlix {

namespace {

// Lines waiting for their file are kept in pieces of about this many UTF-16
// units, so that a long wait never needs one large block.
const size_t kPendingPieceUnits = 256u << 10;

struct PendingLog {
    std::wstring path;
    std::wstring text;  // lines, back to back
    size_t bytes = 0;   // what they count for in LogQueue::waitingBytes
};

// Lines that have been written or given up no longer wait.
void Release(LogQueue& s, size_t bytes)
{
    if (bytes == 0)
        return;
    fw::CsLock lock(s.cs);
    s.waitingBytes -= std::min(bytes, s.waitingBytes);
}

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

// One open, seek, write and close for `units` of `text` for `path`;
// `size`, when given, gets the file's size after it.
bool AppendToLog(const std::wstring& path, const wchar_t* text, size_t units,
                 uint64_t* size = nullptr)
{
    fw::UniqueHandle h(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return false;
    bool ok = true;
    LARGE_INTEGER end = {};
    // The file was removed meanwhile: start it again as a log file.
    if (::GetFileSizeEx(h.get(), &end) && end.QuadPart == 0)
        ok = fw::WriteAll(h.get(), fw::kUtf16LeBom, sizeof(fw::kUtf16LeBom));
    LARGE_INTEGER zero = {};
    ok = ok && ::SetFilePointerEx(h.get(), zero, &end, FILE_END);
    ok = ok && fw::WriteAll(h.get(), text, units * sizeof(wchar_t));
    if (size)
        *size = static_cast<uint64_t>(end.QuadPart) + units * sizeof(wchar_t);
    return h.close() && ok;
}

int Today()
{
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return st.wYear * 10000 + st.wMonth * 100 + st.wDay;
}

// One logging period: the file it began with and, when it starts new files,
// the one it writes now and those it keeps.
struct LogPeriod {
    std::wstring first, file;
    LogRotation rotation;
    uint64_t size = 0;          // of `file`, as far as the writer knows
    int day = 0;                // yyyymmdd `file` was begun
    unsigned seq = 1, sameDay = 1;
    std::deque<std::wstring> files;   // the period's files, oldest first

    void Begin(const std::wstring& path)
    {
        *this = LogPeriod();
        first = file = path;
        day = Today();
        files.push_back(path);
        size = FileSize(path);
    }

    static uint64_t FileSize(const std::wstring& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a))
            return 0;
        return (uint64_t(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
    }

    // The next file; the oldest beyond those to keep go. When the new file
    // cannot be made, the lines stay in the one there is.
    void Rotate()
    {
        const int today = Today();
        sameDay = today == day ? sameDay + 1 : 1;
        ++seq;
        std::wstring used = CreateLogFile(RotatedName(first, seq, rotation.dated, today / 10000,
                                                      today / 100 % 100, today % 100, sameDay));
        day = today;
        if (used.empty())
            return;
        file = used;
        size = FileSize(used);
        files.push_back(used);
        while (rotation.keep && files.size() > rotation.keep) {
            ::DeleteFileW(files.front().c_str());
            files.pop_front();
        }
    }

    // Writes `piece` (whole lines) into the period's files, a new one begun
    // where a limit says; what was written leaves `piece`. False when a file
    // could not be written (the rest stays).
    bool Write(std::wstring& piece)
    {
        size_t done = 0;
        bool ok = true;
        while (done < piece.size()) {
            const bool empty = size <= sizeof(fw::kUtf16LeBom);
            if (!empty && rotation.daily && Today() != day) {
                Rotate();
                continue;
            }
            std::wstring_view rest(piece.data() + done, piece.size() - done);
            uint64_t room = rest.size();
            if (rotation.maxBytes)
                room = size < rotation.maxBytes ? (rotation.maxBytes - size) / sizeof(wchar_t) : 0;
            size_t n = FitLines(rest, room, empty);
            if (n == 0) {
                const uint64_t before = size;
                Rotate();
                if (size == before)
                    n = FitLines(rest, rest.size(), true);   // no new file: write on
                else
                    continue;
            }
            if (!AppendToLog(file, rest.data(), n, &size)) {
                ok = false;
                break;
            }
            done += n;
        }
        piece.erase(0, done);
        return ok;
    }
};

void WriteLog(LogQueue& s, const AskUser& ask)
{
    HANDLE wait[2] = { s.signals.stop.get(), s.wake.get() };
    std::wstring current;              // the current period's first file; empty: none yet
    LogPeriod period;
    std::deque<PendingLog> pending;    // in order, grouped by file
    for (;;) {
        // While appends are failing, look again every second.
        DWORD r = ::WaitForMultipleObjects(2, wait, FALSE, pending.empty() ? INFINITE : 1000);
        // At a stop, what is still queued is written first (one attempt):
        // every line taken while logging was on belongs in the file.
        bool stopping = r == WAIT_OBJECT_0;
        std::deque<LogItem> items;
        if (r == WAIT_OBJECT_0 + 1 || stopping) {
            fw::CsLock lock(s.cs);
            items.swap(s.items);
        } else if (r != WAIT_TIMEOUT) {
            continue;
        }
        size_t givenUp = 0;  // bytes of lines taken while no file was current
        for (auto& item : items) {
            LogState state;
            {
                fw::CsLock lock(s.cs);
                state = s.state;
                if (item.kind == StartNewFile)
                    s.state = Append;
                else if (item.kind == Stop)
                    s.state = Idle;
            }
            switch (item.kind) {
            case Append:
                if (state != Append || current.empty()) {
                    givenUp += LogItemBytes(item.text);
                    break; // taken while no file was current
                }
                if (pending.empty() || pending.back().path != current ||
                    pending.back().text.size() >= kPendingPieceUnits)
                    pending.push_back({ current, std::wstring(), 0 });
                pending.back().text += item.text;
                pending.back().bytes += LogItemBytes(item.text);
                std::wstring().swap(item.text);
                break;
            case StartNewFile: {
                std::wstring used = CreateLogFile(item.text);
                if (used.empty()) {
                    // Shown by the user-interface thread; the lines after
                    // this one wait until the user has read it.
                    if (ask)
                        ask(OpenFileFailedText(item.text), wait[0]);
                } else {
                    current = used;
                    period.Begin(used);
                }
                break;
            }
            default:
                break;
            }
        }
        items.clear();
        Release(s, givenUp);
        if (!period.first.empty()) {
            fw::CsLock lock(s.cs);   // a change of the options counts at once
            period.rotation = s.rotation;
        }
        while (!pending.empty()) {
            PendingLog& p = pending.front();
            const bool written = p.path == period.first && period.rotation.Active()
                                     ? period.Write(p.text)
                                     : AppendToLog(p.path, p.text.data(), p.text.size());
            if (!written)
                break; // locked or gone: stays pending, tried again later
            Release(s, pending.front().bytes);
            pending.pop_front();
        }
        if (stopping)
            break;
    }
}

} // namespace

bool LogWriter::Start(AskUser ask, DroppedNote note)
{
    m_note = std::move(note);
    LogQueue* q = m_queue.get();
    return fw::StartWorker(m_queue, q->signals, [q, ask = std::move(ask)] { WriteLog(*q, ask); });
}

bool LogWriter::Append(std::wstring line)
{
    {
        fw::CsLock lock(m_queue->cs);
        const size_t bytes = LogItemBytes(line);
        if (m_queue->waitingBytes + bytes > kLogWaitBound) {
            ++m_dropped;
            return false;
        }
        QueueNoteLocked();
        m_queue->waitingBytes += bytes;
        m_queue->items.push_back({ LogState::Append, std::move(line) });
    }
    ::SetEvent(m_queue->wake.get());
    return true;
}

void LogWriter::StartNewFile(std::wstring path)
{
    {
        fw::CsLock lock(m_queue->cs);
        m_queue->items.push_back({ LogState::StartNewFile, std::move(path) });
    }
    ::SetEvent(m_queue->wake.get());
}

void LogWriter::SetRotation(const LogRotation& r)
{
    fw::CsLock lock(m_queue->cs);
    m_queue->rotation = r;
}

void LogWriter::StopFile()
{
    {
        fw::CsLock lock(m_queue->cs);
        QueueNoteLocked();
        m_queue->items.push_back({ LogState::Stop, std::wstring() });
    }
    ::SetEvent(m_queue->wake.get());
}

void LogWriter::QueueDroppedNote()
{
    fw::CsLock lock(m_queue->cs);
    QueueNoteLocked();
}

// The note is small and may pass the bound.
void LogWriter::QueueNoteLocked()
{
    if (m_dropped == 0 || !m_note)
        return;
    std::wstring note = m_note(m_dropped);
    m_dropped = 0;
    m_queue->waitingBytes += LogItemBytes(note);
    m_queue->items.push_back({ LogState::Append, std::move(note) });
}

} // namespace orlix
