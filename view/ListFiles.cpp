#include "view/ListFiles.h"
#include "rows/ImportList.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include "print/Pagination.h"
#include "resources/resource.h"

namespace {
// One piece of a save or an import runs this long at most (milliseconds).
const double kSliceMs = 8.0;
// How often at most the progress is told (milliseconds).
const ULONGLONG kSaveProgressMs = 200;
} // namespace

CListSave::~CListSave()
{
    if (m_job)
        End();
}

void CListSave::Start(HWND view, orlix::Capture& capture, const std::wstring& path,
                      orlix::SaveTimeText timeText, std::vector<size_t> only,
                      orlix::SaveMessageText messageText)
{
    Cancel();
    m_path = path;
    m_job = std::make_unique<orlix::SaveJob>(capture.Rows(), path, std::move(timeText),
                                             std::move(only), std::move(messageText));
    if (!m_job->Start()) {
        m_job.reset();
        AfxMessageBox(orlix::OpenFileFailedText(path).c_str());
        return;
    }
    m_capture = &capture;
    capture.HoldTrim(true);
    m_pieces.Attach(view);
    m_shownAt = ::GetTickCount64();
    Continue();
}

void CListSave::Continue()
{
    if (!m_job)
        return;
    const double t0 = SliceClockMs();
    orlix::SaveJob::State state;
    try {
        do
            state = m_job->Step(1024);
        while (state == orlix::SaveJob::State::Running && SliceClockMs() - t0 < kSliceMs);
    } catch (const std::bad_alloc&) {
        m_job->Cancel();
        End();
        ReportOutOfMemory();
        return;
    }
    if (state == orlix::SaveJob::State::Running) {
        // A long list takes a while: the status bar tells how far it got, a
        // few times a second (each repaint costs more than many rows).
        CFrameWnd* frame = AfxGetApp() ? AfxGetApp()->GetMainFrame() : nullptr;
        const ULONGLONG now = ::GetTickCount64();
        if (frame && frame->m_hWnd && now - m_shownAt >= kSaveProgressMs) {
            m_shownAt = now;
            const size_t total = m_job->Total() ? m_job->Total() : 1;
            const int percent = static_cast<int>(m_job->Done() * 100 / total);
            frame->SetMessageText(orlix::FillInserts(AfxLoadUIString(IDS_SAVE_PROGRESS),
                                                     { std::to_wstring(percent) }).c_str());
            if (frame->m_pStatusBar && frame->m_pStatusBar->m_hWnd)
                ::UpdateWindow(frame->m_pStatusBar->m_hWnd);
        }
        m_pieces.Next();
        return;
    }
    const bool saved = m_job->Finished();
    End();
    if (CFrameWnd* frame = AfxGetApp() ? AfxGetApp()->GetMainFrame() : nullptr)
        frame->SetMessageText(AFX_IDS_IDLEMESSAGE);
    if (!saved)
        AfxMessageBox(orlix::OpenFileFailedText(m_path).c_str());
}

void CListSave::Cancel()
{
    if (!m_job)
        return;
    m_job->Cancel();
    End();
    if (CFrameWnd* frame = AfxGetApp() ? AfxGetApp()->GetMainFrame() : nullptr)
        frame->SetMessageText(AfxLoadUIString(IDS_SAVE_STOPPED).c_str());
}

void CListSave::End()
{
    m_job.reset();
    m_pieces.Stop();
    if (m_capture)
        m_capture->HoldTrim(false);
    m_capture = nullptr;
}

namespace {

CFrameWnd* MainFrame()
{
    return AfxGetApp() ? AfxGetApp()->GetMainFrame() : nullptr;
}

void ShowStatus(const std::wstring& text)
{
    if (CFrameWnd* frame = MainFrame())
        frame->SetMessageText(text.c_str());
}

// Read from the file at a time.
constexpr DWORD kImportPieceBytes = 256 * 1024;

} // namespace

void ReportOutOfMemory()
{
    AfxMessageBox(AfxLoadUIString(IDS_OUT_OF_MEMORY).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

CListImport::~CListImport()
{
    End();
}

bool CListImport::Start(HWND view, orlix::Capture& capture, const std::wstring& path)
{
    Cancel();
    m_file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                           nullptr);
    LARGE_INTEGER size = {};
    if (m_file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(m_file, &size)) {
        End();
        AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_path = path;
    m_size = static_cast<unsigned long long>(size.QuadPart);
    if (m_size % 2 != 0) {   // UTF-16 text has an even length
        NotOurs();
        return false;
    }
    m_capture = &capture;
    m_read = 0;
    m_rows = 0;
    m_reader = std::make_unique<orlix::ImportReader>();
    m_buffer.resize(kImportPieceBytes);
    m_pieces.Attach(view);
    m_shownAt = ::GetTickCount64();
    Continue();
    return true;
}

void CListImport::Continue()
{
    if (!Running())
        return;
    const double t0 = SliceClockMs();
    try {
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(m_file, m_buffer.data(), kImportPieceBytes, &got, nullptr)) {
                const std::wstring path = m_path;
                End();
                AfxMessageBox(orlix::OpenFileFailedText(path).c_str(), MB_OK | MB_ICONEXCLAMATION);
                return;
            }
            m_read += got;
            m_pending.clear();
            if (got)
                m_reader->Feed(m_buffer.data(), got, m_pending);
            else
                m_reader->Finish(m_pending);
            for (const orlix::ImportedRow& row : m_pending)
                m_capture->AppendRow(row.name, row.pid, row.time, row.text, row.hasPid);
            m_rows += m_pending.size();
            if (m_reader->State() == orlix::ImportReader::Verdict::NotOurs) {
                NotOurs();
                return;
            }
            if (got == 0) {
                End();
                ShowStatus(AfxLoadUIString(AFX_IDS_IDLEMESSAGE));
                return;
            }
            if (SliceClockMs() - t0 >= kSliceMs)
                break;
        }
    } catch (const std::bad_alloc&) {
        End();
        m_pending = std::vector<orlix::ImportedRow>();
        ReportOutOfMemory();
        return;
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now - m_shownAt >= kSaveProgressMs) {
        m_shownAt = now;
        const int percent = m_size ? static_cast<int>(m_read * 100 / m_size) : 100;
        ShowStatus(orlix::FillInserts(AfxLoadUIString(IDS_IMPORT_PROGRESS),
                                      { std::to_wstring(percent) }));
    }
    m_pieces.Next();
}

void CListImport::NotOurs()
{
    const std::wstring path = m_path;
    End();
    std::wstring text = AfxLoadUIString(IDS_IMPORT_NOT_OURS) + L"\n" + path;
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CListImport::Cancel()
{
    if (!Running())
        return;
    const size_t rows = m_rows;
    End();
    ShowStatus(orlix::FillInserts(AfxLoadUIString(IDS_IMPORT_STOPPED), { std::to_wstring(rows) }));
}

void CListImport::End()
{
    if (m_file != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    m_reader.reset();
    m_buffer = std::vector<unsigned char>();
    m_pieces.Stop();
    m_capture = nullptr;
}
