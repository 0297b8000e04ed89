#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "codecs_test_support.h"

#include <cstdlib>
#include <png.h>

namespace kalvimo::test {
namespace {

constexpr Colour kBack = 0x336699;

class FormatDecodeTest : public CodecTest {
protected:
    Canvas Decode(const std::string& path, Colour back = kBack) {
        Canvas canvas;
        std::string error;
        EXPECT_TRUE(DecodePictureFile(path, canvas, back, error)) << error;
        return canvas;
    }
};

bool Near(Rgb actual, Rgb expected, int tolerance) {
    return std::abs(actual.r - expected.r) <= tolerance &&
           std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance;
}

Bytes SamplesOf(const Canvas& canvas) {
    return Bytes(canvas.Data(), canvas.Data() + canvas.Stride() * canvas.Height());
}

TEST_F(FormatDecodeTest, ProgressiveJpegMatchesItsBaselineTwin) {
    const Canvas picture = Gradient(40, 24);
    WriteJpegSamples(PathOf("base.jpg"), 40, 24, SamplesOf(picture), {});
    WriteJpegSamples(PathOf("prog.jpg"), 40, 24, SamplesOf(picture), {.progressive = true});
    const Canvas baseline = Decode(PathOf("base.jpg"));
    const Canvas progressive = Decode(PathOf("prog.jpg"));
    EXPECT_LT(MeanAbsError(progressive, picture), 2.0);
    EXPECT_LT(MeanAbsError(progressive, baseline), 1.0);
}

TEST_F(FormatDecodeTest, GreyscaleJpegComesOutGrey) {
    Bytes grey(32 * 16);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        grey[i] = static_cast<std::uint8_t>((i % 32) * 8);
    }
    WriteJpegSamples(PathOf("grey.jpg"), 32, 16, grey, {.components = 1});
    const Canvas canvas = Decode(PathOf("grey.jpg"));
    ASSERT_EQ(canvas.Width(), 32);
    for (int x = 0; x < 32; ++x) {
        const Rgb p = canvas.Pixel(x, 8);
        EXPECT_EQ(p.r, p.g);
        EXPECT_EQ(p.g, p.b);
        EXPECT_NEAR(p.r, x * 8, 4);
    }
}

TEST_F(FormatDecodeTest, CmykJpegWithAdobeMarkerIsReadAsInverted) {
    // Four flat 16x16 patches, inks given as stored with the Adobe marker (255 = no ink).
    struct Patch {
        std::uint8_t c, m, y, k;
        Rgb expected;
    };
    const Patch patches[] = {
        {255, 0, 0, 255, {255, 0, 0}},         // magenta + yellow: red
        {0, 255, 255, 255, {0, 255, 255}},     // cyan
        {255, 255, 255, 128, {128, 128, 128}}, // half black
        {255, 255, 255, 255, {255, 255, 255}}, // no ink
    };
    Bytes samples(32 * 32 * 4);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const Patch& p = patches[(y / 16) * 2 + x / 16];
            std::uint8_t* s = &samples[static_cast<std::size_t>((y * 32 + x) * 4)];
            s[0] = p.c;
            s[1] = p.m;
            s[2] = p.y;
            s[3] = p.k;
        }
    }
    WriteJpegSamples(PathOf("cmyk.jpg"), 32, 32, samples, {.components = 4});
    const Canvas canvas = Decode(PathOf("cmyk.jpg"));
    for (int i = 0; i < 4; ++i) {
        const Rgb centre = canvas.Pixel((i % 2) * 16 + 8, (i / 2) * 16 + 8);
        EXPECT_TRUE(Near(centre, patches[i].expected, 4))
            << "patch " << i << ": " << int{centre.r} << "," << int{centre.g} << ","
            << int{centre.b};
    }
}

TEST_F(FormatDecodeTest, InterlacedGifRowsLandInPlaceAndTransparencyTakesTheBackground) {
    const int width = 3;
    const int height = 11; // every interlace pass has rows
    Bytes indices(width * height);
    for (int i = 0; i < width * height; ++i) {
        indices[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i % 13);
    }
    GifOptions options{.interlaced = true, .transparentIndex = 5, .colours = {}};
    for (int i = 0; i < 13; ++i) {
        options.colours.push_back({static_cast<std::uint8_t>(i * 19),
                                   static_cast<std::uint8_t>(200 - i),
                                   static_cast<std::uint8_t>(i * 3)});
    }
    WriteGifIndices(PathOf("i.gif"), width, height, indices, options);
    Canvas expected(width, height);
    for (int i = 0; i < width * height; ++i) {
        const int index = i % 13;
        expected.SetPixel(i % width, i / width,
                          index == 5 ? ToRgb(kBack)
                                     : options.colours[static_cast<std::size_t>(index)]);
    }
    EXPECT_TRUE(SamePixels(Decode(PathOf("i.gif")), expected));
}

TEST_F(FormatDecodeTest, GifFrameSitsAtItsPlaceOnTheScreen) {
    const Rgb red{255, 0, 0};
    const Rgb back = ToRgb(kBack);
    GifOptions inside{.colours = {red}, .left = 2, .top = 1, .screenWidth = 6, .screenHeight = 5};
    WriteGifIndices(PathOf("inside.gif"), 3, 2, Bytes(6, 0), inside);
    Canvas expected(6, 5, kBack);
    expected.FillRect(2, 1, 5, 3, PackColour(red));
    EXPECT_TRUE(SamePixels(Decode(PathOf("inside.gif")), expected));

    // A frame reaching past the screen widens the picture instead of being cut.
    GifOptions past{.colours = {red}, .left = 1, .top = 1, .screenWidth = 2, .screenHeight = 2};
    WriteGifIndices(PathOf("past.gif"), 3, 3, Bytes(9, 0), past);
    const Canvas canvas = Decode(PathOf("past.gif"));
    ASSERT_EQ(canvas.Width(), 4);
    ASSERT_EQ(canvas.Height(), 4);
    EXPECT_EQ(canvas.Pixel(0, 0), back);
    EXPECT_EQ(canvas.Pixel(3, 3), red);
}

TEST_F(FormatDecodeTest, PalettePngWithTransparencyBlendsOverTheBackground) {
    PngOptions options{.colourType = PNG_COLOR_TYPE_PALETTE,
                       .bitDepth = 4,
                       .interlaced = false,
                       .palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}},
                       .paletteAlpha = {0, 255, 128}};
    WritePngRows(PathOf("p.png"), 3, 1, {{0x01, 0x20}}, options);
    const Canvas canvas = Decode(PathOf("p.png"), 0xFFFFFF);
    EXPECT_EQ(canvas.Pixel(0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(canvas.Pixel(1, 0), (Rgb{0, 255, 0}));
    EXPECT_EQ(canvas.Pixel(2, 0), (Rgb{127, 127, 255}));
}

TEST_F(FormatDecodeTest, SixteenBitPngScalesToEightBits) {
    Bytes row;
    for (const std::uint16_t v : {0x0000, 0xFFFF, 0x8080, 0x1234, 0xFF00, 0x00FF}) {
        row.push_back(static_cast<std::uint8_t>(v >> 8));
        row.push_back(static_cast<std::uint8_t>(v));
    }
    WritePngRows(PathOf("16.png"), 2, 1, {row}, {.colourType = PNG_COLOR_TYPE_RGB, .bitDepth = 16});
    const Canvas canvas = Decode(PathOf("16.png"));
    EXPECT_EQ(canvas.Pixel(0, 0), (Rgb{0, 255, 128}));
    EXPECT_EQ(canvas.Pixel(1, 0), (Rgb{18, 254, 1}));
}

TEST_F(FormatDecodeTest, GreyPngsWithAndWithoutAlpha) {
    WritePngRows(PathOf("ga.png"), 3, 1, {{10, 255, 200, 0, 90, 128}},
                 {.colourType = PNG_COLOR_TYPE_GRAY_ALPHA, .bitDepth = 8});
    const Canvas blended = Decode(PathOf("ga.png"), 0x000000);
    EXPECT_EQ(blended.Pixel(0, 0), (Rgb{10, 10, 10}));
    EXPECT_EQ(blended.Pixel(1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(blended.Pixel(2, 0), (Rgb{45, 45, 45}));

    WritePngRows(PathOf("g1.png"), 10, 1, {{0xA5, 0x80}},
                 {.colourType = PNG_COLOR_TYPE_GRAY, .bitDepth = 1});
    const Canvas bits = Decode(PathOf("g1.png"));
    const int expected[] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 0};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(bits.Pixel(x, 0).g, expected[x] * 255) << x;
    }
}

TEST_F(FormatDecodeTest, InterlacedPngsWithAndWithoutAlpha) {
    const Canvas picture = Pattern(9, 9);
    std::vector<Bytes> rgb;
    std::vector<Bytes> rgba;
    for (int y = 0; y < 9; ++y) {
        rgb.emplace_back(picture.Row(y), picture.Row(y) + picture.Stride());
        Bytes row;
        for (int x = 0; x < 9; ++x) {
            const Rgb c = picture.Pixel(x, y);
            row.insert(row.end(), {c.r, c.g, c.b, 255});
        }
        rgba.push_back(row);
    }
    WritePngRows(PathOf("rgb.png"), 9, 9, rgb,
                 {.colourType = PNG_COLOR_TYPE_RGB, .interlaced = true});
    WritePngRows(PathOf("rgba.png"), 9, 9, rgba,
                 {.colourType = PNG_COLOR_TYPE_RGB_ALPHA, .interlaced = true});
    EXPECT_TRUE(SamePixels(Decode(PathOf("rgb.png")), picture));
    EXPECT_TRUE(SamePixels(Decode(PathOf("rgba.png")), picture));
}

TEST_F(FormatDecodeTest, FormatIsToldByContentNotByName) {
    const Canvas picture = Pattern(4, 4);
    const std::string png = WriteWith("really-png.jpg", [&](std::FILE* out, std::string& error) {
        return WritePng(picture, out, error);
    });
    const std::string bmp = WriteWith("really-bmp.gif", [&](std::FILE* out, std::string& error) {
        return WriteBmp(picture, out, error);
    });
    const std::string gif = WriteWith("no-extension", [&](std::FILE* out, std::string& error) {
        return WriteGif(picture, out, error);
    });
    for (const std::string& path : {png, bmp, gif}) {
        EXPECT_TRUE(SamePixels(Decode(path), picture)) << path;
    }

    const std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    const std::uint8_t text[] = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(SniffFormat(jpeg), PictureFormat::Jpeg);
    EXPECT_EQ(SniffFormat(text), PictureFormat::Unknown);
    EXPECT_EQ(SniffFormat({}), PictureFormat::Unknown);
}

} // namespace
} // namespace kalvimo::test
