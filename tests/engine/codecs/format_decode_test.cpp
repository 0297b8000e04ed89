#include "codecs/codec_table.h"
#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "codecs/picture_encoder.h"
#include "codecs_test_support.h"
#include "job_options.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace kalvimo::test {
namespace {

using FormatDecodeTest = CodecTest;

std::vector<std::string> SortedPatterns(std::string_view list) {
    std::istringstream in{std::string(list)};
    std::vector<std::string> patterns;
    for (std::string pattern; std::getline(in, pattern, ';');) {
        patterns.push_back(pattern);
    }
    std::sort(patterns.begin(), patterns.end());
    return patterns;
}

// The widest file filter offers the names of every format read, and only those.
TEST(PictureReaders, TheWidestFilterOffersWhatTheyRead) {
    std::string read;
    for (const codecs::PictureReader* reader : codecs::kPictureReaders) {
        read += std::string(read.empty() ? "" : ";") + reader->extensions;
    }
    EXPECT_EQ(SortedPatterns(kFilterPatterns.back()), SortedPatterns(read));
}

// Grey comes out grey; CMYK stored with the Adobe marker is read as inverted (255 = no ink).
TEST_F(FormatDecodeTest, GreyAndCmykJpegsComeOutInTheirColours) {
    // Four flat 16x16 patches of inks: magenta and yellow make red; cyan; half black; none.
    const Bytes inks[] = {
        {255, 0, 0, 255}, {0, 255, 255, 255}, {255, 255, 255, 128}, {255, 255, 255, 255}};
    const Rgb shown[] = {{255, 0, 0}, {0, 255, 255}, {128, 128, 128}, {255, 255, 255}};
    const auto patch = [](int x, int y) { return (y / 16) * 2 + x / 16; };
    Bytes grey;
    Bytes cmyk;
    for (int i = 0; i < 32 * 32; ++i) {
        grey.push_back(static_cast<std::uint8_t>((i % 32) * 8));
        cmyk = cmyk + inks[patch(i % 32, i / 32)];
    }
    const Canvas ramp = Painted(32, 32, [](int x, int) {
        const auto level = static_cast<std::uint8_t>(x * 8);
        return Rgb{level, level, level};
    });
    const Canvas colours = Painted(32, 32, [&](int x, int y) { return shown[patch(x, y)]; });
    for (const auto& [components, samples, expected] :
         {std::tuple{1, grey, ramp}, std::tuple{4, cmyk, colours}}) {
        WriteJpegSamples(Path("p.jpg"), 32, 32, samples, {.components = components});
        const Canvas canvas = Decode(Path("p.jpg"));
        ASSERT_EQ(canvas.Width(), 32);
        for (int i = 0; i < 32 * 32; ++i) {
            const Rgb c = canvas.Pixel(i % 32, i / 32);
            ASSERT_TRUE(Near(c, expected.Pixel(i % 32, i / 32), 4) &&
                        (components == 4 || (c.r == c.g && c.g == c.b)))
                << components << " components, pixel " << i % 32 << ", " << i / 32 << ": "
                << int{c.r} << "," << int{c.g} << "," << int{c.b};
        }
    }
}

// The rows of picture as an interlaced PNG stores them, pass by pass, each pixel as order says.
Bytes Adam7(const Canvas& picture, std::string_view order) {
    const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                              {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const auto size = static_cast<std::ptrdiff_t>(order.size());
    Bytes rows;
    for (const auto& [left, top, across, down] : passes) {
        for (int y = top; y < picture.Height() && left < picture.Width(); y += down) {
            const Bytes row = RowOf(picture, y, order);
            rows.push_back(0); // no filter
            for (int x = left; x < picture.Width(); x += across) {
                rows.insert(rows.end(), row.begin() + x * size, row.begin() + (x + 1) * size);
            }
        }
    }
    return rows;
}

// Files of layouts our own writers never make, and damage that other readers look past.
// PNG palettes with transparency and grey with alpha blend over the background; 16 bits scale to
// 8 by rounding; 1-bit grey is black and white. A GIF frame sits at its place on the screen, and
// one reaching past the screen widens the picture instead of being cut; a GIF without any colour
// table has its indices read as shades of grey.
TEST_F(FormatDecodeTest, FilesOfEachLayoutAndForgivableDamageGiveTheirPixels) {
    const Rgb w{255, 255, 255};
    const Rgb k{0, 0, 0};
    const Rgb red{255, 0, 0};
    const auto line = [](const std::vector<Rgb>& pixels) {
        return Painted(static_cast<int>(pixels.size()), 1, [&](int x, int) { return pixels[x]; });
    };
    const Canvas pattern = Pattern(9, 9);
    // count colours, each unlike the others and the background.
    const auto palette = [](int count) {
        std::vector<Rgb> colours;
        for (int i = 0; i < count; ++i) {
            colours.push_back({static_cast<std::uint8_t>(i * 19),
                               static_cast<std::uint8_t>(200 - i),
                               static_cast<std::uint8_t>(i * 3)});
        }
        return colours;
    };
    const GifOptions interlaced{.interlaced = true, .transparentIndex = 5, .colours = palette(13)};
    Bytes indices(3 * 11); // every interlace pass has rows
    for (std::size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<std::uint8_t>(i % 13);
    }
    const auto gif = [&](int width, int height, const Bytes& frame, const GifOptions& options) {
        return Made([&](auto& p) { WriteGifIndices(p, width, height, frame, options); });
    };
    Canvas inside(6, 5, kBack);
    inside.FillRect(2, 1, 5, 3, PackColour(red));
    Canvas past(4, 4, kBack);
    past.FillRect(1, 1, 4, 4, PackColour(red));
    Bytes noTable = gif(4, 1, {0, 100, 200, 255}, {.colours = {{9, 9, 9}}});
    noTable[10] &= 0x7F;
    noTable.erase(noTable.begin() + 13, noTable.begin() + 13 + 3 * 256);
    // A wrong checksum on the first chunk of pixel data.
    const Canvas large = Pattern(200, 200);
    Bytes badCrc = ReadFile(Write("p.png", WritePng, large));
    const std::size_t idat = Find(badCrc, {'I', 'D', 'A', 'T'});
    badCrc[idat + 4 + ((std::size_t{badCrc[idat - 2]} << 8) | badCrc[idat - 1])] ^= 0xFF;
    struct Case {
        const char* name;
        Bytes file;
        Colour back;
        Canvas expected;
    };
    const Case cases[] = {
        {"palette with transparency",
         PngFile(PngHead(3, 1, 4, 3) + PngChunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255}) +
                     PngChunk("tRNS", {0, 255, 128}),
                 {0, 0x01, 0x20}),
         0xFFFFFF, line({w, {0, 255, 0}, {127, 127, 255}})},
        {"16 bits",
         PngFile(PngHead(2, 1, 16, 2),
                 {0, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x80, 0x12, 0x34, 0xFF, 0x00, 0x00, 0xFF}),
         kBack, line({{0, 255, 128}, {18, 254, 1}})},
        {"grey with alpha", PngFile(PngHead(3, 1, 8, 4), {0, 10, 255, 200, 0, 90, 128}), 0x000000,
         line({{10, 10, 10}, k, {45, 45, 45}})},
        {"1-bit grey", PngFile(PngHead(10, 1, 1, 0), {0, 0xA5, 0x80}), kBack,
         line({w, k, w, k, k, w, k, w, w, k})},
        {"interlaced", PngFile(PngHead(9, 9, 8, 2, true), Adam7(pattern, "rgb")), kBack, pattern},
        {"interlaced with alpha", PngFile(PngHead(9, 9, 8, 6, true), Adam7(pattern, "rgba")), kBack,
         pattern},
        {"PNG with a wrong checksum", badCrc, kBack, large},
        {"interlaced GIF with transparency", gif(3, 11, indices, interlaced), kBack,
         Painted(3, 11,
                 [&](int x, int y) {
                     const int index = (y * 3 + x) % 13;
                     return index == 5 ? ToRgb(kBack) : interlaced.colours[index];
                 })},
        {"GIF frame inside its screen",
         gif(3, 2, Bytes(6, 0),
             {.colours = {red}, .left = 2, .top = 1, .screenWidth = 6, .screenHeight = 5}),
         kBack, inside},
        {"GIF frame past its screen",
         gif(3, 3, Bytes(9, 0),
             {.colours = {red}, .left = 1, .top = 1, .screenWidth = 2, .screenHeight = 2}),
         kBack, past},
        {"GIF without a colour table", noTable, kBack,
         line({{0, 0, 0}, {100, 100, 100}, {200, 200, 200}, w})},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(SamePixels(Decode(WriteFile("file", c.file), c.back), c.expected)) << c.name;
    }

