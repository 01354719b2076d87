// The list's columns as the user arranges them: widths and order (the header
// can be dragged), columns hidden from the header's right-click menu (never
// Logmessage), and the message column filling the width (View › Message
// Column Fills Width). Kept in the settings file's [Columns] and [View]
// sections once the user changed something; widths are kept at 96 DPI.
#pragma once
#include "view/ColumnSettings.h"
#include "framework/CmdUI.h"
#include "framework/Handles.h"
#include <commctrl.h>

class CListColumns : public CCmdTarget {
public:
    // Takes the list whose columns these are and applies the kept layout.
    void LoadColumnLayout(HWND list);
    void SaveColumnLayout();
    // Another list's layout, on this one (the views share their columns).
    void ApplyLayout(const orlix::ColumnLayout& layout);
    orlix::ColumnLayout CurrentColumnLayout() const;
    void ShowColumnMenu();
    void ToggleColumn(int column);
    // Hide/show a column, and the message column's option.
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    void SetFitMessageColumn(bool on);
    bool FitsMessageColumn() const { return m_bFitMessage; }
    void FitMessageColumn();
    // Pixels of the columns shown left of the message column.
    int WidthBeforeMessage() const;
    void OnHeaderNotify(const NMHDR* nm);

private:
    HWND m_list = nullptr;
    bool m_bFitMessage = false;
    bool m_bMessageUserSized = false;
    bool m_bFitting = false;
    orlix::ColumnLayout m_columns = orlix::DefaultColumnLayout();
    bool m_bColumnsSaved = false;   // a layout was read from the settings file
};

// The message column is fitted to the width again (after the header's own
// handling of a divider drag); posted to the list.
constexpr unsigned kMsgFitColumns = 0x8000 + 0x43;  // WM_APP + 0x43
