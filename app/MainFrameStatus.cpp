// The main frame's settings and status: the filter's settings file, forwarding
// to syslog, and the status bar's panes.
#include "app/MainFrame.h"
#include "app/SyslogSettings.h"
#include "view/OrlixView.h"
#include "view/SyslogDlg.h"
#include "settings/OptionsFile.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "i18n/Language.h"
#include "print/Pagination.h"
#include "resources/resource.h"

// ---------------------------------------------------- filter persistence --

static std::wstring FilterSettingsPath(bool forReading = false)
{
    return SettingsFilePath(L"param.ini", forReading);
}

void CMainFrame::LoadFilterSettings()
{
    m_pIniFile = std::make_unique<IniFile>(FilterSettingsPath(true));
    if (!m_pIniFile->Load())
        return;
    ExchangeFilterSettings(false);
}

bool CMainFrame::ExchangeFilterSettings(bool save)
{
    if (!m_pIniFile)
        return false;
    std::wstring include, exclude;
    orlix::Capture* capture = TheCapture();
    if (save && capture)
        capture->m_filter.GetFilters(include, exclude);
    IniSection* section = m_pIniFile->GetSection(L"Filter");
    if (save) {
        std::wstring stored;
        if (!m_bFilterLoaded || include != m_loadedInclude || !section->GetValue(L"include", stored))
            section->SetValue(L"include", include);
        if (!m_bFilterLoaded || exclude != m_loadedExclude || !section->GetValue(L"exclude", stored))
            section->SetValue(L"exclude", exclude);
    } else {
        section->GetValue(L"include", include);
        section->GetValue(L"exclude", exclude);
        if (capture) {
            capture->m_filter.SetFilters(include.c_str(), exclude.c_str());
            capture->m_filter.GetFilters(m_loadedInclude, m_loadedExclude);
            m_bFilterLoaded = true;
        }
    }
    return true;
}

void CMainFrame::SaveFilterSettings()
{
    ExchangeFilterSettings(true);
    if (!m_pIniFile)
        return;
    m_pIniFile->SetPath(FilterSettingsPath());
    m_pIniFile->Save();
}

// ----------------------------------------------------- forwarding to syslog --

void CMainFrame::OnSyslogForward()
{
    CSyslogDlg dlg;
    dlg.m_settings = ReadSyslogSettings();
    orlix::Capture* capture = TheCapture();
    if (capture && capture->SyslogForwarding())
        dlg.m_settings = capture->SyslogForwarding()->GetSettings();
    if (dlg.DoModal() != IDOK)
        return;
    WriteSyslogSettings(dlg.m_settings);
    ApplySyslogSettings(dlg.m_settings);
}

void CMainFrame::ApplySyslogSettings(const orlix::syslog::Settings& settings)
{
    if (orlix::Capture* capture = TheCapture())
        capture->SetSyslogForwarding(settings);
    UpdateStatusPanes();
}

// The panes right of the message pane: with Status Bar Details on, a note
// while a filter is in force and the row count; while forwarding to syslog
// is on, the count of lines its full queue turned away. With neither, the
// status bar is the one message pane.
void CMainFrame::UpdateStatusPanes()
{
    HWND bar = m_statusBar.m_hWnd;
    if (!bar)
        return;
    std::vector<std::pair<int, std::wstring>> panes;   // width at 96 DPI, text
    orlix::Capture* capture = TheCapture();
    COrlixView* shown = ActiveListView();
    if (m_bStatusDetails && shown && capture) {
        bool intake = capture->m_filter.InForce();
        bool quick = shown->Narrowed();
        UINT note = intake && quick ? IDS_STATUS_BOTH_FILTERS
                    : intake        ? IDS_STATUS_FILTER
                    : quick         ? IDS_STATUS_QUICK_FILTER
                                    : 0;
        panes.push_back({ 150, note ? AfxLoadUIString(note) : std::wstring() });
        std::wstring count = std::to_wstring(shown->ShownRowCount());
        panes.push_back({ 170, quick ? orlix::FillInserts(AfxLoadUIString(IDS_STATUS_ROWS_SHOWN),
                                                   { count, std::to_wstring(shown->RowCount()) })
                                     : orlix::FillInserts(AfxLoadUIString(IDS_STATUS_ROWS), { count }) });
    }
    if (const orlix::SyslogForwarder* fwd = capture ? capture->SyslogForwarding() : nullptr) {
        std::wstring text = AfxLoadUIString(IDS_SYSLOG_PANE);
        std::wstring count = std::to_wstring(fwd->Dropped());
        panes.push_back({ 220, text.find(L"%1") != std::wstring::npos
                                   ? orlix::FillInserts(text, { count })
                                   : text + L" " + count });
    }
    const bool timer = m_bStatusDetails || (capture && capture->SyslogForwarding());
    if (timer != m_bStatusTimer) {
        if (timer)
            ::SetTimer(m_hWnd, kStatusPaneTimer, kStatusPaneMs, nullptr);
        else
            ::KillTimer(m_hWnd, kStatusPaneTimer);
        m_bStatusTimer = timer;
    }
    RECT rc = {};
    ::GetClientRect(bar, &rc);
    std::vector<int> parts;
    int right = rc.right;
    for (auto it = panes.rbegin(); it != panes.rend(); ++it) {
        int width = fw::ScaleForDpi(it->first, fw::WindowDpi(bar));
        // A narrow window keeps half of its width for the message pane.
        right = (std::max)(right - width, static_cast<int>(rc.right) / 2);
        parts.insert(parts.begin(), right);
    }
    parts.push_back(-1);
    if (parts.size() != m_nStatusParts || parts != m_statusPartEdges) {
        ::SendMessageW(bar, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
        m_nStatusParts = parts.size();
        m_statusPartEdges = parts;
    }
    for (size_t i = 0; i < panes.size(); ++i) {
        const WPARAM pane = i + 1;
        wchar_t current[256] = {};
        if (::SendMessageW(bar, SB_GETTEXTLENGTHW, pane, 0) < 256)
            ::SendMessageW(bar, SB_GETTEXTW, pane, reinterpret_cast<LPARAM>(current));
        if (panes[i].second != current)
            ::SendMessageW(bar, SB_SETTEXTW, pane, reinterpret_cast<LPARAM>(panes[i].second.c_str()));
    }
}
