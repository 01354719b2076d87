// The program's colours: light (the system's own) or dark. The program picks
// one (SetDarkColours); the framework's windows and dialogs paint with it.
#pragma once
#include <windows.h>

namespace fw {

struct Colours {
    bool dark;
    COLORREF window, text;      // lists, edits, the timeline
    COLORREF face, faceText;    // dialogs, bars, headers, tabs
    COLORREF edge;              // lines between parts
    COLORREF selectedTab;
};

void SetDarkColours(bool dark);
bool DarkColours();
const Colours& CurrentColours();
// Brushes of the current colours (kept until the colours change).
HBRUSH WindowBrush();
HBRUSH FaceBrush();
// A control's WM_CTLCOLOR* answer while dark (its text and background set
// on `dc`); null while light: the default answer stands.
HBRUSH DarkControlColour(UINT msg, HDC dc);
// Dark: the window's title bar dark too, where the system can; the
// dialog's check boxes, radio buttons and group boxes drawn in the classic
// way that honours the colours, its lists coloured.
void DarkenTitleBar(HWND top);
void DarkenDialogControls(HWND dialog);
// A common control's own WM_PAINT in the dark colours: between BeginPaint
// and EndPaint, the client area filled with the face, the control's font,
// the face's text colour and a pen of the edge colour selected.
class DarkPaint {
public:
    explicit DarkPaint(HWND control);
    ~DarkPaint();
    DarkPaint(const DarkPaint&) = delete;
    DarkPaint& operator=(const DarkPaint&) = delete;
    HDC dc() const { return m_dc; }

private:
    HWND m_control;
    PAINTSTRUCT m_ps;
    HDC m_dc;
    HPEN m_pen;
    HGDIOBJ m_oldFont, m_oldPen;
};
// Windows' own choice for programs (Settings > Personalization > Colours):
// true when it is dark.
bool SystemPrefersDark();

} // namespace fw
