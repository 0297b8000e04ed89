#pragma once

#include "colour.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kalvimo {

// A 24-bit RGB picture, rows top to bottom, 3 bytes a pixel (R, G, B), no padding.
// Resizing keeps the allocation, so one canvas serves a whole batch.
class Canvas {
public:
    // Pictures larger than this are refused rather than risk exhausting memory.
    static constexpr std::int64_t kMaxPixels = 256'000'000;

    Canvas() = default;
    Canvas(int width, int height, Colour fill = 0);

    // False (and the canvas left empty) when a size is not positive or the picture too large.
    [[nodiscard]] bool Resize(int width, int height);
    // Empties the canvas and gives its memory back.
    void Clear();

    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] bool Empty() const { return width_ == 0 || height_ == 0; }
    [[nodiscard]] std::size_t Stride() const { return static_cast<std::size_t>(width_) * 3; }

    [[nodiscard]] std::uint8_t* Row(int y) { return pixels_.data() + Stride() * y; }
    [[nodiscard]] const std::uint8_t* Row(int y) const { return pixels_.data() + Stride() * y; }
    [[nodiscard]] std::uint8_t* Data() { return pixels_.data(); }
    [[nodiscard]] const std::uint8_t* Data() const { return pixels_.data(); }

    [[nodiscard]] Rgb Pixel(int x, int y) const;
    void SetPixel(int x, int y, Rgb rgb);

    // Fills columns x1..x2-1 and rows y1..y2-1, clipped to the canvas.
    void FillRect(int x1, int y1, int x2, int y2, Colour colour);

    // The ICC profile the pixels are coded in, as the file embedded it; empty means sRGB. It
    // travels with the pixels (Swap, the turning routines) and is dropped by Clear.
    void SetIccProfile(std::vector<std::uint8_t> profile) { iccProfile_ = std::move(profile); }
    [[nodiscard]] const std::vector<std::uint8_t>& IccProfile() const { return iccProfile_; }

    void Swap(Canvas& other) noexcept;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> pixels_;
    std::vector<std::uint8_t> iccProfile_;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Scaled copy by area averaging: each target pixel is the coverage-weighted mean of the source
// pixels under it. Source pixels outside the source canvas are never read; target pixels outside
// the target canvas, or with no source pixel under them, are left as they are. Returns the
// target pixels painted (empty when none).
PixelRect ScaledCopy(const Canvas& source, PixelRect from, Canvas& target, PixelRect to);

// 1:1 copy of a width x height block from (sx, sy) to (tx, ty), clipped on both sides. Returns
// the target pixels painted (empty when none).
PixelRect PlainCopy(const Canvas& source, int sx, int sy, Canvas& target, int tx, int ty, int width,
                    int height);

} // namespace kalvimo
