// The list saved as text: UTF-16 LE with a byte-order mark, a line per row.
#pragma once
#include "capture/RowStore.h"
#include <functional>
#include <string>

namespace orlix {

// False when the file cannot be opened or not every byte could be written.
// `timeText` gives a row's Time column as the list shows it.
bool SaveRows(const RowStore& rows, const std::wstring& path,
              const std::function<std::wstring(size_t)>& timeText);

} // namespace orlix
