#include "picture_maker.h"
#include "rotation.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <gtest/gtest.h>

namespace kalvimo {
namespace {

using test::CoordinateOf;
using test::CoordinatePicture;

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
    Canvas same = CoordinatePicture(3, 2);
    EXPECT_FALSE(RotatePicture(same, same));
    EXPECT_EQ(same.Pixel(2, 1), CoordinateOf(2, 1));
}

// Each orientation is seen as the EXIF standard describes it in the tests of the phone formats,
// which load their pictures upright; a value outside 1..8 leaves the picture as it is.
TEST(ApplyOrientation, ValuesOutsideTheStandardLeaveThePictureAlone) {
    Canvas scratch;
    Canvas picture = CoordinatePicture(70, 40);
    for (int outside : {0, 9, -1}) {
        ASSERT_TRUE(ApplyOrientation(picture, outside, scratch));
        EXPECT_EQ(picture.Pixel(0, 0), CoordinateOf(0, 0));
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

} // namespace
} // namespace kalvimo
