#pragma once

#include <cmath>
#include <cstdint>

namespace kalvimo {

// Every fraction-to-integer conversion in the program rounds half to even.
inline std::int64_t RoundHalfEven(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

} // namespace kalvimo
