// What the framework's parts share without knowing each other: the
// application (last stop of command routing), the main window and the
// application's name; and the choices made from them (the owner of a
// dialog or message box, the message box itself).
#pragma once
#include <windows.h>
#include <string>

class CCmdTarget;
class CWnd;

struct AfxModuleState {
    CCmdTarget* pApp = nullptr;
    CWnd* pMainWnd = nullptr;
    std::wstring strAppName;
};

AfxModuleState& AfxGetModuleState();

// The main window's handle (null when none).
HWND AfxGetMainWnd();
// The owner for a dialog or message box: the given window, else the main
// window; and of that, its last active popup when that one is enabled.
HWND AfxGetDialogOwner(HWND preferred = nullptr);

// A modal OK box (or the given type) with the application's title.
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK);
int AfxMessageBox(UINT stringId, UINT type = MB_OK);
