#include "attention.h"
#include "geometry.h"
#include "picture_maker.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace kalvimo {
namespace {

constexpr int kT = 15;
constexpr Rgb kBackRgb{0, 0, 255};
constexpr Rgb kPictureRgb{200, 100, 50};

// Not turned, on a blue background.
FrameOrder Order(int w, int h, Fitting fitting, int anchor = 4, CropBox crop = {}) {
    return {w, h, fitting, static_cast<std::int16_t>(anchor), false, 0xFF0000, crop, kT};
}

// Fatal to the calling test, through ASSERT_NO_FATAL_FAILURE, when no frame of the size asked
// for is made: its pixels are not there to read.
void Render(Canvas& target, const Canvas& source, FrameOrder o, CropBox crop = {}) {
    o.crop = crop;
    ASSERT_TRUE(RenderFrame(source, target, o));
    ASSERT_EQ(target.Width(), o.newWidth);
    ASSERT_EQ(target.Height(), o.newHeight);
}

// The side that limits fills the frame, the other is centred between bars of the background.
TEST(Letterbox, PicturesAndBarsMeetAtTheRightPixels) {
    const struct {
        int sw, sh, w, h;
        int firstPicture, lastPicture; // along the bar axis
        bool barsLeftRight;
    } cases[] = {
        {1000, 1000, 800, 600, 100, 699, true},
        {1600, 900, 800, 600, 75, 524, false},
        {3000, 2000, 640, 480, 27, 453, false},
        // An exact fit keeps its last row.
        {800, 600, 800, 600, 0, 599, false},
        {400, 300, 800, 600, 0, 599, false},
        // A sliver of a picture stays at least one pixel.
        {1, 30000, 2048, 1600, 1024, 1024, true},
        {30000, 1, 2048, 1600, 800, 800, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sw << " x " << c.sh << " into " << c.w);
        Canvas target;
        ASSERT_NO_FATAL_FAILURE(Render(target, Canvas(c.sw, c.sh, PackColour(kPictureRgb)),
                                       Order(c.w, c.h, Fitting::Letterbox)));
        const int across = c.barsLeftRight ? c.w : c.h;
        for (int i = 0; i < across; ++i) {
            const Rgb expected = i < c.firstPicture || i > c.lastPicture ? kBackRgb : kPictureRgb;
            const Rgb got = c.barsLeftRight ? target.Pixel(i, c.h / 2) : target.Pixel(c.w / 2, i);
            ASSERT_EQ(got, expected) << "at " << i;
            const Rgb otherEdge =
                c.barsLeftRight ? target.Pixel(i, c.h - 1) : target.Pixel(c.w - 1, i);
            ASSERT_EQ(otherEdge, expected) << "at " << i;
        }
    }
}

// What a frame shows at (x, y): pixel (sx, sy) of a coordinate picture, or the background.
struct Probe {
    int x, y, sx, sy;
};
constexpr int kBack = -1;

// A larger picture keeps its anchor's part, a centre offset rounded half to even; a smaller one
// lands at its anchor on the background. A custom rectangle of the frame's size is copied, others
// are scaled (at a third each pixel is the mean of three by three, so the middle one's), and
// past the picture's edge the background stays.
TEST(RenderFrame, EachFittingShowsItsPartOfThePicture) {
    const auto stretch = [](int w, int h) { return Order(w, h, Fitting::Stretch); };
    const auto autoCrop = [](int w, int h, int anchor = 4) {
        return Order(w, h, Fitting::AutoCrop, anchor);
    };
    const auto custom = [](int w, int h) { return Order(w, h, Fitting::CustomCrop); };
    const CropBox box{1500, 750, 10500, 7500};     // 600 x 450 pixels at (100, 50)
    const CropBox past{12000, 9000, 21000, 15750}; // 600 x 450 pixels at (800, 600)
    const struct {
        const char* name;
        int sw, sh;
        FrameOrder order;
        CropBox crop;
        std::vector<Probe> probes;
    } cases[] = {
        {"stretched", 600, 750, stretch(200, 150), {}, {{0, 0, 1, 2}, {199, 149, 598, 747}}},
        {"1 spare", 1001, 601, autoCrop(1000, 600), {}, {{0, 0, 0, 0}, {999, 599, 999, 599}}},
        {"3 spare", 1003, 603, autoCrop(1000, 600), {}, {{0, 0, 2, 2}, {999, 599, 1001, 601}}},
        {"5 spare", 1005, 605, autoCrop(1000, 600), {}, {{0, 0, 2, 2}, {999, 599, 1001, 601}}},
        {"smaller", 400, 300, autoCrop(800, 600), {}, {{200, 150, 0, 0}, {599, 449, 399, 299}}},
        {"smaller", 400, 300, autoCrop(800, 600), {}, {{199, 150, kBack, 0}, {600, 449, kBack, 0}}},
        {"same size", 1000, 700, custom(600, 450), box, {{0, 0, 100, 50}, {599, 449, 699, 499}}},
        {"a third", 1000, 700, custom(200, 150), box, {{0, 0, 101, 51}, {1, 2, 104, 57}}},
        {"a third", 1000, 700, custom(200, 150), box, {{20, 66, 161, 249}, {49, 30, 248, 141}}},
        {"larger", 1000, 700, custom(800, 600), box, {{0, 0, 100, 50}, {799, 599, 699, 499}}},
        {"past", 1000, 700, custom(200, 150), past, {{0, 0, 801, 601}, {65, 32, 996, 697}}},
        {"past", 1000, 700, custom(200, 150), past, {{67, 0, kBack, 0}, {0, 34, kBack, 0}}},
        // A rectangle stored with its edges the other way round means the same.
        {"reversed", 1000, 700, custom(200, 150), {10500, 750, 1500, 7500}, {{1, 2, 104, 57}}},
        {"reversed", 1000, 700, custom(200, 150), {1500, 7500, 10500, 750}, {{1, 2, 104, 57}}},
        {"reversed", 1000, 700, custom(200, 150), {10500, 7500, 1500, 750}, {{49, 30, 248, 141}}},
    };
    for (const auto& c : cases) {
        Canvas target;
        ASSERT_NO_FATAL_FAILURE(
            Render(target, test::CoordinatePicture(c.sw, c.sh), c.order, c.crop));
        for (const auto& [x, y, sx, sy] : c.probes) {
            EXPECT_EQ(target.Pixel(x, y), sx == kBack ? kBackRgb : test::CoordinateOf(sx, sy))
                << c.name << " at " << x << "," << y;
        }
    }

    const Canvas source = test::CoordinatePicture(1000, 700);
    const int xs[] = {0, 100, 200};
    const int ys[] = {0, 50, 100};
    // Outside 0..8 the top-left corner is kept.
    for (const int anchor : {0, 1, 2, 3, 4, 5, 6, 7, 8, 12}) {
        Canvas target;
        ASSERT_NO_FATAL_FAILURE(Render(target, source, autoCrop(800, 600, anchor)));
        EXPECT_EQ(target.Pixel(0, 0), anchor > 8
                                          ? test::CoordinateOf(0, 0)
                                          : test::CoordinateOf(xs[anchor % 3], ys[anchor / 3]))
            << anchor;
    }
}

// The largest region of the frame's proportions at the anchor, its edges rounded half to even
// apart, area averaged over the whole frame; a smaller picture is scaled up alike.
TEST(Fill, CoversTheFrameWithTheRegionAtTheAnchor) {
    const struct {
        int sw, sh, w, h, anchor;
        PixelRect region;
    } cases[] = {
        {4000, 3000, 800, 480, 0, {0, 0, 4000, 2400}},
        {4000, 3000, 800, 480, 1, {0, 0, 4000, 2400}},
        {4000, 3000, 800, 480, 2, {0, 0, 4000, 2400}},
        {4000, 3000, 800, 480, 3, {0, 300, 4000, 2400}},
        {4000, 3000, 800, 480, 4, {0, 300, 4000, 2400}},
        {4000, 3000, 800, 480, 5, {0, 300, 4000, 2400}},
        {4000, 3000, 800, 480, 6, {0, 600, 4000, 2400}},
        {4000, 3000, 800, 480, 7, {0, 600, 4000, 2400}},
        {4000, 3000, 800, 480, 8, {0, 600, 4000, 2400}},
        {3000, 4000, 800, 480, 4, {0, 1100, 3000, 1800}},
        {3000, 4000, 800, 480, 2, {0, 0, 3000, 1800}},
        {400, 300, 800, 600, 8, {0, 0, 400, 300}},
        {1001, 600, 800, 480, 4, {0, 0, 1000, 600}},
        {1003, 600, 800, 480, 4, {2, 0, 1000, 600}},
        {1003, 600, 800, 480, 5, {3, 0, 1000, 600}},
        {1000, 401, 500, 200, 7, {0, 1, 1000, 400}},
        {1000, 600, 1000, 600, 4, {0, 0, 1000, 600}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sw << " x " << c.sh << ", anchor " << c.anchor);
        const FrameOrder order = Order(c.w, c.h, Fitting::Fill, c.anchor);
        const std::optional<FramePlacement> place = PlaceFrame(order, c.sw, c.sh);
        ASSERT_TRUE(place);
        EXPECT_EQ(std::tuple(place->from.x, place->from.y, place->from.width, place->from.height),
                  std::tuple(c.region.x, c.region.y, c.region.width, c.region.height));
        const Canvas source = test::CoordinatePicture(c.sw, c.sh);
        Canvas target;
        ASSERT_NO_FATAL_FAILURE(Render(target, source, order));
        Canvas expected(c.w, c.h);
        ScaledCopy(source, c.region, expected, {0, 0, c.w, c.h});
        EXPECT_EQ(test::LargestDifference(expected, target), 0);
    }
}

// A blank frame is no result: rectangles that hold none of the picture and sizes that cannot be
// measured fail.
TEST(RenderFrame, NothingToDrawFails) {
    const Canvas source = test::CoordinatePicture(1000, 700);
    Canvas target;
    for (const CropBox nothing :
         {CropBox{}, CropBox{1500, 750, 1500, 7500}, CropBox{1500, 750, 1507, 7500},
          CropBox{15000, 0, 16500, 1500}, CropBox{-3000, -3000, -1500, -1500},
          CropBox{0, 10500, 1500, 12000}}) {
        EXPECT_FALSE(RenderFrame(source, target, Order(300, 200, Fitting::CustomCrop, 4, nothing)))
            << nothing.left << "," << nothing.top << "," << nothing.right << "," << nothing.bottom;
    }
    EXPECT_FALSE(RenderFrame(Canvas(), target, Order(10, 10, Fitting::Letterbox)));
    EXPECT_FALSE(RenderFrame(source, target, Order(0, 10, Fitting::Stretch)));
    EXPECT_FALSE(RenderFrame(source, target, Order(200'000'000, 10, Fitting::Stretch)));
    EXPECT_FALSE(FitLetterbox(0, 10, 10, 10));
}

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

// Within a cell, rows of one weight are added up apart from the rest and weighed once.
TEST(ScaledCopy, AddsRowsOfEveryWeightWithoutOverflow) {
    // Thirds: 2/3 of 60 and 1/3 of 30, then 1/3 of 30 and 2/3 of 90.
    const Canvas three = Scaled(Pixels(1, {{60, 60, 60}, {30, 30, 30}, {90, 90, 90}}), 1, 2);
    EXPECT_EQ(three.Pixel(0, 0), (Rgb{50, 50, 50}));
    EXPECT_EQ(three.Pixel(0, 1), (Rgb{70, 70, 70}));
    for (const int rows : {257, 258, 600, 2000}) {
        const Canvas tall(3, rows, PackColour({255, 254, 1}));
        EXPECT_EQ(Scaled(tall, 1, 1).Pixel(0, 0), (Rgb{255, 254, 1})) << rows;
    }
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

enum class Subject { Texture, Skin, None, TextureAllOver };

// A smooth gradient with a subject a fifth of each side in size: grey squares of 16 pixels at
// random, or a flat face colour. None and TextureAllOver are the pictures with nothing standing
// out.
Canvas Scene(int w, int h, PixelRect at, Subject subject) {
    return test::Painted(w, h, [=](int x, int y) {
        const bool inside = subject == Subject::TextureAllOver ||
                            (x >= at.x && x < at.x + at.width && y >= at.y && y < at.y + at.height);
        if (subject == Subject::None) {
            return Rgb{120, 130, 140};
        }
        if (inside) {
            if (subject == Subject::Skin) {
                return Rgb{224, 172, 140};
            }
            auto hash = static_cast<std::uint32_t>((y / 16) * 1000 + x / 16) * 2654435761U;
            hash = (hash ^ (hash >> 15)) * 2246822519U;
            const auto v = static_cast<std::uint8_t>(hash >> 24);
            return Rgb{v, v, v};
        }
        return Rgb{static_cast<std::uint8_t>(60 + 80 * x / w),
                   static_cast<std::uint8_t>(90 + 60 * y / h), 140};
    });
}

FrameOrder ByContent(int w, int h, Fitting fitting) {
    return {w, h, fitting, kAnchorByContent, false, 0, {}};
}

// The kept region holds the whole subject wherever it is, for landscape and portrait pictures
// and frames of three proportions, filled or cut at the frame's size.
TEST(ByContent, KeepsTheSubjectWhole) {
    for (const auto& [w, h] : {std::pair{1200, 800}, std::pair{800, 1200}}) {
        const int sw = w / 5;
        const int sh = h / 5;
        const PixelRect places[] = {{w / 20, (h - sh) / 2, sw, sh},
                                    {w - w / 20 - sw, (h - sh) / 2, sw, sh},
                                    {(w - sw) / 2, h / 20, sw, sh},
                                    {(w - sw) / 2, h - h / 20 - sh, sw, sh}};
        for (const PixelRect& at : places) {
            for (const Subject subject : {Subject::Texture, Subject::Skin}) {
                const Canvas scene = Scene(w, h, at, subject);
                const Attention attention = FindAttention(ShrunkForAttention(scene));
                for (const auto& [fw, fh] :
                     {std::pair{640, 360}, std::pair{640, 480}, std::pair{500, 500}}) {
                    for (const Fitting fitting : {Fitting::Fill, Fitting::AutoCrop}) {
                        SCOPED_TRACE(::testing::Message()
                                     << w << "x" << h << " subject at " << at.x << "," << at.y
                                     << " kind " << static_cast<int>(subject) << " frame " << fw
                                     << "x" << fh << " fitting " << static_cast<int>(fitting));
                        const auto place = PlaceFrame(ByContent(fw, fh, fitting), w, h, &attention);
                        ASSERT_TRUE(place);
                        const PixelRect& r = place->from;
                        EXPECT_LE(r.x, at.x);
                        EXPECT_LE(r.y, at.y);
                        EXPECT_GE(r.x + r.width, at.x + at.width);
                        EXPECT_GE(r.y + r.height, at.y + at.height);
                    }
                }
            }
        }
    }
}

// With nothing standing out the cut is the centred one, through the frame drawing too.
TEST(ByContent, PlainOrEvenlyDetailedPicturesAreCentred) {
    for (const Subject subject : {Subject::None, Subject::TextureAllOver}) {
        const Canvas scene = Scene(1200, 800, {}, subject);
        for (const Fitting fitting : {Fitting::Fill, Fitting::AutoCrop}) {
            FrameOrder order = ByContent(500, 500, fitting);
            Canvas byContent;
            Canvas centred;
            ASSERT_TRUE(RenderFrame(scene, byContent, order));
            order.anchor = 4;
            ASSERT_TRUE(RenderFrame(scene, centred, order));
            EXPECT_EQ(test::LargestDifference(centred, byContent), 0)
                << static_cast<int>(subject) << " " << static_cast<int>(fitting);
        }
    }
}

} // namespace
} // namespace kalvimo
