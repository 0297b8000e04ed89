#include "geometry.h"

#include "rotation.h"
#include "rounding.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kalvimo {

namespace {

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

bool FitsInt32(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() && v <= kInt32Max;
}

int ToPixels(double twips, int t) {
    return static_cast<int>(RoundHalfEven(twips / t));
}

// The frame's and the picture's sizes in pixels and in twips; made only when every size is
// positive and every twip size fits 32 bits, where the placing arithmetic stays exact.
struct FitSizes {
    int t = 15;
    int newWidth = 0;
    int newHeight = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    std::int64_t dw = 0;
    std::int64_t dh = 0;
    std::int64_t sw = 0;
    std::int64_t sh = 0;

    [[nodiscard]] PixelRect Picture() const { return {0, 0, sourceWidth, sourceHeight}; }
    [[nodiscard]] PixelRect Frame() const { return {0, 0, newWidth, newHeight}; }
};

std::optional<FitSizes> SizesOf(const FrameOrder& order, int sourceWidth, int sourceHeight) {
    const int t = order.twipsPerPixel;
    const FitSizes sizes{t,
                         order.newWidth,
                         order.newHeight,
                         sourceWidth,
                         sourceHeight,
                         static_cast<std::int64_t>(order.newWidth) * t,
                         static_cast<std::int64_t>(order.newHeight) * t,
                         static_cast<std::int64_t>(sourceWidth) * t,
                         static_cast<std::int64_t>(sourceHeight) * t};
    if (t <= 0 || sourceWidth <= 0 || sourceHeight <= 0 || order.newWidth <= 0 ||
        order.newHeight <= 0 || !FitsInt32(sizes.dw) || !FitsInt32(sizes.dh) ||
        !FitsInt32(sizes.sw) || !FitsInt32(sizes.sh)) {
        return std::nullopt;
    }
    return sizes;
}

// A region of the picture drawn over the whole frame; one of the frame's own size is copied as
// it is.
FramePlacement Cut(PixelRect region, const FitSizes& s) {
    return {region, s.Frame(), region.width == s.newWidth && region.height == s.newHeight};
}

// Each fitting's rule: which region of the picture goes where in the frame, for sizes that make
// sense. A fitting is one such function and its case in PlaceFrame.

std::optional<FramePlacement> Stretch(const FrameOrder&, const FitSizes& s) {
    return FramePlacement{s.Picture(), s.Frame(), false};
}

std::optional<FramePlacement> Letterbox(const FrameOrder&, const FitSizes& s) {
    const std::optional<LetterboxFit> fit = FitLetterbox(s.sw, s.sh, s.dw, s.dh);
    if (!fit) {
        return std::nullopt;
    }
    // However thin the picture, a pixel of it stays: the frame shows it rather than nothing.
    const int width = std::max(1, std::min(ToPixels(fit->width, s.t), s.newWidth));
    const int height = std::max(1, std::min(ToPixels(fit->height, s.t), s.newHeight));
    // The copy paints exactly its own pixel rectangle, so both bars stay the background fill and
    // an exact fit loses no row or column of the picture.
    return FramePlacement{s.Picture(),
                          {std::max(0, std::min(ToPixels(fit->x, s.t), s.newWidth - width)),
                           std::max(0, std::min(ToPixels(fit->y, s.t), s.newHeight - height)),
                           width, height},
                          false};
}

std::optional<FramePlacement> AutoCrop(const FrameOrder& order, const FitSizes& s,
                                       const Attention* attention) {
    const int anchor = order.anchor;
    if (anchor == kAnchorByContent) {
        // Centred, but where the subject draws the cut along an axis that is cut.
        const auto start = [&](const std::vector<float>* profile, int kept, int length) {
            const std::optional<int> subject =
                profile != nullptr ? SubjectStart(*profile, kept, length) : std::nullopt;
            return subject
                       ? *subject
                       : static_cast<int>(RoundHalfEven(static_cast<double>(length - kept) / 2));
        };
        return Cut(
            {start(attention != nullptr ? &attention->columns : nullptr, s.newWidth, s.sourceWidth),
             start(attention != nullptr ? &attention->rows : nullptr, s.newHeight, s.sourceHeight),
             s.newWidth, s.newHeight},
            s);
    }
    float ox = 0;
    float oy = 0;
    if (anchor >= 0 && anchor <= 8) {
        const int column = anchor % 3;
        const int row = anchor / 3;
        const float spareX = static_cast<float>(s.sw - s.dw);
        const float spareY = static_cast<float>(s.sh - s.dh);
        ox = column == 0 ? 0.0F : column == 1 ? spareX / 2 : spareX;
        oy = row == 0 ? 0.0F : row == 1 ? spareY / 2 : spareY;
    }
    return Cut({ToPixels(ox, s.t), ToPixels(oy, s.t), s.newWidth, s.newHeight}, s);
}

// n / d rounded half to even, exactly; d > 0.
std::int64_t RoundRatio(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d;
    std::int64_t r = n % d;
    if (r < 0) {
        --q;
        r += d;
    }
    return 2 * r > d || (2 * r == d && q % 2 != 0) ? q + 1 : q;
}

// The largest region with the frame's proportions, at the anchor along the axis that is too
// long. Its edges are rounded apart, so that a centred region stays centred.
std::optional<FramePlacement> Fill(const FrameOrder& order, const FitSizes& s,
                                   const Attention* attention) {
    const std::int64_t w = s.sourceWidth;
    const std::int64_t h = s.sourceHeight;
    const bool cutAcross = w * s.newHeight > h * s.newWidth;
    // The picture's length along the cut axis and the kept length as keptN / keptD.
    const std::int64_t length = cutAcross ? w : h;
    const std::int64_t keptN = cutAcross ? h * s.newWidth : w * s.newHeight;
    const std::int64_t keptD = cutAcross ? s.newHeight : s.newWidth;
    const int anchor = order.anchor;
    const int place = anchor < 0 || anchor > 8 ? 1 : cutAcross ? anchor % 3 : anchor / 3;
    // The start over 2 * keptD: nothing, half the spare length or all of it.
    const std::int64_t start = place * (length * keptD - keptN);
    auto first = static_cast<int>(RoundRatio(start, 2 * keptD));
    const auto end = static_cast<int>(RoundRatio(start + 2 * keptN, 2 * keptD));
    const int kept = std::max(1, end - first);
    if (anchor == kAnchorByContent && attention != nullptr) {
        first = SubjectStart(cutAcross ? attention->columns : attention->rows, kept,
                             static_cast<int>(length))
                    .value_or(first);
    }
    return Cut(cutAcross ? PixelRect{first, 0, kept, s.sourceHeight}
                         : PixelRect{0, first, s.sourceWidth, kept},
               s);
}

// Nothing when the rectangle holds no pixel of the picture: a blank frame is no result.
std::optional<FramePlacement> CustomCrop(const FrameOrder& order, const FitSizes& s) {
    CropBox crop = order.crop;
    const int t = s.t;
    // A rectangle stored with its edges the other way round still means the same area.
    if (crop.right < crop.left) {
        std::swap(crop.left, crop.right);
    }
    if (crop.bottom < crop.top) {
        std::swap(crop.top, crop.bottom);
    }
    const std::int64_t cw = static_cast<std::int64_t>(crop.right) - crop.left;
    const std::int64_t ch = static_cast<std::int64_t>(crop.bottom) - crop.top;
    const int left = ToPixels(crop.left, t);
    const int top = ToPixels(crop.top, t);
    const int width = ToPixels(static_cast<double>(cw), t);
    const int height = ToPixels(static_cast<double>(ch), t);
    if (width <= 0 || height <= 0 || left >= s.sourceWidth || top >= s.sourceHeight ||
        static_cast<std::int64_t>(left) + width <= 0 ||
        static_cast<std::int64_t>(top) + height <= 0) {
        return std::nullopt;
    }
    return Cut({left, top, width, height}, s);
}

} // namespace

