#pragma once

#include "../colour.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// What the full BMP decoder and the shrinking BMP reader share: the headers, read and checked in
// front of any pixels, and the rows, uncompressed or drawn by runs, as 8-bit RGB.
namespace kalvimo::codecs {

inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiRle8 = 1;
inline constexpr std::uint32_t kBiRle4 = 2;

// One colour channel of a 16- or 32-bit pixel, scaled from its mask's width to 8 bits.
class BmpChannel {
public:
    // False for a mask whose bits are not contiguous.
    bool SetMask(std::uint32_t mask);
    [[nodiscard]] std::uint8_t Get(std::uint32_t pixel) const {
        if (max_ == 0) {
            return 0;
        }
        const std::uint64_t value = (pixel & mask_) >> shift_;
        return static_cast<std::uint8_t>((value * 255 + max_ / 2) / max_);
    }

private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    std::uint32_t max_ = 0;
};

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::int64_t dataOffset = 0;
    std::array<Rgb, 256> palette{}; // indices past the file's palette show black
    BmpChannel red, green, blue, alpha;
    bool hasAlpha = false;
    Rgb back{}; // what shows through where alpha is below full

    [[nodiscard]] bool RunLength() const {
        return compression == kBiRle8 || compression == kBiRle4;
    }
};

class BmpInput {
public:
    // Reads and checks everything in front of the pixels of file (fileSize bytes) for a picture
    // of at most maxPixels, and that the file can hold its pixels; of uncompressed ones, also
    // whether their alpha bits say anything. False, with the reason, when it is no BMP it could
    // read. Nothing here allocates by the header's word.
    bool Begin(std::FILE* file, std::int64_t fileSize, std::int64_t maxPixels, Colour backColour,
               std::string& reason);

    [[nodiscard]] const BmpLayout& Layout() const { return layout_; }
    [[nodiscard]] int Width() const { return static_cast<int>(layout_.width); }
    [[nodiscard]] int Height() const { return static_cast<int>(layout_.height); }

    // Where row i of the pixel data, in file order, lies in the picture from the top; the same
    // turns a row of the picture into its place in the file.
    [[nodiscard]] int PictureRow(int i) const { return layout_.topDown ? i : Height() - 1 - i; }

    // Row i of the pixel data, Width() pixels of RGB; false, with the reason, when it cannot be
    // had. Uncompressed rows come in any order, those in file order without seeking. Run-length
    // rows come only in file order, each after the one before: runs draw on them, and what they
    // leave, and rows a jump skips, keep the background colour.
    bool ReadRow(int i, std::uint8_t* rgb, std::string& reason);
    // After the rows wanted: the rest of the runs, which must draw nothing past the last row and
    // end well.
    bool Finish(std::string& reason);

private:
    bool CheckPlainPixels(std::int64_t fileSize, std::string& reason);
    bool ReadStoredRow(int i);
    bool AnyAlpha(bool& any);
    bool ReadRunRow(int i, std::uint8_t* rgb, std::string& reason);
    bool NextRun(std::string& reason);
    bool EndRuns(std::string& reason);
    void PutRunPixel(int index);

    std::FILE* file_ = nullptr;
    BmpLayout layout_;
    std::int64_t rowBytes_ = 0;
    // Without the padding that the last row in the file often leaves out.
    std::int64_t usedBytes_ = 0;
    std::vector<std::uint8_t> stored_;
    // The row the file stands at; -1 when unknown.
    int next_ = -1;

    // Where the runs draw next; the row drawn on, runRowLine_, is kept in runRow_.
    std::int64_t x_ = 0;
    std::int64_t line_ = 0;
    std::vector<std::uint8_t> runRow_;
    std::int64_t runRowLine_ = -1;
    bool runsEnded_ = false;
};

} // namespace kalvimo::codecs
