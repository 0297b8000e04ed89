#pragma once

#include <cstdint>

#include <QColor>

class QPalette;

namespace kalvimo {

// A colour as the windows store it: red + 256 * green + 65536 * blue; values from
// 0x80000000 upwards name a system colour.
using Colour = std::uint32_t;

inline constexpr Colour kButtonFace = 0x8000000F;
inline constexpr Colour kWindowBackground = 0x80000005;
inline constexpr Colour kWindowText = 0x80000008;

// The system colour with the given index, taken from the application's palette; black for
// an index that names no colour.
Colour SystemColour(int index);

// The RGB form of a stored colour value: system colour values are looked up, anything else
// passes unchanged.
Colour TranslateColour(Colour value);

// The only conversions between packed colours and QColor. A system colour value is
// translated first, from the given palette (a widget's own, so it follows a dark theme) or
// from the application's.
QColor ToQColor(Colour value, const QPalette& palette);
QColor ToQColor(Colour value);
Colour FromQColor(const QColor& colour);

// A palette of light text on a dark window: a dark theme.
bool IsDark(const QPalette& palette);

// The contrast ratio of two colours as the accessibility guidelines measure it, 1 to 21.
double Contrast(const QColor& first, const QColor& second);
// Text in the preferred colour where it reads on the background (4.5 : 1 at least), else in
// black or white, whichever reads better.
QColor ReadableOn(const QColor& preferred, const QColor& background);

} // namespace kalvimo
