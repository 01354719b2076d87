// The list saved as text: UTF-16 LE with a byte-order mark, a line per row.
#pragma once
#include "rows/RowStore.h"
#include <functional>
#include <memory>
#include <vector>
#include <string>

namespace orlix {

// Called now and then while saving with the rows written so far and the
// rows to write.
using SaveProgress = std::function<void(size_t done, size_t total)>;

// A row's Time column as the list shows it; empty for the clock text.
using SaveTimeText = std::function<std::wstring(size_t row)>;

// The message of the n-th row saved as the view shows it; empty function:
// the text as stored.
using SaveMessageText = std::function<std::wstring(size_t n)>;

// A save a piece at a time: rows [0, Total()) as the store held them when
// the job was made (the store must keep them meanwhile: no rows dropped).
// The rows go into a file beside the target, which replaces the target only
// when every byte is written; a job that fails, is cancelled or is
// destroyed unfinished leaves the old file as it was.
class SaveJob {
public:
    enum class State { Idle, Running, Done, Failed };
    // `only`, when not empty, names the stored rows to save, in order (a
    // view's shown rows); otherwise every row is saved.
    SaveJob(const RowStore& rows, std::wstring path, SaveTimeText timeText,
            std::vector<size_t> only = {}, SaveMessageText messageText = {});
    ~SaveJob();
    SaveJob(const SaveJob&) = delete;
    SaveJob& operator=(const SaveJob&) = delete;
    // False when the file cannot be made.
    bool Start();
    // Formats up to `rows` more rows (their writing goes on meanwhile); at
    // the end, puts the file in place.
    State Step(size_t rows);
    void Cancel();
    size_t Done() const { return m_done; }
    size_t Total() const { return m_total; }
    bool Finished() const { return m_state == State::Done; }

private:
    struct Writing;
    void GiveUp();
    const RowStore& m_rows;
    std::wstring m_path, m_temp;
    SaveTimeText m_timeText;
    std::vector<size_t> m_only;
    SaveMessageText m_messageText;
    size_t m_total;
    size_t m_done = 0;
    State m_state = State::Idle;
    std::unique_ptr<Writing> m_w;
};

// The whole save at once. False when the file cannot be made or not every
// byte could be written; the old file is then as it was.
bool SaveRows(const RowStore& rows, const std::wstring& path,
              const SaveProgress& progress = SaveProgress(),
              const SaveTimeText& timeText = SaveTimeText());

} // namespace orlix
