// The list saved as text: UTF-16 LE with a byte-order mark, a line per row.
#pragma once
#include "rows/RowStore.h"
#include <functional>
#include <string>

namespace orlix {

// Called now and then while saving with the rows written so far and the
// rows to write.
using SaveProgress = std::function<void(size_t done, size_t total)>;

// A row's Time column as the list shows it; empty for the clock text.
using SaveTimeText = std::function<std::wstring(size_t row)>;

// False when the file cannot be opened or not every byte could be written.
bool SaveRows(const RowStore& rows, const std::wstring& path,
              const SaveProgress& progress = SaveProgress(),
              const SaveTimeText& timeText = SaveTimeText());

} // namespace orlix
