#pragma once

#include "canvas.h"

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

} // namespace kalvimo::test
