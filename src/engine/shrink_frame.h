#pragma once

#include "attention.h"
#include "canvas.h"
#include "codecs/jpeg_shrink_reader.h"
#include "geometry.h"

#include <optional>
#include <string>

namespace kalvimo {

// Working memory of ShrinkJpegFrame, reused from picture to picture.
struct ShrinkScratch {
    JpegShrinkReader reader;
    Canvas shrunk;
    Canvas turned;
    // A cut by content's picture, shrunk along the axis it keeps whole.
    Canvas spread;
};

// Draws the frame of a JPEG without holding it at full size: only the region the fitting keeps
// is decoded, averaged straight into the cells it covers in the frame, then set upright and
// turned as the full path would have done to the whole picture. Returns the pixels that show the
// picture (frame holds its ICC profile); nothing when this picture needs the full path (not a
// JPEG that can be shrunk, or any failure: the full path then tells what is wrong).
std::optional<PixelRect> ShrinkJpegFrame(const std::string& path, const FrameOrder& order,
                                         Canvas& frame, bool& pictureTurned,
                                         ShrinkScratch& scratch);

// The attention of the JPEG at path as ShrinkJpegFrame places a cut by content: found on its
// eighth-size decode, upright and turned as the order turns it. Nothing when it cannot be read so.
std::optional<Attention> JpegAttention(const std::string& path, const FrameOrder& order,
                                       ShrinkScratch& scratch);

} // namespace kalvimo
