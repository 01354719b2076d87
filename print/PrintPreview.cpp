#include "print/PrintPreview.h"
#include "framework/Handles.h"
#include "resources/resource.h"
#include <windowsx.h>
#include <algorithm>
#include <string>

namespace {

const wchar_t kPreviewClass[] = L"OrlixPrintPreview";
const wchar_t kPaneClass[] = L"OrlixPreviewPage";
// Not "Orlix" alone: clients find the viewer by that title.
const wchar_t kPreviewTitle[] = L"打印预览 - Orlix";
const int kZoomSteps[] = { 100, 150, 200, 300, 400 };
const int kZoomCount = static_cast<int>(sizeof(kZoomSteps) / sizeof(kZoomSteps[0]));
const UINT_PTR kFollowTimer = 1;
const UINT kFollowMs = 500;     // how soon new or cleared rows show

CPrintPreview* s_pCurrent = nullptr;
CPrintPreview* s_pCreating = nullptr;   // until Create returns

struct ButtonDef {
    UINT id;
    const wchar_t* text;
    int width;   // in 1/4 of the font height
};
const ButtonDef kButtons[] = {
    { CPrintPreview::IDC_PREVIEW_PRINT, L"打印(&P)...", 22 },
    { CPrintPreview::IDC_PREVIEW_PREV, L"上一页", 18 },
    { CPrintPreview::IDC_PREVIEW_NEXT, L"下一页", 18 },
    { CPrintPreview::IDC_PREVIEW_ZOOM_IN, L"放大", 14 },
    { CPrintPreview::IDC_PREVIEW_ZOOM_OUT, L"缩小", 14 },
    { CPrintPreview::IDC_PREVIEW_CLOSE, L"关闭(&C)", 18 },
};

int ScreenDpi()
{
    fw::UniqueScreenDC screen(::GetDC(nullptr));
    int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

} // namespace

// The page area below the buttons: paints the current page and scrolls it
// when it is zoomed beyond the window.
class CPreviewPane : public CWnd {
public:
    explicit CPreviewPane(CPrintPreview& preview) : m_preview(preview) {}
    bool Create(HWND parent)
    {
        CWnd::RegisterWndClass(kPaneClass, CS_HREDRAW | CS_VREDRAW, nullptr,
                               ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
        // The scroll bars stay (disabled when not needed), so the page area
        // does not change size as the zoom does.
        return CreateEx(0, kPaneClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                        0, 0, 0, 0, parent, nullptr) != FALSE;
    }
    void Reset()
    {
        m_scrollX = m_scrollY = 0;
        Refresh();
    }
    void Refresh()
    {
        UpdateScrollBars();
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct Placement {
        RECT paper;       // in client coordinates
        int totalWidth;   // page and gaps, for scrolling
        int totalHeight;
    };
    Placement Place() const;
    void UpdateScrollBars();
    void Scroll(int bar, int code);
    void ScrollBy(int dx, int dy);
    void Paint(HDC dc);

    CPrintPreview& m_preview;
    int m_scrollX = 0;
    int m_scrollY = 0;
};

CPreviewPane::Placement CPreviewPane::Place() const
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int gap = ::MulDiv(12, ScreenDpi(), 96);
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
        ::DrawTextW(mem, L"纸张太小，一页放不下一行。", -1, &rc,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    } else {
        Placement p = Place();
        const int shadow = std::max(2, ::MulDiv(4, ScreenDpi(), 96));
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

// ------------------------------------------------------------ preview ---

CPrintPreview::CPrintPreview(const IPrintRowSource& rows, HWND list)
    : m_pRows(&rows), m_hList(list)
{
}

CPrintPreview::~CPrintPreview() = default;

CPrintPreview* CPrintPreview::Current()
{
    return s_pCurrent;
}

void CPrintPreview::SourceGone(const IPrintRowSource& rows)
{
    if (s_pCurrent && s_pCurrent->m_pRows == &rows)
        s_pCurrent->m_pRows = nullptr;
}

CPrintPreview* CPrintPreview::Open(const IPrintRowSource& rows, HWND list)
{
    if (s_pCurrent && s_pCurrent->m_pRows == &rows && ::IsWindow(s_pCurrent->m_hWnd)) {
        s_pCurrent->Relayout();
        if (::IsIconic(s_pCurrent->m_hWnd))
            ::ShowWindow(s_pCurrent->m_hWnd, SW_RESTORE);
        ::SetForegroundWindow(s_pCurrent->m_hWnd);
        return s_pCurrent;
    }
    if (s_pCurrent)
        s_pCurrent->Close();
    auto* preview = new CPrintPreview(rows, list);
    HWND owner = ::GetAncestor(list, GA_ROOT);
    s_pCreating = preview;
    bool made = preview->Create(owner);
    // A window that came to exist has deleted its object as it went.
    if (!made && s_pCreating == preview)
        delete preview;
    s_pCreating = nullptr;
    return made ? preview : nullptr;
}

bool CPrintPreview::Create(HWND owner)
{
    m_layout = std::make_unique<CListPrintLayout>(
        *m_pRows, GetListColumnWidths(m_hList), PreviewPageGeometry());
    HICON icon = ::LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    CWnd::RegisterWndClass(kPreviewClass, 0, icon, ::LoadCursorW(nullptr, IDC_ARROW),
                           ::GetSysColorBrush(COLOR_BTNFACE), icon);

    int dpi = ScreenDpi();
    LOGFONTW lf = {};
    lf.lfHeight = -::MulDiv(9, dpi, 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"宋体", LF_FACESIZE);
    m_font.reset(::CreateFontIndirectW(&lf));
    int fontHeight = ::MulDiv(12, dpi, 72);
    m_nBarHeight = fontHeight * 2 + ::MulDiv(8, dpi, 96);

    // A tall window on the owner's screen, about a page's shape.
    RECT work = { 0, 0, 1024, 768 };
    MONITORINFO mi = { sizeof(mi) };
    if (::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &mi))
        work = mi.rcWork;
    int workW = work.right - work.left, workH = work.bottom - work.top;
    int h = workH * 9 / 10;
    int w = std::min(workW * 9 / 10, std::max(h * 3 / 4, ::MulDiv(560, dpi, 96)));
    int x = work.left + (workW - w) / 2, y = work.top + (workH - h) / 2;
    if (!CreateEx(0, kPreviewClass, kPreviewTitle,
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, w, h, owner, nullptr))
        return false;
    s_pCurrent = this;

    int bx = ::MulDiv(6, dpi, 96);
    int by = ::MulDiv(4, dpi, 96);
    int bh = fontHeight * 2;
    for (const ButtonDef& b : kButtons) {
        int bw = fontHeight * b.width / 4;
        HWND button = ::CreateWindowExW(
            0, L"BUTTON", b.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, bx, by, bw,
            bh, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(b.id)),
            AfxGetInstanceHandle(), nullptr);
        ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);
        bx += bw + ::MulDiv(4, dpi, 96);
    }
    HWND label = ::CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX,
        bx + ::MulDiv(8, dpi, 96), by, ::MulDiv(240, dpi, 96), bh, m_hWnd,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_PREVIEW_PAGE_LABEL)),
        AfxGetInstanceHandle(), nullptr);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.get()), FALSE);

    m_pane = std::make_unique<CPreviewPane>(*this);
    if (!m_pane->Create(m_hWnd)) {
        ::DestroyWindow(m_hWnd);
        return false;
    }
    OnSize();
    UpdateControls();
    ::SetTimer(m_hWnd, kFollowTimer, kFollowMs, nullptr);
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::UpdateWindow(m_hWnd);
    ::SetFocus(m_pane->m_hWnd);
    return true;
}

int CPrintPreview::PageCount() const
{
    return m_layout ? m_layout->PageCount() : 0;
}

int CPrintPreview::ZoomPercent() const
{
    return kZoomSteps[m_nZoom];
}

bool CPrintPreview::ViewAlive() const
{
    return m_pRows && ::IsWindow(m_hList);
}

void CPrintPreview::Relayout()
{
    if (!ViewAlive())
        return;
    m_layout = std::make_unique<CListPrintLayout>(
        *m_pRows, GetListColumnWidths(m_hList), PreviewPageGeometry());
    ShowPage(m_nPage);
    if (m_pane)
        m_pane->Reset();
}

void CPrintPreview::ShowPage(int page)
{
    int count = PageCount();
    int next = count == 0 ? 0 : std::clamp(page, 0, count - 1);
    bool changed = next != m_nPage;
    m_nPage = next;
    UpdateControls();
    if (changed && m_pane)
        m_pane->Reset();
}

void CPrintPreview::ZoomIn()
{
    if (m_nZoom + 1 < kZoomCount) {
        ++m_nZoom;
        UpdateControls();
        if (m_pane)
            m_pane->Refresh();
    }
}

void CPrintPreview::ZoomOut()
{
    if (m_nZoom > 0) {
        --m_nZoom;
        UpdateControls();
        if (m_pane)
            m_pane->Refresh();
    }
}

void CPrintPreview::Print()
{
    if (ViewAlive())
        PrintList(*m_pRows, GetListColumnWidths(m_hList), true);
}

void CPrintPreview::Close()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CPrintPreview::UpdateControls()
{
    if (!m_hWnd)
        return;
    int count = PageCount();
    auto enable = [&](UINT id, bool on) {
        HWND h = ::GetDlgItem(m_hWnd, static_cast<int>(id));
        if (!on && h == ::GetFocus() && m_pane)
            ::SetFocus(m_pane->m_hWnd);
        ::EnableWindow(h, on);
    };
    enable(IDC_PREVIEW_PREV, m_nPage > 0);
    enable(IDC_PREVIEW_NEXT, m_nPage + 1 < count);
    enable(IDC_PREVIEW_ZOOM_IN, m_nZoom + 1 < kZoomCount);
    enable(IDC_PREVIEW_ZOOM_OUT, m_nZoom > 0);
    std::wstring text = count > 0 ? orlix::PageNumberText(static_cast<size_t>(m_nPage) + 1,
                                                          static_cast<size_t>(count))
                                  : std::wstring(L"没有可显示的页");
    text += m_nZoom == 0 ? std::wstring(L"    整页")
                         : L"    " + std::to_wstring(ZoomPercent()) + L"%";
    ::SetDlgItemTextW(m_hWnd, IDC_PREVIEW_PAGE_LABEL, text.c_str());
}

void CPrintPreview::OnSize()
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (m_pane && m_pane->m_hWnd)
        ::MoveWindow(m_pane->m_hWnd, 0, m_nBarHeight, rc.right,
                     std::max(0L, rc.bottom - m_nBarHeight), TRUE);
}

void CPrintPreview::OnKey(UINT key)
{
    bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    switch (key) {
    case VK_NEXT: NextPage(); break;
    case VK_PRIOR: PrevPage(); break;
    case VK_HOME: ShowPage(0); break;
    case VK_END: ShowPage(PageCount() - 1); break;
    case VK_ESCAPE: Close(); break;
    case VK_ADD:
    case VK_OEM_PLUS: ZoomIn(); break;
    case VK_SUBTRACT:
    case VK_OEM_MINUS: ZoomOut(); break;
    case 'P':
        if (ctrl)
            Print();
        break;
    }
}

// While open, the preview follows the list: new rows add pages, Clear
// takes them away.
void CPrintPreview::OnTimer()
{
    if (!ViewAlive()) {
        Close();
        return;
    }
    if (m_layout && m_layout->Update()) {
        ShowPage(m_nPage);
        if (m_pane)
            m_pane->Refresh();
    }
}

LRESULT CPrintPreview::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SIZE:
        OnSize();
        return 0;
    case WM_GETMINMAXINFO: {
        auto* mm = reinterpret_cast<MINMAXINFO*>(lParam);
        mm->ptMinTrackSize.x = ::MulDiv(420, ScreenDpi(), 96);
        mm->ptMinTrackSize.y = ::MulDiv(300, ScreenDpi(), 96);
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            // Keys belong to the page area, not to the button just clicked.
            if (m_pane && m_pane->m_hWnd)
                ::SetFocus(m_pane->m_hWnd);
            switch (LOWORD(wParam)) {
            case IDC_PREVIEW_PRINT: Print(); return 0;
            case IDC_PREVIEW_PREV: PrevPage(); return 0;
            case IDC_PREVIEW_NEXT: NextPage(); return 0;
            case IDC_PREVIEW_ZOOM_IN: ZoomIn(); return 0;
            case IDC_PREVIEW_ZOOM_OUT: ZoomOut(); return 0;
            case IDC_PREVIEW_CLOSE: Close(); return 0;
            }
        }
        break;
    case WM_KEYDOWN:
        OnKey(static_cast<UINT>(wParam));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && m_pane && m_pane->m_hWnd)
            ::SetFocus(m_pane->m_hWnd);
        return 0;
    case WM_TIMER:
        if (wParam == kFollowTimer) {
            OnTimer();
            return 0;
        }
        break;
    case WM_DESTROY:
        ::KillTimer(m_hWnd, kFollowTimer);
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

void CPrintPreview::PostNcDestroy()
{
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
    if (s_pCreating == this)
        s_pCreating = nullptr;
    delete this;
}
