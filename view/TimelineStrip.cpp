#include "view/TimelineStrip.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "framework/Handles.h"
#include "framework/Theme.h"
#include "print/Pagination.h"
#include "resources/resource.h"
#include <windowsx.h>
#include <commctrl.h>
#include <algorithm>

namespace {

const wchar_t kClass[] = L"OrlixTimeline";
const COLORREF kColours[CTimelineStrip::kColoured + 1] = {
    RGB(31, 119, 180), RGB(255, 127, 14), RGB(44, 160, 44), RGB(214, 39, 40),
    RGB(148, 103, 189), RGB(150, 150, 150),   // the rest
};

COLORREF Mix(COLORREF a, COLORREF b, int percentOfB)
{
    auto m = [&](int x, int y) { return (x * (100 - percentOfB) + y * percentOfB) / 100; };
    return RGB(m(GetRValue(a), GetRValue(b)), m(GetGValue(a), GetGValue(b)),
               m(GetBValue(a), GetBValue(b)));
}

// A colour as a pixel of a 32-bit bitmap.
uint32_t Pixel(COLORREF c)
{
    return (uint32_t{ GetRValue(c) } << 16) | (uint32_t{ GetGValue(c) } << 8) | GetBValue(c);
}

void Fill(HDC dc, RECT r, COLORREF c)
{
    ::SetBkColor(dc, c);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

std::wstring Clock(const orlix::ArrivalTime& t)
{
    wchar_t s[16];
    swprintf(s, 16, L"%02u:%02u:%02u", t.hour, t.minute, t.second);
    return s;
}

// The area the bars take: the strip less a line for the times below.
RECT Bars(const RECT& rc, UINT dpi)
{
    RECT r = rc;
    r.top += fw::ScaleForDpi(2, dpi);
    r.bottom -= fw::ScaleForDpi(14, dpi);
    r.left += fw::ScaleForDpi(4, dpi);
    r.right -= fw::ScaleForDpi(4, dpi);
    if (r.bottom < r.top + 4)
        r.bottom = r.top + 4;
    if (r.right < r.left + 4)
        r.right = r.left + 4;
    return r;
}

} // namespace

void CTimelineStrip::Create(HWND frame)
{
    m_frame = frame;
    WNDCLASSEXW wc = { sizeof(wc) };
    wc.style = CS_HREDRAW | CS_VREDRAW;   // every column moves when the width changes
    wc.lpfnWndProc = Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    ::RegisterClassExW(&wc);
    m_wnd = ::CreateWindowExW(0, kClass, L"", WS_CHILD, 0, 0, 0, 0, frame,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_TIMELINE)),
                              wc.hInstance, this);
    m_tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX |
                              TTS_ALWAYSTIP, 0, 0, 0, 0, m_wnd, nullptr, wc.hInstance, nullptr);
    if (m_tip) {
        TTTOOLINFOW ti = { sizeof(ti) };
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = m_wnd;
        ti.uId = 1;
        ti.lpszText = LPSTR_TEXTCALLBACKW;
        ti.rect = RECT{ 0, 0, 30000, 30000 };
        ::SendMessageW(m_tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        ::SendMessageW(m_tip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
}

void CTimelineStrip::Show(bool on)
{
    m_visible = on && m_wnd;
    if (m_wnd)
        ::ShowWindow(m_wnd, m_visible ? SW_SHOW : SW_HIDE);
    if (m_view && m_visible)
        m_view->KeepTimeline(true);
}

void CTimelineStrip::Layout(RECT& area)
{
    if (!m_visible)
        return;
    const int h = fw::ScaleForDpi(64, fw::WindowDpi(m_frame));
    ::MoveWindow(m_wnd, area.left, area.top, area.right - area.left, h, TRUE);
    area.top += h;
}

void CTimelineStrip::SetView(COrlixView* view)
{
    m_view = view;
    m_drawnRows = ~uint64_t(0);
    if (m_view && m_visible)
        m_view->KeepTimeline(true);
    if (m_wnd)
        ::InvalidateRect(m_wnd, nullptr, FALSE);
}

void CTimelineStrip::Refresh()
{
    if (!m_visible || !m_view)
        return;
    const orlix::Timeline* t = m_view->Shown().Traffic();
    const uint64_t rows = t ? t->Rows() + (t->Length() << 40) : 0;
    const int top = static_cast<int>(::SendMessageW(m_view->m_hWnd, LVM_GETTOPINDEX, 0, 0));
    if (rows != m_drawnRows || top != m_drawnTop)
        ::InvalidateRect(m_wnd, nullptr, FALSE);
}

LRESULT CALLBACK CTimelineStrip::Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE)
        ::SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
                                                  reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<CTimelineStrip*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (self && self->m_wnd == h)
        return self->OnMessage(msg, wParam, lParam);
    return ::DefWindowProcW(h, msg, wParam, lParam);
}

