#pragma once

#include "../area_averager.h"
#include "../canvas.h"
#include "../colour.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a PNG while reading it: each row is averaged straight into the target cells as libpng
// gives it, so a large picture is never held whole. The result is the area average of the
// picture as the full decoder decodes it.
class PngShrinkReader : public ReadsRegions<PngShrinkReader> {
public:
    PngShrinkReader();
    ~PngShrinkReader();
    PngShrinkReader(const PngShrinkReader&) = delete;
    PngShrinkReader& operator=(const PngShrinkReader&) = delete;

    // Reads the header; false when the file is not a PNG this reader can shrink (an interlaced
    // one comes in passes over the whole picture, or anything the full decoder refuses): the
    // full decoder then has its say. Transparent pixels take backColour.
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
