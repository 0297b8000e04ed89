#pragma once

#include <cstdint>
#include <string_view>

namespace kalvimo {

// The leading number of text: optional sign, decimal digits with an optional fraction and
// exponent, or "&H" hexadecimal / "&O" octal digits. Blanks (spaces, tabs) are skipped anywhere
// before and between its characters. Reading stops at the first other character; text that does
// not start with a number reads as 0. Magnitudes beyond double range read as +/- infinity.
double ReadLeadingNumber(std::string_view text);

// Round half to even into the field's width; values beyond the range saturate and NaN gives 0.
std::int16_t RoundToInt16(double value);
std::int32_t RoundToInt32(double value);

} // namespace kalvimo
