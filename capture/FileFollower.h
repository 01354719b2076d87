// Followed log files: one worker per file reads what is appended to it (the
// file opened with read, write and delete sharing, so its writer may append,
// rename, delete or rotate it at will) and queues each line, cut into lines
// and decoded by rows/FollowText, into the FIFO of a WorkerShared, like the
// debug channel's lines, with the file's name standing for the process.
#pragma once
#include "capture/WorkerShared.h"
#include <memory>
#include <string>
#include <vector>

namespace orlix {

// The rows a follower writes about the file itself ("%1": its full path).
struct FollowNotes {
    std::wstring truncated;   // the file shrank
    std::wstring replaced;    // the name names another file now (or again)
    std::wstring waiting;     // the file is not there (yet, or any more)
};

// The files followed by one consumer (the viewer's capture, orlixcap).
class FollowedFiles {
public:
    FollowedFiles() = default;
    FollowedFiles(const FollowedFiles&) = delete;
    FollowedFiles& operator=(const FollowedFiles&) = delete;
    ~FollowedFiles();

    // Follows `path` from its last `tailLines` lines on; false (with the
    // system's error code) when no thread could be made. A file that is not
    // there yet is waited for.
    bool Add(const std::shared_ptr<WorkerShared>& shared, const std::wstring& path,
             size_t tailLines, const FollowNotes& notes);
    // Stops following file `index`, waiting at most `waitMs` for its worker.
    void Remove(size_t index, unsigned long waitMs);
    // Asks every worker to stop, waits at most `waitMs`, and forgets them.
    void RemoveAll(unsigned long waitMs);
    size_t Count() const { return m_files.size(); }
    const std::wstring& Path(size_t index) const;
    // The full path of a followed file of this name (a row's process
    // column), empty when none.
    std::wstring PathOf(std::wstring_view name) const;
    // The name a followed file's rows carry: its path's last part.
    static std::wstring NameOf(const std::wstring& path);

    struct File;

private:
    std::vector<std::shared_ptr<File>> m_files;
};

} // namespace orlix
