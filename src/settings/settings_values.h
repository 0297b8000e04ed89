#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kalvimo {

// How a stored value becomes the state of the control that holds it. The window and the
// command without a window both read the settings file through these, so they cannot drift.

// A check box is ticked by any value that reads as a non-zero 16-bit number.
bool ReadCheckValue(std::string_view text);
// 0 to 8; any other number falls back to the default.
std::int16_t ReadAnchorValue(std::string_view text);
// Red + 256 x green + 65536 x blue, or a system colour from 0x80000000 up.
std::uint32_t ReadColourValue(std::string_view text);
// Crop edges in twips, and the target sizes (which the size controls check against their
// limits themselves).
std::int32_t ReadWholeValue(std::string_view text);

// The colour as it is stored: the signed 32-bit number, so that a system colour reads back.
std::string ColourText(std::uint32_t colour);

// The first entry equal to text without regard to letter case.
std::optional<std::size_t> FindTextIgnoringCase(const std::vector<std::string>& entries,
                                                std::string_view text);

} // namespace kalvimo
