// A status bar with one message pane.
#pragma once
#include "framework/Handles.h"
#include "framework/Wnd.h"

class CStatusBar : public CWnd {
public:
    BOOL Create(CWnd* parent, DWORD style, UINT id);
    BOOL SetIndicators(const UINT* ids, int count);
    void SetText(LPCWSTR text);
    int GetHeight() const;
    // Takes the status font of `dpi` (its height follows the font).
    void SetDpi(UINT dpi);
    // Dark colours: the bar paints itself (the control's own text is black).
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    fw::UniqueFont m_font;
};
