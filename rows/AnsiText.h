// Messages that carry ANSI escape sequences (ESC [ ... m and the like, as
// programs colour their console output): the text they show and the colours
// their SGR sequences give it. Platform-free.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orlix {

// A stretch of the shown text in one look: a colour is one of the 16
// standard colours (0..7 normal, 8..15 bright) or -1, the row's own.
struct AnsiRun {
    size_t start = 0, length = 0;
    int8_t foreground = -1, background = -1;
    bool bold = false;

    bool SameLook(const AnsiRun& o) const
    {
        return foreground == o.foreground && background == o.background && bold == o.bold;
    }
};

struct AnsiText {
    std::wstring text;          // the message without its escape sequences
    std::vector<AnsiRun> runs;  // cover `text` in order; none when nothing is coloured
};

// Every escape sequence leaves the text: CSI (ESC [ parameters
// intermediates final), the string sequences (ESC ] P X ^ _ up to BEL or
// ESC \), and the others (ESC intermediates final); a lone ESC goes too.
// Of them, SGR (CSI ... m) sets the colours: 0 resets, 1 bold, 22 not bold,
// 30-37 and 90-97 the text colour, 40-47 and 100-107 the background, 39 and
// 49 the row's own; others (38 and 48 with their colour) change nothing.
AnsiText ParseAnsi(std::wstring_view raw);
// The text alone, as ParseAnsi has it.
std::wstring StripAnsi(std::wstring_view raw);
// Whether the text has an escape character at all (else it shows as it is).
inline bool HasEscape(std::wstring_view raw)
{
    return raw.find(L'\x1B') != std::wstring_view::npos;
}
// A standard colour 0..15 as 0x00BBGGRR.
uint32_t AnsiColour(int index);

} // namespace orlix
