#pragma once

#include "../area_averager.h"
#include "../canvas.h"
#include "../colour.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a WebP picture while it is decoded, so that a large picture never becomes a canvas of
// its size. A lossless picture is decoded here a row at a time and each row averaged straight
// into the target cells, to the area average of the picture as the full decoder decodes it. A
// lossy one is decoded by libwebp, which crops the region and averages it down to a few pixels a
// cell; cells average what it gives, and an axis libwebp would have to grow, or whose cells would
// not fall on the edges of its pixels, is decoded at full size instead and averaged here.
class WebpShrinkReader : public ReadsRegions<WebpShrinkReader> {
public:
    WebpShrinkReader();
    ~WebpShrinkReader();
    WebpShrinkReader(const WebpShrinkReader&) = delete;
    WebpShrinkReader& operator=(const WebpShrinkReader&) = delete;

    // Reads the file; false when it is not a still WebP picture this reader can shrink (an
    // animation, a lossy picture with transparent parts, a damaged file): the full decoder then
    // has its say. Transparent pixels of a lossless picture take backColour.
    bool Open(const std::string& path, Colour backColour);
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;

    // As TiffShrinkReader's, but ReadEighth of a lossy picture is a rough copy: libwebp averages
    // the whole picture straight down to it. ReadEighth keeps the file for a ReadRegion after it;
    // ReadRegion and ReadRegions let it go.
    bool ReadEighth(Canvas& target, std::string& error);
    bool ReadRegions(std::span<const ShrinkTarget> targets, std::string& error);

    // Lets go of the file, read or not.
    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalvimo
