#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "codecs_test_support.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kalvimo::test {
namespace {

class FormatDecodeTest : public CodecTest {};

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

// Each interval of this JPEG, from its restart marker on, begins with a run of set bits that
// no Huffman code has.
Bytes SpoilIntervals(Bytes jpeg, int count) {
    std::size_t at = Find(jpeg, {0xFF, 0xDA});
    for (int i = 0; i < count; ++i) {
        at = Find(jpeg, {0xFF, static_cast<std::uint8_t>(0xD0 + i % 8)}, at + 2) + 2;
        std::copy_n(Bytes{0xFF, 0x00, 0xFF, 0x00}.begin(), 4, jpeg.begin() + static_cast<long>(at));
    }
    return jpeg;
}

TEST_F(FormatDecodeTest, BothJpegReadersReadAndRefuseTheSameFiles) {
    const Canvas picture = Pattern(256, 128);
    const Bytes samples = SamplesOf(picture);
    WriteJpegSamples(PathOf("r.jpg"), 256, 128, samples, {.restartInterval = 1});
    WriteJpegSamples(PathOf("scans.jpg"), 16, 16, SamplesOf(Pattern(16, 16)),
                     {.thousandsOfScans = true});
    const Bytes restarts = ReadFile(PathOf("r.jpg"));
    const Canvas undamaged = Decode(PathOf("r.jpg"));
    struct Case {
        const char* name;
        Bytes bytes;
        bool readable;
    };
    const Case cases[] = {
        {"one damaged interval", SpoilIntervals(restarts, 1), true},
        {"damaged throughout", SpoilIntervals(restarts, 127), false},
        {"cut short", Bytes(restarts.begin(), restarts.begin() + restarts.size() * 2 / 3), false},
        {"1,324 scans", ReadFile(PathOf("scans.jpg")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteFile("case.jpg", c.bytes);
        Canvas full;
        std::string error;
        EXPECT_EQ(DecodePictureFile(path, full, kBack, error), c.readable) << error;
        if (c.readable) {
            EXPECT_LT(MeanAbsError(full, undamaged), 2.0);
        }
        JpegShrinkReader shrink;
        Canvas small;
        EXPECT_EQ(shrink.Open(path) && shrink.ReadInto(small, 32, 16, error), c.readable) << error;
    }
}

TEST_F(FormatDecodeTest, ShrinkingReaderDoesNotWaitForANamedPipe) {
    const std::string pipe = PathOf("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    // Should the reader wait for a writer after all, one comes, so that the test ends.
    std::atomic<bool> opened{false};
    std::atomic<bool> rescued{false};
    std::thread writer([&] {
        for (int i = 0; i < 200 && !opened; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!opened) {
            rescued = true;
            ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
        }
    });
    JpegShrinkReader reader;
    EXPECT_FALSE(reader.Open(pipe));
    opened = true;
    writer.join();
    EXPECT_FALSE(rescued);
}

TEST_F(FormatDecodeTest, DamageOtherReadersLookPastIsReadToo) {
    // No colour table anywhere: indices are shades of grey.
    GifOptions plain{.colours = {{9, 9, 9}}};
    WriteGifIndices(PathOf("table.gif"), 4, 1, {0, 100, 200, 255}, plain);
    Bytes noTable = ReadFile(PathOf("table.gif"));
    noTable[10] &= 0x7F;
    noTable.erase(noTable.begin() + 13, noTable.begin() + 13 + 3 * 256);
    Canvas grey(4, 1);
    for (int x = 0; x < 4; ++x) {
        const auto level = static_cast<std::uint8_t>(std::min(x * 100, 255));
        grey.SetPixel(x, 0, {level, level, level});
    }
    EXPECT_TRUE(SamePixels(Decode(WriteFile("no-table.gif", noTable)), grey));

    // The picture data stops after a few rows: those rows are kept, the rest is background.
    Bytes indices(16 * 16);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<std::uint8_t>(i * 7);
    }
    GifOptions many;
    for (int i = 0; i < 256; ++i) {
        many.colours.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                static_cast<std::uint8_t>(i / 2)});
    }
    WriteGifIndices(PathOf("full.gif"), 16, 16, indices, many);
    Bytes stops = ReadFile(PathOf("full.gif"));
    const std::size_t data = Find(stops, {',', 0, 0, 0, 0, 16, 0, 16, 0}) + 11;
    stops.resize(data + 1 + 60);
    stops[data] = 60;
    stops.insert(stops.end(), {0, ';'});
    const Canvas partial = Decode(WriteFile("stops.gif", stops));
    ASSERT_EQ(partial.Width(), 16);
    EXPECT_EQ(partial.Pixel(3, 0), many.colours[21]);
    EXPECT_EQ(partial.Pixel(3, 15), ToRgb(kBack));

    // A wrong checksum on the first chunk of pixel data.
    const Canvas picture = Pattern(200, 200);
    Bytes badCrc = ReadFile(Write("p.png", WritePng, picture));
    const std::size_t idat = Find(badCrc, {'I', 'D', 'A', 'T'});
    const std::size_t length = (std::size_t{badCrc[idat - 2]} << 8) | badCrc[idat - 1];
    badCrc[idat + 4 + length] ^= 0xFF;
    EXPECT_TRUE(SamePixels(Decode(WriteFile("crc.png", badCrc)), picture));
}

TEST_F(FormatDecodeTest, FormatIsToldByContentNotByName) {
    const Canvas picture = Pattern(4, 4);
    const std::pair<const char*, Writer> files[] = {
        {"really-png.jpg", WritePng}, {"really-bmp.gif", WriteBmp}, {"no-extension", WriteGif}};
    for (const auto& [name, write] : files) {
        EXPECT_TRUE(SamePixels(Decode(Write(name, write, picture)), picture)) << name;
    }

    const std::uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    const std::uint8_t text[] = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(SniffFormat(jpeg), PictureFormat::Jpeg);
    EXPECT_EQ(SniffFormat(text), PictureFormat::Unknown);
    EXPECT_EQ(SniffFormat({}), PictureFormat::Unknown);
}

} // namespace
} // namespace kalvimo::test
