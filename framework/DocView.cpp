#include "framework/DocView.h"
#include <algorithm>
#include "framework/Frame.h"
#include "framework/Handles.h"

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCWSTR path)
{
    fw::UniqueHandle h(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return FALSE;
    h.reset();
    DeleteContents();
    return TRUE;
}

CView::~CView()
{
    LeaveFrame();
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

// A frame must never route to a view that is gone.
void CView::LeaveFrame()
{
    if (m_pFrame && m_pFrame->GetActiveView() == this)
        m_pFrame->SetActiveView(nullptr);
    m_pFrame = nullptr;
}

void CDocument::AddView(CView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CDocument::RemoveView(CView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
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
    LeaveFrame();
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
