#include "compact_scroller.h"
#include "control_test_support.h"
#include "orvel_progress.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace kalvimo::testing {
namespace {

class CompactScrollerTest : public ::testing::Test {
protected:
    void SetUp() override {
        scroller.resize(300, 20);
        scroller.SetDescription("New Width");
        scroller.SetScrMin(1);
        scroller.SetScrMax(2048);
        scroller.SetScrLargeChange(500);
        scroller.show();
    }
    QScrollBar* Bar() const { return scroller.findChild<QScrollBar*>(); }
    QWidget* ValueBox() const { return scroller.findChild<QWidget*>("picLabel"); }
    QString Shown() const { return scroller.findChild<QLabel*>("lblValue")->text(); }

    CompactScroller scroller;
};

TEST_F(CompactScrollerTest, ValuesInRangeAreTakenOnceAndARangeNarrowedOrReadMovesIt) {
    QSignalSpy changed(&scroller, &CompactScroller::ScrollChange);
    scroller.SetScrValue(800);
    EXPECT_EQ(scroller.ScrValue(), 800);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(Shown(), "800");
    scroller.SetScrValue(800);
    scroller.SetScrValue(2049);
    scroller.SetScrValue(0);
    EXPECT_EQ(scroller.ScrValue(), 800);
    EXPECT_EQ(changed.count(), 1);
    // The box is centred over the bar.
    const QPoint box = ValueBox()->geometry().center();
    EXPECT_LE(std::abs(box.x() - Bar()->geometry().center().x()), 1);
    EXPECT_LE(std::abs(box.y() - scroller.height() / 2), 1);

    // The user's steps reach the host too.
    Bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(scroller.ScrValue(), 1300);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(Shown(), "1300");

    // Narrowing the range below the value moves it.
    scroller.SetScrMax(1000);
    EXPECT_EQ(scroller.ScrValue(), 1000);
    EXPECT_EQ(Shown(), "1000");
    EXPECT_EQ(changed.count(), 3);

    // Reading the design moves the bar and the box.
    PropertyStore store;
    store.Write("ScrMin", 1, 0);
    store.Write("ScrMax", 1600, 10);
    store.Write("ScrValue", 600, 0);
    scroller.ReadProperties(store);
    EXPECT_EQ(Bar()->value(), 600);
    EXPECT_EQ(Shown(), "600");
}

TEST_F(CompactScrollerTest, ALongerCaptionNarrowsTheBar) {
    const QRect before = Bar()->geometry();
    scroller.SetDescription("A much longer description");
    const QRect after = Bar()->geometry();
    EXPECT_GT(after.left(), before.left());
    EXPECT_EQ(after.right(), scroller.width() - 1);
    EXPECT_LE(std::abs(ValueBox()->geometry().center().x() - after.center().x()), 1);
    scroller.SetSpacing(150);
    EXPECT_EQ(Bar()->geometry().left(), after.left() + 10);
}

// With the focus on the bar the value box's frame is in the highlight, so a person sees where
// typed digits go; the digits keep the text colour.
TEST_F(CompactScrollerTest, TheValueBoxShowsTheFocus) {
    const QColor highlight = scroller.palette().color(QPalette::Highlight);
    const auto frame = [this] { return Rendering(*ValueBox()).At(0, ValueBox()->height() / 2); };
    EXPECT_NE(frame(), highlight);
    scroller.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&scroller));
    scroller.setFocus();
    QTest::keyClick(Bar(), Qt::Key_5);
    EXPECT_EQ(Shown(), "5");
    EXPECT_EQ(frame(), highlight);
    const QLabel* digits = scroller.findChild<QLabel*>("lblValue");
    EXPECT_EQ(digits->palette().color(digits->foregroundRole()),
              scroller.palette().color(QPalette::WindowText));
    Bar()->clearFocus();
    EXPECT_NE(frame(), highlight);
}

TEST_F(CompactScrollerTest, DisablingDisablesEveryPart) {
    scroller.SetEnabled(false);
    EXPECT_FALSE(Bar()->isEnabled());
    EXPECT_FALSE(ValueBox()->isEnabled());
    for (QLabel* label : scroller.findChildren<QLabel*>()) {
        EXPECT_FALSE(label->isEnabled());
    }
}

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
