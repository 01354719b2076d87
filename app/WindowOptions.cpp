// The main window's everyday options, kept in the settings file's [Window]
// section: always on top, the window's place, size and maximised state,
// dialogs centred over the window, and the status bar's details.
// The place is written only once the user moved or sized the window (or a
// place was kept before), so a run that changes nothing writes nothing.
#include "app/MainFrame.h"
#include "settings/OptionsFile.h"
#include "framework/Dialog.h"
#include "i18n/Language.h"
#include "resources/resource.h"

namespace {
const wchar_t kWindowSection[] = L"Window";
const int kFar = 100000;

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
} // namespace

std::wstring CMainFrame::TooltipFor(UINT id) const
{
    if (LPCWSTR tip = TranslateTooltip(id))
        return tip;
    return CFrameWnd::TooltipFor(id);
}

void CMainFrame::LoadWindowOptions(CREATESTRUCTW& cs)
{
    using orlix::ReadIntOption;
    m_bAlwaysOnTop = ReadIntOption(kWindowSection, L"AlwaysOnTop", 0, 0, 1) != 0;
    if (m_bAlwaysOnTop)
        cs.dwExStyle |= WS_EX_TOPMOST;
    SetDialogCentring(ReadIntOption(kWindowSection, L"CentreDialogs", 0, 0, 1) != 0);
    m_bStatusDetails = ReadIntOption(kWindowSection, L"StatusDetails", 0, 0, 1) != 0;
    RECT rc;
    rc.left = ReadIntOption(kWindowSection, L"Left", -kFar, -kFar, kFar);
    rc.top = ReadIntOption(kWindowSection, L"Top", -kFar, -kFar, kFar);
    rc.right = ReadIntOption(kWindowSection, L"Right", -kFar, -kFar, kFar);
    rc.bottom = ReadIntOption(kWindowSection, L"Bottom", -kFar, -kFar, kFar);
    if (rc.left == -kFar || rc.top == -kFar || rc.right == -kFar || rc.bottom == -kFar)
        return;
    // A place off every screen now (a monitor gone) or too small is not used.
    if (rc.right - rc.left < 200 || rc.bottom - rc.top < 150 ||
        !::MonitorFromRect(&rc, MONITOR_DEFAULTTONULL))
        return;
    cs.x = rc.left;
    cs.y = rc.top;
    cs.cx = rc.right - rc.left;
    cs.cy = rc.bottom - rc.top;
    m_bPlacementSaved = true;
    m_bStartMaximized = ReadIntOption(kWindowSection, L"Maximized", 0, 0, 1) != 0;
}

void CMainFrame::NoteStartPlacement()
{
    WINDOWPLACEMENT wp = { sizeof(wp) };
    if (::GetWindowPlacement(m_hWnd, &wp))
        m_startNormalRect = wp.rcNormalPosition;
}

void CMainFrame::SaveWindowPlacement()
{
    WINDOWPLACEMENT wp = { sizeof(wp) };
    if (!m_hWnd || !::GetWindowPlacement(m_hWnd, &wp))
        return;
    bool maximized = wp.showCmd == SW_SHOWMAXIMIZED ||
                     (wp.showCmd == SW_SHOWMINIMIZED && (wp.flags & WPF_RESTORETOMAXIMIZED));
    if (!m_bPlacementSaved && SameRect(wp.rcNormalPosition, m_startNormalRect) &&
        maximized == m_bStartMaximized)
        return;
    using orlix::WriteIntOption;
    WriteIntOption(kWindowSection, L"Left", wp.rcNormalPosition.left);
    WriteIntOption(kWindowSection, L"Top", wp.rcNormalPosition.top);
    WriteIntOption(kWindowSection, L"Right", wp.rcNormalPosition.right);
    WriteIntOption(kWindowSection, L"Bottom", wp.rcNormalPosition.bottom);
    WriteIntOption(kWindowSection, L"Maximized", maximized ? 1 : 0);
}

bool CMainFrame::OnWindowOptionCmd(UINT id, int code, CCmdUI* pUI)
{
    using orlix::WriteIntOption;
    if (id == ID_CENTER_DIALOGS)
        return Handle(code, pUI,
                      [&] {
                          SetDialogCentring(!DialogCentring());
                          WriteIntOption(kWindowSection, L"CentreDialogs", DialogCentring() ? 1 : 0);
                      },
                      [&](CCmdUI& ui) { ui.SetCheck(DialogCentring() ? 1 : 0); });
    if (id == ID_STATUS_DETAILS)
        return Handle(code, pUI,
                      [&] {
                          m_bStatusDetails = !m_bStatusDetails;
                          WriteIntOption(kWindowSection, L"StatusDetails", m_bStatusDetails ? 1 : 0);
                          UpdateStatusPanes();
                      },
                      [&](CCmdUI& ui) { ui.SetCheck(m_bStatusDetails ? 1 : 0); });
    if (id != ID_ALWAYS_ON_TOP)
        return false;
    return Handle(code, pUI,
                  [&] {
                      m_bAlwaysOnTop = !m_bAlwaysOnTop;
                      ::SetWindowPos(m_hWnd, m_bAlwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0,
                                     0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
                      WriteIntOption(kWindowSection, L"AlwaysOnTop", m_bAlwaysOnTop ? 1 : 0);
                  },
                  [&](CCmdUI& ui) { ui.SetCheck(m_bAlwaysOnTop ? 1 : 0); });
}
