#include "codec_internal.h"

#include <algorithm>
#include <array>
#include <gif_lib.h>
#include <memory>
#include <vector>

namespace kalvimo::codecs {

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifReader = std::unique_ptr<GifFileType, GifCloser>;

int ReadFromFile(GifFileType* gif, GifByteType* buffer, int size) {
    return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(size),
                                       static_cast<std::FILE*>(gif->UserData)));
}

bool Refuse(std::string& reason, int gifError) {
    const char* text = GifErrorString(gifError);
    if (gifError == D_GIF_ERR_READ_FAILED) {
        reason = kEndsEarly;
    } else {
        reason = text != nullptr ? text : "the file is damaged";
    }
    return false;
}

// Skips extensions up to the first picture, keeping the transparent index that applies to it.
bool FindFirstImage(GifFileType* gif, int& transparentIndex, std::string& reason) {
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

bool ReadFirstImage(GifFileType* gif, Canvas& canvas, Colour backColour, std::string& reason) {
    int transparentIndex = NO_TRANSPARENT_COLOR;
    if (!FindFirstImage(gif, transparentIndex, reason)) {
        return false;
    }
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr) {
        reason = "the file has no colour table";
        return false;
    }
    // The screen grows to hold a frame that sticks out of it, rather than cutting the picture.
    const std::int64_t width = std::max<std::int64_t>(gif->SWidth, frame.Left + frame.Width);
    const std::int64_t height = std::max<std::int64_t>(gif->SHeight, frame.Top + frame.Height);
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reason = width > 0 && height > 0 ? TooLargeReason(width, height)
                                         : "the picture size is not valid";
        return false;
    }
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), backColour);
    if (frame.Width <= 0 || frame.Height <= 0) {
        return true;
    }

    std::array<Rgb, 256> colours{};
    const int mapSize = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < mapSize; ++i) {
        colours[static_cast<std::size_t>(i)] = {map->Colors[i].Red, map->Colors[i].Green,
                                                map->Colors[i].Blue};
    }
    const Rgb back = ToRgb(backColour);
    if (transparentIndex >= 0 && transparentIndex < 256) {
        colours[static_cast<std::size_t>(transparentIndex)] = back;
    }

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    const auto readRow = [&](int row) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
            return Refuse(reason, gif->Error);
        }
        std::uint8_t* out = canvas.Row(frame.Top + row) + 3 * static_cast<std::size_t>(frame.Left);
        for (const GifPixelType index : line) {
            const Rgb rgb = colours[index];
            out[0] = rgb.r;
            out[1] = rgb.g;
            out[2] = rgb.b;
            out += 3;
        }
        return true;
    };
    if (frame.Interlace) {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < frame.Height; row += kStep[pass]) {
                if (!readRow(row)) {
                    return false;
                }
            }
        }
    } else {
        for (int row = 0; row < frame.Height; ++row) {
            if (!readRow(row)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool DecodeGif(std::FILE* file, Canvas& canvas, Colour backColour, std::string& reason) {
    int error = 0;
    const GifReader gif(DGifOpen(file, ReadFromFile, &error));
    if (!gif) {
        return Refuse(reason, error);
    }
    return ReadFirstImage(gif.get(), canvas, backColour, reason);
}

} // namespace kalvimo::codecs
