// File > Import: a list saved by Save, or a log the automatic logging wrote,
// read back into the list after the rows already there (File > Open keeps
// its own meaning). Lines in neither form are kept as a row's text; a file
// that is not one of ours is reported and changes nothing.
#include "capture/ImportList.h"
#include "capture/OrlixView.h"
#include "framework/AfxState.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "resources/resource.h"
#include <vector>

namespace {

const DWORD kMaxImportBytes = 512u << 20;

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& out)
{
    fw::UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxImportBytes)
        return false;
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    size_t at = 0;
    while (at < out.size()) {
        if (!::ReadFile(file.get(), out.data() + at, static_cast<DWORD>(out.size() - at), &done,
                        nullptr) || done == 0)
            return false;
        at += done;
    }
    return true;
}

} // namespace

void COrlixView::OnFileImport()
{
    std::wstring filter = AfxLoadUIString(IDS_IMPORT_FILTER);
    CFileDialog dlg(TRUE, L"txt", nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter.c_str());
    if (dlg.DoModal() != IDOK)
        return;
    ImportFile(dlg.GetPathName());
}

bool COrlixView::ImportFile(const std::wstring& path)
{
    std::vector<unsigned char> data;
    if (!ReadWholeFile(path, data)) {
        AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    orlix::ImportResult r = orlix::ParseImportFile(data.data(), data.size());
    if (!r.ours) {
        std::wstring text = AfxLoadUIString(IDS_IMPORT_NOT_OURS) + L"\n" + path;
        AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    for (const auto& row : r.rows) {
        if (m_rows.Size() == 0)
            m_timeOrigin = row.time;
        m_rows.Append(row.name, row.pid, row.time, row.text);
        OnRowStored();
    }
    if (m_bAutoScroll && !r.rows.empty())
        m_bScrollPending = true;
    FlushRows();
    return true;
}
