#include "codec_internal.h"
#include "codec_table.h"

#include <cstring>
#include <png.h>
#include <vector>

namespace kalvimo::codecs {

namespace {

// Only the palette, transparency and ICC profile chunks are kept besides the pixels; this caps
// what libpng may allocate for one of them (a camera's profile with tables runs to some hundred
// kilobytes).
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;
// Deflate turns one byte into at most 1032 (a 258-byte match costs at least two bits).
constexpr std::int64_t kDeflateRatio = 1032;

// Owns everything with a destructor, so that the function holding setjmp has none.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_byte> pixels;
    std::vector<png_bytep> rows;
    // Written by the error handler, where nothing may allocate; the size check's reason is kept
    // apart.
    char message[200] = {};
    std::string reason;

    PngReader() = default;
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    // A short read is all libpng's stdio reading reports.
    const bool shortRead = std::strcmp(message, "Read Error") == 0;
    std::snprintf(reader->message, sizeof reader->message, "%s", shortRead ? kEndsEarly : message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Picks libpng's conversions to 8-bit RGB, with alpha when the file has any; true for alpha.
bool SetUpTransforms(png_structp png, png_infop info) {
    const int colourType = png_get_color_type(png, info);
    const bool alpha =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_expand(png);
    png_set_scale_16(png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    return alpha;
}

void Composite(const png_byte* rgba, std::uint8_t* rgb, int width, Rgb back) {
    for (int x = 0; x < width; ++x, rgba += 4, rgb += 3) {
        const Rgb out = OverBackground({rgba[0], rgba[1], rgba[2]}, rgba[3], back);
        rgb[0] = out.r;
        rgb[1] = out.g;
        rgb[2] = out.b;
    }
}

// Rows go straight into the canvas unless there is alpha to composite. Interlaced alpha pictures
// need the whole RGBA picture, since every pass adds to all rows.
void ReadRows(PngReader& reader, bool alpha, Canvas& canvas, Rgb back) {
    const int height = canvas.Height();
    const int width = canvas.Width();
    const int passes = png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    // The rows below are written with this width, so a mismatch must never get through.
    if (png_get_rowbytes(reader.png, reader.info) !=
        static_cast<std::size_t>(width) * (alpha ? 4 : 3)) {
        png_error(reader.png, "unexpected pixel layout");
    }
    if (!alpha) {
        reader.rows.resize(static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            reader.rows[static_cast<std::size_t>(y)] = canvas.Row(y);
        }
        png_read_image(reader.png, reader.rows.data());
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    if (passes == 1) {
        reader.pixels.resize(rowBytes);
        for (int y = 0; y < height; ++y) {
            png_read_row(reader.png, reader.pixels.data(), nullptr);
            Composite(reader.pixels.data(), canvas.Row(y), width, back);
        }
        return;
    }
    reader.pixels.resize(rowBytes * static_cast<std::size_t>(height));
    reader.rows.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        reader.rows[static_cast<std::size_t>(y)] = reader.pixels.data() + rowBytes * y;
    }
    png_read_image(reader.png, reader.rows.data());
    for (int y = 0; y < height; ++y) {
        Composite(reader.rows[static_cast<std::size_t>(y)], canvas.Row(y), width, back);
    }
}

// Holds only trivially destructible locals: libpng leaves it by longjmp.
bool Decode(PngReader& reader, std::FILE* file, std::int64_t fileSize, Canvas& canvas, Rgb back) {
    if (setjmp(png_jmpbuf(reader.png)) != 0) {
        return false;
    }
    png_init_io(reader.png, file);
    png_set_chunk_malloc_max(reader.png, kMaxChunkBytes);
    // Text and the rest do not change the pixels: skipped unread, whatever size they claim
    // (libpng only warns of an oversized chunk while reading). The ICC profile tells their
    // colours; sRGB and gamma chunks alone say sRGB, which a picture without a profile is.
    png_set_keep_unknown_chunks(reader.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static constexpr png_byte kProfileChunk[] = "iCCP";
    png_set_keep_unknown_chunks(reader.png, PNG_HANDLE_CHUNK_AS_DEFAULT, kProfileChunk, 1);
    png_read_info(reader.png, reader.info);
    // The header is checked; a wrong checksum on the pixel data is the kind of damage others
    // read past, and the data itself is checked by zlib.
    png_set_crc_action(reader.png, PNG_CRC_WARN_USE, PNG_CRC_WARN_DISCARD);
    const png_uint_32 width = png_get_image_width(reader.png, reader.info);
    const png_uint_32 height = png_get_image_height(reader.png, reader.info);
    const int bitsPerPixel =
        png_get_bit_depth(reader.png, reader.info) * png_get_channels(reader.png, reader.info);
    if (!SizeIsPlausible(width, height, kMaxDecodedPixels, fileSize,
                         kDeflateRatio * 8 / bitsPerPixel, reader.reason)) {
        return false;
    }
    // An interlaced picture with alpha is read whole before it is put on the background.
    const bool interlaced = png_get_interlace_type(reader.png, reader.info) != PNG_INTERLACE_NONE;
    ReserveWholePicture(width, height, interlaced ? 4 : 0);
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reader.reason = TooLargeReason(width, height);
        return false;
    }
    const bool alpha = SetUpTransforms(reader.png, reader.info);
    ReadRows(reader, alpha, canvas, back);
    // What follows the pixels does not matter to the picture, so trailing damage is ignored.
    return true;
}

bool IsPng(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return StartsWith(head, kSignature);
}

bool DecodePng(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason) {
    PngReader reader;
    reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, OnError, OnWarning);
    if (reader.png != nullptr) {
        reader.info = png_create_info_struct(reader.png);
    }
    if (reader.info == nullptr) {
        reason = "not enough memory";
        return false;
    }
    const bool ok = Decode(reader, file, fileSize, canvas, ToRgb(backColour));
    if (!ok) {
        reason = reader.reason.empty() ? std::string(reader.message) : reader.reason;
        return false;
    }
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(reader.png, reader.info, &name, &compression, &profile, &length) != 0 &&
        profile != nullptr) {
        canvas.SetIccProfile(std::vector<std::uint8_t>(profile, profile + length));
    }
    return true;
}

} // namespace

constinit const PictureReader kPngReader{.format = PictureFormat::Png,
                                         .name = "PNG",
                                         .matches = IsPng,
                                         .extensions = "*.png",
                                         .decode = DecodePng};

} // namespace kalvimo::codecs
