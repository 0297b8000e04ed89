#include "phone_pictures.h"

#include <array>
#include <exiv2/exiv2.hpp>
#include <fstream>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#include <memory>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace kalvimo::test {

namespace {

// RGBA rows of picture, the left half at leftAlpha.
std::vector<std::uint8_t> Rgba(const Canvas& picture, int leftAlpha) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb c = picture.Pixel(x, y);
            const int alpha = x < picture.Width() / 2 ? leftAlpha : 255;
            rgba.insert(rgba.end(), {c.r, c.g, c.b, static_cast<std::uint8_t>(alpha)});
        }
    }
    return rgba;
}

#define HEIF_OK(call) ASSERT_EQ((call).code, heif_error_Ok) << #call

} // namespace

// x265, behind libheif's HEIC encoder, keeps an allocation until the process ends and offers no
// call that frees it; the leak checker of the sanitizer builds is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libx265.so\n";
}

std::string ExifBlock(const std::vector<std::pair<std::string, std::string>>& properties) {
    Exiv2::ExifData exif;
    for (const auto& [key, value] : properties) {
        exif[key] = value;
    }
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
    return {blob.begin(), blob.end()};
}

void WriteHeif(const std::string& path, const Canvas& picture, const HeifOptions& options) {
    const bool alpha = options.leftAlpha != 255;
    const int width = picture.Width();
    const int height = picture.Height();
    heif_init(nullptr);
    std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                   heif_context_free);
    heif_image* rawImage = nullptr;
    HEIF_OK(heif_image_create(width, height, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                              &rawImage));
    std::unique_ptr<heif_image, void (*)(const heif_image*)> image(rawImage, heif_image_release);
    HEIF_OK(heif_image_add_plane(image.get(), heif_channel_interleaved, width, height, 8));
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const std::vector<std::uint8_t> rgba = Rgba(picture, options.leftAlpha);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in =
            alpha ? &rgba[static_cast<std::size_t>(y) * width * 4] : picture.Row(y);
        std::copy_n(in, width * (alpha ? 4 : 3), plane + y * stride);
    }
    if (!options.iccProfile.empty()) {
        HEIF_OK(heif_image_set_raw_color_profile(image.get(), "prof", options.iccProfile.data(),
                                                 options.iccProfile.size()));
    }
    heif_encoder* rawEncoder = nullptr;
    HEIF_OK(heif_context_get_encoder_for_format(
        context.get(), options.av1 ? heif_compression_AV1 : heif_compression_HEVC, &rawEncoder));
    std::unique_ptr<heif_encoder, void (*)(heif_encoder*)> encoder(rawEncoder,
                                                                   heif_encoder_release);
    heif_encoder_set_logging_level(encoder.get(), 0);
    HEIF_OK(heif_encoder_set_lossy_quality(encoder.get(), 95));
    std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> encoding(
        heif_encoding_options_alloc(), heif_encoding_options_free);
    encoding->image_orientation = static_cast<heif_orientation>(options.orientation);
    heif_image_handle* handle = nullptr;
    HEIF_OK(heif_context_encode_image(context.get(), image.get(), encoder.get(), encoding.get(),
                                      &handle));
    if (!options.exif.empty()) {
        HEIF_OK(heif_context_add_exif_metadata(context.get(), handle, options.exif.data(),
                                               static_cast<int>(options.exif.size())));
    }
    heif_image_handle_release(handle);
    HEIF_OK(heif_context_write_to_file(context.get(), path.c_str()));
}

void WriteWebp(const std::string& path, const Canvas& picture, const WebpOptions& options) {
    const int width = picture.Width();
    const int height = picture.Height();
    WebPConfig config;
    ASSERT_TRUE(WebPConfigInit(&config));
    config.lossless = options.lossless ? 1 : 0;
    config.quality = options.lossless ? 100 : 95;
    // Lossless keeps the colour under a transparent pixel only when asked to.
    config.exact = 1;
    WebPAnimEncoderOptions animation;
    ASSERT_TRUE(WebPAnimEncoderOptionsInit(&animation));
    std::unique_ptr<WebPAnimEncoder, void (*)(WebPAnimEncoder*)> encoder(
        WebPAnimEncoderNew(width, height, &animation), WebPAnimEncoderDelete);
    const auto add = [&](const std::vector<std::uint8_t>& rgba, int timestamp) {
        WebPPicture frame;
        ASSERT_TRUE(WebPPictureInit(&frame));
        frame.use_argb = 1;
        frame.width = width;
        frame.height = height;
        EXPECT_TRUE(WebPPictureImportRGBA(&frame, rgba.data(), width * 4));
        EXPECT_TRUE(WebPAnimEncoderAdd(encoder.get(), &frame, timestamp, &config));
        WebPPictureFree(&frame);
    };
    const std::vector<std::uint8_t> rgba = Rgba(picture, options.leftAlpha);
    add(rgba, 0);
    if (options.animated) {
        add(std::vector<std::uint8_t>(rgba.size(), 0), 100);
    }
    ASSERT_TRUE(WebPAnimEncoderAdd(encoder.get(), nullptr, options.animated ? 200 : 100, nullptr));
    WebPData data;
    WebPDataInit(&data);
    ASSERT_TRUE(WebPAnimEncoderAssemble(encoder.get(), &data));
    std::unique_ptr<WebPMux, void (*)(WebPMux*)> mux(WebPMuxCreate(&data, 1), WebPMuxDelete);
    WebPDataClear(&data);
    ASSERT_TRUE(mux);
    for (const auto& [fourcc, bytes] :
         {std::pair{"EXIF", &options.exif}, std::pair{"ICCP", &options.iccProfile}}) {
        const WebPData chunk{reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()};
        ASSERT_TRUE(bytes->empty() || WebPMuxSetChunk(mux.get(), fourcc, &chunk, 1) == WEBP_MUX_OK);
    }
    ASSERT_EQ(WebPMuxAssemble(mux.get(), &data), WEBP_MUX_OK);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.bytes), static_cast<std::streamsize>(data.size));
    WebPDataClear(&data);
    ASSERT_TRUE(out) << path;
}

