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

} // namespace
} // namespace kalvimo
