#include "crop_model.h"

#include "rounding.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kalvimo {

namespace {

constexpr double kMinEdge = std::numeric_limits<std::int32_t>::min();
constexpr double kMaxEdge = std::numeric_limits<std::int32_t>::max();

bool FitsEdge(double value) {
    return std::isfinite(value) && RoundHalfEven(value) >= kMinEdge &&
           RoundHalfEven(value) <= kMaxEdge;
}

std::int32_t RoundEdge(double value) {
    return static_cast<std::int32_t>(
        RoundHalfEven(std::clamp(std::isnan(value) ? 0.0 : value, kMinEdge, kMaxEdge)));
}

std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t Pixels(std::int64_t twips, int twipsPerPixel) {
    return RoundEdge(static_cast<double>(twips) / twipsPerPixel);
}

} // namespace

SelectionRect RectFromEdges(const CropBox& edges) {
    return {edges.left, edges.top, Saturate(static_cast<std::int64_t>(edges.right) - edges.left),
            Saturate(static_cast<std::int64_t>(edges.bottom) - edges.top)};
}

std::array<std::int32_t, 4> CoordsFromEdges(const CropBox& edges, int twipsPerPixel) {
    return {Pixels(edges.left, twipsPerPixel), Pixels(edges.top, twipsPerPixel),
            Pixels(static_cast<std::int64_t>(edges.right) - edges.left, twipsPerPixel),
            Pixels(static_cast<std::int64_t>(edges.bottom) - edges.top, twipsPerPixel)};
}

