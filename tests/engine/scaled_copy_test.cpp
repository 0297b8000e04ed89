#include "canvas.h"
#include "picture_maker.h"

#include <gtest/gtest.h>

namespace kalvimo {
namespace {

TEST(ScaledCopy, ConstantPictureStaysConstantAtAnyScale) {
    const Canvas source(97, 61, PackColour({200, 13, 255}));
    for (const auto& [w, h] : {std::pair{31, 17}, {97, 61}, {300, 200}, {1, 1}}) {
        Canvas target(w, h, 0);
        ScaledCopy(source, {0, 0, 97, 61}, target, {0, 0, w, h});
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                ASSERT_EQ(target.Pixel(x, y), (Rgb{200, 13, 255})) << w << "x" << h;
            }
        }
    }
}

TEST(ScaledCopy, WeighsSourcePixelsByCoverage) {
    Canvas source(3, 1);
    source.SetPixel(0, 0, {0, 0, 0});
    source.SetPixel(1, 0, {90, 90, 90});
    source.SetPixel(2, 0, {180, 180, 180});
    Canvas target(2, 1, 0);
    ScaledCopy(source, {0, 0, 3, 1}, target, {0, 0, 2, 1});
    EXPECT_EQ(target.Pixel(0, 0).r, 30);  // (0 + 90 / 2) / 1.5
    EXPECT_EQ(target.Pixel(1, 0).r, 150); // (90 / 2 + 180) / 1.5

    Canvas quad(2, 2);
    quad.SetPixel(0, 0, {0, 10, 0});
    quad.SetPixel(1, 0, {100, 10, 0});
    quad.SetPixel(0, 1, {50, 10, 0});
    quad.SetPixel(1, 1, {51, 11, 1});
    Canvas one(1, 1, 0);
    ScaledCopy(quad, {0, 0, 2, 2}, one, {0, 0, 1, 1});
    EXPECT_EQ(one.Pixel(0, 0), (Rgb{50, 10, 0})); // 50.25, 10.25, 0.25
}

TEST(ScaledCopy, RoundsHalvesToEven) {
    Canvas source(2, 1);
    source.SetPixel(0, 0, {0, 1, 2});
    source.SetPixel(1, 0, {1, 2, 3});
    Canvas target(1, 1, 0);
    ScaledCopy(source, {0, 0, 2, 1}, target, {0, 0, 1, 1});
    EXPECT_EQ(target.Pixel(0, 0), (Rgb{0, 2, 2})); // 0.5, 1.5, 2.5
}

TEST(ScaledCopy, EnlargingRepeatsEachPixel) {
    const Canvas source = test::CoordinatePicture(4, 3);
    Canvas target(8, 6, 0);
    ScaledCopy(source, {0, 0, 4, 3}, target, {0, 0, 8, 6});
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(target.Pixel(x, y), test::CoordinateOf(x / 2, y / 2));
        }
    }
}

TEST(ScaledCopy, NeverReadsOrWritesOutsideEitherCanvas) {
    const Canvas source(10, 10, PackColour({9, 9, 9}));
    Canvas target(10, 10, PackColour({1, 2, 3}));
    // A source rectangle reaching past the picture: cells with no source stay as they were.
    ScaledCopy(source, {5, 5, 10, 10}, target, {0, 0, 10, 10});
    EXPECT_EQ(target.Pixel(0, 0), (Rgb{9, 9, 9}));
    EXPECT_EQ(target.Pixel(4, 4), (Rgb{9, 9, 9}));
    EXPECT_EQ(target.Pixel(5, 5), (Rgb{1, 2, 3}));
    EXPECT_EQ(target.Pixel(9, 0), (Rgb{1, 2, 3}));
    // A target rectangle hanging off every side.
    Canvas small(4, 4, PackColour({1, 2, 3}));
    ScaledCopy(source, {0, 0, 10, 10}, small, {-3, -3, 10, 10});
    EXPECT_EQ(small.Pixel(0, 0), (Rgb{9, 9, 9}));
    EXPECT_EQ(small.Pixel(3, 3), (Rgb{9, 9, 9}));
    ScaledCopy(source, {-20, -20, 5, 5}, small, {0, 0, 4, 4});
    EXPECT_EQ(small.Pixel(1, 1), (Rgb{9, 9, 9}));
}

TEST(PlainCopy, ClipsAgainstBothCanvases) {
    const Canvas source = test::CoordinatePicture(5, 5);
    Canvas target(4, 4, PackColour({1, 1, 1}));
    PlainCopy(source, -1, 3, target, 0, 0, 4, 4);
    EXPECT_EQ(target.Pixel(0, 0), (Rgb{1, 1, 1}));
    EXPECT_EQ(target.Pixel(1, 0), test::CoordinateOf(0, 3));
    EXPECT_EQ(target.Pixel(3, 1), test::CoordinateOf(2, 4));
    EXPECT_EQ(target.Pixel(3, 2), (Rgb{1, 1, 1}));
}

TEST(Canvas, RefusesEmptyAndOversizedPictures) {
    Canvas c;
    EXPECT_FALSE(c.Resize(0, 10));
    EXPECT_FALSE(c.Resize(-5, 10));
    EXPECT_FALSE(c.Resize(65000, 65000));
    EXPECT_FALSE(c.Resize(16001, 16000)); // just over 256 megapixels
    EXPECT_TRUE(c.Empty());
    EXPECT_TRUE(c.Resize(100, 100));
}

} // namespace
} // namespace kalvimo
