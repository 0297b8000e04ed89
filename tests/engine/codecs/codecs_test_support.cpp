#include "codecs_test_support.h"

#include "codecs/picture_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gif_lib.h>
#include <iterator>
#include <png.h>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace kalvimo::test {

std::string CodecTest::WriteFile(const std::string& name, const Bytes& bytes) const {
    const std::string path = Path(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << path;
    return path;
}

std::string CodecTest::Write(const std::string& name, const Writer& write,
                             const Canvas& picture) const {
    const std::string path = Path(name);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    EXPECT_NE(out, nullptr) << path;
    if (out != nullptr) {
        std::string error;
        EXPECT_TRUE(write(picture, out, error)) << error;
        EXPECT_TRUE(error.empty()) << error;
        std::fclose(out);
    }
    return path;
}

Canvas CodecTest::Decode(const std::string& path, Colour back) const {
    Canvas canvas;
    std::string error;
    EXPECT_TRUE(DecodePictureFile(path, canvas, back, error)) << error;
    return canvas;
}

Bytes CodecTest::ReadFile(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Canvas Pattern(int width, int height) {
    return Painted(width, height, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x * 40 + y * 7),
                   static_cast<std::uint8_t>(255 - y * 30 - x),
                   static_cast<std::uint8_t>((x * y * 13) ^ 0x5A)};
    });
}

Canvas Gradient(int width, int height) {
    return Painted(width, height, [&](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x * 255 / (width - 1)),
                   static_cast<std::uint8_t>(y * 255 / (height - 1)),
                   static_cast<std::uint8_t>((x + y) * 255 / (width + height - 2))};
    });
}

Bytes SamplesOf(const Canvas& canvas) {
    return {canvas.Data(), canvas.Data() + canvas.Stride() * canvas.Height()};
}

double MeanAbsError(const Canvas& a, const Canvas& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Empty()) {
        return 1e9;
    }
    double sum = 0;
    const std::size_t count = a.Stride() * static_cast<std::size_t>(a.Height());
    for (std::size_t i = 0; i < count; ++i) {
        sum += std::abs(a.Data()[i] - b.Data()[i]);
    }
    return sum / static_cast<double>(count);
}

bool Near(Rgb actual, Rgb expected, int tolerance) {
    return std::abs(actual.r - expected.r) <= tolerance &&
           std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance;
}

::testing::AssertionResult SamePixels(const Canvas& actual, const Canvas& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
        return ::testing::AssertionFailure()
               << "size " << actual.Width() << "x" << actual.Height() << ", expected "
               << expected.Width() << "x" << expected.Height();
    }
    for (int y = 0; y < actual.Height(); ++y) {
        for (int x = 0; x < actual.Width(); ++x) {
            const Rgb a = actual.Pixel(x, y);
            const Rgb e = expected.Pixel(x, y);
            if (!(a == e)) {
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << int{a.r} << "," << int{a.g}
                       << "," << int{a.b} << ", expected " << int{e.r} << "," << int{e.g} << ","
                       << int{e.b};
            }
        }
    }
    return ::testing::AssertionSuccess();
}

std::size_t Find(const Bytes& bytes, std::initializer_list<std::uint8_t> marker, std::size_t from) {
    const auto at = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                                marker.begin(), marker.end());
    EXPECT_NE(at, bytes.end());
    return static_cast<std::size_t>(at - bytes.begin());
}

void Put16(Bytes& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& bytes, std::uint32_t value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

Bytes Cut(Bytes bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

Bytes operator+(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes BmpFile::Build() const {
    Bytes info;
    Put32(info, headerSize);
    const auto w = static_cast<std::uint32_t>(width);
    const auto h = static_cast<std::uint32_t>(height);
    if (headerSize == 12) {
        for (const std::uint32_t v : {w, h, 1U, std::uint32_t{bits}}) {
            Put16(info, v);
        }
    } else {
        const auto size = static_cast<std::uint32_t>(pixels.size());
        for (const std::uint32_t v :
             {w, h, 1U | bits << 16U, compression, size, 2835U, 2835U, coloursUsed, 0U}) {
            Put32(info, v);
        }
        for (const std::uint32_t mask : masks) {
            Put32(info, mask);
        }
        if (headerSize > 40) {
            info.resize(headerSize);
        }
    }
    for (const Rgb& c : palette) {
        info.insert(info.end(), {c.b, c.g, c.r});
        if (headerSize != 12) {
            info.push_back(0);
        }
    }
    const auto offset = dataOffset.value_or(static_cast<std::uint32_t>(14 + info.size()));
    Bytes file{'B', 'M'};
    Put32(file, static_cast<std::uint32_t>(offset + pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    file = file + info;
    file.resize(offset, 0);
    return file + pixels;
}

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
    jpeg_set_quality(&info, options.quality, TRUE);
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

void WritePngRows(const std::string& path, int width, int height, const std::vector<Bytes>& rows,
                  const PngOptions& options) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, out);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height),
                 options.bitDepth, options.colourType,
                 options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const Rgb& c : options.palette) {
        palette.push_back({c.r, c.g, c.b});
    }
    if (!palette.empty()) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    if (!options.paletteAlpha.empty()) {
        png_set_tRNS(png, info, options.paletteAlpha.data(),
                     static_cast<int>(options.paletteAlpha.size()), nullptr);
    }
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (const Bytes& row : rows) {
        pointers.push_back(const_cast<png_bytep>(row.data()));
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
}

} // namespace kalvimo::test
