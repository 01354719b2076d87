// How the list shows a message (View › Fold Repeats, View › ANSI Colours:
// choices shared by every view of the capture, kept in [View]), and what
// leaves the view as it shows it: Copy, Save and Print of this view's rows.
// The store, the automatic log, broadcasts and syslog always keep every
// line as it came. Also the list's colours, light or dark (View › Theme).
#include "view/FindDialogs.h"
#include "view/OrlixView.h"
#include "settings/OptionsFile.h"
#include "framework/CmdUI.h"
#include "framework/File.h"
#include "framework/Theme.h"
#include "print/PrintPreview.h"
#include "print/Printing.h"
#include "resources/resource.h"
#include <algorithm>

namespace {
const wchar_t kViewSection[] = L"View";
const wchar_t kFoldKey[] = L"FoldRepeats";
const wchar_t kAnsiKey[] = L"AnsiColours";
} // namespace

void COrlixView::LoadDisplayChoices()
{
    m_shown->SetFoldRepeats(orlix::ReadIntOption(kViewSection, kFoldKey, 0, 0, 1) != 0);
    m_shown->SetAnsiColours(orlix::ReadIntOption(kViewSection, kAnsiKey, 0, 0, 1) != 0);
    // Folding works its index out in pieces once the list is there.
    if (m_shown->Refiltering())
        m_refilter.Start();
}

bool COrlixView::OnDisplayCommand(UINT id, int code, CCmdUI* pUI)
{
    if (id != ID_FOLD_REPEATS && id != ID_ANSI_COLOURS)
        return false;
    const bool fold = id == ID_FOLD_REPEATS;
    const bool on = fold ? m_shown->FoldsRepeats() : m_shown->AnsiColours();
    return Handle(code, pUI, [&] {
        orlix::WriteIntOption(kViewSection, fold ? kFoldKey : kAnsiKey, on ? 0 : 1);
        const std::vector<CView*> views = GetDocument() ? GetDocument()->GetViews()
                                                        : std::vector<CView*>{ this };
        for (CView* v : views) {
            auto* list = dynamic_cast<COrlixView*>(v);
            if (!list)
                continue;
            if (fold) {
                list->RebuildDisplay([&](orlix::RowView& r) { r.SetFoldRepeats(!on); });
            } else {
                list->m_shown->SetAnsiColours(!on);
                ::InvalidateRect(list->m_hWnd, nullptr, FALSE);
            }
        }
    }, [&](CCmdUI& ui) { ui.SetCheck(on ? 1 : 0); });
}

// Edit › Copy: the messages of the selected rows, one per line, as shown.
void COrlixView::OnEditCopy()
{
    int item = FirstSelectedItem();
    if (item < 0) {
        m_bHasSelection = FALSE;
        return;
    }
    std::wstring all;
    for (int i = item; i >= 0 && static_cast<size_t>(i) < DisplayCount();
         i = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
        if (i != item)
            all += L"\r\n";
        all += m_shown->ReshapesMessages() ? m_shown->MessageOf(i) : Rows().Text(StoreRow(i));
    }
    // Another program may hold the clipboard for a moment: the copy tries
    // again briefly before giving up.
    CopyTextToClipboard(m_hWnd, all);
    m_bHasSelection = TRUE;
}

void COrlixView::OnFileSave()
{
    CFileDialog dlg(FALSE, L"txt", L"Orlixlog", OFN_HIDEREADONLY, L"(*.txt)|*.txt||");
    if (dlg.DoModal() != IDOK)
        return;
    m_strSavePath = dlg.GetPathName();
    SaveTo(m_strSavePath);
}

void COrlixView::SaveTo(const std::wstring& path)
{
    // The rows this view shows (all of them when it filters none).
    std::vector<size_t> only;
    if (DisplayCount() != RowCount()) {
        only.reserve(DisplayCount());
        for (size_t item = 0; item < DisplayCount(); ++item)
            only.push_back(StoreRow(item));
    }
    // A folded row is saved once with its count, as the list shows it then.
    orlix::SaveMessageText message;
    if (m_shown->ReshapesMessages()) {
        std::vector<uint32_t> repeats;
        if (m_shown->FoldsRepeats()) {
            repeats.reserve(DisplayCount());
            for (size_t item = 0; item < DisplayCount(); ++item)
                repeats.push_back(m_shown->Repeats(item));
        }
        message = [&rows = Rows(), only, repeats = std::move(repeats),
                   ansi = m_shown->AnsiColours()](size_t n) {
            return orlix::RowView::ShapeMessage(rows.Text(only.empty() ? n : only[n]), ansi,
                                                n < repeats.size() ? repeats[n] : 1);
        };
    }
    m_saver.Start(m_hWnd, *m_capture, path,
                  m_timeMode != orlix::TimeMode::Clock
                      ? orlix::SaveTimeText([this](size_t row) { return TimeText(row); })
                      : orlix::SaveTimeText(),
                  std::move(only), std::move(message));
}