    // The picture data stops after a few rows: those rows are kept, the rest is background.
    Bytes many(16 * 16);
    for (std::size_t i = 0; i < many.size(); ++i) {
        many[i] = static_cast<std::uint8_t>(i * 7);
    }
    const GifOptions colours{.colours = palette(256)};
    Bytes stops = gif(16, 16, many, colours);
    const std::size_t data = Find(stops, {',', 0, 0, 0, 0, 16, 0, 16, 0}) + 11;
    stops.resize(data + 1 + 60);
    stops[data] = 60;
    stops.insert(stops.end(), {0, ';'});
    const Canvas partial = Decode(WriteFile("stops.gif", stops));
    ASSERT_EQ(partial.Width(), 16);
    EXPECT_EQ(partial.Pixel(3, 0), colours.colours[21]);
    EXPECT_EQ(partial.Pixel(3, 15), ToRgb(kBack));
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
    const Bytes samples = SamplesOf(Pattern(256, 128));
    WriteJpegSamples(Path("r.jpg"), 256, 128, samples, {.restartInterval = 1});
    WriteJpegSamples(Path("p.jpg"), 256, 128, samples, {.progressive = true});
    WriteJpegSamples(Path("scans.jpg"), 16, 16, SamplesOf(Pattern(16, 16)),
                     {.thousandsOfScans = true});
    const Bytes restarts = ReadFile(Path("r.jpg"));
    const Bytes progressive = ReadFile(Path("p.jpg"));
    const Canvas undamaged = Decode(Path("r.jpg"));
    struct Case {
        const char* name;
        Bytes bytes;
        bool readable;
    };
    const Case cases[] = {
        {"one damaged interval", SpoilIntervals(restarts, 1), true},
        // Damage after the last pixel costs nothing.
        {"no end marker", Cut(restarts, restarts.size() - 2), true},
        {"progressive, no end marker", Cut(progressive, progressive.size() - 2), true},
        {"damaged throughout", SpoilIntervals(restarts, 127), false},
        {"cut short", Bytes(restarts.begin(), restarts.begin() + restarts.size() * 2 / 3), false},
        {"1,324 scans", ReadFile(Path("scans.jpg")), false},
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
    const std::string pipe = Path("pipe.jpg");
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

} // namespace
} // namespace kalvimo::test
