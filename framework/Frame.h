// Frame window with menu, accelerators, a toolbar and a status bar; it
// routes commands and keeps their check and enable states up to date.
#pragma once
#include "framework/DocView.h"
#include "framework/Handles.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"
#include <functional>
#include <string>
#include <vector>

class CFrameWnd : public CWnd {
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Creates the frame window with menu, accelerators and icon `id`.
    BOOL LoadFrame(UINT id, DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN);
    void InitialUpdateFrame(CDocument* doc);

    virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
    virtual int OnCreate(LPCREATESTRUCTW cs);
    virtual void OnDestroy();
    virtual void OnUpdateFrameTitle() { ::SetWindowTextW(m_hWnd, m_strTitle.c_str()); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCmdMsg(UINT id, int code, CCmdUI* pUI) override;
    void PostNcDestroy() override;

    CView* GetActiveView() const { return m_pViewActive; }
    // Makes `view` the one that commands reach first (null: none).
    void SetActiveView(CView* view);
    CDocument* GetActiveDocument() const;
    HACCEL GetAccelerators() const { return m_hAccel; }
    void SetTitle(LPCWSTR title) { m_strTitle = title; }
    void SetMessageText(LPCWSTR text);
    void SetMessageText(UINT id);
    void RecalcLayout();
    // Between the toolbar and the status bar, before the view takes the
    // rest: a derived frame may place bars of its own at the top of `area`
    // and move its top down.
    virtual void LayoutAboveView(RECT& /*area*/) {}
    // The window moved to a screen of another DPI (WM_DPICHANGED): bars,
    // view and window take the new scale; `suggested` is where Windows
    // proposes the window goes.
    virtual void OnDpiChanged(UINT dpi, const RECT* suggested);
    UINT GetDpi() const { return m_nDpi; }
    // Runs a command through view, document, frame and application, after
    // asking whether it is enabled.
    bool RouteCommand(UINT id);
    bool RouteUpdate(CCmdUI& ui);
    bool RunCommand(UINT id);
    // Brings toolbar buttons up to date (called when the message loop idles).
    void OnIdleUpdateCmdUI();

    CStatusBar* m_pStatusBar = nullptr;   // set by the derived frame
    CToolBar* m_pToolBar = nullptr;
    // Runs after the window is gone, before the frame deletes itself.
    std::function<void()> m_onDestroyed;
    std::function<CView*()> m_pNewView;
    CDocument* m_pNewDoc = nullptr;
    UINT m_nIDResource = 0;

protected:
    void UpdateMenuPopup(HMENU popup);
    std::wstring PromptFor(UINT id) const;
    // A toolbar button's tooltip (by default its prompt).
    virtual std::wstring TooltipFor(UINT id) const { return PromptFor(id); }
    LRESULT OnToolbarNotify(NMHDR* nm, bool* handled);

    CView* m_pViewActive = nullptr;
    HACCEL m_hAccel = nullptr;
    std::wstring m_strTitle;
    UINT m_nDpi = 0;
    std::vector<std::pair<int, int>> m_lastButtonState; // (enabled, checked) per index
};
