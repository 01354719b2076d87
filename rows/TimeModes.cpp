#include "rows/TimeModes.h"

namespace orlix {

namespace {

constexpr int64_t kDayMs = 24LL * 60 * 60 * 1000;

int64_t MsOfDay(const ArrivalTime& t)
{
    return ((int64_t(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

void AppendPadded(std::wstring& s, unsigned v, int digits)
{
    std::wstring d = std::to_wstring(v);
    for (int i = static_cast<int>(d.size()); i < digits; ++i)
        s += L'0';
    s += d;
}

} // namespace

TimeMode TimeModeFromInt(int value)
{
    return value >= 0 && value < kTimeModeCount ? static_cast<TimeMode>(value) : TimeMode::Clock;
}

int64_t ElapsedMs(const ArrivalTime& from, const ArrivalTime& to)
{
    int64_t d = MsOfDay(to) - MsOfDay(from);
    return d < 0 ? d + kDayMs : d;
}

std::wstring FormatSeconds(int64_t ms)
{
    std::wstring s;
    uint64_t magnitude = ms < 0 ? uint64_t(0) - uint64_t(ms) : uint64_t(ms);
    if (ms < 0)
        s += L'-';
    s += std::to_wstring(magnitude / 1000);
    s += L'.';
    AppendPadded(s, static_cast<unsigned>(magnitude % 1000), 3);
    return s;
}

std::wstring FormatTimeAs(TimeMode mode, const ArrivalTime& t, const ArrivalTime& origin,
                          const ArrivalTime* previous)
{
    switch (mode) {
    case TimeMode::ClockMs: {
        std::wstring s;
        s.reserve(12);
        AppendPadded(s, t.hour, 2);
        s += L':';
        AppendPadded(s, t.minute, 2);
        s += L':';
        AppendPadded(s, t.second, 2);
        s += L'.';
        AppendPadded(s, t.millisecond, 3);
        return s;
    }
    case TimeMode::SinceFirst:
        return FormatSeconds(ElapsedMs(origin, t));
    case TimeMode::Delta:
        return FormatSeconds(previous ? ElapsedMs(*previous, t) : 0);
    case TimeMode::Clock:
        break;
    }
    // The list's classic text: whole seconds, the last group always 00.
    ArrivalTime whole = t;
    whole.millisecond = 0;
    return FormatTime(whole);
}

} // namespace orlix
