#include "framework/DpiScale.h"
#include <algorithm>

namespace fw {

int RescaleForDpi(int pixels, unsigned fromDpi, unsigned toDpi)
{
    if (fromDpi == 0 || toDpi == 0 || fromDpi > 9600 || toDpi > 9600 || fromDpi == toDpi)
        return pixels;
    long long num = static_cast<long long>(pixels) * toDpi;
    long long half = fromDpi / 2;
    long long q = num >= 0 ? (num + half) / fromDpi : -((-num + half) / fromDpi);
    return static_cast<int>(q);
}

Pixels ResampleArea(const Pixels& src, int width, int height)
{
    Pixels out;
    if (width <= 0 || height <= 0 || src.width <= 0 || src.height <= 0 ||
        src.px.size() < static_cast<size_t>(src.width) * src.height)
        return out;
    out.width = width;
    out.height = height;
    out.px.resize(static_cast<size_t>(width) * height);
    // Work in units where source and target sizes are whole: a source pixel
    // is `width` units wide, a target pixel `src.width` units.
    const long long sw = src.width, sh = src.height;
    for (int y = 0; y < height; ++y) {
        long long y0 = y * sh, y1 = y0 + sh;          // in source rows * height
        for (int x = 0; x < width; ++x) {
            long long x0 = x * sw, x1 = x0 + sw;      // in source columns * width
            long long acc[3] = { 0, 0, 0 }, total = 0;
            for (long long sy = y0 / height; sy * height < y1 && sy < sh; ++sy) {
                long long cy = std::min(y1, (sy + 1) * height) - std::max(y0, sy * height);
                for (long long sx = x0 / width; sx * width < x1 && sx < sw; ++sx) {
                    long long cx = std::min(x1, (sx + 1) * width) - std::max(x0, sx * width);
                    long long w = cx * cy;
                    uint32_t p = src.px[static_cast<size_t>(sy * sw + sx)];
                    acc[0] += w * ((p >> 16) & 0xFF);
                    acc[1] += w * ((p >> 8) & 0xFF);
                    acc[2] += w * (p & 0xFF);
                    total += w;
                }
            }
            uint32_t r = static_cast<uint32_t>((acc[0] + total / 2) / total);
            uint32_t g = static_cast<uint32_t>((acc[1] + total / 2) / total);
            uint32_t b = static_cast<uint32_t>((acc[2] + total / 2) / total);
            out.px[static_cast<size_t>(y) * width + x] = (r << 16) | (g << 8) | b;
        }
    }
    return out;
}

Pixels ResampleStrip(const Pixels& strip, int count, int cellW, int cellH, int newW, int newH)
{
    Pixels out;
    if (count <= 0 || cellW <= 0 || cellH <= 0 || newW <= 0 || newH <= 0 ||
        strip.width < count * cellW || strip.height < cellH ||
        strip.px.size() < static_cast<size_t>(strip.width) * strip.height)
        return out;
    out.width = count * newW;
    out.height = newH;
    out.px.resize(static_cast<size_t>(out.width) * newH);
    Pixels cell;
    cell.width = cellW;
    cell.height = cellH;
    cell.px.resize(static_cast<size_t>(cellW) * cellH);
    for (int i = 0; i < count; ++i) {
        for (int y = 0; y < cellH; ++y)
            std::copy_n(strip.px.begin() + static_cast<size_t>(y) * strip.width + i * cellW, cellW,
                        cell.px.begin() + static_cast<size_t>(y) * cellW);
        Pixels scaled = ResampleArea(cell, newW, newH);
        for (int y = 0; y < newH; ++y)
            std::copy_n(scaled.px.begin() + static_cast<size_t>(y) * newW, newW,
                        out.px.begin() + static_cast<size_t>(y) * out.width + i * newW);
    }
    return out;
}

} // namespace fw
