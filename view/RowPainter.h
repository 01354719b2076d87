// How the list paints a row beyond the control's own drawing: highlight
// colours (the highlight rules and the view's rules), the bookmark mark, and
// the spans of the message that token rules colour, and with ANSI colours on
// the colours its escape sequences give it. Nothing is matched while
// painting: the colours come from what the view keeps beside its rows.
#pragma once
#include "rows/RowView.h"
#include <windows.h>
#include <commctrl.h>

// Answers NM_CUSTOMDRAW for the list; false (the control's own drawing)
// while nothing of this is in use.
bool PaintRow(HWND list, const orlix::RowView& shown, NMLVCUSTOMDRAW* cd, LRESULT* result);
