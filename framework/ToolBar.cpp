#include "framework/ToolBar.h"
#include "framework/Theme.h"
#include "framework/Dpi.h"
#include <cstring>
#include <vector>

namespace {
const UINT kRtToolbar = 241;
const UINT kRebarId = 0xE81B;
// At 96 DPI: the gap a separator leaves, and the room a button has around
// its image (the control's default).
const int kSeparatorWidth = 6;
const int kButtonPaddingX = 7;
const int kButtonPaddingY = 6;

#pragma pack(push, 1)
struct ToolbarResource {
    WORD version;
    WORD width;
    WORD height;
    WORD count;
    // WORD ids[count] follow
};
#pragma pack(pop)
} // namespace

BOOL CToolBar::CreateEx(CWnd* parent, DWORD tbStyle, DWORD style, UINT id)
{
    m_hParent = parent->m_hWnd;
    m_nDpi = fw::WindowDpi(m_hParent);
    m_hRebar = ::CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                     RBS_VARHEIGHT | RBS_BANDBORDERS | CCS_NODIVIDER | CCS_TOP,
                                 0, 0, 0, 0, m_hParent,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kRebarId)),
                                 AfxGetInstanceHandle(), nullptr);
    if (!m_hRebar)
        return FALSE;
    RECT rc = { 0, 0, 0, 0 };
    if (!CreateControl(0, TOOLBARCLASSNAMEW, nullptr,
                       style | tbStyle | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, rc,
                       m_hRebar, id))
        return FALSE;
    ::SendMessageW(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Notifications and commands go to the frame, not to the rebar.
    ::SendMessageW(m_hWnd, TB_SETPARENT, reinterpret_cast<WPARAM>(m_hParent), 0);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT id)
{
    HINSTANCE inst = AfxGetInstanceHandle();
    HRSRC res = ::FindResourceW(inst, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(kRtToolbar));
    HGLOBAL mem = res ? ::LoadResource(inst, res) : nullptr;
    auto* data = mem ? static_cast<const ToolbarResource*>(::LockResource(mem)) : nullptr;
    if (!data || ::SizeofResource(inst, res) < sizeof(ToolbarResource) || data->version != 1)
        return FALSE;
    if (::SizeofResource(inst, res) < sizeof(ToolbarResource) + data->count * sizeof(WORD))
        return FALSE;
    const WORD* ids = reinterpret_cast<const WORD*>(data + 1);
    m_sizeImage = { data->width, data->height };
    int images = 0;
    for (int i = 0; i < data->count; ++i)
        if (ids[i])
            ++images;
    int first = ImageCount();
    m_strips.push_back({ id, nullptr, images });
    if (m_nDpi == fw::kBaseDpi) {
        ::SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(data->width, data->height));
        TBADDBITMAP ab = { inst, id };
        first = static_cast<int>(::SendMessageW(m_hWnd, TB_ADDBITMAP, images,
                                                reinterpret_cast<LPARAM>(&ab)));
        if (first < 0)
            return FALSE;
    }
    std::vector<TBBUTTON> buttons(data->count);
    int image = first;
    for (int i = 0; i < data->count; ++i) {
        TBBUTTON& b = buttons[i];
        std::memset(&b, 0, sizeof(b));
        if (ids[i] == 0) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = fw::ScaleForDpi(kSeparatorWidth, m_nDpi);
        } else {
            b.idCommand = ids[i];
            b.iBitmap = image++;
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        }
    }
    if (!::SendMessageW(m_hWnd, TB_ADDBUTTONSW, buttons.size(),
                        reinterpret_cast<LPARAM>(buttons.data())))
        return FALSE;
    if (m_nDpi != fw::kBaseDpi && !ApplyScaledImages())
        return FALSE;
    ::SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    REBARBANDINFOW band = {};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE;
    band.hwndChild = m_hWnd;
    BandSizes(band);
    return ::SendMessageW(m_hRebar, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(&band)) != 0;
}

// The band holds the whole toolbar, as high as its buttons.
void CToolBar::BandSizes(REBARBANDINFOW& band) const
{
    SIZE sz = {};
    ::SendMessageW(m_hWnd, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&sz));
    DWORD bs = static_cast<DWORD>(::SendMessageW(m_hWnd, TB_GETBUTTONSIZE, 0, 0));
    band.cxMinChild = sz.cx;
    band.cyMinChild = HIWORD(bs) > sz.cy ? HIWORD(bs) : sz.cy;
    band.cx = sz.cx + fw::ScaleForDpi(16, m_nDpi);
    band.cxIdeal = sz.cx;
}

int CToolBar::ImageCount() const
{
    int n = 0;
    for (const Strip& s : m_strips)
        n += s.count;
    return n;
}

