#include "view/RowPainter.h"
#include <string>

namespace {

const COLORREF kBookmarkMark = RGB(0, 70, 200);
const int kBookmarkMarkWidth = 5;
// The list's own margin before a cell's text.
const int kTextMargin = 6;

// The message cell with its token spans in their rules' colours; false when
// the row has none (the control draws it).
bool PaintTokens(HWND list, const orlix::RowView& shown, NMLVCUSTOMDRAW* cd)
{
    const size_t item = cd->nmcd.dwItemSpec;
    if (item >= shown.Count() ||
        (::SendMessageW(list, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED))
        return false;
    const orlix::RowStore& rows = shown.Store();
    const std::wstring text = rows.Text(shown.ToStore(item));
    const auto spans = shown.Rules().Tokens(text);
    if (spans.empty())
        return false;
    RECT rc = {};
    rc.top = cd->iSubItem;
    rc.left = LVIR_LABEL;
    if (!::SendMessageW(list, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&rc)))
        return false;
    HDC dc = cd->nmcd.hdc;
    const COLORREF back = cd->clrTextBk == CLR_DEFAULT ? ::GetSysColor(COLOR_WINDOW) : cd->clrTextBk;
    const COLORREF fore = cd->clrText == CLR_DEFAULT ? ::GetSysColor(COLOR_WINDOWTEXT) : cd->clrText;
    ::SetDCBrushColor(dc, back);
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(dc, &tm);
    const int y = rc.top + ((rc.bottom - rc.top) - tm.tmHeight) / 2;
    int x = rc.left + kTextMargin;
    auto draw = [&](size_t from, size_t length, COLORREF f, COLORREF b) {
        if (length == 0 || x >= rc.right)
            return;
        SIZE size = {};
        ::GetTextExtentPoint32W(dc, text.data() + from, static_cast<int>(length), &size);
        RECT cell = { x, rc.top, x + size.cx, rc.bottom };
        ::SetTextColor(dc, f);
        ::SetBkColor(dc, b);
        ::ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &cell, text.data() + from,
                      static_cast<UINT>(length), nullptr);
        x += size.cx;
    };
    size_t at = 0;
    for (const orlix::TokenSpan& s : spans) {
        draw(at, s.start - at, fore, back);
        const orlix::ViewRule& rule = shown.Rules().Rules()[s.rule];
        draw(s.start, s.length, rule.foreground, rule.background);
        at = s.start + s.length;
    }
    draw(at, text.size() - at, fore, back);
    ::RestoreDC(dc, saved);
    return true;
}

} // namespace

bool PaintRow(HWND list, const orlix::RowView& shown, NMLVCUSTOMDRAW* cd, LRESULT* result)
{
    const bool tokens = shown.Rules().HasTokens();
    if (shown.Highlights().Empty() && !shown.Rules().HasHighlights() && !tokens &&
        !shown.HasBookmarks())
        return false;
    switch (cd->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        *result = CDRF_NOTIFYITEMDRAW;
        return true;
    case CDDS_ITEMPREPAINT: {
        const size_t item = cd->nmcd.dwItemSpec;
        LRESULT r = CDRF_DODEFAULT;
        if (item < shown.Count()) {
            if (auto colours = shown.ColoursOf(item)) {
                cd->clrText = colours->foreground;
                cd->clrTextBk = colours->background;
                r |= CDRF_NEWFONT;
            }
            if (shown.Bookmarked(item))
                r |= CDRF_NOTIFYPOSTPAINT;
            if (tokens)
                r |= CDRF_NOTIFYSUBITEMDRAW;
        }
        *result = r;
        return true;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        *result = cd->iSubItem == 3 && PaintTokens(list, shown, cd) ? CDRF_SKIPDEFAULT
                                                                    : CDRF_DODEFAULT;
        return true;
    case CDDS_ITEMPOSTPAINT: {
        RECT rc = {};
        rc.left = LVIR_BOUNDS;
        if (::SendMessageW(list, LVM_GETITEMRECT, cd->nmcd.dwItemSpec,
                           reinterpret_cast<LPARAM>(&rc))) {
            rc.right = rc.left + kBookmarkMarkWidth;
            ::SetDCBrushColor(cd->nmcd.hdc, kBookmarkMark);
            ::FillRect(cd->nmcd.hdc, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        }
        *result = CDRF_DODEFAULT;
        return true;
    }
    }
    *result = CDRF_DODEFAULT;
    return true;
}
