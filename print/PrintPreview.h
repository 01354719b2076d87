// The print preview: a window owned by the main frame that shows the list's
// pages as they will print, one at a time, scaled to fit, with page up and
// down, zoom, Print and Close. It follows the list while open: rows that
// arrive or are cleared change the pages.
#pragma once
#include "framework/Handles.h"
#include "framework/Wnd.h"
#include "print/Printing.h"
#include <memory>

class CPreviewPane;

class CPrintPreview : public CWnd {
public:
    // Opens the preview of the rows that the list control `list` shows, or
    // brings the open one forward (laid out anew). Null when the window
    // could not be made.
    static CPrintPreview* Open(const IPrintRowSource& rows, HWND list);
    // The rows are going: the open preview of them shows them no more.
    static void SourceGone(const IPrintRowSource& rows);
    // The open preview, if any.
    static CPrintPreview* Current();

    int PageCount() const;
    int CurrentPage() const { return m_nPage; }   // 0-based
    // 100 shows the whole page in the window; larger values enlarge it.
    int ZoomPercent() const;
    const CListPrintLayout& Layout() const { return *m_layout; }

    void ShowPage(int page);
    void NextPage() { ShowPage(m_nPage + 1); }
    void PrevPage() { ShowPage(m_nPage - 1); }
    void ZoomIn();
    void ZoomOut();
    // Prints the rows, with the print dialog.
    void Print();
    void Close();

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    // Control ids of the preview's buttons.
    enum : UINT {
        IDC_PREVIEW_PRINT = 57607,   // the Print command's own id
        IDC_PREVIEW_PREV = 0x7101,
        IDC_PREVIEW_NEXT,
        IDC_PREVIEW_ZOOM_IN,
        IDC_PREVIEW_ZOOM_OUT,
        IDC_PREVIEW_CLOSE,
        IDC_PREVIEW_PAGE_LABEL,
    };

private:
    friend class CPreviewPane;
    CPrintPreview(const IPrintRowSource& rows, HWND list);
    ~CPrintPreview() override;
    bool Create(HWND owner);
    void Relayout();
    // Font, button bar and its height for `dpi`.
    void LayoutBar(UINT dpi);
    void OnSize();
    void OnKey(UINT key);
    void OnTimer();
    void UpdateControls();
    bool ViewAlive() const;

    const IPrintRowSource* m_pRows;
    HWND m_hList;
    std::unique_ptr<CListPrintLayout> m_layout;
    std::unique_ptr<CPreviewPane> m_pane;
    fw::UniqueFont m_font;
    int m_nPage = 0;
    int m_nZoom = 0;   // index into the zoom steps
    int m_nBarHeight = 0;
    UINT m_nDpi = 96;   // of the screen the window is on
};
