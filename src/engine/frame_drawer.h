#pragma once

#include "canvas.h"
#include "geometry.h"
#include "shrink_frame.h"

#include <functional>
#include <optional>
#include <string>

namespace kalvimo {

// What drawing a frame came to, as a value: a failed picture carries the reason it failed, so
// that nobody decodes it again only to fail the same way.
struct FrameResult {
    enum class Kind { Drawn, NotDrawn, Failed, Skipped };
    Kind kind = Kind::NotDrawn;
    bool pictureTurned = false;
    std::string reason;
};

// Working memory of DrawFrame, reused from picture to picture.
struct FrameScratch {
    ShrinkScratch shrink;
    // The whole picture upright, and a full-size buffer for setting it upright or turning it.
    Canvas picture;
    Canvas buffer;
};

// Asks for the crop rectangle on the picture as it will be cut, upright and turned; nothing
// skips the picture.
using CropPrompt = std::function<std::optional<CropBox>(const Canvas& picture)>;

// Draws the frame of the picture at path: JPEGs and TIFFs without holding them at full size
// (only the kept part is decoded), everything else by decoding the whole picture, setting it
// upright, turning it when the order asks and fitting it; the frame comes out in sRGB. With a
// prompt the whole picture is always decoded, shown to it, and cut by the rectangle it gives.
// Drawn, Failed or, by the prompt, Skipped; never NotDrawn.
FrameResult DrawFrame(const std::string& path, const FrameOrder& order, Canvas& frame,
                      FrameScratch& scratch, const CropPrompt& prompt = {});

} // namespace kalvimo
