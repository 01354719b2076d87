#include "app/FollowCommands.h"
#include "framework/AfxState.h"
#include "framework/App.h"
#include "framework/Dialog.h"
#include "framework/Digits.h"
#include "framework/DocTemplate.h"
#include "framework/Wnd.h"
#include "resources/resource.h"

namespace {

// The followed files, each of which can be stopped.
class CFollowStopDlg : public CDialog {
public:
    explicit CFollowStopDlg(orlix::Capture& capture) : CDialog(IDD_FOLLOW_STOP), m_capture(capture) {}

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        Fill();
        return TRUE;
    }

    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_COMMAND && LOWORD(wParam) == IDC_FOLLOW_STOP_ONE) {
            LRESULT at = ::SendDlgItemMessageW(m_hWnd, IDC_FOLLOW_LIST, LB_GETCURSEL, 0, 0);
            if (at != LB_ERR) {
                m_capture.StopFollowing(static_cast<size_t>(at));
                Fill();
            }
            return TRUE;
        }
        return CDialog::DialogProc(msg, wParam, lParam);
    }

private:
    void Fill()
    {
        HWND list = ::GetDlgItem(m_hWnd, IDC_FOLLOW_LIST);
        ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
        const orlix::FollowedFiles& files = m_capture.Followed();
        for (size_t i = 0; i < files.Count(); ++i)
            ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(files.Path(i).c_str()));
        ::SendMessageW(list, LB_SETCURSEL, 0, 0);
        ::SendMessageW(list, LB_SETHORIZONTALEXTENT, 2000, 0);
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_FOLLOW_STOP_ONE), files.Count() > 0);
    }

    orlix::Capture& m_capture;
};

class CFollowTailDlg : public CDialog {
public:
    CFollowTailDlg() : CDialog(IDD_FOLLOW_TAIL) {}

    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetDlgItemText(IDC_FOLLOW_TAIL_LINES, std::to_wstring(m_lines));
        return TRUE;
    }

    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_DESTROY) {
            auto v = fw::ParseDigits(GetDlgItemText(IDC_FOLLOW_TAIL_LINES), 100000000);
            m_valid = v.has_value();
            if (m_valid)
                m_lines = static_cast<size_t>(*v);
        }
        return CDialog::DialogProc(msg, wParam, lParam);
    }

    size_t m_lines = 0;
    bool m_valid = true;
};

} // namespace

bool CFollowCommands::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    switch (id) {
    case ID_FOLLOW_FILE:
        return Handle(code, pUI, [&] { OnFollowFile(); });
    case ID_FOLLOW_STOP:
        return Handle(code, pUI, [&] { OnStopFollowing(); },
                      [&](CCmdUI& ui) { ui.Enable(m_capture.Followed().Count() > 0); });
    case ID_FOLLOW_TAIL:
        return Handle(code, pUI, [&] { OnTailLines(); });
    }
    return false;
}

void CFollowCommands::OnFollowFile()
{
    std::wstring filter = AfxLoadUIString(IDS_FOLLOW_FILTER);
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_HIDEREADONLY, filter.c_str());
    if (dlg.DoModal() == IDOK)
        Follow(dlg.GetPathName());
}

void CFollowCommands::Follow(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (m_capture.Follow(n > 0 && n < MAX_PATH ? full : path))
        return;
    std::wstring text = AfxLoadUIString(IDS_FOLLOW_FAILED);
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos)
        text.replace(at, 2, path);
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CFollowCommands::OnStopFollowing()
{
    CFollowStopDlg dlg(m_capture);
    dlg.DoModal();
}

void CFollowCommands::OnTailLines()
{
    CFollowTailDlg dlg;
    dlg.m_lines = m_capture.TailLines();
    if (dlg.DoModal() == IDOK && dlg.m_valid)
        m_capture.SetTailLines(dlg.m_lines);
}

void CFollowCommands::OnDropFiles(HDROP drop, orlix::Capture* capture)
{
    const bool follow = ::GetKeyState(VK_SHIFT) < 0;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::wstring> paths;
    for (UINT i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH] = {};
        if (::DragQueryFileW(drop, i, path, MAX_PATH))
            paths.emplace_back(path);
    }
    ::DragFinish(drop);
    if (follow && capture) {
        CFollowCommands commands(*capture);
        for (const std::wstring& p : paths)
            commands.Follow(p);
    } else if (!paths.empty()) {
        // As File › Open does with the file it is given (one: the first).
        CWinApp* app = AfxGetApp();
        if (app && app->GetDocTemplate())
            app->GetDocTemplate()->OpenDocumentFile(paths.front().c_str());
    }
}