bool CToolBar::ApplyScaledImages()
{
    const int cx = fw::ScaleForDpi(m_sizeImage.cx, m_nDpi);
    const int cy = fw::ScaleForDpi(m_sizeImage.cy, m_nDpi);
    fw::UniqueImageList list(::ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, ImageCount(), 4));
    if (!list)
        return false;
    fw::UniqueScreenDC screen(::GetDC(nullptr));
    for (Strip& strip : m_strips) {
        if (!strip.bmp) {
            // The toolbar resource's bitmap, its grey mapped to the face colour
            // as the control does it.
            m_ownBitmaps.emplace_back(
                ::CreateMappedBitmap(AfxGetInstanceHandle(), strip.id, 0, nullptr, 0));
            strip.bmp = m_ownBitmaps.back().get();
        }
        BITMAP bm = {};
        if (!strip.bmp || !::GetObjectW(strip.bmp, sizeof(bm), &bm) || !screen)
            return false;
        fw::Pixels src;
        src.width = bm.bmWidth;
        src.height = bm.bmHeight;
        src.px.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;   // top row first
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        if (::GetDIBits(screen.get(), strip.bmp, 0, bm.bmHeight, src.px.data(), &bi,
                        DIB_RGB_COLORS) != bm.bmHeight)
            return false;
        for (uint32_t& p : src.px)
            p &= 0xFFFFFF;
        fw::Pixels big = fw::ResampleStrip(src, strip.count, m_sizeImage.cx, m_sizeImage.cy, cx, cy);
        if (big.px.empty())
            return false;
        bi.bmiHeader.biWidth = big.width;
        bi.bmiHeader.biHeight = -big.height;
        void* bits = nullptr;
        fw::UniqueGdi<HBITMAP> dib(
            ::CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!dib || !bits)
            return false;
        std::memcpy(bits, big.px.data(), big.px.size() * sizeof(uint32_t));
        ::GdiFlush();
        if (::ImageList_AddMasked(list.get(), dib.get(), ::GetSysColor(COLOR_BTNFACE)) < 0)
            return false;
    }
    ::SendMessageW(m_hWnd, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list.get()));
    ::SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    int padX = fw::ScaleForDpi(kButtonPaddingX, m_nDpi);
    int padY = fw::ScaleForDpi(kButtonPaddingY, m_nDpi);
    ::SendMessageW(m_hWnd, TB_SETPADDING, 0, MAKELPARAM(padX, padY));
    ::SendMessageW(m_hWnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(cx + padX, cy + padY));
    // The list the control used before is no longer drawn from.
    m_images = std::move(list);
    return true;
}

void CToolBar::SetDpi(UINT dpi)
{
    if (!m_hWnd || dpi == 0 || dpi == m_nDpi)
        return;
    m_nDpi = dpi;
    ApplyScaledImages();
    int n = GetButtonCount();
    for (int i = 0; i < n; ++i) {
        TBBUTTON b = {};
        if (!::SendMessageW(m_hWnd, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b)) ||
            !(b.fsStyle & BTNS_SEP))
            continue;
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_BYINDEX | TBIF_IMAGE;
        info.iImage = fw::ScaleForDpi(kSeparatorWidth, dpi);
        ::SendMessageW(m_hWnd, TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
    }
    ::SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    REBARBANDINFOW band = {};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    BandSizes(band);
    ::SendMessageW(m_hRebar, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

int CToolBar::GetButtonCount() const
{
    return static_cast<int>(::SendMessageW(m_hWnd, TB_BUTTONCOUNT, 0, 0));
}

int CToolBar::CommandToIndex(UINT id) const
{
    return static_cast<int>(::SendMessageW(m_hWnd, TB_COMMANDTOINDEX, id, 0));
}

void CToolBar::GetButtonInfo(int index, UINT& id, UINT& style, int& image) const
{
    TBBUTTON b = {};
    if (!::SendMessageW(m_hWnd, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b))) {
        id = 0;
        style = 0;
        image = -1;
        return;
    }
    id = static_cast<UINT>(b.idCommand);
    style = b.fsStyle;
    image = b.iBitmap;
}

void CToolBar::SetButtonInfo(int index, UINT id, UINT style, int image)
{
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_BYINDEX | TBIF_COMMAND | TBIF_STYLE | TBIF_IMAGE;
    info.idCommand = static_cast<int>(id);
    info.fsStyle = static_cast<BYTE>(style);
    info.iImage = image;
    ::SendMessageW(m_hWnd, TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

int CToolBar::AddBitmap(int count, HBITMAP bmp)
{
    int first = ImageCount();
    m_strips.push_back({ 0, bmp, count });
    if (m_images)
        return ApplyScaledImages() ? first : -1;
    TBADDBITMAP ab = { nullptr, reinterpret_cast<UINT_PTR>(bmp) };
    return static_cast<int>(::SendMessageW(m_hWnd, TB_ADDBITMAP, count,
                                           reinterpret_cast<LPARAM>(&ab)));
}

int CToolBar::GetHeight() const
{
    if (!m_hRebar || !::IsWindowVisible(m_hRebar))
        return 0;
    RECT rc;
    ::GetWindowRect(m_hRebar, &rc);
    return rc.bottom - rc.top;
}

void CToolBar::Show(bool show)
{
    if (m_hRebar)
        ::ShowWindow(m_hRebar, show ? SW_SHOWNA : SW_HIDE);
}

bool CToolBar::IsVisible() const
{
    return m_hRebar && (::GetWindowLongW(m_hRebar, GWL_STYLE) & WS_VISIBLE);
}


void CToolBar::ApplyColours()
{
    if (!m_hRebar)
        return;
    const fw::Colours& c = fw::CurrentColours();
    const COLORREF back = c.dark ? c.face : CLR_DEFAULT;
    ::SendMessageW(m_hRebar, RB_SETBKCOLOR, 0, back);
    REBARBANDINFOW band = {};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_COLORS;
    band.clrFore = c.dark ? c.faceText : CLR_DEFAULT;
    band.clrBack = back;
    ::SendMessageW(m_hRebar, RB_SETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    ::InvalidateRect(m_hRebar, nullptr, TRUE);
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

// Dark colours: the bar's background is filled here, not by the control.
LRESULT CToolBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND && fw::DarkColours()) {
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        ::FillRect(reinterpret_cast<HDC>(wParam), &rc, fw::FaceBrush());
        return 1;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}
