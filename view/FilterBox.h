// The filter box above the list (View › Filter Box, Ctrl+E): what is typed
// narrows the active view as it is typed, as plain text or, when chosen, a
// regular expression over the message text; the rows it leaves are counted
// beside it. Each key starts the view's refilter over (the one before is
// given up); Esc empties the box (a second Esc hides it), Enter goes to the
// list.
#pragma once
#include "view/OrlixView.h"
#include <windows.h>

class CFilterBox {
public:
    void Create(HWND frame);
    bool Visible() const { return m_visible; }
    // Shows it (the edit gets the focus) or hides it (the view's filter is
    // let go).
    void Show(bool on);
    void Layout(RECT& area);
    // The frame's WM_COMMAND from its controls; true when taken.
    bool OnCommand(WPARAM wParam, LPARAM lParam);
    // The view whose rows it narrows now (its text follows the view).
    void SetView(COrlixView* view);
    // The count beside it, now and then.
    void Refresh();

private:
    void Apply();
    static LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND m_frame = nullptr;
    HWND m_label = nullptr, m_edit = nullptr, m_regex = nullptr, m_count = nullptr;
    COrlixView* m_view = nullptr;
    bool m_visible = false;
    bool m_bad = false;   // what is typed is not a valid regular expression
};
