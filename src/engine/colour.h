#pragma once

#include <cstdint>

namespace kalvimo {

// Packed as red + 256 * green + 65536 * blue.
using Colour = std::uint32_t;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb ToRgb(Colour colour) {
    return {static_cast<std::uint8_t>(colour & 0xFF),
            static_cast<std::uint8_t>((colour >> 8) & 0xFF),
            static_cast<std::uint8_t>((colour >> 16) & 0xFF)};
}

constexpr Colour PackColour(Rgb rgb) {
    return static_cast<Colour>(rgb.r) | (static_cast<Colour>(rgb.g) << 8) |
           (static_cast<Colour>(rgb.b) << 16);
}

} // namespace kalvimo
