// The list's files: File › Save (UTF-16 with a byte-order mark, the progress
// of a long save in the status bar) and File › Import (a saved list or an
// automatic log read back into the capture).
#pragma once
#include "capture/Capture.h"
#include "rows/ImportList.h"
#include "rows/SavedList.h"
#include <vector>
#include <string>

#include "view/Slices.h"
#include <memory>

// A save a piece at a time: the window answers and lines keep coming while
// it runs (the capture drops no rows meanwhile), its progress shows in the
// status bar, Esc stops it; a failure is reported in a box. A save that is
// stopped or fails leaves the old file as it was.
class CListSave {
public:
    ~CListSave();
    // `only`: the stored rows the view shows (empty: all of them);
    // `messageText`: their messages as the view shows them (empty: as stored).
    void Start(HWND view, orlix::Capture& capture, const std::wstring& path,
               orlix::SaveTimeText timeText, std::vector<size_t> only = {},
               orlix::SaveMessageText messageText = {});
    bool Running() const { return m_job != nullptr; }
    void Continue();
    void Cancel();
    CSlices& Pieces() { return m_pieces; }

private:
    void End();
    orlix::Capture* m_capture = nullptr;
    std::unique_ptr<orlix::SaveJob> m_job;
    std::wstring m_path;
    ULONGLONG m_shownAt = 0;
    CSlices m_pieces{ 0x8000 + 0x45, 5 };   // WM_APP + 0x45, timer 5
};
// File › Import a piece at a time, in bounded memory whatever the file's
// size: the rows are appended to the capture after those there as they are
// read, the progress shows in the status bar, Esc stops it (the rows read so
// far stay). A file that cannot be opened, or is not a saved list or log,
// is reported and changes nothing.
class CListImport {
public:
    ~CListImport();
    // False when it ended at once (a file that cannot be opened or is not
    // ours, reported); true once it runs (or ran to its end).
    bool Start(HWND view, orlix::Capture& capture, const std::wstring& path);
    bool Running() const { return m_file != INVALID_HANDLE_VALUE; }
    void Continue();
    void Cancel();
    CSlices& Pieces() { return m_pieces; }

private:
    void End();
    void NotOurs();
    orlix::Capture* m_capture = nullptr;
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::wstring m_path;
    unsigned long long m_size = 0, m_read = 0;
    size_t m_rows = 0;
    std::unique_ptr<orlix::ImportReader> m_reader;
    std::vector<unsigned char> m_buffer;
    std::vector<orlix::ImportedRow> m_pending;
    ULONGLONG m_shownAt = 0;
    CSlices m_pieces{ 0x8000 + 0x46, 6 };   // WM_APP + 0x46, timer 6
};

// "Not enough memory": the work named stopped; what was there stays.
void ReportOutOfMemory();
