#pragma once

#include "../area_averager.h"
#include "../canvas.h"

#include <memory>
#include <span>
#include <string>

namespace kalvimo {

// Shrinks a colour or greyscale JPEG while decoding it: each decoded row is averaged straight
// into the target cells, so a large photograph is never held at full size. The result is the
// area average of the whole picture as the full decoder decodes it.
class JpegShrinkReader : public ReadsRegions<JpegShrinkReader> {
public:
    JpegShrinkReader();
    ~JpegShrinkReader();
    JpegShrinkReader(const JpegShrinkReader&) = delete;
    JpegShrinkReader& operator=(const JpegShrinkReader&) = delete;

    // Reads the header; false when the file is not a JPEG this reader can shrink (CMYK, a
    // damaged header, not a JPEG at all): the full decoder then has its say. Layouts libjpeg
    // cannot decode fail in ReadInto, as they fail in the full decoder.
    bool Open(const std::string& path);
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;

    // Decodes the opened picture into a targetWidth x targetHeight canvas.
    bool ReadInto(Canvas& target, int targetWidth, int targetHeight, std::string& error);

    // Decodes the opened picture at an eighth of its size in each direction, from the DCT's
    // lowest frequencies: a rough copy for a fraction of a full decoding.
    bool ReadEighth(Canvas& target, std::string& error);

    // Averages each target's region `from` of the opened picture (it may reach past the picture)
    // into every cell of the target, all from one decoding (ReadRegion does one); cells with no
    // part of the picture under them keep what they hold. The rows and columns no region takes
    // are not decoded. On failure every target is left empty.
    bool ReadRegions(std::span<const ShrinkTarget> targets, std::string& error);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalvimo
