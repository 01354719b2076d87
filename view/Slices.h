// Work done on the window's thread a piece at a time (a few milliseconds
// each), so the window answers and lines keep coming however long it runs:
// the next piece comes at once when nothing waits, after input, painting and
// timers (the list's refreshes among them) when something does.
#pragma once
#include <windows.h>
#include <chrono>

// A millisecond clock for the length of a piece. (Not the tick count: under
// load its updates can stall for longer than a piece may take.)
inline double SliceClockMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

class CSlices {
public:
    CSlices(UINT msg, UINT_PTR timerId) : m_msg(msg), m_timerId(timerId) {}
    void Attach(HWND hwnd) { m_hwnd = hwnd; }
    // Asks for the next piece.
    void Next()
    {
        if (HIWORD(::GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) == 0 &&
            ::PostMessageW(m_hwnd, m_msg, 0, 0))
            return;
        if (!m_timer)
            m_timer = ::SetTimer(m_hwnd, m_timerId, USER_TIMER_MINIMUM, nullptr) != 0;
        if (!m_timer)
            ::PostMessageW(m_hwnd, m_msg, 0, 0);
    }
    // No piece is asked for any more (one already posted finds nothing to do).
    void Stop()
    {
        if (m_timer)
            ::KillTimer(m_hwnd, m_timerId);
        m_timer = false;
    }
    // True for the window's message (or timer) that brings a piece; the
    // timer is let go then.
    bool Takes(UINT msg, WPARAM wParam)
    {
        if (msg == m_msg)
            return true;
        if (msg == WM_TIMER && wParam == m_timerId) {
            Stop();
            return true;
        }
        return false;
    }

private:
    HWND m_hwnd = nullptr;
    UINT m_msg;
    UINT_PTR m_timerId;
    bool m_timer = false;
};
