#pragma once

#include "../area_averager.h"
#include "../canvas.h"
#include "../colour.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a HEIF or AVIF picture without a canvas of its size: its coded pictures cannot be
// decoded in parts, so it is decoded once, to planes, and each row is averaged from them
// straight into the target cells. The result is the area average of the picture as the full
// decoder decodes it.
class HeifShrinkReader : public ReadsRegions<HeifShrinkReader> {
public:
    HeifShrinkReader();
    ~HeifShrinkReader();
    HeifShrinkReader(const HeifShrinkReader&) = delete;
    HeifShrinkReader& operator=(const HeifShrinkReader&) = delete;

    // Decodes the picture, or keeps it when it is the one decoded last and not yet read; false
    // when the file is not a HEIF picture this reader can decode: the full decoder then has its
    // say. Transparent pixels take backColour.
    bool Open(const std::string& path, Colour backColour);
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;

    // As TiffShrinkReader's. ReadEighth keeps the picture for a ReadRegion after it; ReadRegion
    // and ReadRegions let it go.
    bool ReadEighth(Canvas& target, std::string& error);
    bool ReadRegions(std::span<const ShrinkTarget> targets, std::string& error);

    // Lets go of the picture, read or not.
    void Close();

private:
    bool Average(std::span<const ShrinkTarget> targets, std::string& error);

    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalvimo
