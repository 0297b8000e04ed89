#pragma once

#include "canvas.h"
#include "colour.h"
#include "job_options.h"
#include "shrink_frame.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kalvimo {

// Everything a frame depends on besides the picture: any fitting, the crop rectangle, the turn.
struct FrameOrder {
    std::int32_t newWidth = 0;
    std::int32_t newHeight = 0;
    bool stretch = false;
    bool letterbox = false;
    bool autoCrop = false;
    std::int16_t anchor = 4;
    bool autoRotate = false;
    Colour backColour = 0;
    CropBox crop;
    int twipsPerPixel = 15;
    friend bool operator==(const FrameOrder&, const FrameOrder&) = default;
};

// The order of the frame the options ask for; nothing when the crop rectangle is asked for on each
// picture, which only the run's own thread can do.
std::optional<FrameOrder> FrameOrderOf(const JobOptions& options, const CropBox& crop,
                                       int twipsPerPixel);

// What drawing a frame came to, as a value: a failed picture carries the reason it failed, so
// that nobody decodes it again only to fail the same way.
struct FrameResult {
    enum class Kind { Drawn, NotDrawn, Failed };
    Kind kind = Kind::NotDrawn;
    bool pictureTurned = false;
    std::string reason;
};

// Working memory of DrawFrame, reused from picture to picture.
struct FrameScratch {
    ShrinkScratch shrink;
    // The whole picture upright, and a full-size buffer for setting it upright.
    Canvas picture;
    Canvas buffer;
};

// Draws the frame of the picture at path: JPEGs without holding them at full size (only the
// kept part of a crop is decoded), everything else by decoding the whole picture, setting it
// upright, turning it when the order asks and fitting it; the frame comes out in sRGB. Drawn or
// Failed, never NotDrawn.
FrameResult DrawFrame(const std::string& path, const FrameOrder& order, Canvas& frame,
                      FrameScratch& scratch);

} // namespace kalvimo
