// The single-document template: creates the one document, frame and view.
#pragma once
#include "framework/DocView.h"
#include <functional>
#include <memory>

class CFrameWnd;

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
    UINT m_nIDResource;
    // A file became the document (its full path).
    std::function<void(LPCWSTR path)> m_onOpened;
    // No document: the named file could not be opened, or (null path) the
    // frame could not be created.
    std::function<void(LPCWSTR path)> m_onFailed;

private:
    CRuntimeClasses m_classes;
    std::unique_ptr<CDocument> m_pOnlyDoc;
    CFrameWnd* m_pFrame = nullptr;
};