// The rows this view shows, as printing reads them.
size_t COrlixView::PrintRows::RowCount() const
{
    return view.DisplayCount();
}

std::wstring COrlixView::PrintRows::Cell(size_t row, int column) const
{
    if (column == 3 && view.Shown().ReshapesMessages())
        return view.Shown().MessageOf(row);
    return view.Rows().Column(view.StoreRow(row), column);
}

const wchar_t* COrlixView::PrintRows::Heading(int column) const
{
    return view.Rows().Heading(column);
}

void COrlixView::OnFilePrint(bool withDialog)
{
    PrintList(m_printRows, GetListColumnWidths(m_hWnd), withDialog);
}

void COrlixView::OnFilePrintPreview()
{
    CPrintPreview::Open(m_printRows, m_hWnd);
}

// ------------------------------------------------------------------ colours

void COrlixView::ApplyColours()
{
    const fw::Colours& c = fw::CurrentColours();
    ::SendMessageW(m_hWnd, LVM_SETBKCOLOR, 0, c.window);
    ::SendMessageW(m_hWnd, LVM_SETTEXTBKCOLOR, 0, c.window);
    ::SendMessageW(m_hWnd, LVM_SETTEXTCOLOR, 0, c.text);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    if (HWND header = reinterpret_cast<HWND>(::SendMessageW(m_hWnd, LVM_GETHEADER, 0, 0)))
        ::InvalidateRect(header, nullptr, TRUE);
}

// The header in dark colours: each column's heading drawn here, and the
// header's empty right part filled.
LRESULT COrlixView::PaintDarkHeader(NMCUSTOMDRAW* cd)
{
    const fw::Colours& c = fw::CurrentColours();
    if (cd->dwDrawStage == CDDS_PREPAINT) {
        RECT rc;
        ::GetClientRect(cd->hdr.hwndFrom, &rc);
        ::FillRect(cd->hdc, &rc, fw::FaceBrush());
        return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
    }
    if (cd->dwDrawStage == CDDS_POSTPAINT) {   // the part right of the last column
        RECT rc, last = {};
        ::GetClientRect(cd->hdr.hwndFrom, &rc);
        const int n = static_cast<int>(::SendMessageW(cd->hdr.hwndFrom, HDM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            RECT r = {};
            ::SendMessageW(cd->hdr.hwndFrom, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
            last.right = std::max(last.right, r.right);
        }
        rc.left = last.right;
        ::FillRect(cd->hdc, &rc, fw::FaceBrush());
        return CDRF_DODEFAULT;
    }
    if (cd->dwDrawStage != CDDS_ITEMPREPAINT)
        return CDRF_DODEFAULT;
    RECT rc = cd->rc;
    ::FillRect(cd->hdc, &rc, fw::FaceBrush());
    wchar_t text[128] = {};
    HDITEMW item = {};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 128;
    ::SendMessageW(cd->hdr.hwndFrom, HDM_GETITEMW, cd->dwItemSpec, reinterpret_cast<LPARAM>(&item));
    ::SetBkMode(cd->hdc, TRANSPARENT);
    ::SetTextColor(cd->hdc, c.faceText);
    RECT t = { rc.left + 6, rc.top, rc.right - 4, rc.bottom };
    ::DrawTextW(cd->hdc, text, -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    HPEN pen = ::CreatePen(PS_SOLID, 1, c.edge);
    HGDIOBJ old = ::SelectObject(cd->hdc, pen);
    ::MoveToEx(cd->hdc, rc.right - 1, rc.top + 3, nullptr);
    ::LineTo(cd->hdc, rc.right - 1, rc.bottom - 3);
    ::SelectObject(cd->hdc, old);
    ::DeleteObject(pen);
    return CDRF_SKIPDEFAULT;
}
