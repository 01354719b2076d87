// The timeline's figures over ten million rows: what counting each row as
// it arrives adds to the least an arrival costs (appending it to the row
// store), and how long the strip's columns take to work out for a full
// capture (the drawing itself fills a bitmap of the strip and copies it).
// Prints RESULT lines; not a test. Native build:
//   g++ -std=c++20 -O2 -I. bench/timeline_speed.cpp rows/Timeline.cpp \
//       rows/RowStore.cpp rows/RecordFormat.cpp rows/TextMatch.cpp -o timeline_speed
// (Boost's headers on the include path.)
#include "rows/RowStore.h"
#include "rows/Timeline.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Ms(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
        .count();
}

// Ten million rows over three hours from a dozen processes, a line each.
struct Arrival {
    orlix::ArrivalTime t;
    uint32_t pid;
};

std::vector<Arrival> Arrivals(size_t rows)
{
    std::vector<Arrival> a(rows);
    const size_t seconds = 3 * 3600;
    for (size_t i = 0; i < rows; ++i) {
        const size_t s = i * seconds / rows;
        a[i].t = { static_cast<uint16_t>(9 + s / 3600), static_cast<uint16_t>(s / 60 % 60),
                   static_cast<uint16_t>(s % 60), 0 };
        a[i].pid = static_cast<uint32_t>(100 + (i * 7 + i / 1000) % 12);
    }
    return a;
}

} // namespace

int main(int argc, char** argv)
{
    const size_t rows = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000000;
    const std::vector<Arrival> a = Arrivals(rows);
    std::vector<std::wstring> names;
    for (int p = 0; p < 12; ++p)
        names.push_back(L"process" + std::to_wstring(p) + L".exe");
    const std::wstring text = L"upload IMG_2041.jpg  2.4 MB  310 ms";

    // The same store filled twice: without the timeline, then with it.
    double bare = 1e30, with = 1e30;
    orlix::Timeline timeline;
    for (int rep = 0; rep < 3; ++rep) {
        orlix::RowStore store;
        auto t0 = std::chrono::steady_clock::now();
        for (size_t i = 0; i < rows; ++i)
            store.Append(names[a[i].pid - 100], a[i].pid, a[i].t, text);
        bare = std::min(bare, Ms(t0));
        orlix::RowStore store2;
        timeline.Clear();
        t0 = std::chrono::steady_clock::now();
        for (size_t i = 0; i < rows; ++i) {
            store2.Append(names[a[i].pid - 100], a[i].pid, a[i].t, text);
            timeline.Add(i, a[i].t, store2.NameIndex(i));
        }
        with = std::min(with, Ms(t0));
    }
    std::printf("RESULT timeline.rows                       %zu over %zu seconds\n", rows,
                timeline.Length());
    std::printf("RESULT timeline.append_ns_bare              %.1f ns a row (row store alone)\n",
                bare * 1e6 / rows);
    std::printf("RESULT timeline.added_per_row               %.3f (with the timeline over the "
                "store alone; the viewer's own cost per line is some thousand times the "
                "store's)\n",
                with / bare - 1.0);
    double draw = 1e30;
    std::vector<uint32_t> cols;
    for (int rep = 0; rep < 5; ++rep) {
        auto t0 = std::chrono::steady_clock::now();
        const std::vector<uint32_t> busiest = timeline.Busiest(5);
        timeline.Columns(1920, busiest, cols);
        draw = std::min(draw, Ms(t0));
    }
    std::printf("RESULT timeline.columns_ms                  %.2f ms for 1920 columns   target "
                "<= 100: %s\n",
                draw, draw <= 100 ? "MET" : "MISSED");
    return 0;
}
