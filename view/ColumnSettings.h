// The list's column layout as the settings file keeps it: order, widths and
// hidden columns, each a comma-separated list. Platform-free.
#pragma once
#include "rows/RecordFormat.h"
#include <array>
#include <string>
#include <string_view>

namespace orlix {

constexpr int kMessageColumn = 3;       // Logmessage: never hidden
constexpr int kMaxColumnWidth = 10000;

struct ColumnLayout {
    std::array<int, kListColumnCount> order;    // column index per display position
    std::array<int, kListColumnCount> width;    // pixels per column index
    std::array<bool, kListColumnCount> hidden;  // per column index

    bool operator==(const ColumnLayout& o) const
    {
        return order == o.order && width == o.width && hidden == o.hidden;
    }
    bool operator!=(const ColumnLayout& o) const { return !(*this == o); }
};

// The list's own layout: columns in their order, the initial widths, none hidden.
ColumnLayout DefaultColumnLayout();

// Each of the three values replaces its part of `layout` only when it is
// whole and sound: an order must name every column once, widths must be
// kListColumnCount numbers in 0..kMaxColumnWidth, hidden columns must be
// distinct column numbers other than the message column. Returns how many
// of the three were taken.
int ApplyColumnSettings(ColumnLayout& layout, std::wstring_view order, std::wstring_view widths,
                        std::wstring_view hidden);

// "a,b,c" of the numbers.
std::wstring OrderText(const ColumnLayout& layout);
std::wstring WidthsText(const ColumnLayout& layout);
std::wstring HiddenText(const ColumnLayout& layout);

} // namespace orlix
