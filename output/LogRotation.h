// When the automatic log starts a new file, and what the new files are
// called. Platform-free: the writer applies it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orlix {

struct LogRotation {
    uint64_t maxBytes = 0;   // a new file once one holds this much; 0: no limit
    bool daily = false;      // a new file at the first line of a new day
    unsigned keep = 0;       // the newest files of a logging period kept; 0: all
    bool dated = false;      // new files named by their day, else numbered

    bool Active() const { return maxBytes != 0 || daily; }
    bool operator==(const LogRotation& o) const
    {
        return maxBytes == o.maxBytes && daily == o.daily && keep == o.keep && dated == o.dated;
    }
};

// The name of the `seq`th file (2, 3, ...) of a period whose first file is
// `first`: "log.txt" becomes "log.2.txt", or with dated names
// "log.2026-12-10.txt" (and "log.2026-12-10.2.txt" for the next file of that
// same day, `sameDay` counting from 2).
std::wstring RotatedName(std::wstring_view first, unsigned seq, bool dated,
                         int year, int month, int day, unsigned sameDay);

// How many units at the front of `text` (whole lines, each ending in "\n")
// fit in `room` units; when none fits and `mustTake`, the first whole line
// (or everything, when no line end is in it).
size_t FitLines(std::wstring_view text, uint64_t room, bool mustTake);

} // namespace orlix
