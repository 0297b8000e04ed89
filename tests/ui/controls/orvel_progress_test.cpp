#include "control_test_support.h"
#include "orvel_progress.h"

#include <gtest/gtest.h>

namespace kalvimo::testing {
namespace {

class OrvelProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.resize(200, 22); // 3000 twips wide
        bar.show();
    }
    OrvelProgress bar;
};

TEST_F(OrvelProgressTest, TheBarFillsItsShareOfTheInsetWidth) {
    bar.SetValue(50);
    EXPECT_FLOAT_EQ(bar.FillWidth(), 1470.0);
    const Rendering drawn(bar);
    const QColor fill = drawn.At(2, 11);
    const QColor face = drawn.At(150, 11);
    EXPECT_NE(fill, face);
    EXPECT_EQ(drawn.At(99, 11), fill);
    EXPECT_EQ(drawn.At(100, 11), face);
    EXPECT_EQ(drawn.At(50, 2), fill);
    EXPECT_EQ(drawn.At(50, 1), face);
    EXPECT_EQ(drawn.At(50, 19), fill);
    EXPECT_EQ(drawn.At(50, 20), face);
    EXPECT_EQ(drawn.At(0, 11), drawn.At(199, 11)); // the frame
    EXPECT_NE(drawn.At(0, 11), face);

    // Resizing keeps the share of the new inner width.
    bar.resize(400, 22);
    EXPECT_FLOAT_EQ(bar.FillWidth(), 2970.0);
    EXPECT_EQ(Rendering(bar).At(199, 11), fill);
    EXPECT_EQ(Rendering(bar).At(200, 11), face);
}

TEST_F(OrvelProgressTest, ValuesAreHeldWithinZeroToHundred) {
    bar.SetValue(150);
    EXPECT_EQ(bar.Value(), 100);
    const Rendering full(bar);
    EXPECT_EQ(full.At(197, 11), full.At(2, 11));
    EXPECT_NE(full.At(198, 11), full.At(2, 11));
    bar.SetValue(-5);
    EXPECT_EQ(bar.Value(), 0);
    const Rendering empty(bar);
    EXPECT_EQ(empty.At(2, 11), empty.At(100, 11));

    PropertyStore store;
    store.Write("Value", 250, 0);
    bar.ReadProperties(store);
    EXPECT_EQ(bar.Value(), 100);
}

} // namespace
} // namespace kalvimo::testing
