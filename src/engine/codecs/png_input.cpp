#include "png_input.h"

#include "codec_internal.h"

#include <cstring>

namespace kalvimo::codecs {

namespace {

// Only the palette, transparency and ICC profile chunks are kept besides the pixels; this caps
// what libpng may allocate for one of them (a camera's profile with tables runs to some hundred
// kilobytes).
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;
// Deflate turns one byte into at most 1032 (a 258-byte match costs at least two bits).
constexpr std::int64_t kDeflateRatio = 1032;

void OnWarning(png_structp, png_const_charp) {}

} // namespace

void PngInput::OnError(png_structp png, png_const_charp message) {
    auto* input = static_cast<PngInput*>(png_get_error_ptr(png));
    // A short read is all libpng's stdio reading reports.
    const bool shortRead = std::strcmp(message, "Read Error") == 0;
    std::snprintf(input->message_, sizeof input->message_, "%s", shortRead ? kEndsEarly : message);
    png_longjmp(png, 1);
}

PngInput::~PngInput() {
    png_destroy_read_struct(&png_, &info_, nullptr);
}

bool PngInput::Fail(std::string& reason) {
    reason = sizeReason_.empty() ? std::string(message_) : sizeReason_;
    return false;
}

// Only trivially destructible locals from here on where setjmp is: libpng leaves by longjmp.
bool PngInput::Begin(std::FILE* file, std::int64_t fileSize, std::string& reason) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
    if (png_ != nullptr) {
        info_ = png_create_info_struct(png_);
    }
    if (info_ == nullptr) {
        reason = "not enough memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png_)) != 0) {
        return Fail(reason);
    }
    png_init_io(png_, file);
    png_set_chunk_malloc_max(png_, kMaxChunkBytes);
    // Text and the rest do not change the pixels: skipped unread, whatever size they claim
    // (libpng only warns of an oversized chunk while reading). The ICC profile tells their
    // colours; sRGB and gamma chunks alone say sRGB, which a picture without a profile is.
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static constexpr png_byte kProfileChunk[] = "iCCP";
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_AS_DEFAULT, kProfileChunk, 1);
    png_read_info(png_, info_);
    // The header is checked; a wrong checksum on the pixel data is the kind of damage others
    // read past, and the data itself is checked by zlib.
    png_set_crc_action(png_, PNG_CRC_WARN_USE, PNG_CRC_WARN_DISCARD);
    const png_uint_32 width = png_get_image_width(png_, info_);
    const png_uint_32 height = png_get_image_height(png_, info_);
    const int bitsPerPixel = png_get_bit_depth(png_, info_) * png_get_channels(png_, info_);
    if (!SizeIsPlausible(width, height, kMaxDecodedPixels, fileSize,
                         kDeflateRatio * 8 / bitsPerPixel, sizeReason_)) {
        return Fail(reason);
    }
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    // libpng's conversions to 8-bit RGB, with alpha when the file has any.
    const int colourType = png_get_color_type(png_, info_);
    alpha_ =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
    png_set_expand(png_);
    png_set_scale_16(png_);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png_);
    }
    interlaced_ = png_set_interlace_handling(png_) > 1;
    png_read_update_info(png_, info_);
    // The rows are read with this width, so a mismatch must never get through.
    if (png_get_rowbytes(png_, info_) != static_cast<std::size_t>(RowBytes())) {
        png_error(png_, "unexpected pixel layout");
    }
    return true;
}

bool PngInput::ReadRow(std::uint8_t* row, std::string& reason) {
    if (setjmp(png_jmpbuf(png_)) != 0) {
        return Fail(reason);
    }
    png_read_row(png_, row, nullptr);
    return true;
}

bool PngInput::ReadImage(std::uint8_t** rows, std::string& reason) {
    if (setjmp(png_jmpbuf(png_)) != 0) {
        return Fail(reason);
    }
    png_read_image(png_, rows);
    // What follows the pixels does not matter to the picture, so trailing damage is ignored.
    return true;
}

std::vector<std::uint8_t> PngInput::IccProfile() const {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(png_, info_, &name, &compression, &profile, &length) == 0 ||
        profile == nullptr) {
        return {};
    }
    return {profile, profile + length};
}

void CompositePngRow(const std::uint8_t* rgba, std::uint8_t* rgb, int width, Rgb back) {
    for (int x = 0; x < width; ++x, rgba += 4, rgb += 3) {
        const Rgb out = OverBackground({rgba[0], rgba[1], rgba[2]}, rgba[3], back);
        rgb[0] = out.r;
        rgb[1] = out.g;
        rgb[2] = out.b;
    }
}

} // namespace kalvimo::codecs
