// The "Forward to syslog" dialog: on/off, server, protocol and facility.
// m_settings is read on open and, after OK, holds what was chosen.
#pragma once
#include "output/SyslogFormat.h"
#include "framework/Dialog.h"

class CSyslogDlg : public CDialog {
public:
    CSyslogDlg();
    BOOL OnInitDialog() override;
    void OnOK() override;

    orlix::syslog::Settings m_settings;
};
