#include "control_test_support.h"
#include "orvel_tab.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

namespace kalvimo::testing {
namespace {

constexpr unsigned kBorder = 0xFF8080;
constexpr unsigned kBorderSelected = 0x0080FF;
constexpr unsigned kTabColour = 0xE0E0E0;
constexpr unsigned kSelectedFill = 0xFFFFFF;
constexpr unsigned kDisabled = 0xC0C0C0;

class OrvelTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        tab.resize(400, 30);
        tab.CreateTabs();
        tab.show();
    }
    int CaptionWidth(const QString& caption) const {
        return QFontMetrics(tab.font()).horizontalAdvance(caption);
    }
    int CaptionHeight() const { return QFontMetrics(tab.font()).height(); }

    OrvelTab tab;
};

TEST_F(OrvelTabTest, TopTabsSitSideBySideAroundTheirCaptions) {
    ASSERT_EQ(tab.TabCount(), 4);
    int next = 0;
    const QStringList captions = {"One", "Two", "Three", "Four"};
    for (int i = 0; i < 4; ++i) {
        const QRect body = tab.TabRect(i);
        EXPECT_EQ(body.left(), next);
        EXPECT_EQ(body.width(), CaptionWidth(captions[i]) + 12);
        EXPECT_EQ(body.height(), CaptionHeight() + 8);
        next = body.right() + 1;
    }
    // Without a frame the strip asks to be one tab row high.
    EXPECT_EQ(tab.sizeHint().height(), CaptionHeight() + 9);

    const QRect second = tab.TabRect(1);
    const int left = second.left(), right = second.right(), foot = second.bottom();
    const int middle = second.top() + second.height() / 2;
    // Both sides, the face, the line along the tabs' foot running on past the last tab, and a
    // square bottom corner; the top corners are round.
    const Pixel drawn[] = {{left, middle, kBorder},
                           {right, middle, kBorder},
                           {left + 2, middle + 3, kTabColour},
                           {left + 3, foot, kBorder},
                           {tab.width() - 1, foot, kBorder},
                           {left, foot, kBorder}};
    ExpectPixels(tab, drawn);
    EXPECT_NE(Rendering(tab).At(left, second.top()), Rgb(kBorder));
}

TEST_F(OrvelTabTest, CaptionTextStartsSixPixelsIn) {
    tab.SetTabStrip("MMM");
    tab.SetTextColour(0x0000FF);
    const Rendering drawn(tab);
    const QRect body = tab.TabRect(0);
    int firstInk = -1;
    for (int x = body.left() + 1; x < body.right() && firstInk < 0; ++x) {
        for (int y = body.top() + 1; y < body.bottom(); ++y) {
            if (drawn.At(x, y).red() > 128 && drawn.At(x, y).green() < 100) {
                firstInk = x;
                break;
            }
        }
    }
    // "M" has almost no left bearing: its ink starts at the label's edge or one pixel on.
    EXPECT_GE(firstInk, body.left() + 6);
    EXPECT_LE(firstInk, body.left() + 7);
}

TEST_F(OrvelTabTest, ClickingATabSelectsItAndTheStripSetsTheTabs) {
    QSignalSpy clicked(&tab, &OrvelTab::TabClicked);
    QSignalSpy selected(&tab, &OrvelTab::SelectedChanged);
    const QRect third = tab.TabRect(2);
    QTest::mouseClick(&tab, Qt::LeftButton, {}, third.center());
    EXPECT_EQ(tab.Selected(), 2);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(selected.count(), 1);

    // The selected tab again raises the event again; the right button does nothing.
    QTest::mouseClick(&tab, Qt::LeftButton, {}, third.center());
    QTest::mouseClick(&tab, Qt::RightButton, {}, tab.TabRect(0).center());
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(tab.Selected(), 2);
    EXPECT_EQ(selected.count(), 1);
    // A strip too short for the selected tab leaves none selected, and says so.
    tab.SetTabStrip("One,Two");
    EXPECT_EQ(tab.Selected(), -1);
    EXPECT_EQ(selected.count(), 2);
    // Empty items make empty tabs; an empty strip is refused.
    tab.SetTabStrip("A,,B");
    ASSERT_EQ(tab.TabCount(), 3);
    EXPECT_EQ(tab.TabRect(1).width(), 12);
    tab.SetTabStrip("");
    EXPECT_EQ(tab.TabStrip(), "A,,B");
    EXPECT_EQ(tab.TabCount(), 3);
}