bool FrameOrder::Turns(int width, int height) const {
    return autoRotate && NeedsQuarterTurn(newWidth, newHeight, width, height);
}

bool FrameOrder::LooksForSubject() const {
    return anchor == kAnchorByContent && (fitting == Fitting::Fill || fitting == Fitting::AutoCrop);
}

FrameOrder FrameOrderOf(const JobOptions& options, const CropBox& crop, int twipsPerPixel) {
    return {options.newWidth,
            options.newHeight,
            options.fitting,
            options.anchor,
            options.autoRotate,
            options.backColour,
            options.fitting == Fitting::CustomCrop ? crop : CropBox{},
            twipsPerPixel};
}

std::optional<FramePlacement> PlaceFrame(const FrameOrder& order, int sourceWidth, int sourceHeight,
                                         const Attention* attention) {
    const std::optional<FitSizes> sizes = SizesOf(order, sourceWidth, sourceHeight);
    if (!sizes) {
        return std::nullopt;
    }
    switch (order.fitting) {
    case Fitting::Stretch:
        return Stretch(order, *sizes);
    case Fitting::Letterbox:
        return Letterbox(order, *sizes);
    case Fitting::AutoCrop:
        return AutoCrop(order, *sizes, attention);
    case Fitting::CustomCrop:
        return CustomCrop(order, *sizes);
    case Fitting::Fill:
        return Fill(order, *sizes, attention);
    }
    return std::nullopt;
}

