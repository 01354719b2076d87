// The printer chosen by Print Setup or the print dialog: its DEVMODE and
// DEVNAMES blocks (none: the default printer).
#pragma once
#include "framework/Handles.h"

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
    // Blocks the dialog made afresh (it was handed none): the old ones go.
    void Replace(HGLOBAL mode, HGLOBAL names)
    {
        devMode.reset(mode);
        devNames.reset(names);
    }
};