TEST_F(OrvelTabTest, DisabledTabsAreSkippedAndNeverChosen) {
    QSignalSpy clicked(&tab, &OrvelTab::TabClicked);
    tab.SetSelected(0);
    tab.ChangeTabEnable(1, false);
    const QPoint face(tab.TabRect(1).left() + 2, tab.TabRect(1).center().y());
    ExpectPixels(tab, {{face.x(), face.y(), kDisabled}});

    QTest::mouseClick(&tab, Qt::LeftButton, {}, tab.TabRect(1).center());
    EXPECT_EQ(tab.Selected(), 0);
    EXPECT_EQ(clicked.count(), 0);

    tab.setFocus();
    const std::pair<Qt::Key, int> steps[] = {{Qt::Key_Right, 2}, {Qt::Key_Down, 3},
                                             {Qt::Key_Right, 3}, {Qt::Key_Up, 2},
                                             {Qt::Key_Left, 0},  {Qt::Key_Left, 0}};
    for (const auto& [key, selected] : steps) {
        QTest::keyClick(&tab, key);
        EXPECT_EQ(tab.Selected(), selected) << key;
    }
    EXPECT_EQ(clicked.count(), 4);

    // Disabling the selected tab leaves none selected, silently.
    tab.ChangeTabEnable(0, false);
    EXPECT_EQ(tab.Selected(), -1);
    EXPECT_EQ(clicked.count(), 4);
    QTest::keyClick(&tab, Qt::Key_Left);
    EXPECT_EQ(tab.Selected(), -1);
    QTest::keyClick(&tab, Qt::Key_Right);
    EXPECT_EQ(tab.Selected(), 2);

    // Selected set from code takes even a disabled tab, without an event.
    tab.SetSelected(1);
    EXPECT_EQ(tab.Selected(), 1);
    EXPECT_EQ(clicked.count(), 5);
    ExpectPixels(tab, {{face.x(), face.y(), kSelectedFill}});
    tab.SelectTabManually(0);
    EXPECT_EQ(tab.Selected(), 1);
    tab.SelectTabManually(9);
    tab.ChangeTabEnable(9, false);
    EXPECT_EQ(tab.Selected(), 1);
}

TEST_F(OrvelTabTest, FocusMarksTheSelectedCaptionWithADottedBox) {
    constexpr unsigned kText = 0x0000C0;
    tab.SetTextColourSelected(kText);
    tab.SetSelected(1);
    tab.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tab));
    // Ink of the text colour in the box's left column, in the tab's margin before the caption.
    const auto marked = [this](int index) {
        const Rendering drawn(tab);
        const QRect body = tab.TabRect(index);
        int dots = 0;
        for (int y = body.top() + 2; y < body.bottom() - 2; ++y) {
            dots += drawn.At(body.left() + 3, y) == Rgb(kText) ? 1 : 0;
        }
        return dots;
    };
    tab.clearFocus();
    EXPECT_EQ(marked(1), 0);
    tab.setFocus();
    ASSERT_TRUE(tab.hasFocus());
    EXPECT_GE(marked(1), 3);
    QTest::keyClick(&tab, Qt::Key_Right);
    EXPECT_EQ(marked(1), 0);
    EXPECT_GE(marked(2), 3);
    tab.clearFocus();
    EXPECT_EQ(marked(2), 0);
}

TEST_F(OrvelTabTest, TheBridgeNeedsFrameBridgeAndSelection) {
    tab.SetDrawFrame(true);
    EXPECT_EQ(tab.sizeHint().height() * 15, 1005); // 1000 twips, to the nearest pixel
    tab.resize(tab.width(), tab.sizeHint().height());
    const QRect second = tab.TabRect(1);
    const int x = second.center().x();
    const int foot = second.bottom();
    ExpectPixels(tab, {{x, foot, kBorder}});
    tab.SetBridge(true);
    ExpectPixels(tab, {{x, foot, kBorder}});
    tab.SetSelected(1);
    // The bridge opens the frame's top edge under the tab; beside it the edge stays.
    const int half = tab.width() / 2;
    const Pixel bridged[] = {{x, foot, kSelectedFill},
                             {x, foot - 1, kSelectedFill},
                             {second.right() + 5, foot, kBorder},
                             {half, tab.height() - 1, kBorder},
                             {half, tab.height() - 10, 0xE0E0E0}};
    ExpectPixels(tab, bridged);
    tab.SetBridge(false);
    ExpectPixels(tab, {{x, foot, kBorderSelected}});

    tab.SetFrameHeight(1500);
    EXPECT_EQ(tab.FrameHeight(), 1500);
}

TEST_F(OrvelTabTest, TheFramesStraightEdgesStayOnDevicePixels) {
    tab.SetDrawFrame(true);
    tab.resize(tab.width() + 1, tab.sizeHint().height() + 1);
    const QImage image = tab.grab().toImage();
    const QColor back = Rgb(TranslateColour(kButtonFace));
    const auto sharp = [&](int x, int y) {
        const QColor colour = image.pixelColor(x, y);
        return colour == Rgb(kBorder) || colour == Rgb(0xE0E0E0) || colour == back;
    };
    // Down through the top and bottom edges, across through the left and right ones: border,
    // page or background, never a blend of them, at whatever scale.
    for (int y = 0; y < image.height(); ++y) {
        EXPECT_TRUE(sharp(image.width() / 2, y)) << y;
    }
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_TRUE(sharp(x, image.height() * 3 / 4)) << x;
    }
}

TEST_F(OrvelTabTest, LeftTabsStackAndTheStripNarrowsToTheCaptionColumn) {
    tab.SetAlignment(OrvelTab::TabPosition::Left);
    const int widest = CaptionWidth("Three");
    EXPECT_EQ(tab.CaptionWidth(), (widest + 24) * 15);
    EXPECT_EQ(tab.sizeHint().width(), widest + 24);
    tab.resize(tab.sizeHint());
    EXPECT_EQ(tab.TabRect(1).top(), tab.TabRect(0).bottom() + 1);
    tab.SetSelected(2);

    tab.SetDrawFrame(true);
    tab.SetBridge(true);
    tab.resize(300, 200);
    // The frame's left edge, opened by the bridge beside the selected tab.
    ExpectPixels(tab, {{widest + 24, tab.TabRect(0).center().y(), kBorder},
                       {widest + 24, tab.TabRect(2).center().y(), kSelectedFill}});
}

} // namespace
} // namespace kalvimo::testing
