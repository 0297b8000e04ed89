#include "frame_drawer.h"
#include "gdiplus.h"
#include "geometry.h"
#include "picture_maker.h"
#include "rotation.h"
#include "shrink_frame.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <gtest/gtest.h>

namespace kalvimo {
namespace {

// Quadrants of different colours, so that a wrong turn or mirror cannot pass.
Canvas Quadrants(int w, int h) {
    return test::Painted(w, h, [w, h](int x, int y) {
        const bool right = x >= w / 2;
        const bool bottom = y >= h / 2;
        return Rgb{static_cast<std::uint8_t>(right ? 220 : 30 + x % 40),
                   static_cast<std::uint8_t>(bottom ? 200 : 60),
                   static_cast<std::uint8_t>(right == bottom ? 240 : 20 + y % 30)};
    });
}

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

// Quadrants stored with every orientation, and every layout of samples the TIFF reader puts row
// by row: strips of a few rows or one for the whole picture, tiles cut short by the edges.
std::vector<std::string> ShrunkFiles() {
    std::vector<std::string> files;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        files.push_back("turned-jpeg-" + std::to_string(orientation) + ".jpg");
        files.push_back("turned-tiff-" + std::to_string(orientation) + ".tif");
    }
    for (const char* name :
         {"phone-rgb8.tif", "phone-rgb16.tif", "phone-grey8.tif", "phone-grey16.tif",
          "phone-palette.tif", "phone-cmyk.tif", "phone-alpha8.tif", "phone-alpha16.tif",
          "phone-tiled-deflate.tif", "tiff-tiles-of-16-uncompressed.tif",
          "tiff-tiles-deflate-orientation-3.tif", "tiff-one-strip-deflate-orientation-6.tif",
          "tiff-1-bit-group4-one-strip.tif", "tiff-ycbcr-jpeg.tif", "profile-display-p3.tif"}) {
        files.emplace_back(name);
    }
    return files;
}

TEST_F(ShrinkFrameTest, DrawsWhatTheFullPathDrawsForEveryFittingOrientationAndTurn) {
    ShrinkScratch scratch;
    for (const std::string& file : ShrunkFiles()) {
        const std::string path = KALVIMO_TEST_DATA "/" + file;
        for (const FittingCase& fitting : kFittings) {
            for (const bool autoRotate : {false, true}) {
                SCOPED_TRACE(::testing::Message()
                             << file << ", " << fitting.name << ", turn " << autoRotate);
                const FrameOrder order = FittingOrder(fitting, autoRotate);
                Canvas fast;
                bool fastTurned = false;
                ASSERT_TRUE(ShrinkFrame(path, order, fast, fastTurned, scratch));
                bool fullTurned = false;
                const Canvas full = FullPathFrame(path, order, fullTurned);
                EXPECT_EQ(fastTurned, fullTurned);
                EXPECT_EQ(fast.IccProfile(), full.IccProfile());
                ASSERT_EQ(fast.Width(), full.Width());
                int worst = 0;
                for (std::size_t i = 0; i < full.Stride() * full.Height(); ++i) {
                    worst = std::max(worst, std::abs(fast.Data()[i] - full.Data()[i]));
                }
                EXPECT_LE(worst, 1); // a pixel out of place costs far more than one level
            }
        }
    }
}

// Layouts the TIFF reader does not read row by row, and files the full decoder refuses, are left
// to the full path: it reads the first and tells what is wrong with the others.
TEST_F(ShrinkFrameTest, LeavesToTheFullPathWhatItCannotShrink) {
    ShrinkScratch scratch;
    for (const char* file : {"tiff-planes-apart.tif", "half.tif", "header-only.tif",
                             "no-strips.tif", "tiff-of-12000-x-12000-in-1-kb.tif", "huge.tif"}) {
        SCOPED_TRACE(file);
        Canvas frame;
        bool turned = false;
        EXPECT_FALSE(ShrinkFrame(KALVIMO_TEST_DATA "/" + std::string(file),
                                 FittingOrder(kFittings[1], false), frame, turned, scratch));
    }
}

// Other formats are fitted at full size; a turned one is fitted before it is turned.
TEST_F(ShrinkFrameTest, TurnedPicturesOfTheFullPathComeOutAsTurnedWholeAndFitted) {
    const std::string path = Path("p.png");
    FrameScratch scratch;
    for (const auto& [width, height] : {std::pair{320, 480}, std::pair{317, 479}}) {
        ASSERT_TRUE(cGdiPlus().PictureBoxToFile(Quadrants(width, height), path));
        for (const FittingCase& fitting : kFittings) {
            SCOPED_TRACE(::testing::Message() << fitting.name << ", " << width << " x " << height);
            const FrameOrder order = FittingOrder(fitting, true);
            Canvas frame;
            const FrameResult result = DrawFrame(path, order, frame, scratch);
            ASSERT_EQ(result.kind, FrameResult::Kind::Drawn);
            bool turned = false;
            const Canvas full = FullPathFrame(path, order, turned);
            EXPECT_TRUE(result.pictureTurned && turned);
            ASSERT_EQ(frame.Width(), full.Width());
            int worst = 0;
            for (std::size_t i = 0; i < full.Stride() * full.Height(); ++i) {
                worst = std::max(worst, std::abs(frame.Data()[i] - full.Data()[i]));
            }
            // Averaged before the turn, across and down swap places: a level of rounding apart.
            EXPECT_LE(worst, 1);
        }
    }
}

} // namespace
} // namespace kalvimo
