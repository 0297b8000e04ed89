#include "canvas.h"
#include "picture_maker.h"

#include <gtest/gtest.h>
#include <vector>

namespace kalvimo {
namespace {

// A picture of the given width from its pixels, row by row.
Canvas Pixels(int width, const std::vector<Rgb>& pixels) {
    return test::Painted(width, static_cast<int>(pixels.size()) / width, [&](int x, int y) {
        return pixels[static_cast<std::size_t>(y * width + x)];
    });
}

// The whole of source scaled to w x h.
Canvas Scaled(const Canvas& source, int w, int h) {
    Canvas target(w, h, 0);
    ScaledCopy(source, {0, 0, source.Width(), source.Height()}, target, {0, 0, w, h});
    return target;
}

// Partly covered source pixels are weighed in the batch test's lossless output.
TEST(ScaledCopy, RoundsHalvesToEven) {
    const Canvas quad = Pixels(2, {{0, 10, 0}, {100, 10, 0}, {50, 10, 0}, {51, 11, 1}});
    EXPECT_EQ(Scaled(quad, 1, 1).Pixel(0, 0), (Rgb{50, 10, 0})); // 50.25, 10.25, 0.25
    EXPECT_EQ(Scaled(Pixels(2, {{0, 1, 2}, {1, 2, 3}}), 1, 1).Pixel(0, 0),
              (Rgb{0, 2, 2})); // 0.5, 1.5, 2.5
}

// A constant picture staying constant at any scale is told by the letterbox test's flat pictures.
TEST(ScaledCopy, EnlargingRepeatsEachPixel) {
    const Canvas doubled = Scaled(test::CoordinatePicture(4, 3), 8, 6);
    for (int i = 0; i < 8 * 6; ++i) {
        ASSERT_EQ(doubled.Pixel(i % 8, i / 8), test::CoordinateOf(i % 8 / 2, i / 8 / 2)) << i;
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

    // A plain copy clips against both canvases too.
    Canvas plain(4, 4, PackColour({1, 1, 1}));
    PlainCopy(test::CoordinatePicture(5, 5), -1, 3, plain, 0, 0, 4, 4);
    EXPECT_EQ(plain.Pixel(0, 0), (Rgb{1, 1, 1}));
    EXPECT_EQ(plain.Pixel(1, 0), test::CoordinateOf(0, 3));
    EXPECT_EQ(plain.Pixel(3, 1), test::CoordinateOf(2, 4));
    EXPECT_EQ(plain.Pixel(3, 2), (Rgb{1, 1, 1}));
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
