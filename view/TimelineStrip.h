// View › Timeline: a strip above the list drawing the active view's lines per
// second over the whole capture, the busiest processes stacked in colours of
// their own (the rest grey), the part the list shows marked. Hovering shows
// a second's time and its lines by process; a click scrolls the list to that
// moment; a drag narrows the view to that span of time (Esc in the list, or
// a click outside the span, shows every time again). Drawn from the view's
// per-second counts (orlix::Timeline), never from a scan of the rows.
#pragma once
#include "view/OrlixView.h"
#include <windows.h>
#include <optional>
#include <string>
#include <vector>

class CTimelineStrip {
public:
    static constexpr size_t kColoured = 5;   // processes with colours of their own
    void Create(HWND frame);
    bool Visible() const { return m_visible; }
    void Show(bool on);
    void Layout(RECT& area);
    void SetView(COrlixView* view);
    // Redraws when the view's counts or its place in the list changed.
    void Refresh();

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc, const RECT& rc);
    // The second under client x (none when there are no lines).
    std::optional<size_t> SecondAt(int x) const;
    int XOf(size_t second) const;
    void OnClick(int x);
    void OnDrag(int from, int to);
    void PaintLegend(HDC dc, const RECT& bars, const std::vector<uint32_t>& busiest);
    void UpdateTip(int x);
    std::wstring TipText(size_t second) const;

    HWND m_frame = nullptr, m_wnd = nullptr, m_tip = nullptr;
    COrlixView* m_view = nullptr;
    bool m_visible = false;
    bool m_hover = false;
    int m_dragFrom = -1, m_dragTo = -1;
    std::optional<size_t> m_tipSecond;
    std::wstring m_tipText;
    uint64_t m_drawnRows = ~uint64_t(0);
    int m_drawnTop = -1;
};
