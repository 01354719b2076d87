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

// A whole file's bytes. Not ours: no UTF-16 LE byte-order mark, an odd
// length, or text where no line is in either form. Lines in neither form
// in a file of ours become rows holding the line as their text.
ImportResult ParseImportFile(const unsigned char* data, size_t size);

} // namespace orlix

namespace orlix {

// The whole file (Windows builds); false when it cannot be opened or read, or
// is larger than an import takes.
bool ReadImportFile(const std::wstring& path, std::vector<unsigned char>& out);

} // namespace orlix
