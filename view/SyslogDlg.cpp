#include "view/SyslogDlg.h"
#include "resources/resource.h"

CSyslogDlg::CSyslogDlg() : CDialog(IDD_SYSLOG) {}

BOOL CSyslogDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::CheckDlgButton(m_hWnd, IDC_SYSLOG_ENABLE, m_settings.enabled ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemText(IDC_SYSLOG_HOST, m_settings.host);
    SetDlgItemText(IDC_SYSLOG_PORT, std::to_wstring(m_settings.port));
    ::CheckRadioButton(m_hWnd, IDC_SYSLOG_UDP, IDC_SYSLOG_TCP,
                       m_settings.transport == orlix::syslog::Transport::Tcp ? IDC_SYSLOG_TCP
                                                                             : IDC_SYSLOG_UDP);
    HWND facility = ::GetDlgItem(m_hWnd, IDC_SYSLOG_FACILITY);
    for (const char* name : orlix::syslog::kFacilityNames) {
        std::wstring text;
        for (const char* p = name; *p; ++p)
            text += static_cast<wchar_t>(*p);
        ::SendMessageW(facility, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    ::SendMessageW(facility, CB_SETCURSEL, static_cast<WPARAM>(m_settings.facility), 0);
    return TRUE;
}

void CSyslogDlg::OnOK()
{
    orlix::syslog::Settings s = m_settings;
    s.enabled = ::IsDlgButtonChecked(m_hWnd, IDC_SYSLOG_ENABLE) == BST_CHECKED;
    std::wstring host = GetDlgItemText(IDC_SYSLOG_HOST);
    size_t first = host.find_first_not_of(L" \t");
    size_t last = host.find_last_not_of(L" \t");
    host = first == std::wstring::npos ? std::wstring() : host.substr(first, last - first + 1);
    if (host.empty() || host.size() > orlix::syslog::kMaxHostName) {
        AfxMessageBox(AfxLoadUIString(IDS_SYSLOG_NO_HOST).c_str(), MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_SYSLOG_HOST));
        return;
    }
    if (!orlix::syslog::ParsePort(GetDlgItemText(IDC_SYSLOG_PORT), s.port)) {
        AfxMessageBox(AfxLoadUIString(IDS_SYSLOG_BAD_PORT).c_str(), MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(::GetDlgItem(m_hWnd, IDC_SYSLOG_PORT));
        return;
    }
    s.host = host;
    s.transport = ::IsDlgButtonChecked(m_hWnd, IDC_SYSLOG_TCP) == BST_CHECKED
                      ? orlix::syslog::Transport::Tcp
                      : orlix::syslog::Transport::Udp;
    LRESULT sel = ::SendDlgItemMessageW(m_hWnd, IDC_SYSLOG_FACILITY, CB_GETCURSEL, 0, 0);
    if (sel >= 0 && sel < orlix::syslog::kFacilityCount)
        s.facility = static_cast<int>(sel);
    m_settings = s;
    CDialog::OnOK();
}
