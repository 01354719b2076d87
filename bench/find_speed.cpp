// Find over a million stored rows: the matcher Find uses against the least
// that could do the job (std::wstring_view::find, case-sensitive), both over
// the same RowStore, one right after the other. Prints RESULT lines; not a
// test. Native build:
//   g++ -std=c++20 -O2 -I. bench/find_speed.cpp rows/TextMatch.cpp \
//       rows/RowStore.cpp rows/RecordFormat.cpp -o find_speed
// (Boost's headers on the include path.)
#include "rows/RowStore.h"
#include "rows/TextMatch.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

double Ms(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
        .count();
}

template <class F> double Best(F f)
{
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        double ms = Ms(t0);
        if (ms < best)
            best = ms;
    }
    return best;
}

} // namespace

int main()
{
    orlix::RowStore rows;
    orlix::ArrivalTime t{};
    const size_t n = 1000000;
    for (size_t i = 0; i < n; ++i)
        rows.Append(L"app.exe", 100 + static_cast<uint32_t>(i % 7), t,
                    L"worker " + std::to_wstring(i) + L" processed item batch, status ok");
    const std::wstring needle = L"no such text here";
    size_t hits = 0;
    double bare = Best([&] {
        for (size_t r = 0; r < n; ++r)
            hits += rows.Text(r).find(needle) != std::wstring_view::npos;
    });
    auto run = [&](const orlix::MatchOptions& o) {
        orlix::TextMatcher m;
        m.Set(needle, o);
        return Best([&] {
            for (size_t r = 0; r < n; ++r)
                hits += m.Matches(rows.Text(r));
        });
    };
    orlix::MatchOptions plain, cased, word, regex;
    cased.matchCase = true;
    word.wholeWord = true;
    regex.regex = true;
    double p = run(plain), c = run(cased), w = run(word), r = run(regex);
    // A regular expression with no plain text in it: every row is read by
    // the expression itself.
    double digits = Best([&] {
        orlix::TextMatcher m;
        m.Set(L"\\d{7}", regex);
        std::wstring scratch;
        for (size_t row = 0; row < n; ++row)
            hits += rows.TextMatches(row, m, scratch);
    });
    // A pattern that backtracks without end, over 1,000 rows as long as a
    // row keeps: the time until the first of them answers "too complex".
    orlix::RowStore runaway;
    for (int i = 0; i < 1000; ++i)
        runaway.Append(L"a.exe", 1, t, std::wstring(4094, L'a') + L"b");
    auto t0 = std::chrono::steady_clock::now();
    {
        orlix::TextMatcher m;
        m.Set(L"(a+)+$", regex);
        std::wstring scratch;
        for (size_t row = 0; row < runaway.Size(); ++row)
            if (runaway.MatchText(row, m, scratch) == orlix::MatchResult::TooComplex)
                break;
    }
    const double runawayMs = Ms(t0);
    std::printf("RESULT find_bare_ms %.1f\n", bare);
    std::printf("RESULT find_digits7_ms %.1f (goal <= 500 over a million rows)\n", digits);
    std::printf("RESULT find_runaway_ms %.1f (goal <= 1000)\n", runawayMs);
    std::printf("RESULT find_nocase_ms %.1f ratio %.2f\n", p, p / bare);
    std::printf("RESULT find_case_ms %.1f ratio %.2f\n", c, c / bare);
    std::printf("RESULT find_word_ms %.1f ratio %.2f\n", w, w / bare);
    std::printf("RESULT find_regex_ms %.1f ratio %.2f\n", r, r / bare);
    return hits == 0 ? 0 : 1;
}
