// The automatic log: a worker that appends the lines the intake hands it to
// the current log file, keeping them while the file cannot be written. Lines
// wait in an ordered queue; while too much waits, further lines are dropped
// and counted, and the count goes into the file where the gap is.
#pragma once
#include "output/LogRotation.h"
#include "framework/Worker.h"
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace orlix {

enum LogState : int32_t { Append = 0, StartNewFile = 1, Stop = 2, Idle = 3 };

// A command for the log writer, in the order the intake issued it.
struct LogItem {
    LogState kind = Append;  // Append: text is a line; StartNewFile: text is the path
    std::wstring text;
};

// What may wait for the writer, queued and in its buffer together: while the
// file cannot be written (held, or the writer's box is up) lines beyond it
// are dropped and counted, never left to use up memory.
constexpr size_t kLogWaitBound = size_t(64) << 20;
// What one waiting log line counts for: its text and its item.
inline size_t LogItemBytes(const std::wstring& text)
{
    return text.size() * sizeof(wchar_t) + sizeof(LogItem);
}

// The log's options as the settings file keeps them ([Log]: MaxKB, Daily,
// Keep, Dated); out of range or missing, the log keeps one file.
constexpr unsigned kMaxLogKeep = 100000;
constexpr uint64_t kMaxLogKb = uint64_t(1) << 30;   // 1 TiB
LogRotation ReadLogRotation();
void WriteLogRotation(const LogRotation& r);

// The queue the intake and the writer share.
struct LogQueue {
    fw::WorkerSignals signals;
    fw::UniqueHandle wake{ ::CreateEventW(nullptr, FALSE, FALSE, nullptr) };
    fw::CriticalSection cs;  // guards the rest
    std::deque<LogItem> items;
    LogState state = Idle;
    // Bytes of the lines that wait, queued or in the writer's own buffer,
    // until written or given up (LogItemBytes each).
    size_t waitingBytes = 0;
    LogRotation rotation;    // when the log starts a new file
};

// Shows the user `text` (a file that cannot be made) and returns once it is
// dismissed, or at once when `stop` is set meanwhile (the stop stays set).
// Runs on the writer's thread.
using AskUser = std::function<void(const std::wstring& text, HANDLE stop)>;
// The line that says `count` lines were dropped before it.
using DroppedNote = std::function<std::wstring(uint64_t count)>;

class LogWriter {
public:
    LogWriter() : m_queue(std::make_shared<LogQueue>()) {}
    // Starts the worker; false when no thread could be made.
    bool Start(AskUser ask, DroppedNote note);
    // One line (user-interface thread). False when it would carry what waits
    // past kLogWaitBound: it is dropped and counted instead.
    bool Append(std::wstring line);
    // Logging to a new file from here on / no more.
    void StartNewFile(std::wstring path);
    // When the log starts a new file, from the next line on.
    void SetRotation(const LogRotation& r);
    void StopFile();
    // Before the worker is stopped: the note of lines dropped since the last
    // one goes in first, so its last attempt takes that too.
    void QueueDroppedNote();
    const fw::WorkerSignals& Signals() const { return m_queue->signals; }
    // The shared queue, for the tests.
    LogQueue& Queue() { return *m_queue; }

private:
    void QueueNoteLocked();
    std::shared_ptr<LogQueue> m_queue;
    DroppedNote m_note;
    uint64_t m_dropped = 0;   // dropped and not yet noted in the file
};

} // namespace orlix
