#pragma once

#include "canvas.h"

namespace kalvimo::test {

// Each pixel tells where it came from: red and green are x and y modulo 251, blue is constant.
inline Canvas CoordinatePicture(int width, int height, std::uint8_t blue = 7) {
    Canvas c(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            c.SetPixel(
                x, y,
                {static_cast<std::uint8_t>(x % 251), static_cast<std::uint8_t>(y % 251), blue});
        }
    }
    return c;
}

inline Rgb CoordinateOf(int x, int y, std::uint8_t blue = 7) {
    return {static_cast<std::uint8_t>(x % 251), static_cast<std::uint8_t>(y % 251), blue};
}

} // namespace kalvimo::test
