#include "codecs_test_support.h"

#include <gif_lib.h>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace kalvimo::test {

void WriteJpegSamples(const std::string& path, int width, int height, const Bytes& samples,
                      const JpegOptions& options) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = options.components;
    info.in_color_space = options.components == 1   ? JCS_GRAYSCALE
                          : options.components == 4 ? JCS_CMYK
                                                    : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (options.progressive) {
        jpeg_simple_progression(&info);
    }
    info.restart_interval = static_cast<unsigned>(options.restartInterval);
    std::vector<jpeg_scan_info> scans{{options.components, {0, 1, 2, 3}, 0, 0, 0, 0}};
    for (int c = 0; options.thousandsOfScans && c < options.components; ++c) {
        for (int k = 1; k < DCTSIZE2; ++k) {
            scans.push_back({1, {c}, k, k, 0, 6});
            for (int bit = 6; bit > 0; --bit) {
                scans.push_back({1, {c}, k, k, bit, bit - 1});
            }
        }
    }
    if (options.thousandsOfScans) {
        info.scan_info = scans.data();
        info.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&info, TRUE);
    const auto stride = static_cast<std::size_t>(width * options.components);
    for (int y = 0; y < height; ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + stride * static_cast<std::size_t>(y));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
}

void WriteGifIndices(const std::string& path, int width, int height, const Bytes& indices,
                     const GifOptions& options) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ASSERT_NE(gif, nullptr);
    std::vector<GifColorType> table(256);
    for (std::size_t i = 0; i < options.colours.size(); ++i) {
        table[i] = {options.colours[i].r, options.colours[i].g, options.colours[i].b};
    }
    ColorMapObject* map = GifMakeMapObject(256, table.data());
    EGifSetGifVersion(gif, true);
    EXPECT_EQ(EGifPutScreenDesc(gif, options.screenWidth > 0 ? options.screenWidth : width,
                                options.screenHeight > 0 ? options.screenHeight : height, 8, 0,
                                map),
              GIF_OK);
    if (options.transparentIndex >= 0) {
        GraphicsControlBlock control{};
        control.TransparentColor = options.transparentIndex;
        GifByteType block[4];
        const auto size = EGifGCBToExtension(&control, block);
        EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(size), block),
                  GIF_OK);
    }
    EXPECT_EQ(EGifPutImageDesc(gif, options.left, options.top, width, height, options.interlaced,
                               nullptr),
              GIF_OK);
    using Passes = std::vector<std::pair<int, int>>; // first row, step
    for (const auto& [start, step] :
         options.interlaced ? Passes{{0, 8}, {4, 8}, {2, 4}, {1, 2}} : Passes{{0, 1}}) {
        for (int y = start; y < height; y += step) {
            auto* row = const_cast<GifPixelType*>(&indices[static_cast<std::size_t>(y * width)]);
            EXPECT_EQ(EGifPutLine(gif, row, width), GIF_OK);
        }
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(map);
}

} // namespace kalvimo::test
