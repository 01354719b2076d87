// Document, view and the single-document template.
#pragma once
#include "framework/Wnd.h"
#include <functional>
#include <memory>
#include <string>

class CDocument;
class CFrameWnd;
class CView;

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
    // The one view of the document (null when none).
    CView* GetFirstView() const { return m_pView; }
    void AddView(CView* view) { m_pView = view; }
    void RemoveView(CView* view) { if (m_pView == view) m_pView = nullptr; }

private:
    std::wstring m_strTitle;
    std::wstring m_strPathName;
    CView* m_pView = nullptr;
};

class CView : public CWnd {
public:
    ~CView() override;
    CDocument* GetDocument() const { return m_pDocument; }
    // Sent after the document was made new or opened, every time.
    virtual void OnInitialUpdate() {}
    virtual void OnDraw(HDC /*dc*/) {}
    virtual BOOL PreCreateWindow(CREATESTRUCTW& /*cs*/) { return TRUE; }
    // Creates the view window as the frame's client.
    virtual BOOL CreateView(HWND parent, UINT id);
    void AttachDocument(CDocument* doc);
    void PostNcDestroy() override;

protected:
    CDocument* m_pDocument = nullptr;
};

// A view whose window is the system list-view control.
class CListView : public CView {
public:
    BOOL CreateView(HWND parent, UINT id) override;
    HWND GetListCtrl() const { return m_hWnd; }
};

// Factories that let the template create the application's classes.
struct CRuntimeClasses {
    std::function<CDocument*()> newDocument;
    std::function<CFrameWnd*()> newFrame;
    std::function<CView*()> newView;
};

class CSingleDocTemplate {
public:
    CSingleDocTemplate(UINT resourceId, CRuntimeClasses classes)
        : m_nIDResource(resourceId), m_classes(std::move(classes)) {}
    ~CSingleDocTemplate();
    // Null path: a new document. Creates the document, frame and view on
    // first use; later calls renew the one document in place.
    CDocument* OpenDocumentFile(LPCWSTR path);
    CDocument* GetDocument() const { return m_pOnlyDoc.get(); }
    CFrameWnd* GetFrame() const { return m_pFrame; }
    // The frame calls this when it goes.
    void OnFrameDestroyed() { m_pFrame = nullptr; }
    UINT m_nIDResource;

private:
    CRuntimeClasses m_classes;
    std::unique_ptr<CDocument> m_pOnlyDoc;
    CFrameWnd* m_pFrame = nullptr;
};
