// The list's columns as the user arranges them: widths and order (the header
// can be dragged), columns hidden from the header's right-click menu (never
// Logmessage). Kept in the settings file's [Columns] section once the user
// changed something; a run that leaves them as they are writes nothing.
// Widths are kept at 96 DPI, so they mean the same on a screen of any scale.
#include "capture/OrlixView.h"
#include "capture/ViewOptions.h"
#include "framework/AfxState.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {
const wchar_t kColumnsSection[] = L"Columns";
const int kColumnCount = static_cast<int>(orlix::kListColumnCount);
} // namespace

void COrlixView::LoadColumnLayout()
{
    ::SendMessageW(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_HEADERDRAGDROP,
                   LVS_EX_HEADERDRAGDROP);
    std::wstring order = orlix::ReadTextOption(kColumnsSection, L"Order");
    std::wstring widths = orlix::ReadTextOption(kColumnsSection, L"Widths");
    std::wstring hidden = orlix::ReadTextOption(kColumnsSection, L"Hidden");
    m_bColumnsSaved = !order.empty() || !widths.empty() || !hidden.empty();
    m_columns = orlix::DefaultColumnLayout();
    orlix::ApplyColumnSettings(m_columns, order, widths, hidden);
    if (m_columns == orlix::DefaultColumnLayout())
        return;
    const UINT dpi = fw::WindowDpi(m_hWnd);
    for (int i = 0; i < kColumnCount; ++i)
        ::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, i,
                       m_columns.hidden[i] ? 0
                                           : fw::RescaleForDpi(m_columns.width[i], fw::kBaseDpi, dpi));
    ::SendMessageW(m_hWnd, LVM_SETCOLUMNORDERARRAY, kColumnCount,
                   reinterpret_cast<LPARAM>(m_columns.order.data()));
}

orlix::ColumnLayout COrlixView::CurrentColumnLayout() const
{
    orlix::ColumnLayout l = m_columns;
    std::array<int, orlix::kListColumnCount> order{};
    if (::SendMessageW(m_hWnd, LVM_GETCOLUMNORDERARRAY, kColumnCount,
                       reinterpret_cast<LPARAM>(order.data())))
        l.order = order;
    const UINT dpi = fw::WindowDpi(m_hWnd);
    for (int i = 0; i < kColumnCount; ++i) {
        int w = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETCOLUMNWIDTH, i, 0));
        w = fw::RescaleForDpi(w, dpi, fw::kBaseDpi);
        // A hidden column the user dragged open again counts as shown.
        if (l.hidden[i] && w > 0)
            l.hidden[i] = false;
        if (!l.hidden[i])
            l.width[i] = w;
    }
    return l;
}

void COrlixView::SaveColumnLayout()
{
    if (!m_hWnd || !m_bInitialized)
        return;
    orlix::ColumnLayout l = CurrentColumnLayout();
    if (!m_bColumnsSaved && l == orlix::DefaultColumnLayout())
        return;
    orlix::WriteTextOption(kColumnsSection, L"Order", orlix::OrderText(l));
    orlix::WriteTextOption(kColumnsSection, L"Widths", orlix::WidthsText(l));
    orlix::WriteTextOption(kColumnsSection, L"Hidden", orlix::HiddenText(l));
}

void COrlixView::ToggleColumn(int column)
{
    if (column < 0 || column >= kColumnCount || column == orlix::kMessageColumn)
        return;
    m_columns = CurrentColumnLayout();
    bool hide = !m_columns.hidden[column];
    m_columns.hidden[column] = hide;
    int width = m_columns.width[column];
    if (!hide && width <= 0)
        width = orlix::kListColumns[column].width;
    ::SendMessageW(m_hWnd, LVM_SETCOLUMNWIDTH, column,
                   hide ? 0 : fw::RescaleForDpi(width, fw::kBaseDpi, fw::WindowDpi(m_hWnd)));
}

void COrlixView::ShowColumnMenu()
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
    ::TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner ? owner : m_hWnd, nullptr);
}

bool COrlixView::OnColumnCmdMsg(UINT id, int code, CCmdUI* pUI)
{
    if (id < ID_COLUMN_FIRST || id > ID_COLUMN_LAST)
        return false;
    int column = static_cast<int>(id - ID_COLUMN_FIRST);
    return Handle(code, pUI, [&] { ToggleColumn(column); }, [&](CCmdUI& ui) {
        ui.SetCheck(CurrentColumnLayout().hidden[column] ? 0 : 1);
        ui.Enable(column != orlix::kMessageColumn);
    });
}
