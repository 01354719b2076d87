#include "framework/AfxState.h"
#include "framework/AfxRes.h"
#include "framework/Wnd.h"

AfxModuleState& AfxGetModuleState()
{
    static AfxModuleState state;
    return state;
}

HWND AfxGetMainWnd()
{
    CWnd* main = AfxGetModuleState().pMainWnd;
    return main ? main->m_hWnd : nullptr;
}

HWND AfxGetDialogOwner(HWND preferred)
{
    HWND owner = preferred ? preferred : AfxGetMainWnd();
    if (owner) {
        HWND active = ::GetLastActivePopup(owner);
        if (active && ::IsWindowEnabled(active))
            owner = active;
    }
    return owner;
}

int AfxMessageBox(LPCWSTR text, UINT type)
{
    std::wstring title = AfxGetModuleState().strAppName;
    if (title.empty())
        title = AfxLoadString(AFX_IDS_APP_TITLE);
    if ((type & MB_ICONMASK) == 0)
        type |= (type & MB_TYPEMASK) == MB_OK ? MB_ICONEXCLAMATION : MB_ICONQUESTION;
    return ::MessageBoxW(AfxGetDialogOwner(), text, title.c_str(), type | MB_TASKMODAL);
}

int AfxMessageBox(UINT stringId, UINT type)
{
    return AfxMessageBox(AfxLoadString(stringId).c_str(), type);
}
