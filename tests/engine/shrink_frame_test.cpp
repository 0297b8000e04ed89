#include "codecs/codec_internal.h"
#include "codecs/jpeg_errors.h"
#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "frame_drawer.h"
#include "geometry.h"
#include "picture_maker.h"
#include "rotation.h"
#include "shrink_frame.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <random>
#include <vector>

namespace kalvimo {
namespace {

// The frame as the full path draws it: whole picture upright, turned, fitted.
Canvas FullPathFrame(const std::string& path, const FrameOrder& order, bool& turned) {
    Canvas picture;
    Canvas scratch;
    std::string error;
    EXPECT_TRUE(LoadUprightPicture(path, picture, scratch, order.backColour, error)) << error;
    turned = order.autoRotate &&
             NeedsQuarterTurn(order.newWidth, order.newHeight, picture.Width(), picture.Height());
    if (turned) {
        EXPECT_TRUE(RotatePicture(scratch, picture));
        picture.Swap(scratch);
    }
    Canvas frame;
    EXPECT_TRUE(RenderFrame(picture, frame, order));
    return frame;
}

struct FittingCase {
    const char* name;
    Fitting fitting;
    std::int16_t anchor;
    CropBox crop; // twips
};
const FittingCase kFittings[] = {
    {"stretch", Fitting::Stretch, 4, {}},
    {"letterbox", Fitting::Letterbox, 4, {}},
    {"auto crop, top left", Fitting::AutoCrop, 0, {}},
    {"auto crop, centre", Fitting::AutoCrop, 4, {}},
    {"auto crop, bottom right", Fitting::AutoCrop, 8, {}},
    {"custom crop, scaled", Fitting::CustomCrop, 4, {315, 150, 5115, 3750}},
    {"custom crop, frame size", Fitting::CustomCrop, 4, {150, 300, 2550, 2100}},
    {"custom crop, reaching past the picture", Fitting::CustomCrop, 4, {-900, -300, 1800, 1950}},
    {"fill, top left", Fitting::Fill, 0, {}},
    {"fill, centre", Fitting::Fill, 4, {}},
    {"fill, bottom right", Fitting::Fill, 8, {}},
    {"fill, by content", Fitting::Fill, kAnchorByContent, {}},
    {"auto crop, by content", Fitting::AutoCrop, kAnchorByContent, {}},
};

FrameOrder FittingOrder(const FittingCase& fitting, bool autoRotate) {
    return {160, 120, fitting.fitting, fitting.anchor, autoRotate, 0x00FF00, fitting.crop, 15};
}

class ShrinkFrameTest : public test::TempFolderTest {};

// Quadrants stored with every orientation (HEIF's turned by the file's own transformations), and
// every layout of samples the TIFF reader puts row by row: strips of a few rows or one for the
// whole picture, tiles cut short by the edges; WebP pictures small enough to be grown and large
// enough to be shrunk, lossy and lossless, lossless ones with transparent parts; PNGs of every
// depth and kind of transparency; BMPs of every depth, stored either way up, with masks and
// alpha, or as runs that jump; GIFs placed on their screens, transparent or with data that stops
// early.
std::vector<std::string> ShrunkFiles() {
    std::vector<std::string> files;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        files.push_back("turned-jpeg-" + std::to_string(orientation) + ".jpg");
        files.push_back("turned-tiff-" + std::to_string(orientation) + ".tif");
        files.push_back("turned-heic-" + std::to_string(orientation) + ".heic");
        files.push_back("turned-webp-" + std::to_string(orientation) + ".webp");
    }
    for (const char* name :
         {"phone-rgb8.tif", "phone-rgb16.tif", "phone-grey8.tif", "phone-grey16.tif",
          "phone-palette.tif", "phone-cmyk.tif", "phone-alpha8.tif", "phone-alpha16.tif",
          "phone-tiled-deflate.tif", "tiff-tiles-of-16-uncompressed.tif",
          "tiff-tiles-deflate-orientation-3.tif", "tiff-one-strip-deflate-orientation-6.tif",
          "tiff-1-bit-group4-one-strip.tif", "tiff-ycbcr-jpeg.tif", "profile-display-p3.tif",
          "phone.heic", "phone-alpha.heic", "phone.avif", "profile-display-p3.heic"}) {
        files.emplace_back(name);
    }
    files.insert(files.end(),
                 {"phone-lossy.webp", "phone-lossless.webp", "phone-alpha.webp",
                  "webp-lossless-4-colours-with-alpha.webp", "webp-lossless-exact-alpha.webp",
                  "quadrants-lossy.webp", "quadrants-lossless.webp",
                  "png-37x23-16-bits-with-alpha.png", "png-37x23-grey.png",
                  "png-37x23-palette-with-transparency.png", "profile-display-p3.png"});
    for (const char* bits : {"1", "4", "8", "24", "32"}) {
        for (const char* order : {"bottom-up", "top-down"}) {
            files.push_back(std::string("bmp-") + bits + "-bits-" + order + ".bmp");
        }
    }
    for (const char* header : {"40", "52", "56", "108", "124", "124-zero-alpha"}) {
        files.push_back(std::string("bmp-alpha-in-a-header-of-") + header + ".bmp");
    }
    for (const char* name : {"bmp-200x150-8-bits-bottom-up.bmp",
                             "bmp-200x150-8-bits-top-down.bmp",
                             "bmp-200x150-8-bit-runs-bottom-up.bmp",
                             "bmp-200x150-8-bit-runs-top-down.bmp",
                             "bmp-8-bit-runs-literals-jumps-and-line-ends.bmp",
                             "bmp-4-bit-runs-alternate-nibbles.bmp",
                             "bmp-run-past-the-row-end-compression-1.bmp",
                             "bmp-16-bits-5-5-5.bmp",
                             "bmp-16-bits-5-6-5.bmp",
                             "bmp-masks-in-a-header-of-52.bmp",
                             "bmp-masks-in-a-header-of-124.bmp",
                             "bmp-old-core-header-with-a-three-byte-palette.bmp",
                             "bmp-pixels-after-a-gap.bmp",
                             "bmp-pixels-inside-the-palette.bmp",
                             "gif-37x23-transparent-frame-in-a-larger-screen.gif",
                             "gif-frame-inside-its-screen.gif",
                             "gif-frame-past-its-screen.gif",
                             "gif-screen-past-frame.gif",
                             "gif-without-a-colour-table.gif",
                             "gif-data-stops.gif"}) {
        files.emplace_back(name);
    }
    return files;
}

TEST_F(ShrinkFrameTest, DrawsWhatTheFullPathDrawsForEveryFittingOrientationAndTurn) {
    ShrinkScratch scratch;
    for (const std::string& file : ShrunkFiles()) {
        const std::string path = KALVIMO_TEST_DATA "/" + file;
        Canvas whole;
        std::string error;
        ASSERT_TRUE(DecodePictureFile(path, whole, 0, error)) << error;
        // The custom crops begin past a picture of a few pixels, leaving nothing to shrink.
        const bool tiny = whole.Width() < 20;
        for (const FittingCase& fitting : kFittings) {
            for (const bool autoRotate : {false, true}) {
                SCOPED_TRACE(::testing::Message()
                             << file << ", " << fitting.name << ", turn " << autoRotate);
                const FrameOrder order = FittingOrder(fitting, autoRotate);
                Canvas fast;
                bool fastTurned = false;
                if (!ShrinkFrame(path, order, fast, fastTurned, scratch)) {
                    EXPECT_TRUE(tiny && fitting.fitting == Fitting::CustomCrop);
                    continue;
                }
                bool fullTurned = false;
                const Canvas full = FullPathFrame(path, order, fullTurned);
                EXPECT_EQ(fastTurned, fullTurned);
                EXPECT_EQ(fast.IccProfile(), full.IccProfile());
                // A pixel out of place costs far more than one level. libwebp averages a lossy
                // picture's halved colour planes before it turns them to RGB, which costs this
                // picture's sharp edges of colour down to 38 dB (photographs keep 49 dB); a region
                // a cell out of place costs under 30.
                if (file.ends_with("lossy.webp")) {
                    EXPECT_GE(test::Psnr(fast, full), 36);
                } else {
                    EXPECT_LE(test::LargestDifference(fast, full), 1);
                }
            }
        }
    }
}

// Layouts the TIFF reader does not read row by row, WebP pictures of several frames, interlaced
// PNGs and GIFs, and files the full decoder refuses, are left to the full path: it reads the
// first and tells what is wrong with the others.
TEST_F(ShrinkFrameTest, LeavesToTheFullPathWhatItCannotShrink) {
    ShrinkScratch scratch;
    for (const char* file : {"tiff-planes-apart.tif",
                             "half.tif",
                             "header-only.tif",
                             "no-strips.tif",
                             "tiff-of-12000-x-12000-in-1-kb.tif",
                             "huge.tif",
                             "half.heic",
                             "heif-lying.heic",
                             "huge.heic",
                             "phone-animated.webp",
                             "half.webp",
                             "huge.webp",
                             "webp-lossless-cut-short.webp",
                             "webp-lossless-reference-before-the-start.webp",
                             "png-interlaced.png",
                             "png-interlaced-with-alpha.png",
                             "half.png",
                             "png-of-13000-x-13000-cut-short.png",
                             "gif-interlaced-quadrants-320x480.gif",
                             "interlaced-gif-with-transparency.gif",
                             "half.gif",
                             "lzw.gif",
                             "huge.gif",
                             "gif-of-16000-x-16000-in-35-bytes.gif",
                             "truncated-pixels.bmp",
                             "scattered-mask.bmp",
                             "large-with-no-data.bmp",
                             "beyond-the-canvas.bmp",
                             "rle-past-the-last-row.bmp",
                             "rle-jump-out.bmp",
                             "rle-cut-short.bmp",
                             "rle-bmp-of-12000-x-12000-in-1-kb.bmp"}) {
        SCOPED_TRACE(file);
        const std::string path = KALVIMO_TEST_DATA "/" + std::string(file);
        ASSERT_TRUE(std::filesystem::is_regular_file(path));
        Canvas frame;
        bool turned = false;
        EXPECT_FALSE(ShrinkFrame(path, FittingOrder(kFittings[1], false), frame, turned, scratch));
    }
}

// What no shrinking reader takes is fitted at full size; a turned picture is fitted before it is
// turned.
TEST_F(ShrinkFrameTest, TurnedPicturesOfTheFullPathComeOutAsTurnedWholeAndFitted) {
    FrameScratch scratch;
    for (const char* file :
         {"gif-interlaced-quadrants-320x480.gif", "gif-interlaced-quadrants-317x479.gif"}) {
        const std::string path = KALVIMO_TEST_DATA "/" + std::string(file);
        for (const FittingCase& fitting : kFittings) {
            SCOPED_TRACE(::testing::Message() << fitting.name << ", " << file);
            const FrameOrder order = FittingOrder(fitting, true);
            Canvas frame;
            const FrameResult result = DrawFrame(path, order, frame, scratch);
            ASSERT_EQ(result.kind, FrameResult::Kind::Drawn);
            bool turned = false;
            const Canvas full = FullPathFrame(path, order, turned);
            EXPECT_TRUE(result.pictureTurned && turned);
            // Averaged before the turn, across and down swap places: a level of rounding apart.
            EXPECT_LE(test::LargestDifference(frame, full), 1);
        }
    }
}

// Frames and pictures of opposite shapes are turned in the batch tests.
TEST(QuarterTurnDecision, NoTurnUnlessFrameAndPictureDisagree) {
    EXPECT_FALSE(NeedsQuarterTurn(800, 600, 800, 600));
    EXPECT_FALSE(NeedsQuarterTurn(800, 600, 1000, 1000));
    EXPECT_FALSE(NeedsQuarterTurn(600, 800, 600, 800));
    EXPECT_FALSE(NeedsQuarterTurn(600, 800, 700, 700));
    EXPECT_FALSE(NeedsQuarterTurn(600, 600, 600, 800));
    EXPECT_FALSE(NeedsQuarterTurn(600, 600, 800, 600));
}

// Which way a picture turns, across tile edges, is told pixel by pixel by the shrinking tests,
// which turn pictures both whole and fitted; here, what cannot be turned.
TEST(RotatePicture, FailsOnNothingOrItself) {
    Canvas dest;
    EXPECT_FALSE(RotatePicture(dest, Canvas()));
    EXPECT_TRUE(dest.Empty());
    Canvas same = test::CoordinatePicture(3, 2);
    EXPECT_FALSE(RotatePicture(same, same));
    EXPECT_EQ(same.Pixel(2, 1), test::CoordinateOf(2, 1));
}

// Each orientation is seen as the EXIF standard describes it in the tests of the phone formats,
// which load their pictures upright; a value outside 1..8 leaves the picture as it is.
TEST(ApplyOrientation, ValuesOutsideTheStandardLeaveThePictureAlone) {
    Canvas scratch;
    Canvas picture = test::CoordinatePicture(70, 40);
    for (int outside : {0, 9, -1}) {
        ASSERT_TRUE(ApplyOrientation(picture, outside, scratch));
        EXPECT_EQ(picture.Pixel(0, 0), test::CoordinateOf(0, 0));
        EXPECT_EQ(picture.Width(), 70);
    }
}

class UprightLoadTest : public test::TempFolderTest {};

// Every orientation is loaded upright in the tests of the phone formats and drawn so in those of
// the shrinking JPEG reader; here, what cannot be read.
TEST_F(UprightLoadTest, AFileThatIsNoPictureFailsWithItsName) {
    Canvas picture;
    Canvas scratch;
    std::string error;
    test::WriteBytes(Path("text.jpg"), "text");
    EXPECT_FALSE(LoadUprightPicture(Path("text.jpg"), picture, scratch, 0, error));
    EXPECT_TRUE(picture.Empty());
    EXPECT_NE(error.find(Path("text.jpg")), std::string::npos);
}

class JpegShrink : public test::TempFolderTest {};

// Sampling factors (h, v) of each component; one component is a grey picture.
using Layout = std::vector<std::array<int, 2>>;

// Writes picture as a JPEG of the given layout. libjpeg writes only factors that divide the
// largest; a layout with others, which libjpeg cannot decode either, is written with 1 in their
// place and its frame header then given the real ones.
void WriteLayout(const std::string& path, Canvas picture, const Layout& layout) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(picture.Width());
    info.image_height = static_cast<JDIMENSION>(picture.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_set_colorspace(&info, layout.size() == 1 ? JCS_GRAYSCALE : JCS_YCbCr);
    const int maxH = std::max_element(layout.begin(), layout.end())->at(0);
    for (std::size_t c = 0; c < layout.size(); ++c) {
        info.comp_info[c].h_samp_factor = maxH % layout[c][0] == 0 ? layout[c][0] : 1;
        info.comp_info[c].v_samp_factor = layout[c][1];
    }
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < picture.Height(); ++y) {
        JSAMPROW row = picture.Row(y);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
    std::string bytes = test::ReadBytes(path);
    const std::size_t frame = bytes.find("\xFF\xC0");
    for (std::size_t c = 0; c < layout.size(); ++c) {
        bytes[frame + 11 + 3 * c] = static_cast<char>(layout[c][0] << 4 | layout[c][1]);
    }
    test::WriteBytes(path, bytes);
}

// Pure primaries and their mixtures, where converting colours clamps, in columns (pattern 0) or
// at random (1); or smooth colour fields with fine noise and hard edges, as photographs have (2).
Canvas Pattern(int pattern, int width, int height) {
    static constexpr Rgb kPrimaries[] = {{255, 0, 0},     {0, 255, 0},   {0, 0, 255},
                                         {255, 255, 0},   {0, 255, 255}, {255, 0, 255},
                                         {255, 255, 255}, {0, 0, 0}};
    std::minstd_rand noise(pattern == 2 ? 42 : 7);
    return test::Painted(width, height, [&](int x, int y) {
        if (pattern < 2) {
            return kPrimaries[pattern == 1 ? noise() % 8 : static_cast<unsigned>(x % 3)];
        }
        const int n = static_cast<int>(noise() % 24) - 12;
        const bool edge = ((x / 37) + (y / 53)) % 2 == 0;
        const auto c8 = [n](int v) { return static_cast<std::uint8_t>(std::clamp(v + n, 0, 255)); };
        return Rgb{c8(edge ? 200 : 40 + x % 90), c8(60 + (x * y) % 120),
                   c8(edge ? 30 : 220 - y % 150)};
    });
}

TEST_F(JpegShrink, EveryLayoutMatchesTheFullDecoderOrFailsAsItDoes) {
    const Layout layouts[] = {
        {{1, 1}},
        {{1, 1}, {1, 1}, {1, 1}},
        {{2, 1}, {1, 1}, {1, 1}},
        {{2, 2}, {1, 1}, {1, 1}},
        {{1, 2}, {1, 1}, {1, 1}},
        {{4, 1}, {1, 1}, {1, 1}},
        {{4, 1}, {2, 1}, {2, 1}}, // a factor of 2 under a factor of 4
        {{1, 4}, {1, 2}, {1, 2}},
        {{4, 2}, {1, 1}, {1, 1}},
        {{3, 1}, {1, 1}, {1, 1}},
        {{3, 2}, {3, 1}, {1, 1}},
        {{3, 1}, {2, 1}, {1, 1}}, // fractional: libjpeg refuses to decode it
        {{2, 2}, {2, 1}, {1, 2}},
    };
    const struct {
        int width, height, targetWidth, targetHeight;
    } sizes[] = {{61, 37, 17, 11}, {200, 150, 50, 40}};
    const std::string path = Path("p.jpg");
    for (const Layout& layout : layouts) {
        for (const auto& size : sizes) {
            for (const int pattern : {0, 1, 2}) {
                WriteLayout(path, Pattern(pattern, size.width, size.height), layout);
                ::testing::Message trace;
                for (const auto& [h, v] : layout) {
                    trace << h << "x" << v << " ";
                }
                SCOPED_TRACE(trace << size.width << " x " << size.height << ", pattern "
                                   << pattern);
                Canvas full;
                std::string error;
                const bool decodable = DecodePictureFile(path, full, 0, error);
                JpegShrinkReader reader;
                Canvas fast;
                const bool shrunk = reader.Open(path) && reader.ReadInto(fast, size.targetWidth,
                                                                         size.targetHeight, error);
                // What libjpeg refuses fails here too, rather than being saved in wrong colours.
                ASSERT_EQ(shrunk, decodable) << error;
                if (!decodable) {
                    continue;
                }
                Canvas exact(size.targetWidth, size.targetHeight);
                ScaledCopy(full, {0, 0, full.Width(), full.Height()}, exact,
                           {0, 0, size.targetWidth, size.targetHeight});
                EXPECT_LE(test::LargestDifference(exact, fast), 1);
            }
        }
    }
}

// libjpeg's own reading of a file held in memory.
Canvas LibjpegDecode(const std::string& bytes) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    Canvas picture(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.Row(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
}

// Both readers take a file in pieces: one of several pieces is read as libjpeg reads it, and one
// cut off in its second piece is refused.
TEST_F(JpegShrink, FilesOfManyReadsAreReadWholeAndRefusedWhenCut) {
    const std::string path = Path("noise.jpg");
    WriteLayout(path, Pattern(1, 800, 600), {{2, 2}, {1, 1}, {1, 1}});
    const std::string bytes = test::ReadBytes(path);
    ASSERT_GT(bytes.size(), 2 * codecs::kJpegReadSize);
    const Canvas reference = LibjpegDecode(bytes);
    Canvas full;
    std::string error;
    ASSERT_TRUE(DecodePictureFile(path, full, 0, error)) << error;
    EXPECT_EQ(test::LargestDifference(full, reference), 0);
    JpegShrinkReader reader;
    Canvas same;
    ASSERT_TRUE(reader.Open(path) && reader.ReadInto(same, 800, 600, error)) << error;
    EXPECT_EQ(test::LargestDifference(same, reference), 0);

    test::WriteBytes(path, bytes.substr(0, codecs::kJpegReadSize + 1000));
    EXPECT_FALSE(DecodePictureFile(path, full, 0, error));
    EXPECT_NE(error.find(codecs::kEndsEarly), std::string::npos) << error;
    EXPECT_FALSE(reader.Open(path) && reader.ReadInto(same, 64, 48, error));
    EXPECT_NE(error.find(codecs::kEndsEarly), std::string::npos) << error;
}

// Damaged JPEGs are refused as the full decoder refuses them in the tests of both readers.
TEST_F(JpegShrink, RefusesWhatIsNoJpeg) {
    JpegShrinkReader reader;
    EXPECT_FALSE(reader.Open(Path("missing.jpg")));
    test::WriteBytes(Path("text.jpg"), "not a picture");
    EXPECT_FALSE(reader.Open(Path("text.jpg")));
}

} // namespace
} // namespace kalvimo
