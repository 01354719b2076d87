// What printing and the preview take of a list: its rows as cells and its
// column headings. Platform-free.
#pragma once
#include <cstddef>
#include <string>

class IPrintRowSource {
public:
    virtual ~IPrintRowSource() = default;
    virtual size_t RowCount() const = 0;
    // Column 0..3 of a row, as the list shows it.
    virtual std::wstring Cell(size_t row, int column) const = 0;
    virtual const wchar_t* Heading(int column) const = 0;
};
