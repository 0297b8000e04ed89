#include "codec_internal.h"
#include "codec_table.h"

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <tiffio.h>
#include <vector>

namespace kalvimo::codecs {

namespace {

// Deflate, LZMA and Zstandard, the strongest of the compressions a TIFF may use, turn a byte into
// at most a few thousand for any picture with more than one colour to it.
constexpr std::int64_t kBitsPerByte = std::int64_t{1} << 15;
// What libtiff may take in one piece, for a strip or a tile; more is refused as damage.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{256} << 20;
// Rows are turned into RGB this many pixels at a time at most, whatever the strips hold.
constexpr std::int64_t kChunkPixels = std::int64_t{1} << 22;

struct Input {
    std::FILE* file = nullptr;
    std::int64_t size = 0;
    // The first error libtiff reports is the one worth telling.
    std::string message;
};

int OnError(TIFF*, void* data, const char*, const char* format, va_list args) {
    auto* input = static_cast<Input*>(data);
    if (input->message.empty()) {
        char text[200] = {};
        std::vsnprintf(text, sizeof text, format, args);
        input->message = text;
    }
    return 1;
}

int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

tmsize_t Read(thandle_t handle, void* buffer, tmsize_t size) {
    auto* input = static_cast<Input*>(handle);
    return static_cast<tmsize_t>(
        std::fread(buffer, 1, static_cast<std::size_t>(size), input->file));
}

tmsize_t Write(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
    auto* input = static_cast<Input*>(handle);
    if (offset > static_cast<toff_t>(INT64_MAX) ||
        ::fseeko(input->file, static_cast<off_t>(offset), whence) != 0) {
        return static_cast<toff_t>(-1);
    }
    return static_cast<toff_t>(::ftello(input->file));
}

int Close(thandle_t) {
    return 0;
}

toff_t Size(thandle_t handle) {
    return static_cast<toff_t>(static_cast<Input*>(handle)->size);
}

int Map(thandle_t, void**, toff_t*) {
    return 0;
}

void Unmap(thandle_t, void*, toff_t) {}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct ImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

bool Refuse(std::string& reason, const Input& input, const char* fallback) {
    reason = input.message.empty() ? fallback : input.message;
    return false;
}

// The rows of the first page, as stored: the Orientation tag is the EXIF orientation that the
// run applies, so libtiff is asked to leave the order alone. libtiff hands out colours already
// multiplied by their opacity, whatever kind of alpha the file holds.
bool ReadPage(TIFF* tiff, Input& input, Canvas& canvas, Rgb back, std::string& reason) {
    char message[1024] = {};
    if (TIFFRGBAImageOK(tiff, message) == 0) {
        reason = message;
        return false;
    }
    // Read from a stream, libtiff rounds its buffer for a tile up to whole KiB and then refuses an
    // uncompressed tile of any other size as damaged; a buffer of our own keeps the tile's size.
    std::vector<std::uint8_t> tileBuffer;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (TIFFIsTiled(tiff) != 0 && compression == COMPRESSION_NONE) {
        const tmsize_t tileSize = TIFFTileSize(tiff);
        if (tileSize <= 0 || tileSize > kMaxSingleAllocation) {
            return Refuse(reason, input, "the picture data is damaged");
        }
        tileBuffer.resize(static_cast<std::size_t>(tileSize));
        TIFFReadBufferSetup(tiff, tileBuffer.data(), tileSize);
    }
    TIFFRGBAImage image{};
    if (TIFFRGBAImageBegin(&image, tiff, 1, message) == 0) {
        reason = message;
        return false;
    }
    const std::unique_ptr<TIFFRGBAImage, ImageEnd> ending(&image);
    image.req_orientation = image.orientation;
    const std::int64_t width = image.width;
    const std::int64_t height = image.height;
    const std::int64_t bitsPerPixel =
        std::max<std::int64_t>(1, std::int64_t{image.bitspersample} * image.samplesperpixel);
    if (!SizeIsPlausible(width, height, kMaxDecodedPixels, input.size,
                         std::max<std::int64_t>(1, kBitsPerByte / bitsPerPixel), reason)) {
        return false;
    }
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reason = TooLargeReason(width, height);
        return false;
    }
    std::uint32_t profileSize = 0;
    const void* profile = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &profileSize, &profile) == 1 && profile != nullptr) {
        const auto* bytes = static_cast<const std::uint8_t*>(profile);
        canvas.SetIccProfile({bytes, bytes + profileSize});
    }
    const std::int64_t chunkRows = std::clamp<std::int64_t>(kChunkPixels / width, 1, height);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(width * chunkRows));
    for (std::int64_t top = 0; top < height; top += chunkRows) {
        const std::int64_t rows = std::min(chunkRows, height - top);
        image.row_offset = static_cast<int>(top);
        if (TIFFRGBAImageGet(&image, raster.data(), static_cast<std::uint32_t>(width),
                             static_cast<std::uint32_t>(rows)) == 0) {
            return Refuse(reason, input, "the picture data is damaged");
        }
        for (std::int64_t y = 0; y < rows; ++y) {
            std::uint8_t* out = canvas.Row(static_cast<int>(top + y));
            const std::uint32_t* in = raster.data() + y * width;
            for (std::int64_t x = 0; x < width; ++x, out += 3) {
                const std::uint32_t pixel = in[x];
                const Rgb rgb{static_cast<std::uint8_t>(TIFFGetR(pixel)),
                              static_cast<std::uint8_t>(TIFFGetG(pixel)),
                              static_cast<std::uint8_t>(TIFFGetB(pixel))};
                const auto alpha = static_cast<int>(TIFFGetA(pixel));
                // Most pictures are opaque: no blend for them.
                const Rgb shown =
                    alpha == 255 ? rgb : PremultipliedOverBackground(rgb, alpha, back);
                out[0] = shown.r;
                out[1] = shown.g;
                out[2] = shown.b;
            }
        }
    }
    return true;
}

bool IsTiff(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kIntel[] = {'I', 'I', 42, 0};
    static constexpr std::uint8_t kMotorola[] = {'M', 'M', 0, 42};
    static constexpr std::uint8_t kBigIntel[] = {'I', 'I', 43, 0};
    static constexpr std::uint8_t kBigMotorola[] = {'M', 'M', 0, 43};
    return StartsWith(head, kIntel) || StartsWith(head, kMotorola) || StartsWith(head, kBigIntel) ||
           StartsWith(head, kBigMotorola);
}

bool DecodeTiff(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
                std::string& reason) {
    Input input{file, fileSize, {}};
    const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) {
        reason = "not enough memory";
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &input);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &input);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
    // "m" keeps libtiff from mapping the file: it is read through the open stream alone.
    const std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt(
        "picture", "rm", &input, Read, Write, Seek, Close, Size, Map, Unmap, options.get()));
    if (!tiff) {
        return Refuse(reason, input, "the file is damaged");
    }
    return ReadPage(tiff.get(), input, canvas, ToRgb(backColour), reason);
}

} // namespace

constinit const PictureReader kTiffReader{.format = PictureFormat::Tiff,
                                          .name = "TIFF",
                                          .matches = IsTiff,
                                          .extensions = "*.tif;*.tiff",
                                          .decode = DecodeTiff};

} // namespace kalvimo::codecs
