// The list's columns as the user arranges them: widths and order (the header
// can be dragged), columns hidden from the header's right-click menu (never
// Logmessage). Kept in the settings file's [Columns] section once the user
// changed something; a run that leaves them as they are writes nothing.
// Widths are kept at 96 DPI, so they mean the same on a screen of any scale.
#include "view/ListColumns.h"
#include "settings/OptionsFile.h"
#include "framework/AfxState.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {
const wchar_t kColumnsSection[] = L"Columns";
const int kColumnCount = static_cast<int>(orlix::kListColumnCount);
const wchar_t kFitKey[] = L"FitMessageColumn";
} // namespace

void CListColumns::LoadColumnLayout(HWND list)
{
    m_list = list;
    m_bFitMessage = orlix::ReadIntOption(L"View", kFitKey, 0, 0, 1) != 0;
    ::SendMessageW(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_HEADERDRAGDROP,
                   LVS_EX_HEADERDRAGDROP);
    std::wstring order = orlix::ReadTextOption(kColumnsSection, L"Order");
    std::wstring widths = orlix::ReadTextOption(kColumnsSection, L"Widths");
    std::wstring hidden = orlix::ReadTextOption(kColumnsSection, L"Hidden");
    m_bColumnsSaved = !order.empty() || !widths.empty() || !hidden.empty();
    m_columns = orlix::DefaultColumnLayout();
    orlix::ApplyColumnSettings(m_columns, order, widths, hidden);
    if (m_columns == orlix::DefaultColumnLayout())
        return;
    ApplyLayout(m_columns);
}

void CListColumns::ApplyLayout(const orlix::ColumnLayout& layout)
{
    if (!m_list)
        return;
    m_columns = layout;
    const UINT dpi = fw::WindowDpi(m_list);
    for (int i = 0; i < kColumnCount; ++i)
        ::SendMessageW(m_list, LVM_SETCOLUMNWIDTH, i,
                       m_columns.hidden[i] ? 0
                                           : fw::RescaleForDpi(m_columns.width[i], fw::kBaseDpi, dpi));
    ::SendMessageW(m_list, LVM_SETCOLUMNORDERARRAY, kColumnCount,
                   reinterpret_cast<LPARAM>(m_columns.order.data()));
    FitMessageColumn();
}

orlix::ColumnLayout CListColumns::CurrentColumnLayout() const
{
    orlix::ColumnLayout l = m_columns;
    std::array<int, orlix::kListColumnCount> order{};
    if (::SendMessageW(m_list, LVM_GETCOLUMNORDERARRAY, kColumnCount,
                       reinterpret_cast<LPARAM>(order.data())))
        l.order = order;
    const UINT dpi = fw::WindowDpi(m_list);
    for (int i = 0; i < kColumnCount; ++i) {
        int w = static_cast<int>(::SendMessageW(m_list, LVM_GETCOLUMNWIDTH, i, 0));
        w = fw::RescaleForDpi(w, dpi, fw::kBaseDpi);
        // A hidden column the user dragged open again counts as shown.
        if (l.hidden[i] && w > 0)
            l.hidden[i] = false;
        // A width the window gave the message column is not the user's.
        if (!l.hidden[i] && !(i == orlix::kMessageColumn && m_bFitMessage && !m_bMessageUserSized))
            l.width[i] = w;
    }
    return l;
}

void CListColumns::SaveColumnLayout()
{
    if (!m_list)
        return;
    orlix::ColumnLayout l = CurrentColumnLayout();
    if (!m_bColumnsSaved && l == orlix::DefaultColumnLayout())
        return;
    orlix::WriteTextOption(kColumnsSection, L"Order", orlix::OrderText(l));
    orlix::WriteTextOption(kColumnsSection, L"Widths", orlix::WidthsText(l));
    orlix::WriteTextOption(kColumnsSection, L"Hidden", orlix::HiddenText(l));
}

void CListColumns::ToggleColumn(int column)
{
    if (column < 0 || column >= kColumnCount || column == orlix::kMessageColumn)
        return;
    m_columns = CurrentColumnLayout();
    bool hide = !m_columns.hidden[column];
    m_columns.hidden[column] = hide;
    int width = m_columns.width[column];
    if (!hide && width <= 0)
        width = orlix::kListColumns[column].width;
    ::SendMessageW(m_list, LVM_SETCOLUMNWIDTH, column,
                   hide ? 0 : fw::RescaleForDpi(width, fw::kBaseDpi, fw::WindowDpi(m_list)));
    FitMessageColumn();
}

