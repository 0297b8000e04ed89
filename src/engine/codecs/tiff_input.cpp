#include "tiff_input.h"

#include "codec_internal.h"

#include <algorithm>
#include <cstdarg>

namespace kalvimo::codecs {

namespace {

// Deflate, LZMA and Zstandard, the strongest of the compressions a TIFF may use, turn a byte into
// at most a few thousand for any picture with more than one colour to it.
constexpr std::int64_t kBitsPerByte = std::int64_t{1} << 15;
// What libtiff may take in one piece, for a strip or a tile; more is refused as damage.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{256} << 20;

int OnError(TIFF*, void* data, const char*, const char* format, va_list args) {
    auto* input = static_cast<TiffInput*>(data);
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
    auto* input = static_cast<TiffInput*>(handle);
    return static_cast<tmsize_t>(
        std::fread(buffer, 1, static_cast<std::size_t>(size), input->file));
}

tmsize_t Write(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
    auto* input = static_cast<TiffInput*>(handle);
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
    return static_cast<toff_t>(static_cast<TiffInput*>(handle)->size);
}

int Map(thandle_t, void**, toff_t*) {
    return 0;
}

void Unmap(thandle_t, void*, toff_t) {}

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

} // namespace

TiffPtr OpenTiff(TiffInput& input) {
    const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) {
        input.message = "not enough memory";
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &input);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &input);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
    // "m" keeps libtiff from mapping the file: it is read through the open stream alone.
    return TiffPtr(TIFFClientOpenExt("picture", "rm", &input, Read, Write, Seek, Close, Size, Map,
                                     Unmap, options.get()));
}

std::string TiffReason(const TiffInput& input, const char* fallback) {
    return input.message.empty() ? fallback : input.message;
}

bool BeginTiffPage(TIFF* tiff, TiffInput& input, TIFFRGBAImage& image,
                   std::vector<std::uint8_t>& tileBuffer, std::string& reason) {
    char message[1024] = {};
    if (TIFFRGBAImageOK(tiff, message) == 0) {
        reason = message;
        return false;
    }
    // Read from a stream, libtiff rounds its buffer for a tile up to whole KiB and then refuses an
    // uncompressed tile of any other size as damaged; a buffer of our own keeps the tile's size.
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (TIFFIsTiled(tiff) != 0 && compression == COMPRESSION_NONE) {
        const tmsize_t tileSize = TIFFTileSize(tiff);
        if (tileSize <= 0 || tileSize > kMaxSingleAllocation) {
            reason = TiffReason(input, "the picture data is damaged");
            return false;
        }
        tileBuffer.resize(static_cast<std::size_t>(tileSize));
        TIFFReadBufferSetup(tiff, tileBuffer.data(), tileSize);
    }
    image = TIFFRGBAImage{};
    if (TIFFRGBAImageBegin(&image, tiff, 1, message) == 0) {
        reason = message;
        return false;
    }
    image.req_orientation = image.orientation;
    const std::int64_t bitsPerPixel =
        std::max<std::int64_t>(1, std::int64_t{image.bitspersample} * image.samplesperpixel);
    if (!SizeIsPlausible(image.width, image.height, kMaxDecodedPixels, input.size,
                         std::max<std::int64_t>(1, kBitsPerByte / bitsPerPixel), reason)) {
        TIFFRGBAImageEnd(&image);
        return false;
    }
    return true;
}

std::vector<std::uint8_t> TiffIccProfile(TIFF* tiff) {
    std::uint32_t size = 0;
    const void* profile = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &size, &profile) != 1 || profile == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(profile);
    return {bytes, bytes + size};
}

} // namespace kalvimo::codecs
