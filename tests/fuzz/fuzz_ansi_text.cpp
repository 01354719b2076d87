// Messages with ANSI escape sequences, of any units: the shown text has no
// escape left, the runs cover it in order with standard colours, and a
// text without escapes comes through as it is.
#include "rows/AnsiText.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::wstring raw = fuzz::Utf16Units(data, size);
    const orlix::AnsiText shown = orlix::ParseAnsi(raw);
    FUZZ_CHECK(shown.text == orlix::StripAnsi(raw));
    FUZZ_CHECK(!orlix::HasEscape(shown.text) && shown.text.size() <= raw.size());
    FUZZ_CHECK(orlix::HasEscape(raw) || (shown.text == raw && shown.runs.empty()));
    size_t at = 0;
    for (const orlix::AnsiRun& r : shown.runs) {
        FUZZ_CHECK(r.start == at && r.length > 0);
        FUZZ_CHECK(r.foreground >= -1 && r.foreground < 16);
        FUZZ_CHECK(r.background >= -1 && r.background < 16);
        at += r.length;
    }
    FUZZ_CHECK(shown.runs.empty() || at == shown.text.size());
    return 0;
}
