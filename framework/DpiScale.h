// Sizes for a display's pixels per inch. Platform-free: layouts are written
// for 96 pixels per inch and scaled from there, and toolbar pictures drawn at
// that size are resampled for the screen.
#pragma once
#include <cstdint>
#include <vector>

namespace fw {

// The pixels per inch every fixed size in the program is written for.
constexpr unsigned kBaseDpi = 96;

// `pixels` at `fromDpi` carried to `toDpi`, rounded to the nearest pixel
// (halves away from zero, like MulDiv). A zero or absurd DPI leaves the
// value as it is.
int RescaleForDpi(int pixels, unsigned fromDpi, unsigned toDpi);

// A size written for 96 pixels per inch at `dpi`.
inline int ScaleForDpi(int pixels96, unsigned dpi)
{
    return RescaleForDpi(pixels96, kBaseDpi, dpi);
}

// An image of 0x00RRGGBB pixels, rows top to bottom.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> px;
};

// `src` resampled to width x height by area averaging: each target pixel is
// the mean of the source area it covers. Whole-number enlargements repeat
// pixels exactly (pixel art stays crisp); other factors blend only where a
// target pixel straddles two source pixels.
Pixels ResampleArea(const Pixels& src, int width, int height);

// A strip of `count` cells of cellW x cellH side by side, each cell
// resampled on its own to newW x newH (no cell bleeds into its neighbour).
Pixels ResampleStrip(const Pixels& strip, int count, int cellW, int cellH, int newW, int newH);

} // namespace fw
