#pragma once

#include "../area_averager.h"
#include "../canvas.h"
#include "../colour.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a GIF while reading it: each row of its first frame is averaged straight into the
// target cells as giflib gives it, so a large picture is never held whole. The result is the area
// average of the picture as the full decoder decodes it.
class GifShrinkReader : public ReadsRegions<GifShrinkReader> {
public:
    GifShrinkReader();
    ~GifShrinkReader();
    GifShrinkReader(const GifShrinkReader&) = delete;
    GifShrinkReader& operator=(const GifShrinkReader&) = delete;

    // Reads up to the first frame; false when the file is not a GIF this reader can shrink (an
    // interlaced frame comes in passes over the whole picture, or anything the full decoder
    // refuses): the full decoder then has its say. Transparent pixels take backColour.
    bool Open(const std::string& path, Colour backColour);
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;

    // As TiffShrinkReader's; each reading is the last of the opened picture.
    bool ReadRegions(std::span<const ShrinkTarget> targets, std::string& error);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalvimo
