#include "print/PrintPreview.h"
#include "print/PreviewPane.h"
#include "framework/Dpi.h"
#include "framework/Handles.h"
#include "resources/resource.h"
#include <windowsx.h>
#include <algorithm>
#include <string>

namespace {

const wchar_t kPreviewClass[] = L"OrlixPrintPreview";
const int kZoomSteps[] = { 100, 150, 200, 300, 400 };
const int kZoomCount = static_cast<int>(sizeof(kZoomSteps) / sizeof(kZoomSteps[0]));
const UINT_PTR kFollowTimer = 1;
const UINT kFollowMs = 500;     // how soon new or cleared rows show

CPrintPreview* s_pCurrent = nullptr;
CPrintPreview* s_pCreating = nullptr;   // until Create returns

struct ButtonDef {
    UINT id;
    UINT text;   // string id
    int width;   // in 1/4 of the font height
};
const ButtonDef kButtons[] = {
    { CPrintPreview::IDC_PREVIEW_PRINT, IDS_PREVIEW_PRINT, 22 },
    { CPrintPreview::IDC_PREVIEW_PREV, IDS_PREVIEW_PREV, 18 },
    { CPrintPreview::IDC_PREVIEW_NEXT, IDS_PREVIEW_NEXT, 18 },
    { CPrintPreview::IDC_PREVIEW_ZOOM_IN, IDS_PREVIEW_ZOOM_IN, 14 },
    { CPrintPreview::IDC_PREVIEW_ZOOM_OUT, IDS_PREVIEW_ZOOM_OUT, 14 },
    { CPrintPreview::IDC_PREVIEW_CLOSE, IDS_PREVIEW_CLOSE, 18 },
};

} // namespace

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

    // Sized for the owner's screen; LayoutBar sizes the bar once it exists.
    m_nDpi = fw::WindowDpi(owner);
    const int dpi = static_cast<int>(m_nDpi);

    // A tall window on the owner's screen, about a page's shape.
    RECT work = { 0, 0, 1024, 768 };
    MONITORINFO mi = { sizeof(mi) };
    if (::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &mi))
        work = mi.rcWork;
    int workW = work.right - work.left, workH = work.bottom - work.top;
    int h = workH * 9 / 10;
    int w = std::min(workW * 9 / 10, std::max(h * 3 / 4, ::MulDiv(560, dpi, 96)));
    int x = work.left + (workW - w) / 2, y = work.top + (workH - h) / 2;
    if (!CreateEx(0, kPreviewClass, AfxLoadUIString(IDS_PREVIEW_TITLE).c_str(),
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, w, h, owner, nullptr))
        return false;
    s_pCurrent = this;

    for (const ButtonDef& b : kButtons)
        ::CreateWindowExW(0, L"BUTTON", AfxLoadUIString(b.text).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, m_hWnd,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(b.id)),
                          AfxGetInstanceHandle(), nullptr);
    ::CreateWindowExW(0, L"STATIC", L"",
                      WS_CHILD | WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, 0, 0,
                      m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_PREVIEW_PAGE_LABEL)),
                      AfxGetInstanceHandle(), nullptr);
    LayoutBar(m_nDpi);

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
    std::wstring text = count > 0 ? orlix::PageNumberText(AfxLoadUIString(IDS_PAGE_NUMBER),
                                                          static_cast<size_t>(m_nPage) + 1,
                                                          static_cast<size_t>(count))
                                  : AfxLoadUIString(IDS_PREVIEW_NO_PAGE);
    text += m_nZoom == 0 ? L"    " + AfxLoadUIString(IDS_PREVIEW_WHOLE_PAGE)
                         : L"    " + std::to_wstring(ZoomPercent()) + L"%";
    ::SetDlgItemTextW(m_hWnd, IDC_PREVIEW_PAGE_LABEL, text.c_str());
}

void CPrintPreview::LayoutBar(UINT dpiValue)
{
    m_nDpi = dpiValue;
    const int dpi = static_cast<int>(dpiValue);
    LOGFONTW lf = {};
    lf.lfHeight = -::MulDiv(9, dpi, 72);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, L"宋体", LF_FACESIZE);
    fw::UniqueFont font(::CreateFontIndirectW(&lf));
    int fontHeight = ::MulDiv(12, dpi, 72);
    m_nBarHeight = fontHeight * 2 + ::MulDiv(8, dpi, 96);

    int bx = ::MulDiv(6, dpi, 96);
    int by = ::MulDiv(4, dpi, 96);
    int bh = fontHeight * 2;
    for (const ButtonDef& b : kButtons) {
        int bw = fontHeight * b.width / 4;
        HWND button = ::GetDlgItem(m_hWnd, static_cast<int>(b.id));
        ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        ::MoveWindow(button, bx, by, bw, bh, TRUE);
        bx += bw + ::MulDiv(4, dpi, 96);
    }
    HWND label = ::GetDlgItem(m_hWnd, IDC_PREVIEW_PAGE_LABEL);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    ::MoveWindow(label, bx + ::MulDiv(8, dpi, 96), by, ::MulDiv(240, dpi, 96), bh, TRUE);
    // The controls draw with the new font from here on; the old one can go.
    m_font = std::move(font);
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
        mm->ptMinTrackSize.x = ::MulDiv(420, static_cast<int>(m_nDpi), 96);
        mm->ptMinTrackSize.y = ::MulDiv(300, static_cast<int>(m_nDpi), 96);
        return 0;
    }
    case WM_DPICHANGED: {
        // Moved to a screen of another DPI: bar, page area and window follow.
        LayoutBar(LOWORD(wParam));
        const RECT* r = reinterpret_cast<const RECT*>(lParam);
        if (r)
            ::SetWindowPos(m_hWnd, nullptr, r->left, r->top, r->right - r->left,
                           r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
        OnSize();
        if (m_pane)
            m_pane->Refresh();
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
