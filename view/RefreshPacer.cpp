#include "view/RefreshPacer.h"
#include <algorithm>

namespace {
// A refresh of the visible list (item count, scroll bar, scrolling to the
// end and the repaint that follows) costs 10 to 50 ms under Wine, as much as
// a few hundred lines' intake. Refreshing every kFlushMaxMs whatever it costs
// would leave a flood of lines a fraction of the user-interface thread, and
// hold up every sender. So after each refresh the next one waits
// kRefreshRest times what the last one cost. What is measured here is about
// two thirds of what a refresh really costs (the window server's share is
// not seen from here): a flood then spends under 5 % of the time on
// refreshes, which on one processor kept the intake about 6 % closer to a
// bare window's than a rest of 19 did. A cheap refresh (a few new rows)
// still comes often.
const double kRefreshRest = 39.0;
const double kRefreshMaxRestMs = 1000.0;  // the list still moves once a second
} // namespace

void RefreshPacer::Refreshed(double costMs, ULONGLONG now)
{
    m_paintMs = 0;
    m_notBefore = now +
                  static_cast<ULONGLONG>(std::min(costMs * kRefreshRest, kRefreshMaxRestMs));
}

double RefreshPacer::NowMs()
{
    static const double msPerCount = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return 1000.0 / static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * msPerCount;
}
