#include "exif_maker.h"
#include "frame_drawer.h"
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
Canvas FullPathFrame(const std::string& path, const JobOptions& options, const CropBox& crop,
                     bool& turned) {
    Canvas picture;
    Canvas scratch;
    std::string error;
    EXPECT_TRUE(LoadUprightPicture(path, picture, scratch, options.backColour, error)) << error;
    turned = options.autoRotate && NeedsQuarterTurn(options.newWidth, options.newHeight,
                                                    picture.Width(), picture.Height());
    if (turned) {
        EXPECT_TRUE(RotatePicture(scratch, picture));
        picture.Swap(scratch);
    }
    Canvas frame;
    EXPECT_TRUE(RenderFrame(picture, frame, options, crop, 15));
    return frame;
}

struct Fitting {
    const char* name;
    bool stretch, letterbox, autoCrop;
    std::int16_t anchor;
    CropBox crop; // twips
};
const Fitting kFittings[] = {
    {"stretch", true, false, false, 4, {}},
    {"letterbox", false, true, false, 4, {}},
    {"auto crop, top left", false, false, true, 0, {}},
    {"auto crop, centre", false, false, true, 4, {}},
    {"auto crop, bottom right", false, false, true, 8, {}},
    {"custom crop, scaled", false, false, false, 4, {315, 150, 5115, 3750}},
    {"custom crop, frame size", false, false, false, 4, {150, 300, 2550, 2100}},
    {"custom crop, reaching past the picture", false, false, false, 4, {-900, -300, 1800, 1950}},
};

JobOptions FittingOptions(const Fitting& fitting, bool autoRotate) {
    JobOptions options;
    options.newWidth = 160;
    options.newHeight = 120;
    options.stretch = fitting.stretch;
    options.letterbox = fitting.letterbox;
    options.autoCrop = fitting.autoCrop;
    options.customCrop = !fitting.stretch && !fitting.letterbox && !fitting.autoCrop;
    options.anchor = fitting.anchor;
    options.autoRotate = autoRotate;
    options.backColour = 0x00FF00;
    return options;
}

class ShrinkFrameTest : public test::TempFolderTest {};

TEST_F(ShrinkFrameTest, DrawsWhatTheFullPathDrawsForEveryFittingOrientationAndTurn) {
    const std::string path = Path("p.jpg");
    ShrinkScratch scratch;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        test::WriteJpegWithExif(path, Quadrants(480, 320),
                                {{"Exif.Image.Orientation", std::to_string(orientation)}});
        for (const Fitting& fitting : kFittings) {
            for (const bool autoRotate : {false, true}) {
                SCOPED_TRACE(::testing::Message() << fitting.name << ", orientation " << orientation
                                                  << ", turn " << autoRotate);
                const JobOptions options = FittingOptions(fitting, autoRotate);
                Canvas fast;
                bool fastTurned = false;
                if (const std::optional<FrameRecipe> recipe = WholePictureRecipe(options, 15)) {
                    ASSERT_TRUE(ShrinkJpegFrame(path, *recipe, fast, fastTurned, scratch));
                } else {
                    ASSERT_TRUE(
                        ShrinkJpegCrop(path, options, fitting.crop, 15, fast, fastTurned, scratch));
                }
                bool fullTurned = false;
                const Canvas full = FullPathFrame(path, options, fitting.crop, fullTurned);
                EXPECT_EQ(fastTurned, fullTurned);
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

// Other formats are fitted at full size; a turned one is fitted before it is turned.
TEST_F(ShrinkFrameTest, TurnedPicturesOfTheFullPathComeOutAsTurnedWholeAndFitted) {
    const std::string path = Path("p.png");
    FrameScratch scratch;
    for (const auto& [width, height] : {std::pair{320, 480}, std::pair{317, 479}}) {
        ASSERT_TRUE(cGdiPlus().PictureBoxToFile(Quadrants(width, height), path));
        for (const Fitting& fitting : kFittings) {
            SCOPED_TRACE(::testing::Message() << fitting.name << ", " << width << " x " << height);
            const JobOptions options = FittingOptions(fitting, true);
            Canvas frame;
            const FrameResult result =
                DrawFrame(path, *FrameOrderOf(options, fitting.crop, 15), frame, scratch);
            ASSERT_EQ(result.kind, FrameResult::Kind::Drawn);
            bool turned = false;
            const Canvas full = FullPathFrame(path, options, fitting.crop, turned);
            EXPECT_TRUE(result.pictureTurned && turned);
            ASSERT_EQ(frame.Width(), full.Width());
            EXPECT_TRUE(
                std::equal(full.Data(), full.Data() + full.Stride() * full.Height(), frame.Data()));
        }
    }
}

} // namespace
} // namespace kalvimo