std::optional<double> ReadCoordText(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        ++at;
    }
    double value = 0;
    bool digits = false;
    for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0; ++at) {
        value = value * 10 + (text[at] - '0');
        digits = true;
    }
    if (at < text.size() && text[at] == '.') {
        double scale = 0.1;
        for (++at; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) != 0;
             ++at) {
            value += (text[at] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (!digits || at != text.size()) {
        return std::nullopt;
    }
    return text.front() == '-' ? -value : value;
}

CropBox EdgesFromCoords(const CropBox& previous, const std::array<std::optional<double>, 4>& coords,
                        int twipsPerPixel) {
    const auto origin = [&](const std::optional<double>& coord, std::int32_t kept) {
        return coord && FitsEdge(*coord * twipsPerPixel) ? RoundEdge(*coord * twipsPerPixel) : kept;
    };
    const auto far = [&](const std::optional<double>& coord, std::int32_t near,
                         std::int32_t keptNear, std::int32_t keptFar) {
        if (coord && FitsEdge(*coord * twipsPerPixel + near)) {
            return RoundEdge(*coord * twipsPerPixel + near);
        }
        return Saturate(static_cast<std::int64_t>(keptFar) - keptNear + near);
    };
    CropBox edges;
    edges.left = origin(coords[0], previous.left);
    edges.top = origin(coords[1], previous.top);
    edges.right = far(coords[2], edges.left, previous.left, previous.right);
    edges.bottom = far(coords[3], edges.top, previous.top, previous.bottom);
    return edges;
}

SelectionRect ConstrainSize(SelectionRect rect, CropConstraint constraint, TargetSize target,
                            float imageScale, int twipsPerPixel) {
    if (constraint.restrainDimensions) {
        rect.Width = Saturate(static_cast<std::int64_t>(target.width) * twipsPerPixel);
        rect.Height = Saturate(static_cast<std::int64_t>(target.height) * twipsPerPixel);
    } else if (constraint.keepProportions && imageScale > 0) {
        if (rect.Height >= rect.Width) {
            rect.Height = RoundEdge(rect.Width / static_cast<double>(imageScale));
        } else {
            rect.Width = RoundEdge(static_cast<double>(imageScale) * rect.Height);
        }
    }
    return rect;
}

CropBox OrderedEdges(const SelectionRect& rect) {
    const std::int32_t right = Saturate(static_cast<std::int64_t>(rect.X) + rect.Width);
    const std::int32_t bottom = Saturate(static_cast<std::int64_t>(rect.Y) + rect.Height);
    return {std::min(rect.X, right), std::min(rect.Y, bottom), std::max(rect.X, right),
            std::max(rect.Y, bottom)};
}

CropBox OrderedEdges(const BandRect& band) {
    return {std::min(band.x1, band.x2), std::min(band.y1, band.y2), std::max(band.x1, band.x2),
            std::max(band.y1, band.y2)};
}

std::array<HandlePlace, kHandleCount> HandleLayout(const SelectionRect& rect) {
    const double x = rect.X;
    const double y = rect.Y;
    const double right = x + rect.Width;
    const double bottom = y + rect.Height;
    const double middleX = x + rect.Width / 2.0 - kHandleTwips / 2.0;
    const double middleY = y + rect.Height / 2.0 - kHandleTwips / 2.0;
    const double before = kHandleTwips;
    return {{{x - before, y - before},
             {middleX, y - before},
             {right, y - before},
             {right, middleY},
             {right, bottom},
             {middleX, bottom},
             {x - before, bottom},
             {x - before, middleY}}};
}

namespace {

bool MovesLeft(int handle) {
    return handle == 0 || handle == 6 || handle == 7;
}
bool MovesRight(int handle) {
    return handle >= 2 && handle <= 4;
}
bool MovesTop(int handle) {
    return handle >= 0 && handle <= 2;
}
bool MovesBottom(int handle) {
    return handle >= 4 && handle <= 6;
}

// The near edge of a drag: the handle sits kHandleTwips before it, so it moves with the pointer.
void DragNearEdge(std::int32_t& origin, std::int32_t& extent, std::int32_t delta) {
    if (extent <= std::abs(static_cast<std::int64_t>(delta))) {
        return;
    }
    const std::int64_t edge = static_cast<std::int64_t>(origin) - delta;
    if (edge > 0) {
        origin = Saturate(edge);
        extent = Saturate(static_cast<std::int64_t>(extent) + delta);
    } else {
        origin = 0;
    }
}

void DragFarEdge(std::int32_t origin, std::int32_t& extent, std::int32_t delta,
                 std::int32_t inner) {
    if (static_cast<std::int64_t>(extent) <= static_cast<std::int64_t>(delta) + 1) {
        return;
    }
    const std::int64_t grown = static_cast<std::int64_t>(extent) - delta;
    extent = inner <= origin + grown ? Saturate(static_cast<std::int64_t>(inner) - origin)
                                     : Saturate(grown);
}

// Mouse and nudge edits keep the selection's edge on the picture.
std::int32_t KeepFarEdgeIn(std::int32_t origin, std::int32_t extent, std::int32_t outer) {
    return outer < static_cast<std::int64_t>(origin) + extent
               ? Saturate(static_cast<std::int64_t>(outer) - extent)
               : origin;
}

} // namespace

SelectionRect DragHandle(SelectionRect rect, int handle, std::int32_t dx, std::int32_t dy,
                         std::int32_t innerWidth, std::int32_t innerHeight) {
    if (MovesLeft(handle)) {
        DragNearEdge(rect.X, rect.Width, dx);
    }
    if (MovesRight(handle)) {
        DragFarEdge(rect.X, rect.Width, dx, innerWidth);
    }
    if (MovesTop(handle)) {
        DragNearEdge(rect.Y, rect.Height, dy);
    }
    if (MovesBottom(handle)) {
        DragFarEdge(rect.Y, rect.Height, dy, innerHeight);
    }
    return rect;
}

std::int32_t ClampToPicture(std::int32_t value, std::int32_t extent) {
    return std::clamp(value, 0, std::max(0, extent));
}

SelectionRect ReleaseBand(const BandRect& band, CropConstraint constraint, TargetSize target,
                          float imageScale, int twipsPerPixel) {
    const CropBox edges = OrderedEdges(band);
    return ConstrainSize(RectFromEdges(edges), constraint, target, imageScale, twipsPerPixel);
}

SelectionRect NudgeSelection(SelectionRect rect, Nudge direction, int twipsPerPixel,
                             std::int32_t outerWidth, std::int32_t outerHeight) {
    switch (direction) {
    case Nudge::Up:
        rect.Y = std::max(0, Saturate(static_cast<std::int64_t>(rect.Y) - twipsPerPixel));
        break;
    case Nudge::Left:
        rect.X = std::max(0, Saturate(static_cast<std::int64_t>(rect.X) - twipsPerPixel));
        break;
    case Nudge::Down:
        rect.Y = KeepFarEdgeIn(Saturate(static_cast<std::int64_t>(rect.Y) + twipsPerPixel),
                               rect.Height, outerHeight);
        break;
    case Nudge::Right:
        rect.X = KeepFarEdgeIn(Saturate(static_cast<std::int64_t>(rect.X) + twipsPerPixel),
                               rect.Width, outerWidth);
        break;
    }
    return rect;
}

PicturePlace MovePicture(PicturePlace place, Nudge direction) {
    const auto step = [](std::int32_t value, int sign) {
        return Saturate(static_cast<std::int64_t>(value) + sign * kPictureStepTwips);
    };
    switch (direction) {
    case Nudge::Up:
        place.top = step(place.top, -1);
        break;
    case Nudge::Down:
        place.top = step(place.top, 1);
        break;
    case Nudge::Left:
        place.left = step(place.left, -1);
        break;
    case Nudge::Right:
        place.left = step(place.left, 1);
        break;
    }
    return place;
}

std::optional<TargetSize> FitInside(TargetSize picture, TargetSize box) {
    if (picture.width <= 0 || picture.height <= 0 || box.width <= 0 || box.height <= 0) {
        return std::nullopt;
    }
    const double scale = std::min(static_cast<double>(box.width) / picture.width,
                                  static_cast<double>(box.height) / picture.height);
    return TargetSize{std::max(1, RoundEdge(picture.width * scale)),
                      std::max(1, RoundEdge(picture.height * scale))};
}

} // namespace kalvimo