std::optional<LetterboxFit> FitLetterbox(std::int64_t sw, std::int64_t sh, std::int64_t dw,
                                         std::int64_t dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) {
        return std::nullopt;
    }
    LetterboxFit fit;
    fit.fitScaleX = static_cast<float>(static_cast<double>(dw) / static_cast<double>(sw));
    fit.fitScaleY = static_cast<float>(static_cast<double>(dh) / static_cast<double>(sh));
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
    if (fit.fitScaleX < fit.fitScaleY) {
        width = dw;
        height = RoundHalfEven(static_cast<double>(fit.fitScaleX) * static_cast<double>(sh));
        y = (dh - height) / 2;
    } else {
        width = RoundHalfEven(static_cast<double>(fit.fitScaleY) * static_cast<double>(sw));
        height = dh;
        x = (dw - width) / 2;
    }
    if (!FitsInt32(width) || !FitsInt32(height) || !FitsInt32(x) || !FitsInt32(y)) {
        return std::nullopt;
    }
    fit.x = static_cast<std::int32_t>(x);
    fit.y = static_cast<std::int32_t>(y);
    fit.width = static_cast<std::int32_t>(width);
    fit.height = static_cast<std::int32_t>(height);
    return fit;
}

PixelRect DrawPlaced(const Canvas& source, const FramePlacement& place, Canvas& target, int targetX,
                     int targetY) {
    if (place.plain) {
        return PlainCopy(source, place.from.x, place.from.y, target, targetX, targetY,
                         place.from.width, place.from.height);
    }
    return ScaledCopy(source, place.from, target,
                      {targetX, targetY, place.to.width, place.to.height});
}

std::optional<PixelRect> RenderFrame(const Canvas& source, Canvas& target, const FrameOrder& order,
                                     const Attention* attention) {
    Attention own;
    if (attention == nullptr && order.LooksForSubject()) {
        own = FindAttention(ShrunkForAttention(source));
        attention = &own;
    }
    const std::optional<FramePlacement> place =
        PlaceFrame(order, source.Width(), source.Height(), attention);
    if (!place || !target.Resize(order.newWidth, order.newHeight)) {
        return std::nullopt;
    }
    target.SetIccProfile(source.IccProfile());
    target.FillRect(0, 0, target.Width(), target.Height(), order.backColour);
    return DrawPlaced(source, *place, target, place->to.x, place->to.y);
}

} // namespace kalvimo
