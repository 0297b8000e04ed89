#pragma once

#include "attention.h"
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

// Everything a frame depends on besides the picture: the fitting and what it reads, the turn.
struct FrameOrder {
    std::int32_t newWidth = 0;
    std::int32_t newHeight = 0;
    Fitting fitting = Fitting::Stretch;
    std::int16_t anchor = 4;
    bool autoRotate = false;
    Colour backColour = 0;
    CropBox crop;
    int twipsPerPixel = 15;
    friend bool operator==(const FrameOrder&, const FrameOrder&) = default;

    // Whether a picture that is width x height upright is fitted turned a quarter.
    [[nodiscard]] bool Turns(int width, int height) const;
    // Whether the cut is placed by the picture's attention rather than by the anchor alone.
    [[nodiscard]] bool LooksForSubject() const;
};

// The order of the frame the options ask for; the rectangle counts only where it is used, so
// that moving it never spoils another fitting's order.
FrameOrder FrameOrderOf(const JobOptions& options, const CropBox& crop, int twipsPerPixel);

// Where the order's fitting draws a sourceWidth x sourceHeight picture: the region `from` of it
// (which may reach past the picture, where the frame keeps its background) goes into the cells
// `to` of the frame, copied pixel for pixel when plain, else area averaged. Nothing when the
// sizes make no sense or a crop rectangle holds none of the picture. A cut by content without
// attention is centred.
struct FramePlacement {
    PixelRect from;
    PixelRect to;
    bool plain = false;
};
std::optional<FramePlacement> PlaceFrame(const FrameOrder& order, int sourceWidth, int sourceHeight,
                                         const Attention* attention = nullptr);

// Draws the placed region of source into target with the top left of `to` at (targetX, targetY).
// Returns the target pixels painted.
PixelRect DrawPlaced(const Canvas& source, const FramePlacement& place, Canvas& target, int targetX,
                     int targetY);

// Sizes target to newWidth x newHeight, fills it with backColour and draws source into it as
// PlaceFrame places it; target takes source's ICC profile. Returns the pixels that show the
// picture; nothing when PlaceFrame places nothing (the picture then fails). A cut by content
// looks at source itself unless given the attention.
std::optional<PixelRect> RenderFrame(const Canvas& source, Canvas& target, const FrameOrder& order,
                                     const Attention* attention = nullptr);

} // namespace kalvimo
