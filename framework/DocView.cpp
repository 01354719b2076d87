#include "framework/DocView.h"
#include "framework/Frame.h"
#include "framework/App.h"
#include "framework/Dialog.h"

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCWSTR path)
{
    HANDLE h = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    ::CloseHandle(h);
    DeleteContents();
    return TRUE;
}

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::AttachDocument(CDocument* doc)
{
    m_pDocument = doc;
    if (doc)
        doc->AddView(this);
}

BOOL CView::CreateView(HWND parent, UINT id)
{
    CREATESTRUCTW cs = {};
    cs.style = WS_CHILD | WS_VISIBLE;
    cs.dwExStyle = WS_EX_CLIENTEDGE;
    if (!PreCreateWindow(cs))
        return FALSE;
    RegisterWndClass(L"FwView", CS_DBLCLKS, nullptr, ::LoadCursorW(nullptr, IDC_ARROW),
                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return CreateEx(cs.dwExStyle, L"FwView", L"", cs.style, 0, 0, 0, 0, parent,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CView::PostNcDestroy()
{
    if (m_pDocument) {
        m_pDocument->RemoveView(this);
        m_pDocument = nullptr;
    }
    delete this;
}

BOOL CListView::CreateView(HWND parent, UINT id)
{
    CREATESTRUCTW cs = {};
    cs.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
    if (!PreCreateWindow(cs))
        return FALSE;
    RECT rc = { 0, 0, 0, 0 };
    return CreateControl(cs.dwExStyle, WC_LISTVIEWW, L"", cs.style, rc, parent, id);
}

CSingleDocTemplate::~CSingleDocTemplate() = default;

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCWSTR path)
{
    bool created = false;
    if (!m_pOnlyDoc) {
        std::unique_ptr<CDocument> doc(m_classes.newDocument());
        CFrameWnd* frame = m_classes.newFrame();
        frame->m_pTemplate = this;
        frame->m_pNewView = m_classes.newView;
        frame->m_pNewDoc = doc.get();
        if (!frame->LoadFrame(m_nIDResource)) {
            // The frame deleted itself when its creation failed.
            AfxMessageBox(L"创建空文档失败。");
            return nullptr;
        }
        m_pFrame = frame;
        m_pOnlyDoc = std::move(doc);
        created = true;
    }
    CDocument* doc = m_pOnlyDoc.get();
    BOOL ok = path ? doc->OnOpenDocument(path) : doc->OnNewDocument();
    if (!ok) {
        if (path) {
            std::wstring msg = L"无法打开文档 ";
            msg += path;
            AfxMessageBox(msg.c_str());
        }
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
        if (CWinApp* app = AfxGetApp())
            app->AddToRecentFileList(p.c_str());
    }
    if (m_pFrame)
        m_pFrame->InitialUpdateFrame(doc);
    return doc;
}
