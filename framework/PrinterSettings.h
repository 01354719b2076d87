// The printer chosen by Print Setup or the print dialog: its DEVMODE and
// DEVNAMES blocks (none: the default printer).
#pragma once
#include "framework/Handles.h"
#include <commdlg.h>

struct CPrinterSettings {
    fw::UniqueGlobal devMode;
    fw::UniqueGlobal devNames;

    // The common print dialog was handed the current blocks and returns what
    // replaces them; it has freed or reused the old ones itself.
    void TakeFromDialog(HGLOBAL mode, HGLOBAL names)
    {
        devMode.release();
        devNames.release();
        devMode.reset(mode);
        devNames.reset(names);
    }
    // A printer given by name (the driver and port may be empty): no
    // DEVMODE, so the printer's own defaults apply.
    void SelectNamed(LPCWSTR device, LPCWSTR driver, LPCWSTR port)
    {
        if (!driver || !*driver)
            driver = L"WINSPOOL";
        const size_t header = (sizeof(DEVNAMES) + sizeof(wchar_t) - 1) / sizeof(wchar_t);
        const size_t nDriver = ::lstrlenW(driver) + 1, nDevice = ::lstrlenW(device) + 1,
                     nPort = ::lstrlenW(port) + 1;
        const size_t units = header + nDriver + nDevice + nPort;
        fw::UniqueGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                             units * sizeof(wchar_t)));
        auto* names = static_cast<DEVNAMES*>(block ? ::GlobalLock(block.get()) : nullptr);
        if (!names)
            return;
        auto* text = reinterpret_cast<wchar_t*>(names);
        names->wDriverOffset = static_cast<WORD>(header);
        names->wDeviceOffset = static_cast<WORD>(header + nDriver);
        names->wOutputOffset = static_cast<WORD>(header + nDriver + nDevice);
        names->wDefault = 0;
        ::lstrcpyW(text + names->wDriverOffset, driver);
        ::lstrcpyW(text + names->wDeviceOffset, device);
        ::lstrcpyW(text + names->wOutputOffset, port);
        ::GlobalUnlock(block.get());
        Replace(nullptr, block.release());
    }
    // Blocks the dialog made afresh (it was handed none): the old ones go.
    void Replace(HGLOBAL mode, HGLOBAL names)
    {
        devMode.reset(mode);
        devNames.reset(names);
    }
};
