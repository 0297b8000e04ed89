#include "exif_maker.h"
#include "picture_maker.h"
#include "rotation.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <gtest/gtest.h>

namespace kalvimo {
namespace {

using test::CoordinateOf;
using test::CoordinatePicture;

TEST(QuarterTurnDecision, TurnsOnlyWhenFrameAndPictureDisagree) {
    EXPECT_TRUE(NeedsQuarterTurn(800, 600, 600, 800));
    EXPECT_TRUE(NeedsQuarterTurn(600, 800, 800, 600));
    EXPECT_FALSE(NeedsQuarterTurn(800, 600, 800, 600));
    EXPECT_FALSE(NeedsQuarterTurn(800, 600, 1000, 1000));
    EXPECT_FALSE(NeedsQuarterTurn(600, 800, 600, 800));
    EXPECT_FALSE(NeedsQuarterTurn(600, 800, 700, 700));
    EXPECT_FALSE(NeedsQuarterTurn(600, 600, 600, 800));
    EXPECT_FALSE(NeedsQuarterTurn(600, 600, 800, 600));
}

TEST(RotatePicture, TurnsAnticlockwiseAndBackAndFailsOnNothingOrItself) {
    // Wider than a tile and not a multiple of one, so that tile edges are crossed.
    const int w = 130;
    const int h = 67;
    const Canvas src = CoordinatePicture(w, h);
    Canvas dest;
    ASSERT_TRUE(RotatePicture(dest, src));
    ASSERT_EQ(std::pair(dest.Width(), dest.Height()), std::pair(h, w));
    // The top edge becomes the left edge, the right edge the top.
    for (int i = 0; i < w * h; ++i) {
        ASSERT_EQ(dest.Pixel(i % h, i / h), CoordinateOf(w - 1 - i / h, i % h)) << i;
    }

    EXPECT_FALSE(RotatePicture(dest, Canvas()));
    EXPECT_TRUE(dest.Empty());
    Canvas same = CoordinatePicture(3, 2);
    EXPECT_FALSE(RotatePicture(same, same));
    EXPECT_EQ(same.Pixel(2, 1), CoordinateOf(2, 1));
}

// Where the stored picture's top-left, top-right and bottom-left corners are seen, as the EXIF
// standard describes each orientation by the places of the stored 0th row and 0th column.
TEST(ApplyOrientation, EachValueShowsThePictureAsSeen) {
    enum Corner { TL, TR, BL, BR };
    const struct {
        int orientation;
        Corner topLeft, topRight, bottomLeft;
    } seen[] = {
        {1, TL, TR, BL}, {2, TR, TL, BR}, {3, BR, BL, TR}, {4, BL, BR, TL},
        {5, TL, BL, TR}, {6, TR, BR, TL}, {7, BR, TR, BL}, {8, BL, TL, BR},
    };
    const int w = 70;
    const int h = 40;
    Canvas scratch;
    for (const auto& s : seen) {
        SCOPED_TRACE(s.orientation);
        Canvas picture = CoordinatePicture(w, h);
        ASSERT_TRUE(ApplyOrientation(picture, s.orientation, scratch));
        const int uw = s.orientation >= 5 ? h : w; // seen sideways from 5 on
        const int uh = w + h - uw;
        ASSERT_EQ(std::pair(picture.Width(), picture.Height()), std::pair(uw, uh));
        const auto at = [&](Corner c) {
            return picture.Pixel(c == TR || c == BR ? uw - 1 : 0, c >= BL ? uh - 1 : 0);
        };
        EXPECT_EQ(at(s.topLeft), CoordinateOf(0, 0));
        EXPECT_EQ(at(s.topRight), CoordinateOf(w - 1, 0));
        EXPECT_EQ(at(s.bottomLeft), CoordinateOf(0, h - 1));
    }
    Canvas picture = CoordinatePicture(w, h);
    for (int outside : {0, 9, -1}) {
        ASSERT_TRUE(ApplyOrientation(picture, outside, scratch));
        EXPECT_EQ(picture.Pixel(0, 0), CoordinateOf(0, 0));
        EXPECT_EQ(picture.Width(), w);
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

} // namespace
} // namespace kalvimo
