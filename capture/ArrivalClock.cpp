#include "capture/ArrivalClock.h"

namespace orlix {

ArrivalTime ArrivalClock::Now()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const ULONGLONG second = ticks / 10000000;
    if (second != m_second) {
        const ULONGLONG whole = second * 10000000;
        FILETIME utc = { static_cast<DWORD>(whole), static_cast<DWORD>(whole >> 32) };
        FILETIME local;
        SYSTEMTIME st;
        const bool converted =
            ::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToSystemTime(&local, &st);
        if (converted)
            m_second = second;
        else
            ::GetLocalTime(&st);
        m_base.hour = st.wHour;
        m_base.minute = st.wMinute;
        m_base.second = st.wSecond;
    }
    ArrivalTime t = m_base;
    t.millisecond = static_cast<uint16_t>(ticks / 10000 % 1000);
    return t;
}

} // namespace orlix
