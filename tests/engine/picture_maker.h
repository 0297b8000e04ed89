#pragma once

#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace kalvimo::test {

// A picture whose pixel (x, y) is pixel(x, y).
inline Canvas Painted(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
    Canvas c(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            c.SetPixel(x, y, pixel(x, y));
        }
    }
    return c;
}

inline Rgb CoordinateOf(int x, int y, std::uint8_t blue = 7) {
    return {static_cast<std::uint8_t>(x % 251), static_cast<std::uint8_t>(y % 251), blue};
}

// Each pixel tells where it came from: red and green are x and y modulo 251, blue is constant.
inline Canvas CoordinatePicture(int width, int height, std::uint8_t blue = 7) {
    return Painted(width, height, [blue](int x, int y) { return CoordinateOf(x, y, blue); });
}

// The largest difference between the channels of two colours.
inline int Distance(Rgb a, Rgb b) {
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// The largest difference of any channel of any pixel; more than any channel can differ when the
// sizes differ.
inline int LargestDifference(const Canvas& a, const Canvas& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return 256;
    }
    int worst = 0;
    for (std::size_t i = 0; i < a.Stride() * static_cast<std::size_t>(a.Height()); ++i) {
        worst = std::max(worst, std::abs(a.Data()[i] - b.Data()[i]));
    }
    return worst;
}

// The peak signal-to-noise ratio of b against a, in dB: 0 when the sizes differ, 99 when equal.
inline double Psnr(const Canvas& a, const Canvas& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return 0;
    }
    const std::size_t n = a.Stride() * static_cast<std::size_t>(a.Height());
    double squares = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double d = a.Data()[i] - b.Data()[i];
        squares += d * d;
    }
    return squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * static_cast<double>(n) / squares);
}

} // namespace kalvimo::test
