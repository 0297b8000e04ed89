#pragma once

#include "job_options.h"
#include "presets.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kalvimo {

// A rectangle as the crop dialog edits it, in twips: the edges are X, Y, X + Width and
// Y + Height, so Width and Height go negative while an edge is dragged past its opposite.
struct SelectionRect {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    friend bool operator==(const SelectionRect&, const SelectionRect&) = default;
};

// The two corners of a rubber band, in twips, in the order they were drawn.
struct BandRect {
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;
    std::int32_t x2 = 0;
    std::int32_t y2 = 0;
};

SelectionRect RectFromEdges(const CropBox& edges);

// What the four pixel boxes show: X, Y, Width and Height, each rounded half to even.
std::array<std::int32_t, 4> CoordsFromEdges(const CropBox& edges, int twipsPerPixel);

// A box's text as a decimal number (sign and fraction allowed, blanks round it); nothing when
// it is not one.
std::optional<double> ReadCoordText(std::string_view text);

// The edges the four boxes describe. A box without a number, or whose value would not fit a
// 32-bit edge, keeps the value it had in previous.
CropBox EdgesFromCoords(const CropBox& previous, const std::array<std::optional<double>, 4>& coords,
                        int twipsPerPixel);

struct CropConstraint {
    bool restrainDimensions = false;
    bool keepProportions = false;
};

// The restraint makes the rectangle the target size; otherwise keeping proportions lets the
// shorter side stay and the longer follow the target's ratio. The corner never moves.
SelectionRect ConstrainSize(SelectionRect rect, CropConstraint constraint, TargetSize target,
                            float imageScale, int twipsPerPixel);

// The edges of a rectangle or a band, left of right and top above bottom.
CropBox OrderedEdges(const SelectionRect& rect);
CropBox OrderedEdges(const BandRect& band);

} // namespace kalvimo
