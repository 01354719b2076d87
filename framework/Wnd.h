// Window wrappers: one thunk for the windows we register, subclassing for
// system controls, and notification reflection from parent to child.
#pragma once
#include "CmdUI.h"
#include <windows.h>
#include <commctrl.h>

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Creates a window of a class registered with StaticWndProc; `this`
    // travels in lpCreateParams and is kept in GWLP_USERDATA.
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                  int cx, int cy, HWND parent, HMENU menuOrId);
    // Creates a system control (list view, toolbar, ...) and subclasses it.
    BOOL CreateControl(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style,
                       const RECT& rc, HWND parent, UINT id);
    BOOL DestroyWindow();

    // Every message of the window; the default goes to DefWindowProc (or the
    // control's own procedure when subclassed) after reflecting WM_NOTIFY
    // and control WM_COMMAND to the child's wrapper.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

    // A child's notification handed back to its wrapper; return true when
    // handled (with *pResult the message's result).
    virtual bool OnNotifyReflect(NMHDR* /*pNMHDR*/, LRESULT* /*pResult*/) { return false; }
    virtual bool OnCommandReflect(UINT /*code*/, LRESULT* /*pResult*/) { return false; }
    // After WM_NCDESTROY; the window handle is gone. Auto-deleting windows
    // delete themselves here.
    virtual void PostNcDestroy() {}

    static CWnd* FromHandle(HWND hwnd);
    // Registers a class whose windows are CWnd objects.
    static ATOM RegisterWndClass(LPCWSTR name, UINT style, HICON icon, HCURSOR cursor,
                                 HBRUSH background, HICON smallIcon = nullptr);
    static LRESULT CALLBACK StaticWndProc(HWND, UINT, WPARAM, LPARAM);

    HWND m_hWnd = nullptr;

protected:
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
    bool m_bSubclassed = false;
};

// The module's instance handle (the executable's).
HINSTANCE AfxGetInstanceHandle();
// A string of the executable's string table ("" when missing).
#include <string>
std::wstring AfxLoadString(UINT id);
// A user-interface string in the chosen language: what the translator the
// program set hands out, else the string table's entry ("" when missing).
std::wstring AfxLoadUIString(UINT id);
// The program's lookup of translated strings (null: none found).
using StringTranslator = LPCWSTR (*)(UINT id);
void SetStringTranslator(StringTranslator fn);
