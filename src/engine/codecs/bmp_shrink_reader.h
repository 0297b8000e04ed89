#pragma once

#include "../area_averager.h"
#include "../canvas.h"
#include "../colour.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a BMP while reading it: each row the region covers is averaged straight into the target
// cells as it is read, so a large picture is never held whole. The result is the area average of
// the picture as the full decoder decodes it.
class BmpShrinkReader : public ReadsRegions<BmpShrinkReader> {
public:
    BmpShrinkReader();
    ~BmpShrinkReader();
    BmpShrinkReader(const BmpShrinkReader&) = delete;
    BmpShrinkReader& operator=(const BmpShrinkReader&) = delete;

    // Reads the header; false when the file is not a BMP the full decoder reads, which then has
    // its say. Pixels with alpha below full take backColour.
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
