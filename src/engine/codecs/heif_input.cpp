#include "heif_input.h"

#include "../memory_budget.h"
#include "codec_internal.h"
#include "heif_coded_size.h"
#include "hevc_decoder_plugin.h"

#include <algorithm>
#include <libheif/heif.h>
#include <span>
#include <utility>

namespace kalvimo::codecs {

namespace {

// Even a picture of one colour costs x265 about three bytes for each block of 64 x 64 pixels
// (1,400 pixels a byte); this leaves room for encoders three times as frugal.
constexpr std::int64_t kPixelsPerByte = 4096;
// The coded picture may exceed the stated size by the rounding of its blocks.
constexpr std::int64_t kCodedPadding = 64;

struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

bool Refuse(const heif_error& error, std::string& reason) {
    if (error.subcode == heif_suberror_Security_limit_exceeded) {
        // libheif's own limit, met before the picture's size is known here.
        reason = "the picture is too large";
    } else if (error.code == heif_error_Memory_allocation_error) {
        reason = "not enough memory";
    } else if (error.subcode == heif_suberror_End_of_data) {
        reason = kEndsEarly;
    } else {
        reason = error.message != nullptr && *error.message != '\0' ? error.message
                                                                    : "the file is damaged";
    }
    return false;
}

} // namespace

void HeifContextFree::operator()(heif_context* context) const {
    heif_context_free(context);
}

void HeifImageRelease::operator()(heif_image* image) const {
    heif_image_release(image);
}

bool StartHeif() {
    static const bool started = [] {
        const bool ok = heif_init(nullptr).code == heif_error_Ok;
        if (ok) {
            RegisterHevcDecoder();
        }
        return ok;
    }();
    return started;
}

bool HeifPicture::Decode(std::FILE* file, std::int64_t fileSize, std::string& reason) {
    Clear();
    if (!StartHeif()) {
        reason = "the HEIF library could not start";
        return false;
    }
    bytes_.resize(static_cast<std::size_t>(fileSize));
    bytes_.resize(std::fread(bytes_.data(), 1, bytes_.size(), file));
    context_.reset(heif_context_alloc());
    if (!context_) {
        reason = "not enough memory";
        return false;
    }
    // The batch decodes a picture per processor; the tiles of a grid take turns on this thread,
    // which also keeps the choice of HEVC decoder with it.
    heif_context_set_max_decoding_threads(context_.get(), 0);
    heif_error error = heif_context_read_from_memory_without_copy(context_.get(), bytes_.data(),
                                                                  bytes_.size(), nullptr);
    if (error.code != heif_error_Ok) {
        return Refuse(error, reason);
    }
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context_.get(), &rawHandle);
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
    if (error.code != heif_error_Ok) {
        return Refuse(error, reason);
    }
    const std::int64_t width = heif_image_handle_get_width(handle.get());
    const std::int64_t height = heif_image_handle_get_height(handle.get());
    const std::span<const std::uint8_t> bytes(bytes_);
    if (!SizeIsPlausible(width, height, kMaxDecodedPixels, fileSize, kPixelsPerByte, reason)) {
        return false;
    }
    // The size before any cut or turn, which the coded pictures (grid tiles, the alpha plane, a
    // thumbnail) may reach but not pass.
    std::int64_t codedWidth = heif_image_handle_get_ispe_width(handle.get());
    std::int64_t codedHeight = heif_image_handle_get_ispe_height(handle.get());
    if (codedWidth <= 0 || codedHeight <= 0) {
        codedWidth = width;
        codedHeight = height;
    }
    if (!SizeIsPlausible(codedWidth, codedHeight, kMaxDecodedPixels, fileSize, kPixelsPerByte,
                         reason)) {
        return false;
    }
    if (LargestConfiguredPicture(bytes) >
        (codedWidth + kCodedPadding) * (codedHeight + kCodedPadding)) {
        reason = "it codes a larger picture than it states";
        return false;
    }
    // The decoder's picture and its copy as planes of RGB, 1.5 and 3 bytes a pixel, and the
    // decoder's own pictures of reference.
    MemoryBudget::Reserve(codedWidth * codedHeight * 6);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(
        heif_decoding_options_alloc());
    if (!options) {
        reason = "not enough memory";
        return false;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    // Planes, not interleaved samples: libheif makes the planes on the way anyway.
    const auto decode = [&] {
        TakeHevcRefusal();
        return heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_444,
                                 options.get());
    };
    error = decode();
    if (error.code != heif_error_Ok && TakeHevcRefusal()) {
        const HevcFallback fallback;
        error = decode();
    }
    image_.reset(rawImage);
    if (error.code != heif_error_Ok) {
        Clear();
        return Refuse(error, reason);
    }
    // The rows are read with the size checked here, so nothing smaller may get through. An
    // encoder may pad the picture to its smallest coding block without saying the padding is to
    // be cut; the stated size is what the picture is.
    constexpr std::int64_t kCodingBlock = 8;
    const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B,
                                     heif_channel_Alpha};
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        planes_[c] = heif_image_get_plane_readonly(image_.get(), channels[c], &strides_[c]);
        const std::int64_t decodedWidth = heif_image_get_width(image_.get(), channels[c]);
        const std::int64_t decodedHeight = heif_image_get_height(image_.get(), channels[c]);
        if (planes_[c] == nullptr || decodedWidth < width || decodedWidth >= width + kCodingBlock ||
            decodedHeight < height || decodedHeight >= height + kCodingBlock ||
            heif_image_get_bits_per_pixel_range(image_.get(), channels[c]) != 8 ||
            strides_[c] < width) {
            Clear();
            reason = "the picture data does not match its stated size";
            return false;
        }
    }
    const heif_color_profile_type profileType =
        heif_image_handle_get_color_profile_type(handle.get());
    if (profileType == heif_color_profile_type_prof ||
        profileType == heif_color_profile_type_rICC) {
        profile_.resize(heif_image_handle_get_raw_color_profile_size(handle.get()));
        if (profile_.empty() ||
            heif_image_handle_get_raw_color_profile(handle.get(), profile_.data()).code !=
                heif_error_Ok) {
            profile_.clear();
        }
    }
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    alpha_ = alpha;
    premultiplied_ = heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    // The coded data is no longer needed; the planes hold the picture.
    context_.reset();
    bytes_ = {};
    return true;
}

void HeifPicture::Clear() {
    image_.reset();
    context_.reset();
    bytes_ = {};
    profile_.clear();
    width_ = 0;
    height_ = 0;
    std::fill(std::begin(planes_), std::end(planes_), nullptr);
}

void HeifPicture::Row(int y, int first, int end, Rgb back, std::uint8_t* out) const {
    const auto at = [&](int c) {
        return planes_[c] + static_cast<std::ptrdiff_t>(strides_[c]) * y;
    };
    const std::uint8_t* r = at(0);
    const std::uint8_t* g = at(1);
    const std::uint8_t* b = at(2);
    if (!alpha_) {
        for (int x = first; x < end; ++x, out += 3) {
            out[0] = r[x];
            out[1] = g[x];
            out[2] = b[x];
        }
        return;
    }
    const std::uint8_t* a = at(3);
    for (int x = first; x < end; ++x, out += 3) {
        const Rgb rgb = premultiplied_ ? PremultipliedOverBackground({r[x], g[x], b[x]}, a[x], back)
                                       : OverBackground({r[x], g[x], b[x]}, a[x], back);
        out[0] = rgb.r;
        out[1] = rgb.g;
        out[2] = rgb.b;
    }
}

} // namespace kalvimo::codecs
