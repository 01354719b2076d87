// Reading back a saved list or log: the file comes from anywhere.
#include "rows/ImportList.h"
#include "rows/RecordFormat.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <vector>

using namespace orlix;

// The same file fed a piece at a time (pieces of every size, a line or a
// character cut between two) gives the same rows and verdict.
void CheckPieces(const uint8_t* data, size_t size, const ImportResult& whole)
{
    ImportReader reader;
    std::vector<ImportedRow> rows;
    size_t at = 0, step = 1;
    while (at < size) {
        const size_t n = std::min(step, size - at);
        reader.Feed(data + at, n, rows);
        at += n;
        step = step * 3 % 17 + 1;
    }
    const bool ours = reader.Finish(rows) == ImportReader::Verdict::Ours;
    FUZZ_CHECK(ours == whole.ours);
    if (!ours)
        return;
    FUZZ_CHECK(rows.size() == whole.rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        FUZZ_CHECK(rows[i].name == whole.rows[i].name && rows[i].pid == whole.rows[i].pid &&
                   rows[i].text == whole.rows[i].text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImportResult r = ParseImportFile(data, size);
    CheckPieces(data, size, r);
    if (!r.ours) {
        FUZZ_CHECK(r.rows.empty() && r.malformed == 0);
        return 0;
    }
    FUZZ_CHECK(size >= 2 && data[0] == 0xFF && data[1] == 0xFE);
    FUZZ_CHECK(r.malformed <= r.rows.size());
    for (const ImportedRow& row : r.rows) {
        FUZZ_CHECK(row.name.size() <= kMaxNameUnits);
        FUZZ_CHECK(row.text.size() <= kMaxTextUnits);
        FUZZ_CHECK(row.time.hour < 24 && row.time.minute < 60 && row.time.second < 60 &&
                   row.time.millisecond < 1000);
        // Any row written again as a saved line reads back the same.
        std::wstring line;
        std::wstring pid = FormatPid(row.pid);
        std::wstring time = FormatTime(ArrivalTime{ row.time.hour, row.time.minute,
                                                    row.time.second, 0 });
        std::wstring_view cols[4] = { row.name, pid, time, row.text };
        AppendSavedLine(line, cols, 4);
        line.resize(line.size() - 2);
        ImportedRow again;
        FUZZ_CHECK(ParseImportLine(line, again));
        FUZZ_CHECK(again.name == row.name && again.pid == row.pid && again.text == row.text);
    }
    return 0;
}
