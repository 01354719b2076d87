#include "capture/SavedList.h"
#include "framework/File.h"
#include "framework/Text.h"

namespace orlix {

// Writes the list as UTF-16 LE with a byte-order mark; false when the file
// cannot be opened or not every byte could be written.
bool SaveRows(const RowStore& rows, const std::wstring& path,
              const std::function<std::wstring(size_t)>& timeText)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite))
        return false;
    bool ok = file.Write(fw::kUtf16LeBom, sizeof(fw::kUtf16LeBom)) != FALSE;
    std::wstring buf;
    buf.reserve(1 << 16);
    for (size_t row = 0; ok && row < rows.Size(); ++row) {
        std::wstring pid = FormatPid(rows.Pid(row));
        std::wstring time = timeText(row);
        std::wstring_view cols[4] = { rows.Name(row), pid, time, rows.Text(row) };
        AppendSavedLine(buf, cols, 4);
        if (buf.size() >= (1 << 15)) {
            ok = file.Write(buf.data(), static_cast<DWORD>(buf.size() * sizeof(wchar_t))) != FALSE;
            buf.clear();
        }
    }
    if (ok && !buf.empty())
        ok = file.Write(buf.data(), static_cast<DWORD>(buf.size() * sizeof(wchar_t))) != FALSE;
    return file.Close() && ok;
}

} // namespace orlix
