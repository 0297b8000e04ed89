#pragma once

#include "../area_averager.h"
#include "../canvas.h"
#include "../colour.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a WebP picture while libwebp decodes it: libwebp crops the region and averages it
// down to a few pixels a cell, so a large picture never becomes a canvas of its size. Cells
// average what it gives; an axis libwebp would have to grow, or whose cells would not fall on
// the edges of its pixels, is decoded at full size instead and averaged here.
class WebpShrinkReader {
public:
    WebpShrinkReader();
    ~WebpShrinkReader();
    WebpShrinkReader(const WebpShrinkReader&) = delete;
    WebpShrinkReader& operator=(const WebpShrinkReader&) = delete;

    // Reads the file; false when it is not a still, opaque WebP picture this reader can shrink
    // (an animation, a picture with transparent parts, a damaged file): the full decoder then has
    // its say. backColour is taken for the readers' common form: nothing here is transparent.
    bool Open(const std::string& path, Colour backColour);
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;

    // As TiffShrinkReader's, but ReadEighth is a rough copy: libwebp averages the whole picture
    // straight down to it. ReadEighth keeps the file for a ReadRegion after it; ReadRegion and
    // ReadRegions let it go.
    bool ReadEighth(Canvas& target, std::string& error);
    bool ReadRegion(Canvas& target, PixelRect from, std::string& error);
    bool ReadRegions(std::span<const ShrinkTarget> targets, std::string& error);

    // Lets go of the file, read or not.
    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalvimo
