#include "geometry.h"
#include "picture_maker.h"

#include <gtest/gtest.h>
#include <tuple>

namespace kalvimo {
namespace {

constexpr int kT = 15;
constexpr Rgb kBackRgb{0, 0, 255};
constexpr Rgb kPictureRgb{200, 100, 50};

JobOptions Fitting(int w, int h, bool stretch, bool letterbox, bool autoCrop, int anchor = 4) {
    JobOptions o;
    o.newWidth = w;
    o.newHeight = h;
    o.stretch = stretch;
    o.letterbox = letterbox;
    o.autoCrop = autoCrop;
    o.anchor = static_cast<std::int16_t>(anchor);
    o.backColour = 0xFF0000; // blue
    return o;
}

Canvas Render(const Canvas& source, const JobOptions& o, CropBox crop = {}) {
    Canvas target;
    EXPECT_TRUE(RenderFrame(source, target, o, crop, kT));
    EXPECT_EQ(target.Width(), o.newWidth);
    EXPECT_EQ(target.Height(), o.newHeight);
    return target;
}

// Where the fitted picture lies, in twips and in pixels: the side that limits fills the frame,
// the other is centred between bars of the background.
struct LetterboxCase {
    int sw, sh, w, h;
    int fitWidth, fitHeight, fitX, fitY;
    int firstPicture, lastPicture; // along the bar axis
    bool barsLeftRight;
};
constexpr LetterboxCase kLetterboxCases[] = {
    {1000, 1000, 800, 600, 9000, 9000, 1500, 0, 100, 699, true},
    {1600, 900, 800, 600, 12000, 6750, 0, 1125, 75, 524, false},
    {3000, 2000, 640, 480, 9600, 6400, 0, 400, 27, 453, false},
    // An exact fit keeps its last row.
    {800, 600, 800, 600, 12000, 9000, 0, 0, 0, 599, false},
    {400, 300, 800, 600, 12000, 9000, 0, 0, 0, 599, false},
};

class Letterbox : public ::testing::TestWithParam<LetterboxCase> {};

TEST_P(Letterbox, PicturesAndBarsMeetAtTheRightPixels) {
    const LetterboxCase c = GetParam();
    const auto fit = FitLetterbox(c.sw * kT, c.sh * kT, c.w * kT, c.h * kT);
    ASSERT_TRUE(fit);
    EXPECT_EQ(std::tuple(fit->width, fit->height, fit->x, fit->y),
              std::tuple(c.fitWidth, c.fitHeight, c.fitX, c.fitY));
    const Canvas target =
        Render(Canvas(c.sw, c.sh, PackColour(kPictureRgb)), Fitting(c.w, c.h, false, true, false));
    const int across = c.barsLeftRight ? c.w : c.h;
    for (int i = 0; i < across; ++i) {
        const Rgb expected = i < c.firstPicture || i > c.lastPicture ? kBackRgb : kPictureRgb;
        const Rgb got = c.barsLeftRight ? target.Pixel(i, c.h / 2) : target.Pixel(c.w / 2, i);
        ASSERT_EQ(got, expected) << "at " << i;
        const Rgb otherEdge = c.barsLeftRight ? target.Pixel(i, c.h - 1) : target.Pixel(c.w - 1, i);
        ASSERT_EQ(otherEdge, expected) << "at " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Letterbox, ::testing::ValuesIn(kLetterboxCases));

// A larger picture keeps its anchor's part, a centre offset rounded half to even; a smaller one
// lands at its anchor on the background.
TEST(AutoCrop, EachAnchorKeepsItsPart) {
    for (const auto& [extra, offset] : {std::pair{1, 0}, {3, 2}, {5, 2}}) {
        const Canvas source = test::CoordinatePicture(1000 + extra, 600 + extra);
        const Canvas target = Render(source, Fitting(1000, 600, false, false, true, 4));
        EXPECT_EQ(target.Pixel(0, 0), test::CoordinateOf(offset, offset)) << extra;
        EXPECT_EQ(target.Pixel(999, 599), test::CoordinateOf(999 + offset, 599 + offset));
    }

    const Canvas source = test::CoordinatePicture(1000, 700);
    const int xs[] = {0, 100, 200};
    const int ys[] = {0, 50, 100};
    // Outside 0..8 the top-left corner is kept.
    for (const int anchor : {0, 1, 2, 3, 4, 5, 6, 7, 8, 12}) {
        const Canvas target = Render(source, Fitting(800, 600, false, false, true, anchor));
        EXPECT_EQ(target.Pixel(0, 0), anchor > 8
                                          ? test::CoordinateOf(0, 0)
                                          : test::CoordinateOf(xs[anchor % 3], ys[anchor / 3]))
            << anchor;
    }

    const Canvas small =
        Render(test::CoordinatePicture(400, 300), Fitting(800, 600, false, false, true, 4));
    EXPECT_EQ(small.Pixel(200, 150), test::CoordinateOf(0, 0));
    EXPECT_EQ(small.Pixel(599, 449), test::CoordinateOf(399, 299));
    EXPECT_EQ(small.Pixel(199, 150), kBackRgb);
    EXPECT_EQ(small.Pixel(600, 449), kBackRgb);
}

TEST(CustomCrop, SameSizeCopiesAndOtherSizesScale) {
    const Canvas source = test::CoordinatePicture(1000, 700);
    const CropBox box{1500, 750, 10500, 7500}; // 600 x 450 pixels at (100, 50)
    const Canvas same = Render(source, Fitting(600, 450, false, false, false), box);
    EXPECT_EQ(same.Pixel(0, 0), test::CoordinateOf(100, 50));
    EXPECT_EQ(same.Pixel(599, 449), test::CoordinateOf(699, 499));

    // At a third of the size each pixel is the mean of three by three, so the middle one's.
    const Canvas third = Render(source, Fitting(200, 150, false, false, false), box);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 2}, {20, 66}, {49, 30}}) {
        EXPECT_EQ(third.Pixel(x, y), test::CoordinateOf(101 + 3 * x, 51 + 3 * y)) << x << "," << y;
    }

