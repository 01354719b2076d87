// Walk of a standard (non-extended) menu template, as stored in the
// executable's resources. Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orlix {

struct MenuTemplateAction {
    // A popup: the item at `path` (positions from the menu bar down) gets
    // `text`. Any other item (separators too): the item with `commandId`.
    bool popup = false;
    std::vector<unsigned> path;
    uint16_t commandId = 0;
    std::wstring text;
};

constexpr uint16_t kMenuPopupFlag = 0x10;
constexpr uint16_t kMenuEndFlag = 0x80;
constexpr size_t kMenuMaxLevels = 32;
constexpr size_t kMenuTextUnits = 1023;

// Reads the template bytes (little-endian, UTF-16 texts); stops quietly at
// the end of the data, after 32 levels, or at malformed input.
std::vector<MenuTemplateAction> WalkMenuTemplate(const unsigned char* data, size_t size);

} // namespace orlix
