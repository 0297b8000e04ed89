#pragma once

#include "../canvas.h"

#include <cstdint>
#include <vector>

namespace kalvimo::codecs {

// The colours a GIF of one picture is written with. A picture of 256 colours or fewer keeps
// them exactly; a richer one gets a palette cut to its own colours (median cut on a 15-bit
// histogram, refined by a few k-means rounds), each pixel taking the entry nearest to it at
// 6 bits a channel.
class GifPalette {
public:
    explicit GifPalette(const Canvas& canvas);

    [[nodiscard]] const std::vector<Rgb>& Colours() const { return colours_; }
    void MapRow(const std::uint8_t* rgb, int width, std::uint8_t* indices) const;

private:
    static constexpr int kFineCells = 64 * 64 * 64;

    bool TakeExactColours(const Canvas& canvas);
    void CutColours(const Canvas& canvas);
    void MapFineCells(const std::vector<std::uint8_t>& fineUsed);

    std::vector<Rgb> colours_;
    // Exact mode: the sorted packed colours, whose positions are the indices.
    std::vector<Colour> exact_;
    // Cut mode: the palette index of each 6-bit-per-channel cell in use.
    std::vector<std::uint8_t> fineIndex_;
};

} // namespace kalvimo::codecs
