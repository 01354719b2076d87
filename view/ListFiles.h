// The list's files: File › Save (UTF-16 with a byte-order mark, the progress
// of a long save in the status bar) and File › Import (a saved list or an
// automatic log read back into the capture).
#pragma once
#include "capture/Capture.h"
#include "rows/SavedList.h"
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
    void Start(HWND view, orlix::Capture& capture, const std::wstring& path,
               orlix::SaveTimeText timeText);
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
// Reads `path` and appends its rows to the capture after those there; a
// file that cannot be read or is not one of ours is reported and changes
// nothing.
bool ImportIntoCapture(orlix::Capture& capture, const std::wstring& path);
