#include "app/OrlixDoc.h"
#include "output/DocumentsFolder.h"
#include "view/FilterDlg.h"
#include "view/FrameImages.h"
#include "view/HistoryLimitDlg.h"
#include "view/LogOptionsDlg.h"
#include "settings/OptionsFile.h"
#include "framework/AfxState.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include "resources/resource.h"

namespace {

IFrameImages* FrameImages()
{
    CWinApp* app = AfxGetApp();
    return app ? dynamic_cast<IFrameImages*>(app->GetMainFrame()) : nullptr;
}

} // namespace

BOOL COrlixDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return FALSE;
    SetTitle(L"v1.0");
    return TRUE;
}

bool COrlixDoc::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    orlix::Capture& c = m_capture;
    if (m_follow.OnCmdMsg(id, code, pUI))
        return true;
    switch (id) {
    case ID_CLEAR:
        return Handle(code, pUI, [&] { OnClear(); });
    case ID_CAPTURE:
        return Handle(code, pUI, [&] { OnCapture(); },
                      [&](CCmdUI& ui) { ui.SetCheck(c.m_bCapture ? 1 : 0); });
    case ID_CAPTURE_GLOBAL:
        return Handle(code, pUI, [&] { OnCaptureGlobal(); },
                      [&](CCmdUI& ui) { ui.SetCheck(c.m_bCaptureGlobal ? 1 : 0); });
    case ID_FILTER:
        return Handle(code, pUI, [&] { OnFilter(); });
    case ID_LOG_TO_FILE:
        return Handle(code, pUI, [&] { OnLogToFile(); },
                      [&](CCmdUI& ui) { ui.SetCheck(c.m_bLogToFile ? 1 : 0); });
    case ID_LOG_OPTIONS:
        return Handle(code, pUI, [&] { OnLogOptions(); });
    case ID_BROADCAST_SEND:
        return Handle(code, pUI, [&] { c.m_bBroadcastSend = !c.m_bBroadcastSend; },
                      [&](CCmdUI& ui) { ui.SetCheck(c.m_bBroadcastSend ? 1 : 0); });
    case ID_BROADCAST_RECEIVE:
        return Handle(code, pUI, [&] { c.SetBroadcastReceive(!c.BroadcastReceive()); },
                      [&](CCmdUI& ui) { ui.SetCheck(c.BroadcastReceive() ? 1 : 0); });
    case ID_DECODE_UTF8:
        return Handle(code, pUI,
                      [&] {
                          c.SetDecodeUtf8(!c.DecodesUtf8());
                          orlix::WriteIntOption(L"View", L"DecodeUtf8", c.DecodesUtf8() ? 1 : 0);
                      },
                      [&](CCmdUI& ui) { ui.SetCheck(c.DecodesUtf8() ? 1 : 0); });
    case ID_HISTORY_LIMIT:
        return Handle(code, pUI, [&] { OnHistoryLimit(); });
    }
    return CDocument::OnCmdMsg(id, code, pUI);
}

void COrlixDoc::OnClear()
{
    m_capture.Clear();
}

void COrlixDoc::OnCapture()
{
    m_capture.m_bCapture = !m_capture.m_bCapture;
    if (IFrameImages* f = FrameImages())
        f->SetCaptureImage(m_capture.m_bCapture);
}

// Capture › Global: a second reader, of the channel services write to, into
// the same intake. Refused (no privilege to create global objects): a box
// says so and the switch stays off.
void COrlixDoc::OnCaptureGlobal()
{
    if (m_capture.m_bCaptureGlobal) {
        m_capture.StopGlobal();
        return;
    }
    unsigned long error = 0;
    if (m_capture.StartGlobal(error))
        return;
    std::wstring text = AfxLoadUIString(IDS_GLOBAL_REFUSED);
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos)
        text.replace(at, 2, std::to_wstring(error));
    HWND owner = AfxGetMainWnd();
    ::MessageBoxW(owner, text.c_str(), L"Orlix",
                  MB_OK | MB_ICONEXCLAMATION | (owner ? 0u : MB_TASKMODAL));
}

void COrlixDoc::OnFilter()
{
    CFilterDlg dlg;
    m_capture.m_filter.GetFilters(dlg.m_strInclude, dlg.m_strExclude);
    if (dlg.DoModal() == IDOK)
        m_capture.m_filter.SetFilters(dlg.m_strInclude.c_str(), dlg.m_strExclude.c_str());
}

void COrlixDoc::OnLogToFile()
{
    if (m_capture.m_bLogToFile) {
        m_capture.StopLogging();
    } else {
        wchar_t folder[MAX_PATH] = {};
        size_t len = 0;
        if (!GetPersonalFolderPath(folder, MAX_PATH, &len))
            return;
        SYSTEMTIME st;
        ::GetLocalTime(&st);
        wchar_t name[32];
        wsprintfW(name, L"%02d%02d%02d-%02d%02d%02d.txt", st.wYear % 100, st.wMonth, st.wDay,
                  st.wHour, st.wMinute, st.wSecond);
        std::wstring path = folder;
        if (!path.empty() && path.back() != L'\\')
            path += L'\\';
        path += name;
        std::wstring prompt = AfxLoadUIString(AFX_IDS_AUTOSAVE_NAME) + path;
        AfxMessageBox(prompt.c_str(), MB_OK | MB_ICONEXCLAMATION);
        m_capture.StartLogging(path);
    }
    if (IFrameImages* f = FrameImages())
        f->SetLogImage(m_capture.m_bLogToFile);
}

void COrlixDoc::OnLogOptions()
{
    CLogOptionsDlg dlg;
    dlg.m_rotation = orlix::ReadLogRotation();
    if (dlg.DoModal() != IDOK)
        return;
    orlix::WriteLogRotation(dlg.m_rotation);
    m_capture.Log().SetRotation(dlg.m_rotation);
}

void COrlixDoc::StartLoggingTo(const std::wstring& path)
{
    if (m_capture.m_bLogToFile)
        m_capture.StopLogging();
    m_capture.StartLogging(path);
    if (IFrameImages* f = FrameImages())
        f->SetLogImage(true);
}

void COrlixDoc::OnHistoryLimit()
{
    CHistoryLimitDlg dlg;
    dlg.m_rows = static_cast<int>(m_capture.HistoryLimit());
    if (dlg.DoModal() != IDOK || !dlg.m_valid)
        return;
    SetHistoryLimit(static_cast<size_t>(dlg.m_rows));
}

// Kept as [View] HistoryLimit; the views' lists follow at once.
void COrlixDoc::SetHistoryLimit(size_t rows)
{
    m_capture.SetHistoryLimit(rows);
    orlix::WriteIntOption(L"View", L"HistoryLimit", static_cast<int>(rows));
    m_capture.TrimHistory();
}
