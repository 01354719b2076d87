#include "capture/SavedList.h"
#include <algorithm>
#include <vector>
#include "framework/File.h"
#include "framework/Text.h"

namespace orlix {

namespace {
// Written 64 KiB at a time.
constexpr size_t kWriteUnits = (64 * 1024) / sizeof(wchar_t);
// Progress is told about every this many rows.
constexpr size_t kProgressRows = 1 << 16;
} // namespace

bool SaveRows(const RowStore& rows, const std::wstring& path, const SaveProgress& progress,
              const SaveTimeText& timeText)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite))
        return false;
    bool ok = file.Write(fw::kUtf16LeBom, sizeof(fw::kUtf16LeBom)) != FALSE;
    // Whole 64 KiB writes; the line that crosses the mark waits in the
    // buffer for the next one. Rows are written straight into it.
    std::vector<wchar_t> buf(2 * kWriteUnits);
    size_t used = 0;
    std::wstring time;
    const size_t total = rows.Size();
    for (size_t row = 0; ok && row < total; ++row) {
        if (timeText)
            time = timeText(row);
        const size_t need = rows.SavedRowUnits(row, time);
        if (used + need > buf.size())
            buf.resize(used + need);
        used += rows.WriteSavedRow(row, buf.data() + used, time);
        if (used >= kWriteUnits) {
            ok = file.Write(buf.data(), static_cast<DWORD>(kWriteUnits * sizeof(wchar_t))) != FALSE;
            std::copy(buf.begin() + kWriteUnits, buf.begin() + used, buf.begin());
            used -= kWriteUnits;
        }
        if (progress && (row + 1) % kProgressRows == 0)
            progress(row + 1, total);
    }
    if (ok && used)
        ok = file.Write(buf.data(), static_cast<DWORD>(used * sizeof(wchar_t))) != FALSE;
    if (progress)
        progress(total, total);
    return file.Close() && ok;
}

} // namespace orlix
