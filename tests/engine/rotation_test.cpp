#include "codecs/picture_decoder.h"
#include "exif_maker.h"
#include "picture_maker.h"
#include "rotation.h"
#include "temp_folder.h"
#include "upright_loader.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <tuple>
#include <unistd.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;
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

TEST(RotatePicture, TurnsAnticlockwiseAndKeepsEveryPixel) {
    // Wider than a tile and not a multiple of one, so that tile edges are crossed.
    const int w = 130;
    const int h = 67;
    const Canvas src = CoordinatePicture(w, h);
    Canvas dest;
    ASSERT_TRUE(RotatePicture(dest, src));
    ASSERT_EQ(dest.Width(), h);
    ASSERT_EQ(dest.Height(), w);
    // The top edge becomes the left edge, the right edge the top.
    EXPECT_EQ(dest.Pixel(0, 0), CoordinateOf(w - 1, 0));
    EXPECT_EQ(dest.Pixel(h - 1, 0), CoordinateOf(w - 1, h - 1));
    EXPECT_EQ(dest.Pixel(0, w - 1), CoordinateOf(0, 0));
    EXPECT_EQ(dest.Pixel(h - 1, w - 1), CoordinateOf(0, h - 1));
    for (int x = 0; x < w; ++x) {
        ASSERT_EQ(dest.Pixel(0, w - 1 - x), CoordinateOf(x, 0));
    }
    ExpectEveryPixelOnce(dest, w, h);

    Canvas back = dest;
    Canvas other;
    for (int turn = 0; turn < 3; ++turn) {
        ASSERT_TRUE(RotatePicture(other, back));
        back.Swap(other);
    }
    ASSERT_EQ(back.Width(), w);
    EXPECT_TRUE(std::equal(back.Data(), back.Data() + back.Stride() * h, src.Data()));
}

TEST(RotatePicture, EmptySourceOrTurningOntoItselfFails) {
    Canvas dest(4, 4);
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
        const bool swapped = s.orientation >= 5;
        const int uw = swapped ? h : w;
        const int uh = swapped ? w : h;
        ASSERT_EQ(picture.Width(), uw);
        ASSERT_EQ(picture.Height(), uh);
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

// Four solid quarters, so that JPEG's losses do not blur which corner went where.
Canvas Quarters(int w, int h) {
    Canvas c(w, h, 0x0000FF);
    c.FillRect(w / 2, 0, w, h / 2, 0x00FF00);
    c.FillRect(0, h / 2, w / 2, h, 0xFF0000);
    c.FillRect(w / 2, h / 2, w, h, 0xFFFFFF);
    return c;
}

bool Near(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) < 40 && std::abs(a.g - b.g) < 40 && std::abs(a.b - b.b) < 40;
}

TEST_F(UprightLoadTest, PhotosOfEveryOrientationLoadUpright) {
    const int w = 64;
    const int h = 32;
    const Canvas stored = Quarters(w, h);
    const auto quarterColour = [&](Corner c) {
        const auto [x, y] = CornerAt(c, w, h);
        return stored.Pixel(x, y);
    };
    Canvas picture;
    Canvas scratch;
    for (const Seen& s : kSeen) {
        SCOPED_TRACE(s.orientation);
        const std::string path = Path("o" + std::to_string(s.orientation) + ".jpg");
        test::WriteJpegWithExif(path, stored,
                                {{"Exif.Image.Orientation", std::to_string(s.orientation)}});
        std::string error;
        ASSERT_TRUE(LoadUprightPicture(path, picture, scratch, 0, error)) << error;
        const bool swapped = s.orientation >= 5;
        ASSERT_EQ(picture.Width(), swapped ? h : w);
        ASSERT_EQ(picture.Height(), swapped ? w : h);
        const auto quarterAt = [&](Corner c) {
            auto [x, y] = CornerAt(c, picture.Width(), picture.Height());
            // The middle of the quarter, away from the colour edges.
            x = x == 0 ? picture.Width() / 4 : picture.Width() * 3 / 4;
            y = y == 0 ? picture.Height() / 4 : picture.Height() * 3 / 4;
            return picture.Pixel(x, y);
        };
        EXPECT_TRUE(Near(quarterAt(s.topLeft), quarterColour(TL)));
        EXPECT_TRUE(Near(quarterAt(s.topRight), quarterColour(TR)));
        EXPECT_TRUE(Near(quarterAt(s.bottomLeft), quarterColour(BL)));
    }
}

TEST_F(UprightLoadTest, UndecodableFileFailsWithItsName) {
    const std::string path = Path("text.jpg");
    test::WriteBytes(path, "text");
    Canvas picture(4, 4);
    Canvas scratch;
    std::string error;
    EXPECT_FALSE(LoadUprightPicture(path, picture, scratch, 0, error));
    EXPECT_TRUE(picture.Empty());
    EXPECT_NE(error.find(path), std::string::npos);
}

} // namespace
} // namespace kalvimo
