// A view's rules or filter box changed: the rows it shows are worked out
// anew over the whole store a piece at a time (the list keeps showing the
// old rows meanwhile, the window answers and lines keep coming); when it is
// through, the list shows the new rows, keeping the selected row where it is
// still shown. The next change starts it over.
#pragma once
#include "view/Slices.h"

class COrlixView;

class CListRefilter {
public:
    explicit CListRefilter(COrlixView& view) : m_view(view) {}
    void Start();
    void Continue();
    bool Running() const { return m_running; }
    void Stop();
    CSlices& Pieces() { return m_pieces; }

private:
    COrlixView& m_view;
    bool m_running = false;
    size_t m_rowsPerCheck = 1024;
    CSlices m_pieces{ 0x8000 + 0x47, 7 };   // WM_APP + 0x47, timer 7
};
