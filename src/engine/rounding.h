#pragma once

#include <cmath>
#include <cstdint>

namespace kalvimo {

// Every fraction-to-integer conversion in the program rounds half to even.
inline std::int64_t RoundHalfEven(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

// A mean of byte samples to a byte, rounding half to even. Adding 1.5 * 2^23 leaves no fraction
// bits, so the addition itself rounds in the default mode without a library call, and the clamp
// is an integer one: the loops around it stay free of branches.
inline std::uint8_t RoundToByte(float value) {
    constexpr float kShift = 12582912.0F;
    const int rounded = static_cast<int>((value + kShift) - kShift);
    return static_cast<std::uint8_t>(rounded < 0 ? 0 : (rounded > 255 ? 255 : rounded));
}

} // namespace kalvimo
