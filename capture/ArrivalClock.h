// The local time of day of a line's arrival, to the millisecond: the
// system clock is read for every line (a cheap call); its conversion to
// local hours, minutes and seconds is worked out once a second.
#pragma once
#include "rows/RecordFormat.h"
#include <windows.h>

namespace orlix {

class ArrivalClock {
public:
    ArrivalTime Now();

private:
    ULONGLONG m_second = 0;
    ArrivalTime m_base;
};

} // namespace orlix
