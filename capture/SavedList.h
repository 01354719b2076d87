// The list saved as text: UTF-16 LE with a byte-order mark, a line per row.
#pragma once
#include "capture/RowStore.h"
#include <string>

namespace orlix {

// False when the file cannot be opened or not every byte could be written.
bool SaveRows(const RowStore& rows, const std::wstring& path);

} // namespace orlix
