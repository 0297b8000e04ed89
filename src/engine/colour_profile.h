#pragma once

#include "canvas.h"

namespace kalvimo {

// Turns the pixels of area from the colours of the canvas's ICC profile into sRGB, then drops the
// profile: the canvas is sRGB from then on. A canvas without a profile is sRGB already, and so is
// one whose profile moves no colour by more than a level. A profile that cannot be used (damaged,
// not for RGB pixels) is ignored and the pixels taken as sRGB: slightly wrong colours beat no
// picture. Safe to call from several threads at once.
void ConvertToSrgb(Canvas& canvas, PixelRect area);

} // namespace kalvimo
