#include "crop_model.h"

#include <gtest/gtest.h>
#include <limits>

namespace kalvimo {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(CropModelTest, BoxesShowPixelsRoundedHalfToEven) {
    struct Case {
        CropBox edges;
        std::array<std::int32_t, 4> coords;
    };
    const Case cases[] = {
        {{1500, 750, 10500, 7500}, {100, 50, 600, 450}},
        {{188, 0, 188, 0}, {13, 0, 0, 0}},        // 12.53 rounds up
        {{0, 0, 4800, 3600}, {0, 0, 320, 240}},   // the first start's rectangle
        {{10500, 0, 1500, 0}, {700, 0, -600, 0}}, // edges out of order show as they are
        {{22, 7, 52, 37}, {1, 0, 2, 2}},          // 1.47, 0.47, 2, 2
        {{-kMax, 0, kMax, 0}, {-143165576, 0, 286331153, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CoordsFromEdges(c.edges, 15), c.coords) << c.edges.left << "," << c.edges.right;
    }
}

TEST(CropModelTest, TypedTextIsANumberOrNothing) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"12.5", 12.5},
        {" -50 ", -50.0},
        {"+3", 3.0},
        {"7.", 7.0},
        {".5", 0.5},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12px", std::nullopt},
        {"-", std::nullopt},
        {"1e3", std::nullopt},
        {"1.2.3", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ReadCoordText(text), expected) << text;
    }
}

TEST(CropModelTest, EdgesFromTypedPixels) {
    const CropBox previous{1500, 750, 10500, 7500};
    using Coords = std::array<std::optional<double>, 4>;
    struct Case {
        Coords coords;
        CropBox edges;
    };
    const Case cases[] = {
        {{100, 50, 600, 450}, {1500, 750, 10500, 7500}},
        {{12.5, 0, 0, 0}, {188, 0, 188, 0}}, // 187.5 to even; the width adds before rounding
        {{100, 0, -50, 0}, {1500, 0, 750, 0}},
        // A box without a number, or too large for an edge, keeps its value.
        {{std::nullopt, std::nullopt, std::nullopt, std::nullopt}, previous},
        {{200, std::nullopt, std::nullopt, 10}, {3000, 750, 12000, 900}},
        {{1e12, 0, 1e12, 0}, {1500, 0, 10500, 0}},
        {{100, 0, 2e8, 0}, {1500, 0, 10500, 0}},
    };
    for (const Case& c : cases) {
        const CropBox edges = EdgesFromCoords(previous, c.coords, 15);
        EXPECT_EQ((std::array{edges.left, edges.top, edges.right, edges.bottom}),
                  (std::array{c.edges.left, c.edges.top, c.edges.right, c.edges.bottom}));
    }
}

TEST(CropModelTest, SizeConstraint) {
    const float scale = ImageScale(800, 600);
    struct Case {
        SelectionRect rect;
        CropConstraint constraint;
        SelectionRect expected;
    };
    const Case cases[] = {
        {{30, 45, 4500, 6000}, {false, true}, {30, 45, 4500, 3375}}, // 300 x 400 -> 300 x 225
        {{0, 0, 6000, 4500}, {false, true}, {0, 0, 6000, 4500}},     // 400 x 300 stays
        {{0, 0, 3000, 3000}, {false, true}, {0, 0, 3000, 2250}},     // a square keeps its width
        {{15, 15, 3000, 150}, {true, false}, {15, 15, 12000, 9000}},
        {{15, 15, 3000, 150}, {true, true}, {15, 15, 12000, 9000}}, // the restraint wins
        {{15, 15, 3000, 150}, {false, false}, {15, 15, 3000, 150}},
        {{0, 0, 0, 0}, {false, true}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConstrainSize(c.rect, c.constraint, {800, 600}, scale, 15), c.expected)
            << c.rect.Width << "x" << c.rect.Height;
    }
}

TEST(CropModelTest, EdgesAreOrdered) {
    const CropBox fromRect = OrderedEdges(SelectionRect{1500, 750, -750, -1500});
    EXPECT_EQ((std::array{fromRect.left, fromRect.top, fromRect.right, fromRect.bottom}),
              (std::array{750, -750, 1500, 750}));
    const CropBox fromBand = OrderedEdges(BandRect{300, 40, 100, 90});
    EXPECT_EQ((std::array{fromBand.left, fromBand.top, fromBand.right, fromBand.bottom}),
              (std::array{100, 40, 300, 90}));
}

TEST(CropModelTest, HandlesSitJustOutsideTheRectangle) {
    const std::array<HandlePlace, kHandleCount> places = HandleLayout({150, 300, 601, 450});
    const double expected[kHandleCount][2] = {{60, 210},  {405.5, 210}, {751, 210}, {751, 480},
                                              {751, 750}, {405.5, 750}, {60, 750},  {60, 480}};
    for (int i = 0; i < kHandleCount; ++i) {
        EXPECT_EQ(places[i].left, expected[i][0]) << i;
        EXPECT_EQ(places[i].top, expected[i][1]) << i;
    }
}

