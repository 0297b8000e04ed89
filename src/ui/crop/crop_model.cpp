#include "crop_model.h"

#include "rounding.h"

#include <algorithm>
#include <cctype>
#include <cmath>
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

} // namespace kalvimo
