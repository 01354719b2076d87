#include "rows/AnsiText.h"

namespace orlix {

namespace {

constexpr wchar_t kEsc = 0x1B;

bool In(wchar_t c, unsigned lo, unsigned hi)
{
    return static_cast<uint32_t>(c) >= lo && static_cast<uint32_t>(c) <= hi;
}

// Where a string sequence (its introducer at `at`) ends: after BEL or
// ESC \, or at the end of the text.
size_t EndOfString(std::wstring_view raw, size_t at)
{
    for (size_t i = at; i < raw.size(); ++i) {
        if (raw[i] == 0x07)
            return i + 1;
        if (raw[i] == kEsc && i + 1 < raw.size() && raw[i + 1] == L'\\')
            return i + 2;
    }
    return raw.size();
}

// The look after the SGR parameters `params` ("1;31", "" for 0).
void ApplySgr(std::wstring_view params, AnsiRun& look)
{
    int skip = 0;   // parameters that belong to a 38 or 48 before them
    bool extended = false;
    auto apply = [&](unsigned v) {
        if (extended) {
            // 38;5;n and 38;2;r;g;b: a colour we do not show.
            skip = v == 5 ? 1 : v == 2 ? 3 : 0;
            extended = false;
        } else if (skip > 0) {
            --skip;
        } else if (v == 0) {
            look = AnsiRun();
        } else if (v == 1 || v == 22) {
            look.bold = v == 1;
        } else if (v >= 30 && v <= 37) {
            look.foreground = static_cast<int8_t>(v - 30);
        } else if (v >= 90 && v <= 97) {
            look.foreground = static_cast<int8_t>(v - 90 + 8);
        } else if (v >= 40 && v <= 47) {
            look.background = static_cast<int8_t>(v - 40);
        } else if (v >= 100 && v <= 107) {
            look.background = static_cast<int8_t>(v - 100 + 8);
        } else if (v == 39 || v == 49) {
            (v == 39 ? look.foreground : look.background) = -1;
        } else if (v == 38 || v == 48) {
            extended = true;
        }
    };
    unsigned v = 0;
    for (wchar_t c : params) {
        if (In(c, '0', '9')) {
            if (v < 100000)
                v = v * 10 + static_cast<unsigned>(c - L'0');
        } else {   // ';' or ':' ends a parameter
            apply(v);
            v = 0;
        }
    }
    apply(v);
}

// Reads the escape sequence at `at` (an ESC): where it ends, and the look
// when it is an SGR sequence.
size_t ReadSequence(std::wstring_view raw, size_t at, AnsiRun& look)
{
    size_t i = at + 1;
    if (i >= raw.size())
        return i;
    const wchar_t kind = raw[i];
    if (kind == L'[') {
        const size_t params = ++i;
        while (i < raw.size() && In(raw[i], 0x30, 0x3F))
            ++i;
        const size_t paramsEnd = i;
        while (i < raw.size() && In(raw[i], 0x20, 0x2F))
            ++i;
        if (i >= raw.size() || !In(raw[i], 0x40, 0x7E))
            return i;   // cut short: what came of it goes, the rest shows
        const std::wstring_view p = raw.substr(params, paramsEnd - params);
        if (raw[i] == L'm' && paramsEnd == i &&
            p.find_first_not_of(L"0123456789;:") == std::wstring_view::npos)
            ApplySgr(p, look);
        return i + 1;
    }
    if (kind == L']' || kind == L'P' || kind == L'X' || kind == L'^' || kind == L'_')
        return EndOfString(raw, i + 1);
    while (i < raw.size() && In(raw[i], 0x20, 0x2F))
        ++i;
    if (i < raw.size() && In(raw[i], 0x30, 0x7E))
        return i + 1;
    return i;
}

} // namespace

AnsiText ParseAnsi(std::wstring_view raw)
{
    AnsiText out;
    out.text.reserve(raw.size());
    AnsiRun look;
    bool coloured = false;
    size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] == kEsc) {
            i = ReadSequence(raw, i, look);
            continue;
        }
        size_t end = raw.find(kEsc, i);
        if (end == std::wstring_view::npos)
            end = raw.size();
        AnsiRun run = look;
        run.start = out.text.size();
        run.length = end - i;
        coloured = coloured || !run.SameLook(AnsiRun());
        out.text.append(raw.substr(i, end - i));
        if (!out.runs.empty() && out.runs.back().SameLook(run))
            out.runs.back().length += run.length;
        else
            out.runs.push_back(run);
        i = end;
    }
    if (!coloured)
        out.runs.clear();
    return out;
}

std::wstring StripAnsi(std::wstring_view raw)
{
    if (!HasEscape(raw))
        return std::wstring(raw);
    return ParseAnsi(raw).text;
}

uint32_t AnsiColour(int index)
{
    // The classic console colours (0x00BBGGRR).
    static const uint32_t kColours[16] = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    return index >= 0 && index < 16 ? kColours[index] : 0;
}

} // namespace orlix
