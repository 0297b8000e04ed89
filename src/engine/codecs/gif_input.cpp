#include "gif_input.h"

#include "codec_internal.h"

#include <algorithm>

namespace kalvimo::codecs {

namespace {

// An LZW code of at most 12 bits stands for at most 4096 pixels.
constexpr std::int64_t kPixelsPerByte = 4096 * 8 / 12;

bool Refuse(std::string& reason, int gifError) {
    const char* text = GifErrorString(gifError);
    if (gifError == D_GIF_ERR_READ_FAILED) {
        reason = kEndsEarly;
    } else {
        reason = text != nullptr ? text : "the file is damaged";
    }
    return false;
}

// The palette of the first frame; without any colour table, index i is grey level i.
std::array<Rgb, 256> ColoursOf(const GifFileType* gif) {
    const ColorMapObject* map =
        gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
    std::array<Rgb, 256> colours{};
    if (map == nullptr) {
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const auto level = static_cast<std::uint8_t>(i);
            colours[i] = {level, level, level};
        }
        return colours;
    }
    const int mapSize = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < mapSize; ++i) {
        colours[static_cast<std::size_t>(i)] = {map->Colors[i].Red, map->Colors[i].Green,
                                                map->Colors[i].Blue};
    }
    return colours;
}

} // namespace

int GifInput::ReadFromFile(GifFileType* gif, GifByteType* buffer, int size) {
    auto* source = static_cast<Source*>(gif->UserData);
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(size), source->file);
    source->lastWasEmptyBlock = size == 1 && got == 1 && buffer[0] == 0;
    return static_cast<int>(got);
}

// Whether a failure to read the next row is picture data that stops early, within a file that
// goes on.
bool GifInput::DataStoppedEarly() const {
    return gif_->Error == D_GIF_ERR_EOF_TOO_SOON ||
           (gif_->Error == D_GIF_ERR_IMAGE_DEFECT && source_.lastWasEmptyBlock);
}

// Skips extensions up to the first picture, keeping the transparent index that applies to it.
bool GifInput::FindFirstImage(int& transparentIndex, std::string& reason) {
    GifFileType* gif = gif_.get();
    transparentIndex = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            return Refuse(reason, gif->Error);
        }
        if (type == IMAGE_DESC_RECORD_TYPE) {
            return DGifGetImageDesc(gif) != GIF_ERROR || Refuse(reason, gif->Error);
        }
        if (type == TERMINATE_RECORD_TYPE) {
            reason = "the file holds no picture";
            return false;
        }
        if (type != EXTENSION_RECORD_TYPE) {
            continue;
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
            return Refuse(reason, gif->Error);
        }
        GraphicsControlBlock control{};
        if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] == 4 &&
            DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) {
            transparentIndex = control.TransparentColor;
        }
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                return Refuse(reason, gif->Error);
            }
        }
    }
}

bool GifInput::Begin(std::FILE* file, std::int64_t fileSize, std::int64_t maxPixels,
                     Colour backColour, std::string& reason) {
    source_.file = file;
    int error = 0;
    gif_.reset(DGifOpen(&source_, ReadFromFile, &error));
    if (!gif_) {
        return Refuse(reason, error);
    }
    int transparentIndex = NO_TRANSPARENT_COLOR;
    if (!FindFirstImage(transparentIndex, reason)) {
        return false;
    }
    const GifImageDesc& frame = gif_->Image;
    if (frame.Width <= 0 || frame.Height <= 0) {
        reason = "the picture size is not valid";
        return false;
    }
    if (!SizeIsPlausible(frame.Width, frame.Height, maxPixels, fileSize, kPixelsPerByte, reason)) {
        return false;
    }
    // The screen grows to hold a frame that sticks out of it, rather than cutting the picture.
    // A screen far larger than the data could fill is only empty margin: the picture is then
    // the frame alone. Either reader tells it alike, whatever size it can take.
    std::int64_t width = std::max<std::int64_t>(gif_->SWidth, frame.Left + frame.Width);
    std::int64_t height = std::max<std::int64_t>(gif_->SHeight, frame.Top + frame.Height);
    left_ = frame.Left;
    top_ = frame.Top;
    std::string ignored;
    if (!SizeIsPlausible(width, height, kMaxDecodedPixels, fileSize, kPixelsPerByte, ignored)) {
        width = frame.Width;
        height = frame.Height;
        left_ = 0;
        top_ = 0;
    }
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    back_ = ToRgb(backColour);
    colours_ = ColoursOf(gif_.get());
    if (transparentIndex >= 0 && transparentIndex < 256) {
        colours_[static_cast<std::size_t>(transparentIndex)] = back_;
    }
    line_.resize(static_cast<std::size_t>(frame.Width));
    rowsRead_ = 0;
    return true;
}

bool GifInput::ReadRow(std::uint8_t* rgb, bool& stopped, std::string& reason) {
    if (DGifGetLine(gif_.get(), line_.data(), FrameWidth()) == GIF_ERROR) {
        stopped = rowsRead_ > 0 && DataStoppedEarly();
        return stopped || Refuse(reason, gif_->Error);
    }
    ++rowsRead_;
    for (const GifPixelType index : line_) {
        const Rgb colour = colours_[index];
        rgb[0] = colour.r;
        rgb[1] = colour.g;
        rgb[2] = colour.b;
        rgb += 3;
    }
    return true;
}

} // namespace kalvimo::codecs
