// File › Log File Options: when the automatic log starts a new file, how many
// files it keeps, and how it names them. Kept in Orlix.ini ([Log]).
#pragma once
#include "output/LogWriter.h"
#include "framework/Dialog.h"

class CLogOptionsDlg : public CDialog {
public:
    static constexpr unsigned kMaxKeep = orlix::kMaxLogKeep;
    static constexpr uint64_t kMaxKb = orlix::kMaxLogKb;
    CLogOptionsDlg();
    BOOL OnInitDialog() override;
    void OnOK() override;
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    orlix::LogRotation m_rotation;
    uint64_t m_sizeKb = 10240;   // shown while starting by size is off

private:
    void EnableParts();
};
