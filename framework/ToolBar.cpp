#include "framework/ToolBar.h"
#include <cstring>
#include <vector>

namespace {
const UINT kRtToolbar = 241;
const UINT kRebarId = 0xE81B;

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
    ::SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(data->width, data->height));
    int images = 0;
    for (int i = 0; i < data->count; ++i)
        if (ids[i])
            ++images;
    TBADDBITMAP ab = { inst, id };
    int first = static_cast<int>(::SendMessageW(m_hWnd, TB_ADDBITMAP, images,
                                                reinterpret_cast<LPARAM>(&ab)));
    if (first < 0)
        return FALSE;
    std::vector<TBBUTTON> buttons(data->count);
    int image = first;
    for (int i = 0; i < data->count; ++i) {
        TBBUTTON& b = buttons[i];
        std::memset(&b, 0, sizeof(b));
        if (ids[i] == 0) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = 6;
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
    ::SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    SIZE sz = {};
    ::SendMessageW(m_hWnd, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&sz));
    DWORD bs = static_cast<DWORD>(::SendMessageW(m_hWnd, TB_GETBUTTONSIZE, 0, 0));
    REBARBANDINFOW band = {};
    band.cbSize = REBARBANDINFOW_V6_SIZE;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_GRIPPERALWAYS | RBBS_CHILDEDGE;
    band.hwndChild = m_hWnd;
    band.cxMinChild = sz.cx;
    band.cyMinChild = HIWORD(bs) > sz.cy ? HIWORD(bs) : sz.cy;
    band.cx = sz.cx + 16;
    band.cxIdeal = sz.cx;
    return ::SendMessageW(m_hRebar, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                          reinterpret_cast<LPARAM>(&band)) != 0;
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

