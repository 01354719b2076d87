#include "framework/Dpi.h"
#include "framework/Handles.h"

namespace fw {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

template <class Fn>
Fn User32Function(const char* name)
{
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(
                        ::GetProcAddress(user32, name)))
                  : nullptr;
}

// SPI_GETICONTITLELOGFONT or the status font of SPI_GETNONCLIENTMETRICS at
// `dpi`; where the system cannot say for a given DPI, its own font scaled.
bool SystemFontForDpi(bool status, UINT dpi, LOGFONTW& lf)
{
    static const auto forDpi =
        User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    if (forDpi) {
        bool ok = status ? forDpi(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0, dpi) != FALSE
                         : forDpi(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0, dpi) != FALSE;
        if (ok) {
            if (status)
                lf = ncm.lfStatusFont;
            return true;
        }
    }
    bool ok = status ? ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0) != FALSE
                     : ::SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0) != FALSE;
    if (!ok)
        return false;
    if (status)
        lf = ncm.lfStatusFont;
    lf.lfHeight = RescaleForDpi(lf.lfHeight, SystemDpi(), dpi);
    return true;
}

} // namespace

UINT SystemDpi()
{
    UniqueScreenDC screen(::GetDC(nullptr));
    int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

UINT WindowDpi(HWND hwnd)
{
    static const auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (forWindow && hwnd)
        if (UINT dpi = forWindow(hwnd))
            return dpi;
    return SystemDpi();
}

HFONT CreateListFontForDpi(UINT dpi)
{
    LOGFONTW lf = {};
    return SystemFontForDpi(false, dpi, lf) ? ::CreateFontIndirectW(&lf) : nullptr;
}

HFONT CreateStatusFontForDpi(UINT dpi)
{
    LOGFONTW lf = {};
    return SystemFontForDpi(true, dpi, lf) ? ::CreateFontIndirectW(&lf) : nullptr;
}

} // namespace fw
