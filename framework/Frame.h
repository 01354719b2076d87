// Frame window with menu, accelerators, a toolbar in a rebar band (flat,
// tooltips, fly-by prompts, gripper) and a one-pane status bar.
#pragma once
#include "framework/DocView.h"
#include "framework/Handles.h"
#include <functional>
#include <string>
#include <vector>

class CSingleDocTemplate;

class CToolBar : public CWnd {
public:
    // Creates the rebar that carries the toolbar at the top of the frame.
    BOOL CreateEx(CWnd* parent, DWORD tbStyle, DWORD style, UINT id);
    // Loads the button layout (resource type 241) and its bitmap.
    BOOL LoadToolBar(UINT id);
    int CommandToIndex(UINT id) const;
    void GetButtonInfo(int index, UINT& id, UINT& style, int& image) const;
    void SetButtonInfo(int index, UINT id, UINT style, int image);
    // Adds a 16-colour image strip; returns the index of its first image.
    int AddBitmap(int count, HBITMAP bmp);
    int GetButtonCount() const;
    HWND GetRebar() const { return m_hRebar; }
    int GetHeight() const;
    void Show(bool show);
    bool IsVisible() const;

private:
    HWND m_hRebar = nullptr;
    HWND m_hParent = nullptr;
    SIZE m_sizeImage = { 16, 15 };
};

class CStatusBar : public CWnd {
public:
    BOOL Create(CWnd* parent, DWORD style, UINT id);
    BOOL SetIndicators(const UINT* ids, int count);
    void SetText(LPCWSTR text);
    int GetHeight() const;
};

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
    CDocument* GetActiveDocument() const;
    HACCEL GetAccelerators() const { return m_hAccel; }
    void SetTitle(LPCWSTR title) { m_strTitle = title; }
    void SetMessageText(LPCWSTR text);
    void SetMessageText(UINT id);
    void RecalcLayout();
    // Runs a command through view, document, frame and application, after
    // asking whether it is enabled.
    bool RouteCommand(UINT id);
    bool RouteUpdate(CCmdUI& ui);
    bool RunCommand(UINT id);
    // Brings toolbar buttons up to date (called when the message loop idles).
    void OnIdleUpdateCmdUI();
    void OnViewActiveViewGone(CView* view);

    CStatusBar* m_pStatusBar = nullptr;   // set by the derived frame
    CToolBar* m_pToolBar = nullptr;
    CSingleDocTemplate* m_pTemplate = nullptr;
    std::function<CView*()> m_pNewView;
    CDocument* m_pNewDoc = nullptr;
    UINT m_nIDResource = 0;
    std::wstring m_strClassName = L"FwFrame";

protected:
    void UpdateMenuPopup(HMENU popup);
    std::wstring PromptFor(UINT id) const;
    LRESULT OnToolbarNotify(NMHDR* nm, bool* handled);

    CView* m_pViewActive = nullptr;
    HACCEL m_hAccel = nullptr;
    std::wstring m_strTitle;
    std::vector<std::pair<int, int>> m_lastButtonState; // (enabled, checked) per index
};
