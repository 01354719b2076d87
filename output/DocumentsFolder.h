// The user's documents folder, where the log files go by default.
#pragma once
#include <cstddef>

// The documents folder, at most `capacity` units with the terminator.
bool GetPersonalFolderPath(wchar_t* buffer, size_t capacity, size_t* length);
