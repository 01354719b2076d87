// How soon the list may be refreshed again: after each refresh the next one
// rests a multiple of what the last one cost, painting included.
#pragma once
#include <windows.h>

class RefreshPacer {
public:
    // The list painted for this long since the last refresh.
    void AddPaint(double ms) { m_paintMs += ms; }
    double PaintedMs() const { return m_paintMs; }
    // A refresh cost `costMs` in all (with the painting before it), ending
    // at tick `now`.
    void Refreshed(double costMs, ULONGLONG now);
    bool MayRefresh(ULONGLONG now) const { return now >= m_notBefore; }
    // A millisecond clock finer than the tick count.
    static double NowMs();

private:
    double m_paintMs = 0;        // the list's painting since the last refresh
    ULONGLONG m_notBefore = 0;   // no refresh starts before this tick
};
