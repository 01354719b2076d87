// The list's files: File › Save (UTF-16 with a byte-order mark, the progress
// of a long save in the status bar) and File › Import (a saved list or an
// automatic log read back into the capture).
#pragma once
#include "capture/Capture.h"
#include "rows/SavedList.h"
#include <string>

// Saves the rows to `path`; a failure is reported in a box. False when it
// failed.
bool SaveListShowingProgress(const orlix::RowStore& rows, const std::wstring& path,
                             const orlix::SaveTimeText& timeText);
// Reads `path` and appends its rows to the capture after those there; a
// file that cannot be read or is not one of ours is reported and changes
// nothing.
bool ImportIntoCapture(orlix::Capture& capture, const std::wstring& path);
