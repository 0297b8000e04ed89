#include "hsv_to_colour.h"

#include "rounding.h"

#include <algorithm>
#include <cmath>

namespace kalvimo {

namespace {

Colour Component(float fraction) {
    const float scaled = fraction * 255.0F;
    return static_cast<Colour>(std::clamp<std::int64_t>(RoundHalfEven(scaled), 0, 255));
}

} // namespace

Colour HsvToColour(int hue, int saturation, int value) {
    if (saturation < 1) {
        const Colour grey = static_cast<Colour>(
            std::clamp<std::int64_t>(RoundHalfEven(value * 255 / 100.0), 0, 255));
        return grey | grey << 8 | grey << 16;
    }
    const float h = static_cast<float>(hue) / 60.0F;
    const float v = static_cast<float>(value) / 100.0F;
    const float s = static_cast<float>(saturation) / 100.0F;
    const float i = std::floor(h);
    const float f = h - i;
    const float p = (1.0F - s) * v;
    const float q = (1.0F - s * f) * v;
    const float t = (1.0F - (1.0F - f) * s) * v;
    struct Shares {
        float red = 0;
        float green = 0;
        float blue = 0;
    } shares;
    switch (static_cast<int>(i)) {
    case 0:
        shares = {v, t, p};
        break;
    case 1:
        shares = {q, v, p};
        break;
    case 2:
        shares = {p, v, t};
        break;
    case 3:
        shares = {p, q, v};
        break;
    case 4:
        shares = {t, p, v};
        break;
    case 5:
        shares = {v, p, q};
        break;
    default:
        break;
    }
    return Component(shares.red) | Component(shares.green) << 8 | Component(shares.blue) << 16;
}

} // namespace kalvimo
