#include "output/LogRotation.h"
#include <cstdio>

namespace orlix {

std::wstring RotatedName(std::wstring_view first, unsigned seq, bool dated,
                         int year, int month, int day, unsigned sameDay)
{
    // The part that names the file goes before the extension of the last
    // path element (or at the end when it has none).
    size_t slash = first.find_last_of(L"\\/");
    size_t dot = first.rfind(L'.');
    if (dot == std::wstring_view::npos || (slash != std::wstring_view::npos && dot < slash))
        dot = first.size();
    wchar_t tag[48];
    if (dated && sameDay > 1)
        std::swprintf(tag, 48, L".%04d-%02d-%02d.%u", year, month, day, sameDay);
    else if (dated)
        std::swprintf(tag, 48, L".%04d-%02d-%02d", year, month, day);
    else
        std::swprintf(tag, 48, L".%u", seq);
    std::wstring name(first.substr(0, dot));
    name += tag;
    name += first.substr(dot);
    return name;
}

size_t FitLines(std::wstring_view text, uint64_t room, bool mustTake)
{
    if (text.size() <= room)
        return text.size();
    size_t end = text.rfind(L'\n', static_cast<size_t>(room ? room - 1 : 0));
    if (room && end != std::wstring_view::npos)
        return end + 1;
    if (!mustTake)
        return 0;
    end = text.find(L'\n');
    return end == std::wstring_view::npos ? text.size() : end + 1;
}

} // namespace orlix
