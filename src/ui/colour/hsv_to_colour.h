#pragma once

#include "system_colours.h"

namespace kalvimo {

// A packed colour from hue (degrees, 0 to 359), saturation and value (percent, 0 to 100),
// computed in single precision so the spots get exactly their historical shades. A hue
// from 360 upwards gives black.
Colour HsvToColour(int hue, int saturation, int value);

} // namespace kalvimo
