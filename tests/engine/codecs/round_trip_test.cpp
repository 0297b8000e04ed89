#include "codecs_test_support.h"

#include <set>

namespace kalvimo::test {
namespace {

using RoundTripTest = CodecTest;

// The files' names say another format or none, so that reading them tells the format by its
// content. BMP rows are stored bottom-up in blue-green-red order, each padded to 4 bytes; GIF
// keeps pictures of up to 256 colours exactly.
TEST_F(RoundTripTest, LosslessWritersKeepEveryPixelInTheirLayout) {
    const Canvas many = Painted(16, 16, [](int x, int y) {
        const int i = y * 16 + x;
        return Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 7),
                   static_cast<std::uint8_t>(255 - i)};
    });
    Canvas two(9, 4, 0x102030);
    two.FillRect(3, 1, 8, 3, 0xFEFDFC);
    struct Case {
        const char* name;
        Writer write;
        Canvas picture;
        std::string start; // of the file, or the whole file when whole
        bool whole = false;
    };
    // The signature, then the header chunk: length, type, 7 x 5, depth 8, colour type 2.
    const std::string pngHead("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x07\0\0\0\x05\x08\x02", 26);
    std::vector<Case> cases = {{"really-png.jpg", WritePng, Pattern(7, 5), pngHead},
                               {"no-extension", WriteGif, many, "GIF89a"},
                               {"no-extension", WriteGif, two, "GIF89a"},
                               {"no-extension", WriteGif, Canvas(3, 2, 0x00C0FF), "GIF89a"}};
    // The files of the pattern laid out by hand.
    for (int width = 1; width <= 5; ++width) {
        const std::string file = "/ref/written-" + std::to_string(width) + "x3.bmp";
        cases.push_back({"really-bmp.gif", WriteBmp, Pattern(width, 3),
                         ReadBytes(KALVIMO_TEST_DATA + file), true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name << " " << c.picture.Width());
        const std::string path = Write(c.name, c.write, c.picture);
        EXPECT_EQ(LargestDifference(Decode(path), c.picture), 0);
        const std::string file = ReadBytes(path);
        EXPECT_EQ(c.whole ? file : file.substr(0, c.start.size()), c.start);
    }
}

// Quality itself is told by the sizes of the files that the saving tests write.
TEST_F(RoundTripTest, JpegIsCloseToTheSourceIn420) {
    const Canvas picture = Gradient(64, 48);
    const std::string path = Write("q85.jpg", JpegAt(85), picture);
    EXPECT_LT(MeanAbsError(Decode(path), picture), 2.0);
    // Three components, luma sampled 2x2 against chroma: 4:2:0.
    const std::string file = ReadBytes(path);
    const std::size_t frame = file.find("\xFF\xC0");
    ASSERT_LT(frame, file.size() - 11);
    EXPECT_EQ(file[frame + 9], 3);
    EXPECT_EQ(file[frame + 11], 0x22);
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