TEST(CropModelTest, HandleDragStep) {
    const SelectionRect rect{1500, 1500, 3000, 3000};
    struct Case {
        int handle;
        std::int32_t dx, dy;
        SelectionRect expected;
    };
    // The picture is 9000 x 6000 twips; dx and dy are positive when the pointer went left or up.
    const Case cases[] = {
        {4, -30000, -30000, {1500, 1500, 7500, 4500}}, // stops at the bottom-right corner
        {4, 150, 300, {1500, 1500, 2850, 2700}},
        {0, 2250, 0, {0, 1500, 3000, 3000}}, // past the left edge: the right edge follows
        {0, -150, -300, {1650, 1800, 2850, 2700}},
        {7, 3000, 0, rect},  // an outward step as wide as the rectangle
        {7, -3000, 0, rect}, // nor inward past the opposite edge
        {3, 2999, 0, rect},  // nor to less than a twip from the right
        {3, 2998, 0, {1500, 1500, 2, 3000}},
        {1, 0, 2000, {1500, 0, 3000, 3000}},
        {2, -600, 150, {1500, 1350, 3600, 3150}},
        {5, 0, -150, {1500, 1500, 3000, 3150}},
        {6, 150, -150, {1350, 1500, 3150, 3150}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DragHandle(rect, c.handle, c.dx, c.dy, 9000, 6000), c.expected)
            << c.handle << " " << c.dx << "," << c.dy;
    }
}

TEST(CropModelTest, BandRelease) {
    const float scale = ImageScale(800, 600);
    struct Case {
        BandRect band;
        CropConstraint constraint;
        SelectionRect expected;
    };
    const Case cases[] = {
        {{3000, 600, 450, 1500}, {}, {450, 600, 2550, 900}},
        {{450, 600, 450, 600}, {}, {450, 600, 0, 0}},
        {{450, 600, 450, 600}, {true, false}, {450, 600, 12000, 9000}},
        {{3000, 1500, 0, 0}, {false, true}, {0, 0, 2000, 1500}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReleaseBand(c.band, c.constraint, {800, 600}, scale, 15), c.expected)
            << c.band.x1 << "," << c.band.y1;
    }
    EXPECT_EQ(ClampToPicture(-15, 2925), 0);
    EXPECT_EQ(ClampToPicture(4000, 2925), 2925);
}

TEST(CropModelTest, Nudges) {
    struct Case {
        SelectionRect rect;
        Nudge direction;
        SelectionRect expected;
    };
    // The picture is 2925 x 2835 twips.
    const Case cases[] = {
        {{150, 1335, 1500, 1500}, Nudge::Down, {150, 1335, 1500, 1500}}, // touches the bottom
        {{150, 1320, 1500, 1500}, Nudge::Down, {150, 1335, 1500, 1500}},
        {{150, 1325, 1500, 1500}, Nudge::Down, {150, 1335, 1500, 1500}},
        {{150, 10, 1500, 1500}, Nudge::Up, {150, 0, 1500, 1500}},
        {{150, 300, 1500, 1500}, Nudge::Up, {150, 285, 1500, 1500}},
        {{0, 300, 1500, 1500}, Nudge::Left, {0, 300, 1500, 1500}},
        {{1425, 300, 1500, 1500}, Nudge::Right, {1425, 300, 1500, 1500}},
        {{150, 300, 1500, 1500}, Nudge::Right, {165, 300, 1500, 1500}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NudgeSelection(c.rect, c.direction, 15, 2925, 2835), c.expected)
            << c.rect.X << "," << c.rect.Y;
    }
    PicturePlace place{2400, 120};
    for (int i = 0; i < 3; ++i) {
        place = MovePicture(place, Nudge::Left);
    }
    EXPECT_EQ(place, (PicturePlace{-2100, 120}));
    EXPECT_EQ(MovePicture(place, Nudge::Down), (PicturePlace{-2100, 1620}));
}

TEST(CropModelTest, PreviewFitsInsideKeepingProportions) {
    EXPECT_EQ(FitInside({800, 600}, {125, 109}), (TargetSize{125, 94})); // 93.75
    EXPECT_EQ(FitInside({600, 800}, {125, 109}), (TargetSize{82, 109})); // 81.75
    EXPECT_EQ(FitInside({20, 10}, {125, 109}), (TargetSize{125, 62}));   // 62.5 to even
    EXPECT_EQ(FitInside({10000, 1}, {125, 109}), (TargetSize{125, 1}));
    EXPECT_EQ(FitInside({0, 10}, {125, 109}), std::nullopt);
}

} // namespace
} // namespace kalvimo