void WriteTiff(const std::string& path, const Canvas& picture, const TiffOptions& options) {
    const int width = picture.Width();
    const int height = picture.Height();
    const int bits = options.bitsPerSample;
    std::unique_ptr<TIFF, void (*)(TIFF*)> tiff(TIFFOpen(path.c_str(), "w"), TIFFClose);
    ASSERT_TRUE(tiff) << path;
    TIFF* t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ORIENTATION, options.orientation);
    TIFFSetField(t, TIFFTAG_COMPRESSION, options.deflate ? COMPRESSION_ADOBE_DEFLATE : 1);
    // Samples and photometric interpretation of each layout, in TiffLayout's order.
    const int layout = static_cast<int>(options.layout);
    const int samples = std::array{3, 4, 1, 1, 4}[layout];
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                 std::array{PHOTOMETRIC_RGB, PHOTOMETRIC_RGB, PHOTOMETRIC_MINISBLACK,
                            PHOTOMETRIC_PALETTE, PHOTOMETRIC_SEPARATED}[layout]);
    if (options.layout == TiffLayout::RgbAlpha) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
    } else if (options.layout == TiffLayout::Cmyk) {
        TIFFSetField(t, TIFFTAG_INKSET, INKSET_CMYK);
    } else if (options.layout == TiffLayout::Palette) {
        std::vector<std::uint16_t> red(1U << bits), green(red.size()), blue(red.size());
        for (std::size_t i = 0; i < red.size(); ++i) {
            red[i] = static_cast<std::uint16_t>(i * 257);
            green[i] = static_cast<std::uint16_t>((255 - i) * 257);
            blue[i] = 128 * 257;
        }
        TIFFSetField(t, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    if (!options.dateTime.empty()) {
        TIFFSetField(t, TIFFTAG_DATETIME, options.dateTime.c_str());
    }
    if (!options.iccProfile.empty()) {
        TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<std::uint32_t>(options.iccProfile.size()),
                     options.iccProfile.data());
    }
    // Grey and palette samples are the red, CMYK ones the complement with no black; 16-bit
    // samples carry the 8-bit value in both bytes, so that they read back exactly; a tile's part
    // past the picture is zero.
    const std::vector<std::uint8_t> rgba = Rgba(picture, options.leftAlpha);
    const bool cmyk = options.layout == TiffLayout::Cmyk;
    const auto putPixel = [&](std::vector<std::uint8_t>& out, int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 4;
        for (int s = 0; s < samples; ++s) {
            const int rgb = x < width && y < height ? rgba[at + (samples == 1 ? 0 : s)] : -1;
            const int value = rgb < 0 ? 0 : !cmyk ? rgb : s < 3 ? 255 - rgb : 0;
            out.insert(out.end(), bits == 16 ? 2 : 1, static_cast<std::uint8_t>(value));
        }
    };
    // Strips of five rows are written a row at a time, tiles whole.
    const int blockWidth = options.tiled ? 16 : width;
    const int blockHeight = options.tiled ? 16 : 1;
    if (options.tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, blockWidth);
        TIFFSetField(t, TIFFTAG_TILELENGTH, blockHeight);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 5);
    }
    for (int top = 0; top < height; top += blockHeight) {
        for (int left = 0; left < width; left += blockWidth) {
            std::vector<std::uint8_t> block;
            for (int i = 0; i < blockWidth * blockHeight; ++i) {
                putPixel(block, left + i % blockWidth, top + i / blockWidth);
            }
            const auto x = static_cast<std::uint32_t>(left);
            const auto y = static_cast<std::uint32_t>(top);
            ASSERT_NE(options.tiled ? TIFFWriteTile(t, block.data(), x, y, 0, 0)
                                    : TIFFWriteScanline(t, block.data(), y),
                      -1);
        }
    }
}

} // namespace kalvimo::test
