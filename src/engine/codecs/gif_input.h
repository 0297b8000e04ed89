#pragma once

#include "../colour.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <gif_lib.h>
#include <memory>
#include <string>
#include <vector>

// What the full GIF decoder and the shrinking GIF reader share: giflib on an open file, the first
// frame found and checked, where it lies on the picture, and its rows as 8-bit RGB.
namespace kalvimo::codecs {

class GifInput {
public:
    GifInput() = default;
    GifInput(const GifInput&) = delete;
    GifInput& operator=(const GifInput&) = delete;

    // Opens giflib on file (fileSize bytes) and reads up to the first frame of a picture of at
    // most maxPixels; false, with the reason, when the file holds no such frame.
    bool Begin(std::FILE* file, std::int64_t fileSize, std::int64_t maxPixels, Colour backColour,
               std::string& reason);

    // The picture: the logical screen, grown to hold the frame, or the frame alone when the
    // screen is far larger than the data could fill. Outside the frame it is backColour.
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] int FrameLeft() const { return left_; }
    [[nodiscard]] int FrameTop() const { return top_; }
    [[nodiscard]] int FrameWidth() const { return gif_->Image.Width; }
    [[nodiscard]] int FrameHeight() const { return gif_->Image.Height; }
    // Its rows come in four passes, each filling in rows between the last one's.
    [[nodiscard]] bool Interlaced() const { return gif_->Image.Interlace; }
    [[nodiscard]] Rgb Back() const { return back_; }

    // The next row of the frame, in file order: FrameWidth() pixels of RGB. When the data stops
    // early, after at least one row, stopped is set and the rows not read keep the background,
    // as other readers keep the rows before it.
    bool ReadRow(std::uint8_t* rgb, bool& stopped, std::string& reason);

private:
    struct Closer {
        void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
    };
    struct Source {
        std::FILE* file = nullptr;
        // giflib reads each block's length alone; a zero there inside the picture data means
        // the data stopped before the picture was complete.
        bool lastWasEmptyBlock = false;
    };
    static int ReadFromFile(GifFileType* gif, GifByteType* buffer, int size);
    bool FindFirstImage(int& transparentIndex, std::string& reason);
    [[nodiscard]] bool DataStoppedEarly() const;

    Source source_;
    std::unique_ptr<GifFileType, Closer> gif_;
    int width_ = 0;
    int height_ = 0;
    int left_ = 0;
    int top_ = 0;
    Rgb back_;
    std::array<Rgb, 256> colours_{};
    std::vector<GifPixelType> line_;
    int rowsRead_ = 0;
};

} // namespace kalvimo::codecs
