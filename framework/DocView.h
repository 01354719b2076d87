// Document and view.
#pragma once
#include "framework/Wnd.h"
#include <string>
#include <vector>

class CView;
class CFrameWnd;

class CDocument : public CCmdTarget {
public:
    ~CDocument() override = default;
    virtual BOOL OnNewDocument();
    // Opens the named file as the document (the file must be readable).
    virtual BOOL OnOpenDocument(LPCWSTR path);
    virtual void DeleteContents() {}
    void SetTitle(const std::wstring& title) { m_strTitle = title; }
    const std::wstring& GetTitle() const { return m_strTitle; }
    void SetPathName(const std::wstring& path) { m_strPathName = path; }
    const std::wstring& GetPathName() const { return m_strPathName; }
    // The first of the views that show the document (null when none).
    CView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    const std::vector<CView*>& GetViews() const { return m_views; }
    void AddView(CView* view);
    void RemoveView(CView* view);

private:
    std::wstring m_strTitle;
    std::wstring m_strPathName;
    std::vector<CView*> m_views;
};

class CView : public CWnd {
public:
    ~CView() override;
    CDocument* GetDocument() const { return m_pDocument; }
    // Sent after the document was made new or opened, every time.
    virtual void OnInitialUpdate() {}
    virtual void OnDraw(HDC /*dc*/) {}
    virtual BOOL PreCreateWindow(CREATESTRUCTW& /*cs*/) { return TRUE; }
    // The frame moved from a screen of `oldDpi` to one of `newDpi`.
    virtual void OnDpiChanged(UINT /*oldDpi*/, UINT /*newDpi*/) {}
    // Creates the view window as the frame's client.
    virtual BOOL CreateView(HWND parent, UINT id);
    void AttachDocument(CDocument* doc);
    void PostNcDestroy() override;
    // The frame that shows this view; told when the view goes away.
    CFrameWnd* GetParentFrame() const { return m_pFrame; }
    void SetParentFrame(CFrameWnd* frame) { m_pFrame = frame; }

protected:
    CDocument* m_pDocument = nullptr;

private:
    void LeaveFrame();
    CFrameWnd* m_pFrame = nullptr;
};

// A view whose window is the system list-view control.
class CListView : public CView {
public:
    BOOL CreateView(HWND parent, UINT id) override;
    HWND GetListCtrl() const { return m_hWnd; }
};
