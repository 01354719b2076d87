#include "view/ListFiles.h"
#include "rows/ImportList.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include "print/Pagination.h"
#include "resources/resource.h"

namespace {
// One piece of a save formats rows for this long at most (milliseconds).
const ULONGLONG kSliceMs = 8;
// How often at most the progress is told (milliseconds).
const ULONGLONG kSaveProgressMs = 200;
} // namespace

CListSave::~CListSave()
{
    if (m_job)
        End();
}

void CListSave::Start(HWND view, orlix::Capture& capture, const std::wstring& path,
                      orlix::SaveTimeText timeText)
{
    Cancel();
    m_path = path;
    m_job = std::make_unique<orlix::SaveJob>(capture.Rows(), path, std::move(timeText));
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
    const ULONGLONG t0 = ::GetTickCount64();
    orlix::SaveJob::State state;
    do
        state = m_job->Step(2048);
    while (state == orlix::SaveJob::State::Running && ::GetTickCount64() - t0 < kSliceMs);
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
