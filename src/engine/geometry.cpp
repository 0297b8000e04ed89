#include "geometry.h"

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

PixelRect AutoCropRegion(int anchor, std::int64_t sw, std::int64_t sh, std::int64_t dw,
                         std::int64_t dh, int t) {
    float ox = 0;
    float oy = 0;
    if (anchor >= 0 && anchor <= 8) {
        const int column = anchor % 3;
        const int row = anchor / 3;
        const float spareX = static_cast<float>(sw - dw);
        const float spareY = static_cast<float>(sh - dh);
        ox = column == 0 ? 0.0F : column == 1 ? spareX / 2 : spareX;
        oy = row == 0 ? 0.0F : row == 1 ? spareY / 2 : spareY;
    }
    return {ToPixels(ox, t), ToPixels(oy, t), static_cast<int>(dw / t), static_cast<int>(dh / t)};
}

// Nothing when the rectangle holds no pixel of the picture: a blank frame is no result.
std::optional<PixelRect> CustomCropRegion(CropBox crop, int sourceWidth, int sourceHeight, int t) {
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
    if (width <= 0 || height <= 0 || left >= sourceWidth || top >= sourceHeight ||
        static_cast<std::int64_t>(left) + width <= 0 ||
        static_cast<std::int64_t>(top) + height <= 0) {
        return std::nullopt;
    }
    return PixelRect{left, top, width, height};
}

// The frame's and the picture's sizes in twips; none when a size is not positive or a twip
// size leaves 32 bits, where the placing arithmetic stops being exact.
struct TwipSizes {
    std::int64_t dw = 0;
    std::int64_t dh = 0;
    std::int64_t sw = 0;
    std::int64_t sh = 0;
};
std::optional<TwipSizes> SizesInTwips(const JobOptions& options, int sourceWidth, int sourceHeight,
                                      int t) {
    const TwipSizes sizes{static_cast<std::int64_t>(options.newWidth) * t,
                          static_cast<std::int64_t>(options.newHeight) * t,
                          static_cast<std::int64_t>(sourceWidth) * t,
                          static_cast<std::int64_t>(sourceHeight) * t};
    if (t <= 0 || sourceWidth <= 0 || sourceHeight <= 0 || options.newWidth <= 0 ||
        options.newHeight <= 0 || !FitsInt32(sizes.dw) || !FitsInt32(sizes.dh) ||
        !FitsInt32(sizes.sw) || !FitsInt32(sizes.sh)) {
        return std::nullopt;
    }
    return sizes;
}

} // namespace

PixelRect LetterboxPlace(const LetterboxFit& fit, int frameWidth, int frameHeight, int t) {
    // However thin the picture, a pixel of it stays: the frame shows it rather than nothing.
    const int width = std::max(1, std::min(ToPixels(fit.width, t), frameWidth));
    const int height = std::max(1, std::min(ToPixels(fit.height, t), frameHeight));
    return {std::max(0, std::min(ToPixels(fit.x, t), frameWidth - width)),
            std::max(0, std::min(ToPixels(fit.y, t), frameHeight - height)), width, height};
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

std::optional<FramePlacement> PlaceFrame(const JobOptions& options, const CropBox& crop,
                                         int sourceWidth, int sourceHeight, int twipsPerPixel) {
    const int t = twipsPerPixel;
    const std::optional<TwipSizes> sizes = SizesInTwips(options, sourceWidth, sourceHeight, t);
    if (!sizes) {
        return std::nullopt;
    }
    const PixelRect whole{0, 0, sourceWidth, sourceHeight};
    const PixelRect frame{0, 0, options.newWidth, options.newHeight};
    if (options.stretch) {
        return FramePlacement{whole, frame, false};
    }
    if (options.letterbox) {
        const std::optional<LetterboxFit> fit =
            FitLetterbox(sizes->sw, sizes->sh, sizes->dw, sizes->dh);
        if (!fit) {
            return std::nullopt;
        }
        // The copy paints exactly its own pixel rectangle, so both bars stay the background fill
        // and an exact fit loses no row or column of the picture.
        return FramePlacement{whole, LetterboxPlace(*fit, options.newWidth, options.newHeight, t),
                              false};
    }
    const std::optional<PixelRect> region = CropRegion(options, crop, sourceWidth, sourceHeight, t);
    if (!region) {
        return std::nullopt;
    }
    // A region of the frame's own size is copied as it is.
    return FramePlacement{*region, frame,
                          region->width == frame.width && region->height == frame.height};
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

std::optional<PixelRect> RenderFrame(const Canvas& source, Canvas& target,
                                     const JobOptions& options, const CropBox& crop,
                                     int twipsPerPixel) {
    const std::optional<FramePlacement> place =
        PlaceFrame(options, crop, source.Width(), source.Height(), twipsPerPixel);
    if (!place || !target.Resize(options.newWidth, options.newHeight)) {
        return std::nullopt;
    }
    target.SetIccProfile(source.IccProfile());
    target.FillRect(0, 0, target.Width(), target.Height(), options.backColour);
    return DrawPlaced(source, *place, target, place->to.x, place->to.y);
}

std::optional<PixelRect> CropRegion(const JobOptions& options, const CropBox& crop, int sourceWidth,
                                    int sourceHeight, int twipsPerPixel) {
    const int t = twipsPerPixel;
    const std::optional<TwipSizes> sizes = SizesInTwips(options, sourceWidth, sourceHeight, t);
    if (!sizes) {
        return std::nullopt;
    }
    if (options.autoCrop) {
        return AutoCropRegion(options.anchor, sizes->sw, sizes->sh, sizes->dw, sizes->dh, t);
    }
    return CustomCropRegion(crop, sourceWidth, sourceHeight, t);
}

} // namespace kalvimo
