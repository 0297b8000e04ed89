#include "codecs_test_support.h"

#include <set>

namespace kalvimo::test {
namespace {

using RoundTripTest = CodecTest;

// The files' names say another format or none, so that reading them tells the format by its
// content.
TEST_F(RoundTripTest, BmpKeepsEveryPixelWithPaddedBottomUpRows) {
    for (int width = 1; width <= 5; ++width) {
        const Canvas picture = Pattern(width, 3);
        const std::string path = Write("really-bmp.gif", WriteBmp, picture);
        EXPECT_TRUE(SamePixels(Decode(path), picture)) << "width " << width;
        // 24 bits, rows bottom-up in blue-green-red order, each padded to 4 bytes.
        const auto row = [&](int y) { return RowOf(picture, y, "bgr"); };
        EXPECT_EQ(ReadFile(path),
                  (BmpFile{.width = width, .pixels = BmpRows(3, false, row)}.Build()))
            << "width " << width;
    }
}

TEST_F(RoundTripTest, PngKeepsEveryPixelAsEightBitRgb) {
    const Canvas picture = Pattern(7, 5);
    const std::string path = Write("really-png.jpg", WritePng, picture);
    EXPECT_TRUE(SamePixels(Decode(path), picture));
    EXPECT_EQ(Cut(ReadFile(path), 33), PngHead(7, 5, 8, 2));
}

TEST_F(RoundTripTest, JpegIsCloseToTheSourceAndHonoursQuality) {
    const Canvas picture = Gradient(64, 48);
    const std::string good = Write("q95.jpg", JpegAt(95), picture);
    const std::string usual = Write("q85.jpg", JpegAt(85), picture);
    const std::string poor = Write("q10.jpg", JpegAt(10), picture);
    EXPECT_LT(MeanAbsError(Decode(usual), picture), 2.0);
    EXPECT_LT(MeanAbsError(Decode(good), Decode(usual)), MeanAbsError(Decode(poor), Decode(usual)));
    EXPECT_LT(ReadFile(poor).size(), ReadFile(usual).size());
    EXPECT_LT(ReadFile(usual).size(), ReadFile(good).size());
    // Three components, luma sampled 2x2 against chroma: 4:2:0.
    const Bytes file = ReadFile(usual);
    const std::size_t frame = Find(file, {0xFF, 0xC0});
    ASSERT_LT(frame + 11, file.size());
    EXPECT_EQ(file[frame + 9], 3);
    EXPECT_EQ(file[frame + 11], 0x22);
}

TEST_F(RoundTripTest, GifKeepsPicturesOfUpTo256ColoursExactly) {
    const Canvas many = Painted(16, 16, [](int x, int y) {
        const int i = y * 16 + x;
        return Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7),
                   static_cast<std::uint8_t>(255 - i)};
    });
    Canvas two(9, 4, 0x102030);
    two.FillRect(3, 1, 8, 3, 0xFEFDFC);
    const Canvas one(3, 2, 0x00C0FF);
    for (const Canvas* picture : std::initializer_list<const Canvas*>{&many, &two, &one}) {
        const std::string path = Write("no-extension", WriteGif, *picture);
        EXPECT_TRUE(SamePixels(Decode(path), *picture));
        const Bytes file = ReadFile(path);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "GIF89a");
    }
}

TEST_F(RoundTripTest, GifOfManyColoursGetsAPaletteFittedToThePicture) {
    const Canvas gradient = Gradient(128, 96);
    const std::string path = Write("g.gif", WriteGif, gradient);
    // 256 entries over this smooth surface of colours leave about 4 levels each way: a fixed
    // palette of 216 web colours would be off by about 13.
    EXPECT_LT(MeanAbsError(Decode(path), gradient), 4.0);

    // A picture in shades of one hue gets all its entries spent on that hue.
    const Canvas reds = Painted(256, 4, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 0};
    });
    const Canvas redDecoded = Decode(Write("r.gif", WriteGif, reds));
    std::set<int> reddish;
    for (int x = 0; x < 256; ++x) {
        reddish.insert(redDecoded.Pixel(x, 0).r);
    }
    EXPECT_GT(reddish.size(), 24U);
    EXPECT_LT(MeanAbsError(redDecoded, reds), 3.0);
}

TEST_F(RoundTripTest, WritersRefuseAnEmptyCanvasAndReportAFullDisk) {
    const Canvas empty;
    const Canvas picture = Gradient(300, 200);
    for (const Writer& write : {JpegAt(85), Writer(WriteBmp), Writer(WriteGif), Writer(WritePng)}) {
        std::FILE* full = std::fopen("/dev/full", "wb");
        ASSERT_NE(full, nullptr);
        std::string error;
        EXPECT_FALSE(write(empty, full, error));
        EXPECT_FALSE(error.empty());
        error.clear();
        EXPECT_FALSE(write(picture, full, error));
        EXPECT_FALSE(error.empty());
        std::fclose(full);
    }
}

} // namespace
} // namespace kalvimo::test
