// Modal dialogs from templates, message boxes and the common file dialogs.
#pragma once
#include "framework/AfxState.h"
#include "framework/Wnd.h"
#include <commdlg.h>
#include <string>

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr)
        : m_nIDTemplate(templateId), m_hParent(parent) {}
    // Runs the dialog; its owner is the main window when no parent was given.
    virtual INT_PTR DoModal();
    // A modeless dialog (its keys go through IsDialogMessage); null on failure.
    HWND CreateModeless();
    // Runs after the dialog's texts were handed to the translator.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // The dialog's own messages; return TRUE when handled.
    virtual INT_PTR DialogProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void EndDialog(INT_PTR result);
    std::wstring GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const std::wstring& text);
    UINT m_nIDTemplate;

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND, UINT, WPARAM, LPARAM);
    HWND m_hParent;
};

// Dialogs hand themselves to the application's translator when they open,
// before OnInitDialog (set once by the application; none: dialogs keep their
// resource texts).
// Hands a message to the modeless dialog it is meant for; true when taken.
bool AfxPreTranslateModeless(MSG* msg);

using DialogTranslator = void (*)(HWND dialog, UINT templateId);
void SetDialogTranslator(DialogTranslator fn);

// With centring on, every dialog opens centred over its owner window, kept
// inside the work area of the owner's monitor; off (the start), dialogs open
// where their templates put them.
void SetDialogCentring(bool on);
bool DialogCentring();
// Centres `window` over `over` (its owner when null) within the work area.
void CentreWindowOver(HWND window, HWND over = nullptr);

class CFileDialog {
public:
    // filter: "Name|*.ext|Name2|*.x||", as the common dialog's pairs.
    CFileDialog(BOOL open, LPCWSTR defExt, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                HWND parent = nullptr);
    INT_PTR DoModal();
    std::wstring GetPathName() const { return m_szFile; }

private:
    BOOL m_bOpen;
    std::wstring m_strDefExt;
    std::wstring m_strFilter;
    DWORD m_dwFlags;
    HWND m_hParent;
    wchar_t m_szFile[MAX_PATH] = {};
};