LRESULT CTimelineStrip::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_wnd, &ps);
        RECT rc;
        ::GetClientRect(m_wnd, &rc);
        // Drawn off screen, then copied: no flicker while lines stream in.
        HDC mem = ::CreateCompatibleDC(dc);
        HBITMAP bmp = ::CreateCompatibleBitmap(dc, rc.right, rc.bottom);
        HGDIOBJ old = ::SelectObject(mem, bmp);
        Paint(mem, rc);
        ::BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
        ::SelectObject(mem, old);
        ::DeleteObject(bmp);
        ::DeleteDC(mem);
        ::EndPaint(m_wnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
        m_dragFrom = m_dragTo = GET_X_LPARAM(lParam);
        ::SetCapture(m_wnd);
        return 0;
    case WM_MOUSEMOVE:
        if (m_dragFrom >= 0) {
            m_dragTo = GET_X_LPARAM(lParam);
            ::InvalidateRect(m_wnd, nullptr, FALSE);
        } else {
            UpdateTip(GET_X_LPARAM(lParam));
        }
        if (!m_hover) {   // the legend shows while the mouse is over the strip
            m_hover = true;
            TRACKMOUSEEVENT tme = { sizeof(tme), TME_LEAVE, m_wnd, 0 };
            ::TrackMouseEvent(&tme);
            ::InvalidateRect(m_wnd, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        m_hover = false;
        ::InvalidateRect(m_wnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        if (m_dragFrom < 0)
            return 0;
        const int from = m_dragFrom, to = GET_X_LPARAM(lParam);
        m_dragFrom = m_dragTo = -1;
        ::ReleaseCapture();
        if (std::abs(to - from) < fw::ScaleForDpi(4, fw::WindowDpi(m_wnd)))
            OnClick(to);
        else
            OnDrag(std::min(from, to), std::max(from, to));
        ::InvalidateRect(m_wnd, nullptr, FALSE);
        return 0;
    }
    case WM_CAPTURECHANGED:
        m_dragFrom = m_dragTo = -1;
        return 0;
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lParam);
        if (nm->hwndFrom == m_tip && nm->code == TTN_GETDISPINFOW) {
            reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = m_tipText.data();
            return 0;
        }
        break;
    }
    }
    return ::DefWindowProcW(m_wnd, msg, wParam, lParam);
}

std::optional<size_t> CTimelineStrip::SecondAt(int x) const
{
    const orlix::Timeline* t = m_view ? m_view->Shown().Traffic() : nullptr;
    if (!t || t->Empty())
        return std::nullopt;
    RECT rc;
    ::GetClientRect(m_wnd, &rc);
    const RECT bars = Bars(rc, fw::WindowDpi(m_wnd));
    const int w = bars.right - bars.left;
    const int at = std::clamp(x - static_cast<int>(bars.left), 0, w - 1);
    return std::min(t->Length() - 1, static_cast<size_t>(uint64_t(at) * t->Length() / w));
}

int CTimelineStrip::XOf(size_t second) const
{
    const orlix::Timeline* t = m_view ? m_view->Shown().Traffic() : nullptr;
    RECT rc;
    ::GetClientRect(m_wnd, &rc);
    const RECT bars = Bars(rc, fw::WindowDpi(m_wnd));
    if (!t || t->Empty())
        return bars.left;
    return bars.left + static_cast<int>(uint64_t(second) * (bars.right - bars.left) / t->Length());
}

void CTimelineStrip::Paint(HDC dc, const RECT& rc)
{
    const UINT dpi = fw::WindowDpi(m_wnd);
    const COLORREF back = fw::CurrentColours().window, text = fw::CurrentColours().text;
    Fill(dc, rc, back);
    const orlix::Timeline* t = m_view ? m_view->Shown().Traffic() : nullptr;
    m_drawnRows = t ? t->Rows() + (t->Length() << 40) : 0;
    m_drawnTop = m_view ? static_cast<int>(::SendMessageW(m_view->m_hWnd, LVM_GETTOPINDEX, 0, 0)) : -1;
    RECT line = rc;
    line.top = rc.bottom - 1;
    Fill(dc, line, fw::CurrentColours().edge);
    if (!t || t->Empty())
        return;
    const RECT bars = Bars(rc, dpi);
    const int w = bars.right - bars.left, h = bars.bottom - bars.top;
    const size_t n = t->Length();

    // The bars are drawn as pixels and copied in one call: a call per
    // column costs more than the rest of the strip together.
    std::vector<uint32_t> px(static_cast<size_t>(w) * h, Pixel(back));
    auto column = [&](int x, int from, int to, COLORREF c) {
        for (int y = std::max(from, 0); y < std::min(to, h); ++y)
            px[static_cast<size_t>(y) * w + x] = Pixel(c);
    };
    // The part of the list in sight, behind the bars.
    const size_t items = m_view->DisplayCount();
    if (items) {
        const size_t top = std::min<size_t>(items - 1, static_cast<size_t>(std::max(m_drawnTop, 0)));
        const size_t per = static_cast<size_t>(
            std::max<LRESULT>(1, ::SendMessageW(m_view->m_hWnd, LVM_GETCOUNTPERPAGE, 0, 0)));
        const size_t bottom = std::min(items - 1, top + per - 1);
        auto a = t->SecondOfRow(m_view->StoreRow(top)), b = t->SecondOfRow(m_view->StoreRow(bottom));
        if (a && b) {
            const COLORREF band = Mix(back, ::GetSysColor(COLOR_HIGHLIGHT), 22);
            const int from = XOf(*a) - bars.left;
            const int to = std::max(XOf(*b + 1), XOf(*a) + 2) - bars.left;
            for (int x = std::max(from, 0); x < std::min(to, w); ++x)
                column(x, 0, h, band);
        }
    }
    // The busiest processes each a colour; columns of one second or of
    // several (the sum), scaled to the highest column.
    const std::vector<uint32_t> busiest = t->Busiest(kColoured);
    const size_t slots = busiest.size() + 1;
    std::vector<uint32_t> cols;
    const uint32_t peak = std::max(1u, t->Columns(static_cast<size_t>(w), busiest, cols));
    for (int x = 0; x < w; ++x) {
        int y = h;
        for (size_t k = 0; k < slots; ++k) {
            const uint32_t v = cols[static_cast<size_t>(x) * slots + k];
            if (!v)
                continue;
            const int high = std::max(1, static_cast<int>(uint64_t(v) * h / peak));
            column(x, y - high, y, kColours[k < busiest.size() ? k : kColoured]);
            y -= high;
        }
    }
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;   // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    ::SetDIBitsToDevice(dc, bars.left, bars.top, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0,
                        0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
    // A span being dragged, or the one the view is narrowed to.
    std::optional<std::pair<int, int>> span;
    if (m_dragFrom >= 0 && m_dragTo >= 0)
        span = { std::min(m_dragFrom, m_dragTo), std::max(m_dragFrom, m_dragTo) };
    else if (const auto& r = m_view->Shown().RowRange()) {
        auto a = t->SecondOfRow(r->first), b = t->SecondOfRow(r->second ? r->second - 1 : 0);
        if (a && b)
            span = { XOf(*a), XOf(*b + 1) };
    }
    if (span) {
        HBRUSH frame = ::CreateSolidBrush(::GetSysColor(COLOR_HIGHLIGHT));
        RECT r = { span->first, bars.top, std::max(span->second, span->first + 2), bars.bottom };
        ::FrameRect(dc, &r, frame);
        ::DeleteObject(frame);
    }
    // The first and last time, and the busiest second's count.
    HFONT font = ::CreateFontW(-fw::ScaleForDpi(11, dpi), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                               DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"Segoe UI");
    HGDIOBJ oldFont = ::SelectObject(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, text);
    RECT label = { bars.left, bars.bottom, bars.right, rc.bottom - 1 };
    std::wstring first = Clock(t->TimeOf(0)), last = Clock(t->TimeOf(n - 1));
    ::DrawTextW(dc, first.c_str(), -1, &label, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    ::DrawTextW(dc, last.c_str(), -1, &label, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    std::wstring peakText = orlix::FillInserts(AfxLoadUIString(IDS_TIMELINE_PEAK),
                                               { std::to_wstring(t->Peak()) });
    ::DrawTextW(dc, peakText.c_str(), -1, &label, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    if (m_hover)
        PaintLegend(dc, bars, busiest);
    ::SelectObject(dc, oldFont);
    if (font)
        ::DeleteObject(font);
}

// Top right, over the bars: each colour and whose it is.
void CTimelineStrip::PaintLegend(HDC dc, const RECT& bars, const std::vector<uint32_t>& busiest)
{
    const UINT dpi = fw::WindowDpi(m_wnd);
    const int box = fw::ScaleForDpi(8, dpi), gap = fw::ScaleForDpi(4, dpi);
    const int line = fw::ScaleForDpi(12, dpi);
    std::vector<std::wstring> names;
    int widest = 0;
    for (uint32_t b : busiest) {
        std::wstring name(m_view->Rows().NameAt(b));
        names.push_back(name.empty() ? L"-" : name);
        SIZE sz = {};
        ::GetTextExtentPoint32W(dc, names.back().c_str(), static_cast<int>(names.back().size()), &sz);
        widest = std::max(widest, static_cast<int>(sz.cx));
    }
    names.push_back(AfxLoadUIString(IDS_TIMELINE_OTHERS));
    RECT panel = { bars.right - widest - box - 3 * gap, bars.top,
                   bars.right, bars.top + line * static_cast<int>(names.size()) + gap };
    Fill(dc, panel, fw::CurrentColours().window);
    HBRUSH edge = ::CreateSolidBrush(fw::CurrentColours().edge);
    ::FrameRect(dc, &panel, edge);
    ::DeleteObject(edge);
    for (size_t i = 0; i < names.size(); ++i) {
        const int y = panel.top + gap / 2 + line * static_cast<int>(i);
        RECT sw = { panel.left + gap, y + (line - box) / 2, panel.left + gap + box, y + (line + box) / 2 };
        Fill(dc, sw, kColours[i < busiest.size() ? i : kColoured]);
        RECT tr = { sw.right + gap, y, panel.right - gap, y + line };
        ::DrawTextW(dc, names[i].c_str(), -1, &tr, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
}

std::wstring CTimelineStrip::TipText(size_t second) const
{
    const orlix::Timeline& t = *m_view->Shown().Traffic();
    const orlix::Timeline::Second& s = t.At(second);
    std::wstring tip = orlix::FillInserts(AfxLoadUIString(IDS_TIMELINE_TIP),
                                          { Clock(t.TimeOf(second)), std::to_wstring(s.total) });
    auto procs = s.processes;
    std::sort(procs.begin(), procs.end(), [](auto& a, auto& b) { return a.second > b.second; });
    for (size_t i = 0; i < procs.size() && i < 8; ++i) {
        std::wstring name(m_view->Rows().NameAt(procs[i].first));
        tip += L"\n" + (name.empty() ? std::wstring(L"-") : name) + L"  " +
               std::to_wstring(procs[i].second);
    }
    return tip;
}

void CTimelineStrip::UpdateTip(int x)
{
    auto second = SecondAt(x);
    if (second == m_tipSecond)
        return;
    m_tipSecond = second;
    m_tipText = second ? TipText(*second) : std::wstring();
    if (m_tip)
        ::SendMessageW(m_tip, TTM_UPDATE, 0, 0);
}

void CTimelineStrip::OnClick(int x)
{
    auto second = SecondAt(x);
    if (!second || !m_view)
        return;
    const orlix::Timeline* t = m_view->Shown().Traffic();
    // A click outside the span the view is narrowed to shows all times again.
    if (const auto& r = m_view->Shown().RowRange()) {
        auto row = t->RowAt(*second);
        if (!row || *row < r->first || *row >= r->second) {
            m_view->SetTimeSpan(std::nullopt);
            return;
        }
    }
    if (auto row = t->RowAt(*second))
        m_view->GoToStoreRow(*row);
}

void CTimelineStrip::OnDrag(int from, int to)
{
    auto a = SecondAt(from), b = SecondAt(to);
    if (!a || !b || !m_view)
        return;
    const orlix::Timeline* t = m_view->Shown().Traffic();
    auto first = t->RowAt(*a);
    if (!first)
        return;
    auto end = t->RowAt(*b + 1);
    m_view->SetTimeSpan(std::make_pair(*first, end ? *end : m_view->RowCount()));
}