// View › Message Column Fills Width: the message column takes the list's
// width that the other columns leave, on every resize, until the user sizes
// it by hand (for this run; switching the option on again resumes).
void CListColumns::SetFitMessageColumn(bool on)
{
    m_bFitMessage = on;
    m_bMessageUserSized = false;
    if (!on && m_list) {
        const int kept = m_columns.width[orlix::kMessageColumn];
        ::SendMessageW(m_list, LVM_SETCOLUMNWIDTH, orlix::kMessageColumn,
                       fw::RescaleForDpi(kept, fw::kBaseDpi, fw::WindowDpi(m_list)));
    }
    FitMessageColumn();
}

void CListColumns::FitMessageColumn()
{
    if (!m_bFitMessage || m_bMessageUserSized || !m_list || m_bFitting)
        return;
    RECT rc = {};
    ::GetClientRect(m_list, &rc);
    int others = 0;
    for (int i = 0; i < kColumnCount; ++i)
        if (i != orlix::kMessageColumn)
            others += static_cast<int>(::SendMessageW(m_list, LVM_GETCOLUMNWIDTH, i, 0));
    const int least = fw::ScaleForDpi(80, fw::WindowDpi(m_list));
    int width = rc.right - others;
    if (width < least)
        width = least;
    if (width == static_cast<int>(::SendMessageW(m_list, LVM_GETCOLUMNWIDTH,
                                                 orlix::kMessageColumn, 0)))
        return;
    m_bFitting = true;
    ::SendMessageW(m_list, LVM_SETCOLUMNWIDTH, orlix::kMessageColumn, width);
    m_bFitting = false;
}

int CListColumns::WidthBeforeMessage() const
{
    std::array<int, orlix::kListColumnCount> order{};
    if (!::SendMessageW(m_list, LVM_GETCOLUMNORDERARRAY, kColumnCount,
                        reinterpret_cast<LPARAM>(order.data())))
        return 0;
    int width = 0;
    for (int column : order) {
        if (column == orlix::kMessageColumn)
            break;
        width += static_cast<int>(::SendMessageW(m_list, LVM_GETCOLUMNWIDTH, column, 0));
    }
    return width;
}

// The header's notifications: a divider dragged or double-clicked by the user.
void CListColumns::OnHeaderNotify(const NMHDR* nm)
{
    const auto* h = reinterpret_cast<const NMHEADERW*>(nm);
    switch (nm->code) {
    case HDN_ENDTRACKW:
    case HDN_ENDTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
        if (h->iItem == orlix::kMessageColumn) {
            if (m_bFitMessage)
                m_bMessageUserSized = true;
        } else {
            // The other columns' new widths are known once the header is
            // done with them.
            ::PostMessageW(m_list, kMsgFitColumns, 0, 0);
        }
        break;
    }
}

void CListColumns::ShowColumnMenu()
{
    fw::UniqueMenu menu(::CreatePopupMenu());
    if (!menu)
        return;
    for (int i = 0; i < kColumnCount; ++i)
        ::AppendMenuW(menu.get(), MF_STRING, ID_COLUMN_FIRST + i, orlix::kListColumns[i].heading);
    POINT pt;
    ::GetCursorPos(&pt);
    // The frame owns the menu: checks come from the update path, the choice
    // arrives as a command like any other.
    HWND owner = AfxGetMainWnd();
    ::TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner ? owner : m_list, nullptr);
}

bool CListColumns::OnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    if (id == ID_FIT_MESSAGE_COLUMN)
        return Handle(code, pUI,
                                  [&] {
                                      SetFitMessageColumn(!m_bFitMessage);
                                      orlix::WriteIntOption(L"View", kFitKey,
                                                            m_bFitMessage ? 1 : 0);
                                  },
                                  [&](CCmdUI& ui) { ui.SetCheck(m_bFitMessage ? 1 : 0); });
    if (id < ID_COLUMN_FIRST || id > ID_COLUMN_LAST)
        return false;
    int column = static_cast<int>(id - ID_COLUMN_FIRST);
    return Handle(code, pUI, [&] { ToggleColumn(column); }, [&](CCmdUI& ui) {
        ui.SetCheck(CurrentColumnLayout().hidden[column] ? 0 : 1);
        ui.Enable(column != orlix::kMessageColumn);
    });
}
