#pragma once

#include "canvas.h"
#include "codecs/bmp_shrink_reader.h"
#include "codecs/gif_shrink_reader.h"
#include "codecs/heif_shrink_reader.h"
#include "codecs/jpeg_shrink_reader.h"
#include "codecs/png_shrink_reader.h"
#include "codecs/tiff_shrink_reader.h"
#include "codecs/webp_shrink_reader.h"
#include "geometry.h"

#include <optional>
#include <string>

namespace kalvimo {

// Working memory of ShrinkFrame, reused from picture to picture.
struct ShrinkScratch {
    JpegShrinkReader jpegReader;
    TiffShrinkReader tiffReader;
    PngShrinkReader pngReader;
    HeifShrinkReader heifReader;
    WebpShrinkReader webpReader;
    BmpShrinkReader bmpReader;
    GifShrinkReader gifReader;
    Canvas shrunk;
    Canvas turned;
    // A cut by content's picture, shrunk along the axis it keeps whole.
    Canvas spread;
};

// Draws the frame of a JPEG, a TIFF, a PNG, a HEIF, a WebP, a BMP or a GIF picture without
// holding it at full size: only the region the fitting keeps is read (a HEIF picture is decoded
// whole, but to planes, not a canvas; libwebp averages a lossy WebP picture down as it decodes it),
// averaged straight into the cells it covers in the frame, then set upright and turned as the full
// path would have done to the whole picture. Returns the pixels that show the picture (frame holds
// its ICC profile); nothing when this picture needs the full path (not a picture a shrinking reader
// can read, or any failure: the full path then tells what is wrong).
std::optional<PixelRect> ShrinkFrame(const std::string& path, const FrameOrder& order,
                                     Canvas& frame, bool& pictureTurned, ShrinkScratch& scratch);

} // namespace kalvimo
