#pragma once

#include "../area_averager.h"
#include "../canvas.h"
#include "../colour.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a TIFF while reading it: its strips or rows of tiles are read once, in order, and each
// row is averaged straight into the target cells, so a large picture is never held whole. The
// result is the area average of the picture as the full decoder decodes it.
class TiffShrinkReader : public ReadsRegions<TiffShrinkReader> {
public:
    TiffShrinkReader();
    ~TiffShrinkReader();
    TiffShrinkReader(const TiffShrinkReader&) = delete;
    TiffShrinkReader& operator=(const TiffShrinkReader&) = delete;

    // Reads the header; false when the file is not a TIFF this reader can shrink (planes stored
    // apart, subsampled colour, tiles too tall, or anything the full decoder refuses): the full
    // decoder then has its say. Transparent pixels take backColour.
    bool Open(const std::string& path, Colour backColour);
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;

    // ReadEighth averages the opened picture in blocks of 8 x 8 (the last ones cut short by its
    // edge) into a target an eighth of its size in each direction; ReadRegion, as
    // JpegShrinkReader's, the region `from` (it may reach past the picture) into every cell of
    // target, rows outside it not read; ReadRegions several targets from one reading. On failure
    // every target is left empty.
    bool ReadRegions(std::span<const ShrinkTarget> targets, std::string& error);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalvimo
