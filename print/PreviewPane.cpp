#include "print/PreviewPane.h"
#include "framework/Handles.h"
#include "framework/Wnd.h"
#include "resources/resource.h"
#include <algorithm>

namespace {
const wchar_t kPaneClass[] = L"OrlixPreviewPage";
} // namespace

bool CPreviewPane::Create(HWND parent)
{
    CWnd::RegisterWndClass(kPaneClass, CS_HREDRAW | CS_VREDRAW, nullptr,
                           ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
    // The scroll bars stay (disabled when not needed), so the page area
    // does not change size as the zoom does.
    return CreateEx(0, kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                    0, 0, 0, 0, parent, nullptr) != FALSE;
}

CPreviewPane::Placement CPreviewPane::Place() const
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int gap = ::MulDiv(12, static_cast<int>(m_preview.m_nDpi), 96);
    const PrintPageGeometry& g = m_preview.Layout().Geometry();
    double fitX = static_cast<double>(std::max(1L, rc.right - 2 * gap)) / g.paperWidth;
    double fitY = static_cast<double>(std::max(1L, rc.bottom - 2 * gap)) / g.paperHeight;
    double scale = std::min(fitX, fitY) * m_preview.ZoomPercent() / 100.0;
    int pw = std::max(1, static_cast<int>(g.paperWidth * scale + 0.5));
    int ph = std::max(1, static_cast<int>(g.paperHeight * scale + 0.5));
    Placement p;
    p.totalWidth = pw + 2 * gap;
    p.totalHeight = ph + 2 * gap;
    int x = p.totalWidth <= rc.right ? (rc.right - pw) / 2 : gap - m_scrollX;
    int y = p.totalHeight <= rc.bottom ? (rc.bottom - ph) / 2 : gap - m_scrollY;
    p.paper = { x, y, x + pw, y + ph };
    return p;
}

void CPreviewPane::UpdateScrollBars()
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    Placement p = Place();
    m_scrollX = std::clamp(m_scrollX, 0, std::max(0, p.totalWidth - static_cast<int>(rc.right)));
    m_scrollY =
        std::clamp(m_scrollY, 0, std::max(0, p.totalHeight - static_cast<int>(rc.bottom)));
    SCROLLINFO si = { sizeof(si) };
    si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = p.totalWidth - 1;
    si.nPage = static_cast<UINT>(rc.right);
    si.nPos = m_scrollX;
    ::SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    si.nMax = p.totalHeight - 1;
    si.nPage = static_cast<UINT>(rc.bottom);
    si.nPos = m_scrollY;
    ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
}

void CPreviewPane::ScrollBy(int dx, int dy)
{
    m_scrollX += dx;
    m_scrollY += dy;
    Refresh();
}

void CPreviewPane::Scroll(int bar, int code)
{
    SCROLLINFO si = { sizeof(si) };
    si.fMask = SIF_ALL;
    ::GetScrollInfo(m_hWnd, bar, &si);
    int pos = si.nPos;
    int line = std::max(1, static_cast<int>(si.nPage) / 10);
    switch (code) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
    case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = si.nTrackPos; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = si.nMax; break;
    default: return;
    }
    (bar == SB_HORZ ? m_scrollX : m_scrollY) = pos;
    Refresh();
}

void CPreviewPane::Paint(HDC dc)
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    // Drawn off screen first: a page of small text flickers otherwise.
    fw::UniqueDC memDC(::CreateCompatibleDC(dc));
    fw::UniqueGdi<HBITMAP> bitmap(::CreateCompatibleBitmap(dc, rc.right, rc.bottom));
    if (!memDC || !bitmap) {
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_APPWORKSPACE));
        return;
    }
    HDC mem = memDC.get();
    HGDIOBJ oldBitmap = ::SelectObject(mem, bitmap.get());
    ::FillRect(mem, &rc, ::GetSysColorBrush(COLOR_APPWORKSPACE));

    const CListPrintLayout& layout = m_preview.Layout();
    if (m_preview.PageCount() == 0 || !m_preview.ViewAlive()) {
        ::SetBkMode(mem, TRANSPARENT);
        ::DrawTextW(mem, AfxLoadUIString(IDS_PREVIEW_PAPER_TOO_SMALL).c_str(), -1, &rc,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    } else {
        Placement p = Place();
        const int shadow = std::max(2, ::MulDiv(4, static_cast<int>(m_preview.m_nDpi), 96));
        RECT shade = p.paper;
        ::OffsetRect(&shade, shadow, shadow);
        ::FillRect(mem, &shade, ::GetSysColorBrush(COLOR_3DDKSHADOW));
        ::FillRect(mem, &p.paper, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::FrameRect(mem, &p.paper, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));

        // The page is drawn in its printer's units; the mapping shrinks it
        // onto the sheet shown, with the printer's origin at its printable
        // area as on paper.
        const PrintPageGeometry& g = layout.Geometry();
        int saved = ::SaveDC(mem);
        ::IntersectClipRect(mem, p.paper.left, p.paper.top, p.paper.right, p.paper.bottom);
        ::SetMapMode(mem, MM_ANISOTROPIC);
        ::SetWindowExtEx(mem, g.paperWidth, g.paperHeight, nullptr);
        ::SetViewportExtEx(mem, p.paper.right - p.paper.left, p.paper.bottom - p.paper.top,
                           nullptr);
        ::SetWindowOrgEx(mem, -g.printable.left, -g.printable.top, nullptr);
        ::SetViewportOrgEx(mem, p.paper.left, p.paper.top, nullptr);
        layout.RenderPage(mem, m_preview.CurrentPage());
        ::RestoreDC(mem, saved);
    }
    ::BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, oldBitmap);
    memDC.reset();
}

LRESULT CPreviewPane::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(m_hWnd, &ps);
        Paint(dc);
        ::EndPaint(m_hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        UpdateScrollBars();
        return 0;
    case WM_HSCROLL:
        Scroll(SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_VSCROLL:
        Scroll(SB_VERT, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        // The wheel scrolls a zoomed page, and turns pages when it all shows.
        if (Place().totalHeight > rc.bottom)
            ScrollBy(0, -delta * static_cast<int>(rc.bottom) / (4 * WHEEL_DELTA));
        else if (delta < 0)
            m_preview.NextPage();
        else if (delta > 0)
            m_preview.PrevPage();
        return 0;
    }
    case WM_LBUTTONDOWN:
        ::SetFocus(m_hWnd);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN: {
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        int step = std::max(1, static_cast<int>(rc.bottom) / 10);
        switch (wParam) {
        case VK_UP: ScrollBy(0, -step); return 0;
        case VK_DOWN: ScrollBy(0, step); return 0;
        case VK_LEFT: ScrollBy(-step, 0); return 0;
        case VK_RIGHT: ScrollBy(step, 0); return 0;
        }
        m_preview.OnKey(static_cast<UINT>(wParam));
        return 0;
    }
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
