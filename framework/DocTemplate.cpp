#include "framework/DocTemplate.h"
#include "framework/Frame.h"

CSingleDocTemplate::~CSingleDocTemplate() = default;

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCWSTR path)
{
    bool created = false;
    if (!m_pOnlyDoc) {
        std::unique_ptr<CDocument> doc(m_classes.newDocument());
        CFrameWnd* frame = m_classes.newFrame();
        frame->m_onDestroyed = [this] { m_pFrame = nullptr; };
        frame->m_pNewView = m_classes.newView;
        frame->m_pNewDoc = doc.get();
        if (!frame->LoadFrame(m_nIDResource)) {
            // The frame deleted itself when its creation failed.
            if (m_onFailed)
                m_onFailed(nullptr);
            return nullptr;
        }
        m_pFrame = frame;
        m_pOnlyDoc = std::move(doc);
        created = true;
    }
    CDocument* doc = m_pOnlyDoc.get();
    BOOL ok = path ? doc->OnOpenDocument(path) : doc->OnNewDocument();
    if (!ok) {
        if (path && m_onFailed)
            m_onFailed(path);
        if (created && m_pFrame) {
            m_pFrame->DestroyWindow();
            m_pOnlyDoc.reset();
        }
        return nullptr;
    }
    if (path) {
        wchar_t full[MAX_PATH];
        DWORD n = ::GetFullPathNameW(path, MAX_PATH, full, nullptr);
        std::wstring p = (n > 0 && n < MAX_PATH) ? full : path;
        doc->SetPathName(p);
        std::wstring title = p.substr(p.find_last_of(L"\\/") == std::wstring::npos
                                          ? 0 : p.find_last_of(L"\\/") + 1);
        doc->SetTitle(title);
        if (m_onOpened)
            m_onOpened(p.c_str());
    }
    if (m_pFrame)
        m_pFrame->InitialUpdateFrame(doc);
    return doc;
}
