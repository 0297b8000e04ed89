#pragma once

#include "canvas.h"
#include "job_options.h"

#include <cstdint>
#include <optional>

namespace kalvimo {

// Where the letterboxed picture goes, in twips of the target canvas.
struct LetterboxFit {
    float fitScaleX = 0;
    float fitScaleY = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// sw, sh: the source's size in twips; dw, dh: the target's. Empty for a degenerate size.
std::optional<LetterboxFit> FitLetterbox(std::int64_t sw, std::int64_t sh, std::int64_t dw,
                                         std::int64_t dh);

// The pixels of a frame of frameWidth x frameHeight where the letterboxed picture goes; at least
// one each way.
PixelRect LetterboxPlace(const LetterboxFit& fit, int frameWidth, int frameHeight, int t);

// The part of a sourceWidth x sourceHeight picture that an automatic or custom crop draws into
// the whole frame, in pixels; it may reach past the picture, where the frame keeps its
// background. Nothing when the sizes make no sense or a custom rectangle holds none of the
// picture.
std::optional<PixelRect> CropRegion(const JobOptions& options, const CropBox& crop, int sourceWidth,
                                    int sourceHeight, int twipsPerPixel);

// Where a fitting draws a sourceWidth x sourceHeight picture: the region `from` of it goes into
// the cells `to` of the frame, copied pixel for pixel when plain, else area averaged. Nothing
// when the sizes make no sense or a crop rectangle holds none of the picture.
struct FramePlacement {
    PixelRect from;
    PixelRect to;
    bool plain = false;
};
std::optional<FramePlacement> PlaceFrame(const JobOptions& options, const CropBox& crop,
                                         int sourceWidth, int sourceHeight, int twipsPerPixel);

// Draws the placed region of source into target with the top left of `to` at (targetX, targetY).
// Returns the target pixels painted.
PixelRect DrawPlaced(const Canvas& source, const FramePlacement& place, Canvas& target, int targetX,
                     int targetY);

// Sizes target to newWidth x newHeight, fills it with backColour and draws source into it by the
// fitting the options choose; target takes source's ICC profile. Returns the pixels that show the
// picture; nothing when the sizes make no sense or a crop rectangle holds none of the picture
// (the picture then fails).
std::optional<PixelRect> RenderFrame(const Canvas& source, Canvas& target,
                                     const JobOptions& options, const CropBox& crop,
                                     int twipsPerPixel);

} // namespace kalvimo
