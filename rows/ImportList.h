// Reading back what Save or the automatic log wrote: UTF-16 LE text with a
// byte-order mark, one row per line. Saved lists give each column followed
// by a tab; log lines separate the columns by two tabs. Platform-free.
#pragma once
#include "rows/RecordFormat.h"
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlix {

struct ImportedRow {
    std::wstring name;
    uint32_t pid = 0;
    bool hasPid = true;   // false: an empty pid field (a followed file's row)
    ArrivalTime time;
    std::wstring text;
};

struct ImportResult {
    bool ours = false;        // a file of this program's forms
    std::vector<ImportedRow> rows;
    size_t malformed = 0;     // lines kept whole as a row's text
};

// "HH:MM:SS:00" or "HH:MM:SS.mmm"; false for anything else (the seconds
// forms carry no clock time).
bool ParseClockText(std::wstring_view text, ArrivalTime& out);

// One line (no line end) in either form; false when it is in neither.
bool ParseImportLine(std::wstring_view line, ImportedRow& out);

// A file read a piece at a time, in bounded memory: Feed hands on the rows
// of each whole line as it comes (a line cut between two pieces waits for
// the rest). Not ours: no UTF-16 LE byte-order mark, an odd length, or no
// line in either form among the first kDecideLines lines (those wait until
// one is, then come out in order). Lines in neither form in a file of ours
// become rows holding the line as their text.
class ImportReader {
public:
    static constexpr size_t kDecideLines = 10000;
    enum class Verdict { Undecided, Ours, NotOurs };

    // Appends the rows of the lines completed by `bytes` to `out`.
    void Feed(const unsigned char* bytes, size_t size, std::vector<ImportedRow>& out);
    // The end of the file: its last line (if any) and the verdict.
    Verdict Finish(std::vector<ImportedRow>& out);
    Verdict State() const { return m_verdict; }
    size_t Malformed() const { return m_malformed; }

private:
    void Line(std::wstring_view line, std::vector<ImportedRow>& out);
    Verdict m_verdict = Verdict::Undecided;
    uint64_t m_bytes = 0;          // bytes fed so far
    int m_oddByte = -1;            // a byte that waits for its partner
    bool m_lastWasCr = false;      // the text so far ends in "\r"
    std::wstring m_line;           // the line being read
    std::vector<ImportedRow> m_waiting;   // rows until the verdict
    size_t m_malformed = 0;
};

// A whole file's bytes (ImportReader, fed once).
ImportResult ParseImportFile(const unsigned char* data, size_t size);

} // namespace orlix
