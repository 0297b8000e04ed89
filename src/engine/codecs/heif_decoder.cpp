#include "codec_internal.h"
#include "codec_table.h"
#include "heif_coded_size.h"
#include "hevc_decoder_plugin.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <libheif/heif.h>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace kalvimo::codecs {

namespace {

// Even a picture of one colour costs x265 about three bytes for each block of 64 x 64 pixels
// (1,400 pixels a byte); this leaves room for encoders three times as frugal.
constexpr std::int64_t kPixelsPerByte = 4096;
// The coded picture may exceed the stated size by the rounding of its blocks.
constexpr std::int64_t kCodedPadding = 64;

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleRelease {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease {
    void operator()(heif_image* image) const { heif_image_release(image); }
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

// The primary picture, turned and mirrored as the file says: its own transformations are part
// of the picture, so the EXIF orientation it may carry besides must not be applied again.
bool ReadPrimary(heif_context* context, std::span<const std::uint8_t> file, Canvas& canvas,
                 Rgb back, std::string& reason) {
    heif_image_handle* rawHandle = nullptr;
    heif_error error = heif_context_get_primary_image_handle(context, &rawHandle);
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
    if (error.code != heif_error_Ok) {
        return Refuse(error, reason);
    }
    const std::int64_t width = heif_image_handle_get_width(handle.get());
    const std::int64_t height = heif_image_handle_get_height(handle.get());
    const auto fileSize = static_cast<std::int64_t>(file.size());
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
    if (LargestConfiguredPicture(file) >
        (codedWidth + kCodedPadding) * (codedHeight + kCodedPadding)) {
        reason = "it codes a larger picture than it states";
        return false;
    }
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
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    if (error.code != heif_error_Ok) {
        return Refuse(error, reason);
    }
    // The rows below are read with the size checked here, so nothing smaller may get through.
    // An encoder may pad the picture to its smallest coding block without saying the padding is
    // to be cut; the stated size is what the picture is.
    constexpr std::int64_t kCodingBlock = 8;
    const heif_channel channels[] = {heif_channel_R, heif_channel_G, heif_channel_B,
                                     heif_channel_Alpha};
    const std::uint8_t* planes[4] = {};
    int strides[4] = {};
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        planes[c] = heif_image_get_plane_readonly(image.get(), channels[c], &strides[c]);
        const std::int64_t decodedWidth = heif_image_get_width(image.get(), channels[c]);
        const std::int64_t decodedHeight = heif_image_get_height(image.get(), channels[c]);
        if (planes[c] == nullptr || decodedWidth < width || decodedWidth >= width + kCodingBlock ||
            decodedHeight < height || decodedHeight >= height + kCodingBlock ||
            heif_image_get_bits_per_pixel_range(image.get(), channels[c]) != 8 ||
            strides[c] < width) {
            reason = "the picture data does not match its stated size";
            return false;
        }
    }
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reason = TooLargeReason(width, height);
        return false;
    }
    const heif_color_profile_type profileType =
        heif_image_handle_get_color_profile_type(handle.get());
    if (profileType == heif_color_profile_type_prof ||
        profileType == heif_color_profile_type_rICC) {
        std::vector<std::uint8_t> profile(
            heif_image_handle_get_raw_color_profile_size(handle.get()));
        if (!profile.empty() &&
            heif_image_handle_get_raw_color_profile(handle.get(), profile.data()).code ==
                heif_error_Ok) {
            canvas.SetIccProfile(std::move(profile));
        }
    }
    const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle.get()) != 0;
    for (int y = 0; y < height; ++y) {
        const auto row = [&](int c) {
            return planes[c] + static_cast<std::ptrdiff_t>(strides[c]) * y;
        };
        const std::uint8_t* r = row(0);
        const std::uint8_t* g = row(1);
        const std::uint8_t* b = row(2);
        std::uint8_t* out = canvas.Row(y);
        if (!alpha) {
            for (int x = 0; x < width; ++x, out += 3) {
                out[0] = r[x];
                out[1] = g[x];
                out[2] = b[x];
            }
            continue;
        }
        const std::uint8_t* a = row(3);
        for (int x = 0; x < width; ++x, out += 3) {
            const Rgb rgb = premultiplied
                                ? PremultipliedOverBackground({r[x], g[x], b[x]}, a[x], back)
                                : OverBackground({r[x], g[x], b[x]}, a[x], back);
            out[0] = rgb.r;
            out[1] = rgb.g;
            out[2] = rgb.b;
        }
    }
    return true;
}

// An ISO media file whose major brand is one of the still-picture brands of HEIF or AVIF; a
// video with the same box layout is not a picture.
bool IsHeif(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kFtyp[] = {'f', 't', 'y', 'p'};
    static constexpr std::array<const char*, 12> kBrands = {"heic", "heix", "heim", "heis",
                                                            "hevc", "hevx", "hevm", "hevs",
                                                            "mif1", "msf1", "avif", "avis"};
    if (head.size() < 12 || !StartsWith(head.subspan(4), kFtyp)) {
        return false;
    }
    return std::any_of(kBrands.begin(), kBrands.end(), [&](const char* brand) {
        return std::memcmp(head.data() + 8, brand, 4) == 0;
    });
}

bool DecodeHeif(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
                std::string& reason) {
    static const bool started = [] {
        const bool ok = heif_init(nullptr).code == heif_error_Ok;
        if (ok) {
            RegisterHevcDecoder();
        }
        return ok;
    }();
    if (!started) {
        reason = "the HEIF library could not start";
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(fileSize));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) {
        reason = "not enough memory";
        return false;
    }
    // The batch decodes a picture per processor; the tiles of a grid take turns on this thread,
    // which also keeps the choice of HEVC decoder with it.
    heif_context_set_max_decoding_threads(context.get(), 0);
    const heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes.data(),
                                                                        bytes.size(), nullptr);
    if (error.code != heif_error_Ok) {
        return Refuse(error, reason);
    }
    return ReadPrimary(context.get(), bytes, canvas, ToRgb(backColour), reason);
}

} // namespace

constinit const PictureReader kHeifReader{.format = PictureFormat::Heif,
                                          .name = "HEIF",
                                          .matches = IsHeif,
                                          .extensions = "*.heic;*.heif;*.avif",
                                          .decode = DecodeHeif};

} // namespace kalvimo::codecs
