#include "codec_internal.h"
#include "codec_table.h"

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

// An LZW code of at most 12 bits stands for at most 4096 pixels.
constexpr std::int64_t kPixelsPerByte = 4096 * 8 / 12;

struct Input {
    std::FILE* file = nullptr;
    // giflib reads each block's length alone; a zero there inside the picture data means the
    // data stopped before the picture was complete.
    bool lastWasEmptyBlock = false;
};

int ReadFromFile(GifFileType* gif, GifByteType* buffer, int size) {
    auto* input = static_cast<Input*>(gif->UserData);
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(size), input->file);
    input->lastWasEmptyBlock = size == 1 && got == 1 && buffer[0] == 0;
    return static_cast<int>(got);
}

// Whether a failure to read the next row is picture data that stops early, within a file that
// goes on: other readers keep the rows before it, and so does this one.
bool DataStoppedEarly(GifFileType* gif) {
    return gif->Error == D_GIF_ERR_EOF_TOO_SOON ||
           (gif->Error == D_GIF_ERR_IMAGE_DEFECT &&
            static_cast<Input*>(gif->UserData)->lastWasEmptyBlock);
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

bool ReadFirstImage(GifFileType* gif, std::int64_t fileSize, Canvas& canvas, Colour backColour,
                    std::string& reason) {
    int transparentIndex = NO_TRANSPARENT_COLOR;
    if (!FindFirstImage(gif, transparentIndex, reason)) {
        return false;
    }
    GifImageDesc& frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0) {
        reason = "the picture size is not valid";
        return false;
    }
    if (!SizeIsPlausible(frame.Width, frame.Height, kMaxDecodedPixels, fileSize, kPixelsPerByte,
                         reason)) {
        return false;
    }
    // The screen grows to hold a frame that sticks out of it, rather than cutting the picture.
    // A screen far larger than the data could fill is only empty margin: the picture is then
    // the frame alone.
    std::int64_t width = std::max<std::int64_t>(gif->SWidth, frame.Left + frame.Width);
    std::int64_t height = std::max<std::int64_t>(gif->SHeight, frame.Top + frame.Height);
    std::string ignored;
    if (!SizeIsPlausible(width, height, kMaxDecodedPixels, fileSize, kPixelsPerByte, ignored)) {
        width = frame.Width;
        height = frame.Height;
        frame.Left = 0;
        frame.Top = 0;
    }
    ReserveWholePicture(width, height);
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reason = TooLargeReason(width, height);
        return false;
    }
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), backColour);

    std::array<Rgb, 256> colours = ColoursOf(gif);
    const Rgb back = ToRgb(backColour);
    if (transparentIndex >= 0 && transparentIndex < 256) {
        colours[static_cast<std::size_t>(transparentIndex)] = back;
    }

    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    int rowsRead = 0;
    bool stopped = false;
    const auto readRow = [&](int row) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) {
            stopped = rowsRead > 0 && DataStoppedEarly(gif);
            return stopped || Refuse(reason, gif->Error);
        }
        ++rowsRead;
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
        for (int pass = 0; pass < 4 && !stopped; ++pass) {
            for (int row = kStart[pass]; row < frame.Height && !stopped; row += kStep[pass]) {
                if (!readRow(row)) {
                    return false;
                }
            }
        }
    } else {
        for (int row = 0; row < frame.Height && !stopped; ++row) {
            if (!readRow(row)) {
                return false;
            }
        }
    }
    return true;
}

bool IsGif(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kGif87[] = {'G', 'I', 'F', '8', '7', 'a'};
    static constexpr std::uint8_t kGif89[] = {'G', 'I', 'F', '8', '9', 'a'};
    return StartsWith(head, kGif87) || StartsWith(head, kGif89);
}

bool DecodeGif(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason) {
    Input input{file};
    int error = 0;
    const GifReader gif(DGifOpen(&input, ReadFromFile, &error));
    if (!gif) {
        return Refuse(reason, error);
    }
    return ReadFirstImage(gif.get(), fileSize, canvas, backColour, reason);
}

} // namespace

constinit const PictureReader kGifReader{.format = PictureFormat::Gif,
                                         .name = "GIF",
                                         .matches = IsGif,
                                         .extensions = "*.gif",
                                         .decode = DecodeGif};

} // namespace kalvimo::codecs
