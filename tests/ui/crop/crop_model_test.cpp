#include "crop_model.h"

#include <gtest/gtest.h>
#include <limits>

namespace kalvimo {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

TEST(CropModelTest, BoxesShowPixelsRoundedHalfToEven) {
    const std::pair<CropBox, std::array<std::int32_t, 4>> cases[] = {
        {{1500, 750, 10500, 7500}, {100, 50, 600, 450}},
        {{188, 0, 188, 0}, {13, 0, 0, 0}},        // 12.53 rounds up
        {{0, 0, 4800, 3600}, {0, 0, 320, 240}},   // the first start's rectangle
        {{10500, 0, 1500, 0}, {700, 0, -600, 0}}, // edges out of order show as they are
        {{22, 7, 52, 37}, {1, 0, 2, 2}},          // 1.47, 0.47, 2, 2
        {{-kMax, 0, kMax, 0}, {-143165576, 0, 286331153, 0}},
    };
    for (const auto& [edges, coords] : cases) {
        EXPECT_EQ(CoordsFromEdges(edges, 15), coords) << edges.left << "," << edges.right;
    }
}

TEST(CropModelTest, TypedTextIsANumberOrNothing) {
    const std::pair<const char*, double> numbers[] = {
        {"12.5", 12.5}, {" -50 ", -50.0}, {"+3", 3.0}, {"7.", 7.0}, {".5", 0.5}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(ReadCoordText(text), value) << text;
    }
    for (const char* text : {"", "abc", "12px", "-", "1e3", "1.2.3"}) {
        EXPECT_EQ(ReadCoordText(text), std::nullopt) << text;
    }
}

TEST(CropModelTest, EdgesFromTypedPixels) {
    const CropBox previous{1500, 750, 10500, 7500};
    const std::optional<double> none;
    const std::pair<std::array<std::optional<double>, 4>, CropBox> cases[] = {
        {{100, 50, 600, 450}, {1500, 750, 10500, 7500}},
        {{12.5, 0, 0, 0}, {188, 0, 188, 0}}, // 187.5 to even; the width adds before rounding
        {{100, 0, -50, 0}, {1500, 0, 750, 0}},
        // A box without a number, or too large for an edge, keeps its value.
        {{none, none, none, none}, previous},
        {{200, none, none, 10}, {3000, 750, 12000, 900}},
        {{1e12, 0, 1e12, 0}, {1500, 0, 10500, 0}},
        {{100, 0, 2e8, 0}, {1500, 0, 10500, 0}},
    };
    for (const auto& [coords, edges] : cases) {
        EXPECT_EQ(EdgesFromCoords(previous, coords, 15), edges) << coords[0].value_or(-1);
    }
}

TEST(CropModelTest, SizeConstraint) {
    const std::tuple<SelectionRect, CropConstraint, SelectionRect> cases[] = {
        {{30, 45, 4500, 6000}, {false, true}, {30, 45, 4500, 3375}}, // 300 x 400 -> 300 x 225
        {{0, 0, 6000, 4500}, {false, true}, {0, 0, 6000, 4500}},     // 400 x 300 stays
        {{0, 0, 3000, 3000}, {false, true}, {0, 0, 3000, 2250}},     // a square keeps its width
        {{15, 15, 3000, 150}, {true, false}, {15, 15, 12000, 9000}},
        {{15, 15, 3000, 150}, {true, true}, {15, 15, 12000, 9000}}, // the restraint wins
        {{15, 15, 3000, 150}, {false, false}, {15, 15, 3000, 150}},
        {{0, 0, 0, 0}, {false, true}, {0, 0, 0, 0}},
    };
    for (const auto& [rect, constraint, expected] : cases) {
        EXPECT_EQ(ConstrainSize(rect, constraint, {800, 600}, ImageScale(800, 600), 15), expected)
            << rect.Width << "x" << rect.Height;
    }
}

TEST(CropModelTest, EdgesAreOrderedAndHandlesSitJustOutsideTheRectangle) {
    EXPECT_EQ(OrderedEdges(SelectionRect{1500, 750, -750, -1500}), (CropBox{750, -750, 1500, 750}));
    EXPECT_EQ(OrderedEdges(BandRect{300, 40, 100, 90}), (CropBox{100, 40, 300, 90}));

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
    // Handle, dx, dy and the rectangle after the step. The picture is 9000 x 6000 twips; dx and dy
    // are positive when the pointer went left or up.
    const std::tuple<int, std::int32_t, std::int32_t, SelectionRect> cases[] = {
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
    for (const auto& [handle, dx, dy, expected] : cases) {
        EXPECT_EQ(DragHandle(rect, handle, dx, dy, 9000, 6000), expected)
            << handle << " " << dx << "," << dy;
    }
}

TEST(CropModelTest, BandRelease) {
    const std::tuple<BandRect, CropConstraint, SelectionRect> cases[] = {
        {{3000, 600, 450, 1500}, {}, {450, 600, 2550, 900}},
        {{450, 600, 450, 600}, {}, {450, 600, 0, 0}},
        {{450, 600, 450, 600}, {true, false}, {450, 600, 12000, 9000}},
        {{3000, 1500, 0, 0}, {false, true}, {0, 0, 2000, 1500}},
    };
    for (const auto& [band, constraint, expected] : cases) {
        EXPECT_EQ(ReleaseBand(band, constraint, {800, 600}, ImageScale(800, 600), 15), expected)
            << band.x1 << "," << band.y1;
    }
    EXPECT_EQ(ClampToPicture(-15, 2925), 0);
}

TEST(CropModelTest, Nudges) {
    // The picture is 2925 x 2835 twips; each 1500-twip square moves from x, y to the last two,
    // or stays where it touches an edge.
    const std::tuple<std::int32_t, std::int32_t, Nudge, std::int32_t, std::int32_t> cases[] = {
        {150, 1335, Nudge::Down, 150, 1335}, // touches the bottom
        {150, 1320, Nudge::Down, 150, 1335}, {150, 1325, Nudge::Down, 150, 1335},
        {150, 10, Nudge::Up, 150, 0},        {150, 300, Nudge::Up, 150, 285},
        {0, 300, Nudge::Left, 0, 300},       {1425, 300, Nudge::Right, 1425, 300},
        {150, 300, Nudge::Right, 165, 300},
    };
    for (const auto& [x, y, direction, newX, newY] : cases) {
        EXPECT_EQ(NudgeSelection({x, y, 1500, 1500}, direction, 15, 2925, 2835),
                  (SelectionRect{newX, newY, 1500, 1500}))
            << x << "," << y;
    }
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