    const Canvas flat(1000, 700, PackColour(kPictureRgb));
    const Canvas larger = Render(flat, Fitting(800, 600, false, false, false), box);
    EXPECT_EQ(larger.Pixel(0, 0), kPictureRgb);
    EXPECT_EQ(larger.Pixel(799, 599), kPictureRgb);

    // A rectangle past the picture's edge leaves the background where no picture is.
    const CropBox past{12000, 9000, 12000 + 400 * kT, 9000 + 300 * kT};
    const Canvas edge = Render(flat, Fitting(200, 150, false, false, false), past);
    EXPECT_EQ(edge.Pixel(0, 0), kPictureRgb);
    EXPECT_EQ(edge.Pixel(199, 149), kBackRgb);
}

TEST(CustomCrop, ReversedEdgesAreUsedInOrderAndEmptyRectanglesFail) {
    const Canvas source = test::CoordinatePicture(1000, 700);
    const CropBox box{1500, 750, 10500, 7500};
    const Canvas ordered = Render(source, Fitting(300, 200, false, false, false), box);
    for (const CropBox reversed : {CropBox{10500, 750, 1500, 7500}, CropBox{1500, 7500, 10500, 750},
                                   CropBox{10500, 7500, 1500, 750}}) {
        const Canvas target = Render(source, Fitting(300, 200, false, false, false), reversed);
        EXPECT_EQ(target.Pixel(0, 0), ordered.Pixel(0, 0));
        EXPECT_EQ(target.Pixel(299, 199), ordered.Pixel(299, 199));
    }
    Canvas target;
    for (const CropBox nothing :
         {CropBox{}, CropBox{1500, 750, 1500, 7500}, CropBox{1500, 750, 1507, 7500},
          CropBox{15000, 0, 16500, 1500}, CropBox{-3000, -3000, -1500, -1500},
          CropBox{0, 10500, 1500, 12000}}) {
        EXPECT_FALSE(
            RenderFrame(source, target, Fitting(300, 200, false, false, false), nothing, kT))
            << nothing.left << "," << nothing.top << "," << nothing.right << "," << nothing.bottom;
    }
}

TEST(Letterbox, ASliverOfAPictureStaysAtLeastOnePixel) {
    for (const auto& [w, h] : {std::pair{1, 30000}, {30000, 1}}) {
        const Canvas target =
            Render(Canvas(w, h, PackColour(kPictureRgb)), Fitting(2048, 1600, false, true, false));
        int pictureCount = 0;
        for (int y = 0; y < 1600; ++y) {
            for (int x = 0; x < 2048; ++x) {
                pictureCount += target.Pixel(x, y) == kBackRgb ? 0 : 1;
            }
        }
        EXPECT_EQ(pictureCount, w == 1 ? 1600 : 2048) << w << " x " << h;
    }
}

// A stretched picture fills the whole frame; sizes that cannot be measured are refused.
TEST(RenderFrame, StretchFillsTheFrameAndSizesItCannotMeasureFail) {
    Canvas target =
        Render(Canvas(1000, 1000, PackColour(kPictureRgb)), Fitting(800, 600, true, false, false));
    for (const auto& [x, y] : {std::pair{0, 0}, {799, 0}, {0, 599}, {799, 599}, {400, 300}}) {
        EXPECT_EQ(target.Pixel(x, y), kPictureRgb);
    }
    const Canvas source(10, 10);
    EXPECT_FALSE(RenderFrame(Canvas(), target, Fitting(10, 10, false, true, false), {}, kT));
    EXPECT_FALSE(RenderFrame(source, target, Fitting(0, 10, true, false, false), {}, kT));
    EXPECT_FALSE(RenderFrame(source, target, Fitting(200'000'000, 10, true, false, false), {}, kT));
    EXPECT_FALSE(FitLetterbox(0, 10, 10, 10));
}

} // namespace
} // namespace kalvimo
