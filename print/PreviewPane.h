// The page area of the print preview, below its buttons: paints the current
// page and scrolls it when it is zoomed beyond the window.
#pragma once
#include "print/PrintPreview.h"

// The screen's vertical dots per inch (96 when it cannot tell).

class CPreviewPane : public CWnd {
public:
    explicit CPreviewPane(CPrintPreview& preview) : m_preview(preview) {}
    bool Create(HWND parent);
    void Reset()
    {
        m_scrollX = m_scrollY = 0;
        Refresh();
    }
    void Refresh()
    {
        UpdateScrollBars();
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct Placement {
        RECT paper;       // in client coordinates
        int totalWidth;   // page and gaps, for scrolling
        int totalHeight;
    };
    Placement Place() const;
    void UpdateScrollBars();
    void Scroll(int bar, int code);
    void ScrollBy(int dx, int dy);
    void Paint(HDC dc);

    CPrintPreview& m_preview;
    int m_scrollX = 0;
    int m_scrollY = 0;
};
