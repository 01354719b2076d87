// The pixels per inch a window is shown at, and the fonts that go with it.
// The per-monitor functions exist only on Windows 10 (1607 and later); they
// are looked up at run time, with the screen's (system) DPI as the fallback,
// so the program still runs on older Windows.
#pragma once
#include "framework/DpiScale.h"
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace fw {

// The DPI of the screen as a whole (LOGPIXELSX), 96 when unknown.
UINT SystemDpi();
// The DPI `hwnd` is shown at: its monitor's under per-monitor awareness,
// else the system's.
UINT WindowDpi(HWND hwnd);
// The font the list views use (the icon-title font) at `dpi`.
HFONT CreateListFontForDpi(UINT dpi);
// The status bar's font at `dpi`.
HFONT CreateStatusFontForDpi(UINT dpi);

} // namespace fw
