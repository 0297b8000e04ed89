#include "control_test_support.h"
#include "orvel_simple_button.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QSignalSpy>
#include <QTest>

namespace kalvimo::testing {
namespace {

constexpr unsigned kBorder = 0x743C00;

class OrvelSimpleButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 200);
        button = new OrvelSimpleButton(&window);
        button->setGeometry(20, 20, 120, 40);
        other = new OrvelSimpleButton(&window);
        other->setGeometry(20, 100, 120, 40);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void LeaveAndWait() {
        QCursor::setPos(window.mapToGlobal(QPoint(290, 190)));
        QTest::qWait(250);
    }

    QWidget window;
    OrvelSimpleButton* button = nullptr;
    OrvelSimpleButton* other = nullptr;
};

TEST_F(OrvelSimpleButtonTest,
       TheAccessKeyFollowsTheFirstUsableAmpersandClicksAndIsReadFromTheDesign) {
    const std::pair<QString, QChar> cases[] = {
        {"Change &background colour", QChar('b')},
        {"&Process", QChar('P')},
        {"Save & exit", QChar('S')},  // an ampersand before a space gives no key
        {"Save && exit", QChar('S')}, // nor does a doubled one
        {"&&Go", QChar('G')},
        {"Plain", QChar()},
    };
    for (const auto& [caption, key] : cases) {
        button->SetCaption(caption);
        EXPECT_EQ(button->AccessKey(), key) << caption.toStdString();
    }
    // And the key clicks.
    QSignalSpy clicked(button, &OrvelSimpleButton::Click);
    button->SetCaption("Change &background colour");
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(clicked.count(), 1);

    // Read from the design, the caption gives the access key and Enabled the state; a system
    // colour is kept as the colour it stands for.
    PropertyStore saved;
    saved.Write("Caption", "&Accept", "Button");
    saved.Write("Enabled", false, true);
    button->ReadProperties(saved);
    EXPECT_EQ(button->AccessKey(), QChar('A'));
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Disabled);
    button->SetHoverColour(0x8000000F);
    EXPECT_EQ(button->HoverColour(), TranslateColour(0x8000000F));
}

TEST_F(OrvelSimpleButtonTest, EnterAndSpaceClickOnTheReleaseOfTheirOwnPressHere) {
    QSignalSpy clicked(button, &OrvelSimpleButton::Click);
    button->setFocus();
    QTest::keyPress(button, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 0);
    QTest::keyRelease(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_A);
    EXPECT_EQ(clicked.count(), 1);
    clicked.clear();
    // The press went elsewhere (a message box closed by Enter, say): its release is no click.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        QTest::keyRelease(button, key);
    }
    // Nor is the release of another key than the one pressed.
    QTest::keyPress(button, Qt::Key_Space);
    QTest::keyRelease(button, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 0);
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);
    // A press forgotten when the focus left.
    QTest::keyPress(button, Qt::Key_Return);
    other->setFocus();
    button->setFocus();
    QTest::keyRelease(button, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(OrvelSimpleButtonTest, TheFaceIsAVerticalGradientInsideABorder) {
    EXPECT_EQ(button->GradientStops(OrvelSimpleButton::ButtonState::Normal),
              "0,16777215#10,15725555#90,15725555#100,12964054");
    EXPECT_EQ(button->GradientStops(OrvelSimpleButton::ButtonState::Disabled),
              "0,12632256#90,15725555#100,12964054");
    other->setFocus();
    ExpectPixels(*button,
                 {{0, 20, kBorder}, {1, 20, kBorder}, {119, 20, kBorder}, {60, 39, kBorder}});
    const Rendering drawn(*button);
    EXPECT_NE(drawn.At(2, 20), Rgb(kBorder));
    // Light at the top, the face colour through the middle, shade at the foot.
    const QColor middle = drawn.At(4, 10);
    EXPECT_GT(drawn.At(4, 2).lightness(), middle.lightness());
    EXPECT_NEAR(middle.red(), 0xF3, 2);
    EXPECT_NEAR(middle.blue(), 0xEF, 2);
    EXPECT_LT(drawn.At(4, 37).lightness(), middle.lightness());

    button->SetGradientDirection(OrvelSimpleButton::Gradient::Across);
    const Rendering across(*button);
    EXPECT_GT(across.At(3, 20).lightness(), across.At(60, 20).lightness());
    button->SetGradientDirection(OrvelSimpleButton::Gradient::Outwards);
    const Rendering outwards(*button);
    EXPECT_NEAR(outwards.At(30, 20).lightness(), outwards.At(90, 20).lightness(), 3);
    EXPECT_GT(outwards.At(60, 20).lightness(), outwards.At(30, 20).lightness());

    // Tiny gradients still paint.
    button->SetResolution(1);
    button->resize(30, 12);
    const Pixel edge[] = {{0, 5, kBorder}};
    ExpectPixels(*button, edge);
    button->SetResolution(0);
    ExpectPixels(*button, edge);
}

TEST_F(OrvelSimpleButtonTest, MouseAndFocusMoveTheFaceThroughItsStates) {
    QSignalSpy clicked(button, &OrvelSimpleButton::Click);
    QSignalSpy moved(button, &OrvelSimpleButton::MouseMove);
    other->setFocus();
    const QColor normal = Rendering(*button).At(60, 20);

    QTest::mouseMove(button, QPoint(60, 20));
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Hover);
    EXPECT_GE(moved.count(), 1);
    EXPECT_NE(Rendering(*button).At(60, 20), normal);
    LeaveAndWait();
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Normal);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Pressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Hover);
    EXPECT_EQ(clicked.count(), 1);
    // The press gave focus: leaving returns to the focused face, not the pressed one.
    LeaveAndWait();
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Focused);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(60, 20));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(200, 20));
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Normal);
    EXPECT_EQ(clicked.count(), 1);

    other->setFocus();
    button->setFocus();
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Focused);
    other->setFocus();
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Normal);

    button->SetEnabled(false);
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Disabled);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(60, 20));
    EXPECT_EQ(clicked.count(), 1);
    button->SetEnabled(true);
    EXPECT_EQ(button->State(), OrvelSimpleButton::ButtonState::Normal);
}

} // namespace
} // namespace kalvimo::testing
