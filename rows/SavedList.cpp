#include "rows/SavedList.h"
#include <algorithm>
#include <deque>
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

bool SaveRows(const RowStore& rows, const std::wstring& path, const SaveProgress& progress,
              const SaveTimeText& timeText)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite))
        return false;
    if (!file.Write(fw::kUtf16LeBom, sizeof(fw::kUtf16LeBom)))
        return false;
    bool ok = true;
    {
        // Rows are written straight into a block; the row that crosses its
        // end moves on to the next one.
        BlockWriter writer(file);
        Block* block = writer.Acquire();
        size_t used = 0;
        std::wstring time;
        const size_t total = rows.Size();
        for (size_t row = 0; ok && row < total; ++row) {
            if (timeText)
                time = timeText(row);
            // Each block has room for the longest row after its end; the
            // row's own length is worked out only when it might not fit.
            if (used + RowStore::MostSavedRowUnits(time.size()) > block->text.size()) {
                const size_t need = rows.SavedRowUnits(row, time);
                if (used + need > block->text.size())
                    block->text.resize(used + need);
            }
            used += rows.WriteSavedRow(row, block->text.data() + used, time);
            if (used >= kBlockUnits) {
                Block* next = writer.Acquire();
                const size_t tail = used - kBlockUnits;
                if (next->text.size() < tail)
                    next->text.resize(tail);
                std::copy(block->text.begin() + kBlockUnits, block->text.begin() + used,
                          next->text.begin());
                ok = writer.Submit(block, kBlockUnits);
                block = next;
                used = tail;
            }
            if (progress && (row + 1) % kProgressRows == 0)
                progress(row + 1, total);
        }
        if (ok && used)
            ok = writer.Submit(block, used);
        ok = writer.Finish() && ok;
        if (progress)
            progress(total, total);
    }
    return file.Close() && ok;
}

} // namespace orlix
