#include "view/ListFiles.h"
#include "rows/ImportList.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include "print/Pagination.h"
#include "resources/resource.h"

namespace {
// A save of this many rows or more shows its progress in the status bar.
const size_t kSaveProgressRows = 100000;
// ...and how often at most it is told (milliseconds).
const ULONGLONG kSaveProgressMs = 200;
} // namespace

bool SaveListShowingProgress(const orlix::RowStore& rows, const std::wstring& path,
                             const orlix::SaveTimeText& timeText)
{
    // A long list takes a while: the status bar tells how far it got.
    CFrameWnd* frame = AfxGetApp() ? AfxGetApp()->GetMainFrame() : nullptr;
    const std::wstring format = AfxLoadUIString(IDS_SAVE_PROGRESS);
    int shown = -1;
    ULONGLONG lastShown = ::GetTickCount64();
    auto progress = [&](size_t done, size_t total) {
        const int percent = total ? static_cast<int>(done * 100 / total) : 100;
        if (!frame || !frame->m_hWnd || percent == shown || format.empty())
            return;
        // A few times a second: each repaint of the status bar costs the
        // save more than formatting thousands of rows.
        const ULONGLONG now = ::GetTickCount64();
        if (now - lastShown < kSaveProgressMs)
            return;
        lastShown = now;
        shown = percent;
        frame->SetMessageText(orlix::FillInserts(format, { std::to_wstring(percent) }).c_str());
        // Only the status bar: painting the whole window a hundred times
        // would cost more than the save.
        if (frame->m_pStatusBar && frame->m_pStatusBar->m_hWnd)
            ::UpdateWindow(frame->m_pStatusBar->m_hWnd);
    };
    const bool saved = orlix::SaveRows(rows, path,
                                       rows.Size() >= kSaveProgressRows
                                           ? orlix::SaveProgress(progress)
                                           : orlix::SaveProgress(),
                                       timeText);
    if (shown >= 0 && frame && frame->m_hWnd)
        frame->SetMessageText(AFX_IDS_IDLEMESSAGE);
    if (!saved)
        AfxMessageBox(orlix::OpenFileFailedText(path).c_str());
    return saved;
}

bool ImportIntoCapture(orlix::Capture& capture, const std::wstring& path)
{
    std::vector<unsigned char> data;
    if (!orlix::ReadImportFile(path, data)) {
        AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    orlix::ImportResult r = orlix::ParseImportFile(data.data(), data.size());
    if (!r.ours) {
        std::wstring text = AfxLoadUIString(IDS_IMPORT_NOT_OURS) + L"\n" + path;
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    for (const auto& row : r.rows)
        capture.AppendRow(row.name, row.pid, row.time, row.text);
    return true;
}
