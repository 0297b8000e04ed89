#pragma once

#include "system_colours.h"

namespace kalvimo {

// A packed colour from hue (degrees, 0 to 359), saturation and value (percent, 0 to 100),
// computed in single precision: in double some shades round to the next level, and the spots
// would change colour. A hue from 360 upwards gives black.
Colour HsvToColour(int hue, int saturation, int value);

} // namespace kalvimo
