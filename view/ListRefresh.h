// How an owner-data list follows rows that keep coming: the control learns
// about them once per burst (when the intake has gone quiet, and at least
// every so often while lines keep coming, never before the rest that the
// last refresh's cost asks for), and keeps its place when the oldest rows go.
#pragma once
#include "view/RefreshPacer.h"
#include <cstddef>
#include <functional>

class CListRefresh {
public:
    // `items`: how many items the list should show; `beforeFlush` runs first
    // at every refresh.
    void Attach(HWND list, std::function<size_t()> items, std::function<void()> beforeFlush);
    void Detach();
    // New rows came (`scroll`: the list is to show the last of them).
    void RowsCame(bool scroll);
    // Items already shown changed (a repeat was counted): the list is
    // painted again at the next refresh.
    void ItemsChanged() { m_bRepaintPending = true; }
    // The item is to be brought into sight at the next refresh (soon).
    void Reveal(size_t item);
    // All rows are gone.
    void Cleared();
    // The `goneItems` first items went (the oldest rows left): selection,
    // focus and the rows in view stay on the same lines where they still
    // exist.
    void KeepPlaceThroughDrop(size_t goneItems);
    // Brings the control up to date now.
    void Flush();
    // The list's messages: its timer, and its painting (part of what a
    // refresh costs). True when the timer was this one's.
    bool OnTimer(UINT_PTR id);
    void AddPaint(double ms) { m_pacer.AddPaint(ms); }

private:
    static constexpr UINT_PTR kTimerId = 1;
    HWND m_list = nullptr;
    std::function<size_t()> m_items;
    std::function<void()> m_beforeFlush;
    RefreshPacer m_pacer;
    bool m_bTimer = false;
    bool m_bScrollPending = false;
    bool m_bRevealPending = false;
    bool m_bRepaintPending = false;
    size_t m_revealItem = 0;
    ULONGLONG m_lastLineTick = 0;
    ULONGLONG m_lastFlushTick = 0;
};
