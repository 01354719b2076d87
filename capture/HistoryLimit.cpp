// "Keep at most N rows": beyond N the oldest rows leave the store and the
// list, in one step per refresh of the list (so a stream costs one move of
// the index per burst, and whole text chunks go back to the system). The
// selection and the rows in view stay on the same lines where they still
// exist. Kept as [View] HistoryLimit; 0 (the default) keeps every row.
#include "capture/OrlixView.h"
#include "capture/ViewOptions.h"
#include "framework/Dialog.h"
#include "resources/resource.h"
#include <climits>
#include <commctrl.h>

namespace {

const wchar_t kViewSection[] = L"View";
const wchar_t kLimitKey[] = L"HistoryLimit";
const int kMaxLimit = 100000000;

class CHistoryLimitDlg : public CDialog {
public:
    CHistoryLimitDlg() : CDialog(IDD_HISTORY_LIMIT) {}
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetDlgItemText(IDC_HISTORY_ROWS, std::to_wstring(m_rows));
        return TRUE;
    }
    INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_DESTROY) {
            std::wstring text = GetDlgItemText(IDC_HISTORY_ROWS);
            long long v = 0;
            bool ok = !text.empty() && text.size() <= 9;
            for (wchar_t c : text) {
                if (c < L'0' || c > L'9') {
                    ok = false;
                    break;
                }
                v = v * 10 + (c - L'0');
            }
            m_valid = ok && v <= kMaxLimit;
            if (m_valid)
                m_rows = static_cast<int>(v);
        }
        return CDialog::DialogProc(msg, wParam, lParam);
    }
    int m_rows = 0;
    bool m_valid = true;
};

} // namespace

void COrlixView::LoadHistoryLimit()
{
    m_historyLimit = static_cast<size_t>(orlix::ReadIntOption(kViewSection, kLimitKey, 0, 0,
                                                              kMaxLimit));
}

void COrlixView::OnHistoryLimit()
{
    CHistoryLimitDlg dlg;
    dlg.m_rows = static_cast<int>(m_historyLimit);
    if (dlg.DoModal() != IDOK || !dlg.m_valid)
        return;
    SetHistoryLimit(static_cast<size_t>(dlg.m_rows));
}

void COrlixView::SetHistoryLimit(size_t rows)
{
    m_historyLimit = rows;
    orlix::WriteIntOption(kViewSection, kLimitKey, static_cast<int>(rows));
    FlushRows();
}

void COrlixView::TrimHistory()
{
    if (m_historyLimit == 0 || m_rows.Size() <= m_historyLimit)
        return;
    const size_t drop = m_rows.Size() - m_historyLimit;
    // The list items that go: with a quick filter in force, only the shown
    // ones among the dropped rows.
    const size_t goneItems = m_display.LowerItem(drop, m_rows.Size());
    const int gone = goneItems > static_cast<size_t>(INT_MAX) ? INT_MAX
                                                              : static_cast<int>(goneItems);
    int top = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETTOPINDEX, 0, 0));
    int selected = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM,
                                                   static_cast<WPARAM>(-1), LVNI_SELECTED));
    int focused = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM,
                                                  static_cast<WPARAM>(-1), LVNI_FOCUSED));
    m_rows.DropOldest(drop);
    OnRowsDropped(drop);

    LVITEMW clear = {};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&clear));
    const int n = static_cast<int>(DisplayCount());
    ::SendMessageW(m_hWnd, LVM_SETITEMCOUNT, n, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    if (selected >= gone) {
        LVITEMW sel = {};
        sel.stateMask = sel.state = LVIS_SELECTED;
        ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, selected - gone, reinterpret_cast<LPARAM>(&sel));
    } else if (selected >= 0) {
        m_bHasSelection = FALSE;
    }
    if (focused >= gone) {
        LVITEMW foc = {};
        foc.stateMask = foc.state = LVIS_FOCUSED;
        ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, focused - gone, reinterpret_cast<LPARAM>(&foc));
    }
    // The lines in view stay in view (unless new rows scroll in anyway).
    if (!m_bScrollPending && n > 0) {
        int wantTop = top - gone < 0 ? 0 : top - gone;
        int nowTop = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETTOPINDEX, 0, 0));
        RECT rc = {};
        rc.left = LVIR_BOUNDS;
        if (wantTop != nowTop &&
            ::SendMessageW(m_hWnd, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc)) &&
            rc.bottom > rc.top)
            ::SendMessageW(m_hWnd, LVM_SCROLL, 0, (wantTop - nowTop) * (rc.bottom - rc.top));
    }
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}
