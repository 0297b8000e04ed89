#include "canvas.h"

#include "area_averager.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace kalvimo {

Canvas::Canvas(int width, int height, Colour fill) {
    if (Resize(width, height)) {
        FillRect(0, 0, width, height, fill);
    }
}

bool Canvas::Resize(int width, int height) {
    if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxPixels) {
        Clear();
        return false;
    }
    try {
        pixels_.resize(static_cast<std::size_t>(width) * height * 3);
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    width_ = width;
    height_ = height;
    return true;
}

void Canvas::Clear() {
    width_ = 0;
    height_ = 0;
    // Given back, not kept: a canvas is cleared when its picture's memory is wanted elsewhere.
    std::vector<std::uint8_t>().swap(pixels_);
    iccProfile_.clear();
}

Rgb Canvas::Pixel(int x, int y) const {
    const std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
    return {p[0], p[1], p[2]};
}

void Canvas::SetPixel(int x, int y, Rgb rgb) {
    std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x);
    p[0] = rgb.r;
    p[1] = rgb.g;
    p[2] = rgb.b;
}

void Canvas::FillRect(int x1, int y1, int x2, int y2, Colour colour) {
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, width_);
    y2 = std::min(y2, height_);
    if (x1 >= x2 || y1 >= y2) {
        return;
    }
    const Rgb rgb = ToRgb(colour);
    for (int y = y1; y < y2; ++y) {
        std::uint8_t* p = Row(y) + 3 * static_cast<std::size_t>(x1);
        for (int x = x1; x < x2; ++x, p += 3) {
            p[0] = rgb.r;
            p[1] = rgb.g;
            p[2] = rgb.b;
        }
    }
}

void Canvas::Swap(Canvas& other) noexcept {
    std::swap(width_, other.width_);
    std::swap(height_, other.height_);
    pixels_.swap(other.pixels_);
    iccProfile_.swap(other.iccProfile_);
}

PixelRect PlainCopy(const Canvas& source, int sx, int sy, Canvas& target, int tx, int ty, int width,
                    int height) {
    // Clip against the source, then against the target, moving both corners together.
    const auto clip = [&](int& s, int& t, int& len, int sLimit, int tLimit) {
        if (s < 0) {
            t -= s;
            len += s;
            s = 0;
        }
        if (t < 0) {
            s -= t;
            len += t;
            t = 0;
        }
        len = std::min({len, sLimit - s, tLimit - t});
    };
    clip(sx, tx, width, source.Width(), target.Width());
    clip(sy, ty, height, source.Height(), target.Height());
    if (width <= 0 || height <= 0) {
        return {};
    }
    for (int y = 0; y < height; ++y) {
        std::memcpy(target.Row(ty + y) + 3 * static_cast<std::size_t>(tx),
                    source.Row(sy + y) + 3 * static_cast<std::size_t>(sx),
                    3 * static_cast<std::size_t>(width));
    }
    return {tx, ty, width, height};
}

PixelRect ScaledCopy(const Canvas& source, PixelRect from, Canvas& target, PixelRect to) {
    if (from.width <= 0 || from.height <= 0 || to.width <= 0 || to.height <= 0 || source.Empty() ||
        target.Empty()) {
        return {};
    }
    AreaAverager averager;
    averager.Reset(source.Width(), source.Height(), 3, from, target, to);
    for (int y = averager.FirstRow(); y < averager.EndRow(); ++y) {
        averager.AddRow(source.Row(y));
    }
    averager.Finish();
    return CoveredCells(from, source.Width(), source.Height(), to, target.Width(), target.Height());
}

} // namespace kalvimo
