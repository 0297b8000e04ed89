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

// A handle is 90 twips square; the eight sit just outside the rectangle, numbered clockwise
// from the top-left corner.
constexpr int kHandleTwips = 90;
constexpr int kHandleCount = 8;

struct HandlePlace {
    double left = 0;
    double top = 0;
};

std::array<HandlePlace, kHandleCount> HandleLayout(const SelectionRect& rect);

// One pointer step of a handle drag: dx and dy are how far the pointer went left and up, in
// twips, since the previous step; the picture is innerWidth by innerHeight twips. Each moved
// edge stops at the picture's edges, and a step that would turn the rectangle inside out is
// ignored for that edge.
SelectionRect DragHandle(SelectionRect rect, int handle, std::int32_t dx, std::int32_t dy,
                         std::int32_t innerWidth, std::int32_t innerHeight);

// The pointer kept on the picture.
std::int32_t ClampToPicture(std::int32_t value, std::int32_t extent);

// The rectangle a finished rubber band leaves. Restrained, the band only places the top-left
// corner.
SelectionRect ReleaseBand(const BandRect& band, CropConstraint constraint, TargetSize target,
                          float imageScale, int twipsPerPixel);

enum class Nudge { Up, Down, Left, Right };

// One pixel's move of the selection, kept on the picture; the size never changes.
SelectionRect NudgeSelection(SelectionRect rect, Nudge direction, int twipsPerPixel,
                             std::int32_t outerWidth, std::int32_t outerHeight);

struct PicturePlace {
    std::int32_t left = 0;
    std::int32_t top = 0;
    friend bool operator==(const PicturePlace&, const PicturePlace&) = default;
};

// The picture moves a fixed step at a time, as far as the user likes.
constexpr std::int32_t kPictureStepTwips = 1500;
PicturePlace MovePicture(PicturePlace place, Nudge direction);

// The largest size with the picture's proportions that fits inside the box, in whole
// pixels; nothing for an empty picture.
std::optional<TargetSize> FitInside(TargetSize picture, TargetSize box);

} // namespace kalvimo
