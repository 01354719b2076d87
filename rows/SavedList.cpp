#include "rows/SavedList.h"
#include <algorithm>
#include <deque>
#include <memory>
#include <vector>
#include "framework/Worker.h"
#include "framework/File.h"
#include "framework/Handles.h"
#include "framework/Text.h"

namespace orlix {

namespace {
// Blocks of 1 MiB, each handed to the writing thread and written with one
// WriteFile (under Wine each call costs as much as formatting a few hundred
// rows)...
constexpr size_t kBlockUnits = (1024 * 1024) / sizeof(wchar_t);
// ...with room after them for the row that crosses their end.
constexpr size_t kRowRoomUnits = 8 * 1024;
static_assert(kRowRoomUnits >= RowStore::MostSavedRowUnits(0), "the longest row fits the room");
// One being written, one waiting, one being filled.
constexpr int kBlocks = 3;
// Progress is told about every this many rows.
constexpr size_t kProgressRows = 1 << 16;

struct Block {
    std::vector<wchar_t> text;
    size_t units = 0; // how many of `text` to write
};

// Writes blocks of text to a file on a thread of its own, so the next block
// is formatted while the last one goes to the file. Without a thread it
// writes each block as it is handed over.
class BlockWriter {
public:
    explicit BlockWriter(CFile& file) : m_file(file)
    {
        for (Block& b : m_blocks) {
            b.text.resize(kBlockUnits + kRowRoomUnits);
            m_free.push_back(&b);
        }
        m_thread.reset(::CreateThread(nullptr, fw::kWorkerStackBytes, Run, this, 0, nullptr));
    }
    ~BlockWriter() { Finish(); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // A free block; waits while the others are queued or being written.
    Block* Acquire()
    {
        ::AcquireSRWLockExclusive(&m_lock);
        while (m_free.empty())
            ::SleepConditionVariableSRW(&m_freed, &m_lock, INFINITE, 0);
        Block* b = m_free.front();
        m_free.pop_front();
        ::ReleaseSRWLockExclusive(&m_lock);
        return b;
    }

    // Queues `b` (from Acquire) with its first `units` to be written.
    // False once any write has failed.
    bool Submit(Block* b, size_t units)
    {
        b->units = units;
        if (!m_thread.valid()) {
            m_failed = m_failed || !Write(*b);
            m_free.push_back(b);
            return !m_failed;
        }
        ::AcquireSRWLockExclusive(&m_lock);
        m_queue.push_back(b);
        const bool ok = !m_failed;
        ::ReleaseSRWLockExclusive(&m_lock);
        ::WakeConditionVariable(&m_queued);
        return ok;
    }

    // Waits for every queued block; false when a write failed.
    bool Finish()
    {
        if (m_thread.valid()) {
            ::AcquireSRWLockExclusive(&m_lock);
            m_done = true;
            ::ReleaseSRWLockExclusive(&m_lock);
            ::WakeConditionVariable(&m_queued);
            ::WaitForSingleObject(m_thread.get(), INFINITE);
            m_thread.reset();
        }
        return !m_failed;
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        static_cast<BlockWriter*>(self)->Loop();
        return 0;
    }

    void Loop()
    {
        ::AcquireSRWLockExclusive(&m_lock);
        for (;;) {
            while (m_queue.empty() && !m_done)
                ::SleepConditionVariableSRW(&m_queued, &m_lock, INFINITE, 0);
            if (m_queue.empty())
                break;
            Block* b = m_queue.front();
            const bool skip = m_failed;
            ::ReleaseSRWLockExclusive(&m_lock);
            const bool ok = skip || Write(*b);
            ::AcquireSRWLockExclusive(&m_lock);
            m_failed = m_failed || !ok;
            m_queue.pop_front();
            m_free.push_back(b);
            ::WakeConditionVariable(&m_freed);
        }
        ::ReleaseSRWLockExclusive(&m_lock);
    }

    bool Write(const Block& b)
    {
        return m_file.Write(b.text.data(), static_cast<DWORD>(b.units * sizeof(wchar_t))) != FALSE;
    }

    CFile& m_file;
    Block m_blocks[kBlocks];
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_queued = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE m_freed = CONDITION_VARIABLE_INIT;
    std::deque<Block*> m_free, m_queue;
    bool m_done = false;
    bool m_failed = false;
    fw::UniqueHandle m_thread;
};

} // namespace

struct SaveJob::Writing {
    CFile file;
    std::unique_ptr<BlockWriter> writer;
    Block* block = nullptr;
    size_t used = 0;
    std::wstring time, message;
};

SaveJob::SaveJob(const RowStore& rows, std::wstring path, SaveTimeText timeText,
                 std::vector<size_t> only, SaveMessageText messageText)
    : m_rows(rows), m_path(std::move(path)), m_temp(m_path + L".saving"),
      m_timeText(std::move(timeText)), m_only(std::move(only)),
      m_messageText(std::move(messageText)),
      m_total(m_only.empty() ? rows.Size() : m_only.size())
{
}

SaveJob::~SaveJob()
{
    if (m_state == State::Running)
        GiveUp();
}

bool SaveJob::Start()
{
    // Into a file of its own beside the target, which replaces the target
    // only once every byte is written: until then the old file is intact.
    m_w = std::make_unique<Writing>();
    if (!m_w->file.Open(m_temp.c_str(), CFile::modeCreate | CFile::modeWrite) ||
        !m_w->file.Write(fw::kUtf16LeBom, sizeof(fw::kUtf16LeBom))) {
        GiveUp();
        return false;
    }
    m_w->writer = std::make_unique<BlockWriter>(m_w->file);
    m_w->block = m_w->writer->Acquire();
    m_state = State::Running;
    return true;
}

SaveJob::State SaveJob::Step(size_t rows)
{
    if (m_state != State::Running)
        return m_state;
    Writing& w = *m_w;
    bool ok = true;
    // Rows are written straight into a block; the row that crosses its end
    // moves on to the next one.
    const size_t end = std::min(m_total, m_done + rows);
    for (; ok && m_done < end; ++m_done) {
        const size_t row = m_only.empty() ? m_done : m_only[m_done];
        if (m_timeText)
            w.time = m_timeText(row);
        if (m_messageText) {
            // The message as the view shows it: the row's columns around it.
            w.message = m_messageText(m_done);
            std::wstring line;
            const std::wstring name(m_rows.Name(row)), pid = m_rows.Column(row, 1);
            const std::wstring time = w.time.empty() ? m_rows.Column(row, 2) : w.time;
            const std::wstring_view columns[] = { name, pid, time, w.message };
            AppendSavedLine(line, columns, 4);
            if (w.used + line.size() > w.block->text.size())
                w.block->text.resize(w.used + line.size());
            std::copy(line.begin(), line.end(), w.block->text.begin() + w.used);
            w.used += line.size();
        } else {
            // Each block has room for the longest row after its end; the
            // row's own length is worked out only when it might not fit.
            if (w.used + RowStore::MostSavedRowUnits(w.time.size()) > w.block->text.size()) {
                const size_t need = m_rows.SavedRowUnits(row, w.time);
                if (w.used + need > w.block->text.size())
                    w.block->text.resize(w.used + need);
            }
            w.used += m_rows.WriteSavedRow(row, w.block->text.data() + w.used, w.time);
        }
        if (w.used >= kBlockUnits) {
            Block* next = w.writer->Acquire();
            const size_t tail = w.used - kBlockUnits;
            if (next->text.size() < tail)
                next->text.resize(tail);
            std::copy(w.block->text.begin() + kBlockUnits, w.block->text.begin() + w.used,
                      next->text.begin());
            ok = w.writer->Submit(w.block, kBlockUnits);
            w.block = next;
            w.used = tail;
        }
    }
    if (ok && m_done < m_total)
        return m_state;
    if (ok && w.used)
        ok = w.writer->Submit(w.block, w.used);
    ok = w.writer->Finish() && ok;
    w.writer.reset();
    ok = w.file.Close() && ok;
    if (ok)
        ok = ::MoveFileExW(m_temp.c_str(), m_path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
    if (!ok) {
        GiveUp();
        return m_state;
    }
    m_w.reset();
    m_state = State::Done;
    return m_state;
}

void SaveJob::Cancel()
{
    if (m_state == State::Running)
        GiveUp();
}

void SaveJob::GiveUp()
{
    if (m_w) {
        if (m_w->writer)
            m_w->writer->Finish();
        m_w->writer.reset();
        m_w->file.Close();
        m_w.reset();
    }
    ::DeleteFileW(m_temp.c_str());
    m_state = State::Failed;
}

bool SaveRows(const RowStore& rows, const std::wstring& path, const SaveProgress& progress,
              const SaveTimeText& timeText)
{
    SaveJob job(rows, path, timeText);
    if (!job.Start())
        return false;
    while (job.Step(kProgressRows) == SaveJob::State::Running)
        if (progress)
            progress(job.Done(), job.Total());
    if (progress)
        progress(job.Total(), job.Total());
    return job.Finished();
}

} // namespace orlix
