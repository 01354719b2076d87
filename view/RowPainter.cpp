#include "view/RowPainter.h"
#include "rows/AnsiText.h"
#include "framework/Handles.h"
#include "framework/Theme.h"
#include <string>
#include <vector>

namespace {

const COLORREF kBookmarkMark = RGB(0, 70, 200);
const int kBookmarkMarkWidth = 5;
// The list's own margin before a cell's text.
const int kTextMargin = 6;

// The list's font made bold, for text an ANSI sequence makes bold (kept
// while the list's font stays the same).
HFONT BoldFont(HDC dc)
{
    static HFONT s_base = nullptr;
    static fw::UniqueFont s_bold;
    HFONT base = static_cast<HFONT>(::GetCurrentObject(dc, OBJ_FONT));
    if (base != s_base || !s_bold) {
        LOGFONTW lf = {};
        ::GetObjectW(base, sizeof(lf), &lf);
        lf.lfWeight = FW_BOLD;
        s_bold.reset(::CreateFontIndirectW(&lf));
        s_base = base;
    }
    return s_bold.get();
}

struct Look {
    COLORREF fore, back;
    bool bold;
    bool operator==(const Look& o) const
    {
        return fore == o.fore && back == o.back && bold == o.bold;
    }
};

// The message cell in its colours: the ANSI sequences' (with ANSI colours
// on), the token spans' over them, then the count of a folded row; false
// when the text has no colours of its own (the control draws it).
bool PaintMessage(HWND list, const orlix::RowView& shown, NMLVCUSTOMDRAW* cd)
{
    const size_t item = cd->nmcd.dwItemSpec;
    if (item >= shown.Count() ||
        (::SendMessageW(list, LVM_GETITEMSTATE, item, LVIS_SELECTED) & LVIS_SELECTED))
        return false;
    orlix::AnsiText shape;
    shape.text = shown.Store().Text(shown.ToStore(item));
    if (shown.AnsiColours() && orlix::HasEscape(shape.text))
        shape = orlix::ParseAnsi(shape.text);
    const std::wstring& text = shape.text;
    const auto spans = shown.Rules().HasTokens() ? shown.Rules().Tokens(text)
                                                 : std::vector<orlix::TokenSpan>();
    if (spans.empty() && shape.runs.empty())
        return false;
    RECT rc = {};
    rc.top = cd->iSubItem;
    rc.left = LVIR_LABEL;
    if (!::SendMessageW(list, LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&rc)))
        return false;
    HDC dc = cd->nmcd.hdc;
    const COLORREF back = cd->clrTextBk == CLR_DEFAULT ? fw::CurrentColours().window : cd->clrTextBk;
    const COLORREF fore = cd->clrText == CLR_DEFAULT ? fw::CurrentColours().text : cd->clrText;
    // Each character's look: the row's, the ANSI colours, the tokens'.
    std::vector<Look> looks(text.size(), Look{ fore, back, false });
    for (const orlix::AnsiRun& r : shape.runs)
        for (size_t i = r.start; i < r.start + r.length && i < looks.size(); ++i)
            looks[i] = Look{ r.foreground >= 0 ? orlix::AnsiColour(r.foreground) : fore,
                             r.background >= 0 ? orlix::AnsiColour(r.background) : back, r.bold };
    for (const orlix::TokenSpan& s : spans) {
        const orlix::ViewRule& rule = shown.Rules().Rules()[s.rule];
        for (size_t i = s.start; i < s.start + s.length && i < looks.size(); ++i) {
            looks[i].fore = rule.foreground;
            looks[i].back = rule.background;
        }
    }
    ::SetDCBrushColor(dc, back);
    ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(dc, &tm);
    const int y = rc.top + ((rc.bottom - rc.top) - tm.tmHeight) / 2;
    int x = rc.left + kTextMargin;
    HFONT normal = static_cast<HFONT>(::GetCurrentObject(dc, OBJ_FONT));
    auto draw = [&](const wchar_t* chars, size_t length, const Look& look) {
        if (length == 0 || x >= rc.right)
            return;
        ::SelectObject(dc, look.bold ? BoldFont(dc) : normal);
        SIZE size = {};
        ::GetTextExtentPoint32W(dc, chars, static_cast<int>(length), &size);
        RECT cell = { x, rc.top, x + size.cx, rc.bottom };
        ::SetTextColor(dc, look.fore);
        ::SetBkColor(dc, look.back);
        ::ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, &cell, chars,
                      static_cast<UINT>(length), nullptr);
        x += size.cx;
    };
    for (size_t at = 0; at < text.size();) {
        size_t end = at + 1;
        while (end < text.size() && looks[end] == looks[at])
            ++end;
        draw(text.data() + at, end - at, looks[at]);
        at = end;
    }
    const std::wstring count = orlix::RowView::ShapeMessage(std::wstring(), false,
                                                            shown.Repeats(item));
    draw(count.data(), count.size(), Look{ fore, back, false });
    ::SelectObject(dc, normal);
    ::RestoreDC(dc, saved);
    return true;
}

} // namespace

bool PaintRow(HWND list, const orlix::RowView& shown, NMLVCUSTOMDRAW* cd, LRESULT* result)
{
    const bool tokens = shown.Rules().HasTokens() || shown.AnsiColours();
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
        *result = cd->iSubItem == 3 && PaintMessage(list, shown, cd) ? CDRF_SKIPDEFAULT
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
