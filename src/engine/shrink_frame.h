#pragma once

#include "canvas.h"
#include "codecs/jpeg_shrink_reader.h"
#include "colour.h"
#include "job_options.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kalvimo {

// What a frame drawn from the whole picture depends on: stretched or letterboxed fitting.
struct FrameRecipe {
    std::int32_t newWidth = 0;
    std::int32_t newHeight = 0;
    bool letterbox = false;
    bool autoRotate = false;
    Colour backColour = 0;
    int twipsPerPixel = 15;
    friend bool operator==(const FrameRecipe&, const FrameRecipe&) = default;
};

// The recipe when the options fit the whole picture into the frame; nothing when they need the
// full picture (a crop, or a crop rectangle to be drawn on it).
std::optional<FrameRecipe> WholePictureRecipe(const JobOptions& options, int twipsPerPixel);

// Working memory of ShrinkJpegFrame, reused from picture to picture.
struct ShrinkScratch {
    JpegShrinkReader reader;
    Canvas shrunk;
    Canvas turned;
};

// Draws the frame of a JPEG without holding it at full size: the picture is averaged straight
// into the cells it covers in the frame, then set upright and turned as the full path would
// have done to the whole picture. Returns the pixels that show the picture (frame holds its ICC
// profile); nothing when this picture needs the full path (not a JPEG that can be shrunk, or any
// failure: the full path then tells what is wrong).
std::optional<PixelRect> ShrinkJpegFrame(const std::string& path, const FrameRecipe& recipe,
                                         Canvas& frame, bool& pictureTurned,
                                         ShrinkScratch& scratch);

// Draws the frame of an automatic or custom crop of a JPEG, averaging only the part of the
// picture the crop keeps, as the full path would have cut it from the picture set upright and
// turned. Returns the pixels that show the picture, as ShrinkJpegFrame does; nothing leaves the
// picture to the full path.
std::optional<PixelRect> ShrinkJpegCrop(const std::string& path, const JobOptions& options,
                                        const CropBox& crop, int twipsPerPixel, Canvas& frame,
                                        bool& pictureTurned, ShrinkScratch& scratch);

} // namespace kalvimo
