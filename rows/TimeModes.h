// The Time column's display modes. Platform-free.
#pragma once
#include "rows/RecordFormat.h"
#include <cstdint>
#include <string>

namespace orlix {

enum class TimeMode : int {
    Clock = 0,        // "HH:MM:SS:00", the log file's form (the default)
    ClockMs = 1,      // "HH:MM:SS.mmm"
    SinceFirst = 2,   // seconds since the first row (or since Clear): "s.mmm"
    Delta = 3,        // seconds since the previous row: "s.mmm"
};
constexpr int kTimeModeCount = 4;

// The mode for a stored number; anything unknown is the default.
TimeMode TimeModeFromInt(int value);

// Milliseconds from `from` to `to`, both times of day; a `to` earlier than
// `from` is taken as the next day.
int64_t ElapsedMs(const ArrivalTime& from, const ArrivalTime& to);

// "s.mmm" for a count of milliseconds (negative counts keep their sign).
std::wstring FormatSeconds(int64_t ms);

// The Time column's text of a row in the given mode. `origin` is the first
// row's arrival (SinceFirst), `previous` the row before (Delta; null for the
// first row, which shows 0.000).
std::wstring FormatTimeAs(TimeMode mode, const ArrivalTime& t, const ArrivalTime& origin,
                          const ArrivalTime* previous);

} // namespace orlix
