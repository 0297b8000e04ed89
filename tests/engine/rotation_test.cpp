#include "exif_maker.h"
#include "picture_maker.h"
#include "rotation.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace kalvimo {
namespace {

using test::CoordinateOf;
using test::CoordinatePicture;

// Every source pixel appears exactly once in the result: with fewer than 251 columns and rows
// each pixel of a coordinate picture is unique.
void ExpectEveryPixelOnce(const Canvas& result, int sourceWidth, int sourceHeight) {
    std::set<std::tuple<int, int, int>> seen;
    for (int y = 0; y < result.Height(); ++y) {
        for (int x = 0; x < result.Width(); ++x) {
            const Rgb p = result.Pixel(x, y);
            ASSERT_LT(p.r, sourceWidth);
            ASSERT_LT(p.g, sourceHeight);
            seen.insert({p.r, p.g, p.b});
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(sourceWidth) * sourceHeight);
}

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
    // Three more turns onto canvases already in use bring back the picture.
    Canvas other;
    for (int turn = 0; turn < 3; ++turn) {
        ASSERT_TRUE(RotatePicture(other, dest));
        dest.Swap(other);
    }
    ASSERT_EQ(dest.Width(), w);
    EXPECT_TRUE(std::equal(dest.Data(), dest.Data() + dest.Stride() * h, src.Data()));

    EXPECT_FALSE(RotatePicture(dest, Canvas()));
    EXPECT_TRUE(dest.Empty());
    Canvas same = CoordinatePicture(3, 2);
    EXPECT_FALSE(RotatePicture(same, same));
    EXPECT_EQ(same.Pixel(2, 1), CoordinateOf(2, 1));
}

// Where the stored picture's top-left, top-right and bottom-left corners are seen, as the EXIF
// standard describes each orientation by the places of the stored 0th row and 0th column.
enum Corner { TL, TR, BL, BR };
struct Seen {
    int orientation;
    Corner topLeft;
    Corner topRight;
    Corner bottomLeft;
};
constexpr Seen kSeen[] = {
    {1, TL, TR, BL}, {2, TR, TL, BR}, {3, BR, BL, TR}, {4, BL, BR, TL},
    {5, TL, BL, TR}, {6, TR, BR, TL}, {7, BR, TR, BL}, {8, BL, TL, BR},
};

std::pair<int, int> CornerAt(Corner corner, int w, int h) {
    return {corner == TR || corner == BR ? w - 1 : 0, corner == BL || corner == BR ? h - 1 : 0};
}

TEST(ApplyOrientation, EachValueShowsThePictureAsSeen) {
    const int w = 70;
    const int h = 40;
    Canvas scratch;
    for (const Seen& s : kSeen) {
        SCOPED_TRACE(s.orientation);
        Canvas picture = CoordinatePicture(w, h);
        ASSERT_TRUE(ApplyOrientation(picture, s.orientation, scratch));
        const int uw = s.orientation >= 5 ? h : w; // seen sideways from 5 on
        const int uh = w + h - uw;
        ASSERT_EQ(std::pair(picture.Width(), picture.Height()), std::pair(uw, uh));
        const auto at = [&](Corner c) {
            const auto [x, y] = CornerAt(c, uw, uh);
            return picture.Pixel(x, y);
        };
        EXPECT_EQ(at(s.topLeft), CoordinateOf(0, 0));
        EXPECT_EQ(at(s.topRight), CoordinateOf(w - 1, 0));
        EXPECT_EQ(at(s.bottomLeft), CoordinateOf(0, h - 1));
        ExpectEveryPixelOnce(picture, w, h);
    }
    Canvas picture = CoordinatePicture(w, h);
    for (int outside : {0, 9, -1}) {
        ASSERT_TRUE(ApplyOrientation(picture, outside, scratch));
        EXPECT_EQ(picture.Pixel(0, 0), CoordinateOf(0, 0));
        EXPECT_EQ(picture.Width(), w);
    }
}

class UprightLoadTest : public test::TempFolderTest {};

// Four solid quarters, so that JPEG's losses do not blur which corner went where; the middle of
// each quarter is compared, away from the colour edges.
TEST_F(UprightLoadTest, PhotosOfEveryOrientationLoadUprightAndOthersFailWithTheirName) {
    const int w = 64;
    const int h = 32;
    Canvas stored(w, h, 0x0000FF);
    stored.FillRect(w / 2, 0, w, h / 2, 0x00FF00);
    stored.FillRect(0, h / 2, w / 2, h, 0xFF0000);
    stored.FillRect(w / 2, h / 2, w, h, 0xFFFFFF);
    const auto quarter = [](const Canvas& c, Corner corner) {
        const bool right = corner == TR || corner == BR;
        return c.Pixel(c.Width() * (right ? 3 : 1) / 4, c.Height() * (corner >= BL ? 3 : 1) / 4);
    };
    const auto near = [](Rgb a, Rgb b) {
        return std::abs(a.r - b.r) < 40 && std::abs(a.g - b.g) < 40 && std::abs(a.b - b.b) < 40;
    };
    Canvas picture;
    Canvas scratch;
    std::string error;
    for (const Seen& s : kSeen) {
        SCOPED_TRACE(s.orientation);
        const std::string path = Path("o" + std::to_string(s.orientation) + ".jpg");
        test::WriteJpegWithExif(path, stored,
                                {{"Exif.Image.Orientation", std::to_string(s.orientation)}});
        ASSERT_TRUE(LoadUprightPicture(path, picture, scratch, 0, error)) << error;
        ASSERT_EQ(std::pair(picture.Width(), picture.Height()),
                  s.orientation >= 5 ? std::pair(h, w) : std::pair(w, h));
        EXPECT_TRUE(near(quarter(picture, s.topLeft), quarter(stored, TL)));
        EXPECT_TRUE(near(quarter(picture, s.topRight), quarter(stored, TR)));
        EXPECT_TRUE(near(quarter(picture, s.bottomLeft), quarter(stored, BL)));
    }

    test::WriteBytes(Path("text.jpg"), "text");
    EXPECT_FALSE(LoadUprightPicture(Path("text.jpg"), picture, scratch, 0, error));
    EXPECT_TRUE(picture.Empty());
    EXPECT_NE(error.find(Path("text.jpg")), std::string::npos);
}

} // namespace
} // namespace kalvimo
