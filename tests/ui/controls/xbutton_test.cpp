#include "control_test_support.h"
#include "xbutton.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace kalvimo::testing {
namespace {

constexpr unsigned kShadow = 0x808080;
constexpr unsigned kHighlight = 0xFFFFFF;

QPixmap Square(int side, const QColor& colour) {
    QPixmap picture(side, side);
    picture.fill(colour);
    return picture;
}

class XButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 200);
        window.setAutoFillBackground(true);
        button = new XButton(&window);
        button->setGeometry(20, 20, 80, 30);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QWidget window;
    XButton* button = nullptr;
};

TEST_F(XButtonTest, RaisedAndSunkenFacesSwapTheirEdges) {
    const unsigned face = TranslateColour(kButtonFace);
    const Pixel up[] = {{0, 15, kHighlight}, {1, 15, kHighlight}, {79, 15, kShadow},
                        {78, 15, kShadow},   {40, 29, kShadow},   {3, 3, face}};
    ExpectPixels(*button, up);

    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_EQ(button->State(), XButton::ButtonState::Down);
    ExpectPixels(*button, {{0, 15, kShadow}, {79, 15, kHighlight}});
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_EQ(button->State(), XButton::ButtonState::Hot);

    button->SetEnabled(false);
    EXPECT_EQ(button->State(), XButton::ButtonState::Disabled);
    ExpectPixels(*button, {{0, 15, kShadow}, {79, 15, kShadow}});
}

TEST_F(XButtonTest, SingleBorderFollowsTheState) {
    button->SetBorderStyle(XButton::Border::Single);
    button->SetBorderColor(0x0000FF);
    button->SetHighlightColor(0x00FF00);
    ExpectPixels(*button, {{0, 15, 0x0000FF}, {1, 15, TranslateColour(kButtonFace)}});
    QTest::mouseMove(button, QPoint(40, 15));
    EXPECT_EQ(button->State(), XButton::ButtonState::Hot);
    ExpectPixels(*button, {{79, 15, 0x00FF00}});
    // The hover poll drops the button back once the pointer has gone.
    QCursor::setPos(window.mapToGlobal(QPoint(290, 190)));
    QTest::qWait(250);
    EXPECT_EQ(button->State(), XButton::ButtonState::Up);
}

TEST_F(XButtonTest, EnterAndSpaceClickBeforeTheirKeyPressAndOtherKeysGoOn) {
    std::vector<QString> order;
    QObject::connect(button, &XButton::Click, [&] { order.push_back("Click"); });
    QObject::connect(button, &XButton::KeyPress,
                     [&](int ascii) { order.push_back(QString::number(ascii)); });
    button->setFocus();
    QTest::keyPress(button, Qt::Key_Return);
    QTest::keyPress(button, Qt::Key_Space);
    QTest::keyPress(button, Qt::Key_A);
    EXPECT_EQ(order, (std::vector<QString>{"Click", "13", "Click", "32", "97"}));
    // Keys it does not use go on to its parent (Escape to a dialog); its clicking keys stay.
    for (const auto& [key, used] :
         {std::pair(Qt::Key_Escape, false), std::pair(Qt::Key_Return, true)}) {
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, Qt::NoModifier);
            QApplication::sendEvent(button, &event);
            EXPECT_EQ(event.isAccepted(), used) << key << " " << type;
        }
    }
}

TEST_F(XButtonTest, DraggingOutOfAPressGivesNoClick) {
    QSignalSpy clicked(button, &XButton::Click);
    button->SetCaption("Go");
    const QPointF resting = button->CaptionPosition();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_EQ(button->CaptionPosition(), resting + QPointF(20, 20));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_EQ(button->CaptionPosition(), resting + QPointF(20, 20));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 15));
    EXPECT_EQ(button->State(), XButton::ButtonState::Up);
    EXPECT_EQ(button->CaptionPosition(), resting);
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_EQ(clicked.count(), 1);
}

// Also run on a screen of other than 15 twips to the pixel (see CMakeLists.txt).
TEST_F(XButtonTest, DrawnButtonsCentreTheirCaptionAndAskForItsMargin) {
    button->SetCaption("A rather long caption");
    const QFontMetrics metrics(button->font());
    const int advance = metrics.horizontalAdvance("A rather long caption");
    // 50 twips of margin, under four pixels.
    EXPECT_GE(button->sizeHint().width(), advance + 4);
    EXPECT_GE(button->sizeHint().height(), metrics.height() + 4);

    button->resize(advance + 40, metrics.height() + 10);
    const Rendering drawn(*button);
    int first = -1;
    int last = -1;
    for (int x = 3; x < button->width() - 3; ++x) {
        for (int y = 3; y < button->height() - 3; ++y) {
            if (drawn.At(x, y).lightness() < 64) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    // The caption's ink, to within its side bearings.
    EXPECT_NEAR(first, button->width() - 1 - last, 2);
}

TEST_F(XButtonTest, ArrowsPointFromStartToEnd) {
    button->SetCaption("");
    button->resize(30, 30);
    button->SetBorderStyle(XButton::Border::None);
    button->SetArrowType(XButton::Arrow::Right);
    // The shaft, the tip where the barbs start, and both barbs; nothing past the tip.
    ExpectPixels(*button, {{8, 15, 0}, {21, 15, 0}, {22, 15, 0}, {21, 14, 0}, {21, 16, 0}});
    const Rendering right(*button);
    EXPECT_NE(right.At(23, 15), Rgb(0));
    EXPECT_NE(right.At(7, 14), Rgb(0));
    // An arrow button's empty caption is kept as such, not read back as the default one.
    PropertyStore store;
    button->WriteProperties(store);
    XButton copy;
    copy.ReadProperties(store);
    EXPECT_EQ(copy.Caption(), "");
}

TEST_F(XButtonTest, PicturesChooseTheMode) {
    button->SetImageUp(Square(8, Qt::red));
    button->SetImageHot(Square(8, Qt::green));
    EXPECT_FALSE(button->PictureMode());
    button->SetBackStyle(XButton::Background::Transparent);
    EXPECT_EQ(button->BackStyle(), XButton::Background::Opaque);

    button->resize(90, 30);
    button->SetCaption("Omni");
    button->SetOmniPic(Square(12, Qt::red));
    EXPECT_TRUE(button->PictureMode());
    const Rendering omni(*button);
    const QPointF caption = button->CaptionPosition();
    // The picture sits left of the caption box, which starts 60 twips before the text.
    const int pictureRight = static_cast<int>((caption.x() - 60) / 15) - 1;
    EXPECT_EQ(omni.At(pictureRight, 15), QColor(Qt::red));
    EXPECT_EQ(omni.At(pictureRight - 11, 15), QColor(Qt::red));

    // A transparent picture button lets the parent show through its mask colour.
    QPixmap masked = Square(16, Qt::white);
    QPainter(&masked).fillRect(4, 4, 8, 8, Qt::blue);
    button->SetOmniPic(masked);
    button->SetBackStyle(XButton::Background::Transparent);
    EXPECT_EQ(button->sizeHint(), QSize(16, 16));
    button->resize(button->sizeHint());
    EXPECT_EQ(Rendering(window).At(20 + 1, 20 + 1), window.palette().color(QPalette::Window));
    EXPECT_EQ(Rendering(window).At(20 + 8, 20 + 8), QColor(Qt::blue));

    // A window laying the button out sees a new picture's size.
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(button);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->activate();
    button->SetOmniPic(Square(24, Qt::white));
    QApplication::sendPostedEvents();
    EXPECT_EQ(button->size(), QSize(24, 24));
}

TEST_F(XButtonTest, RoundedButtonsShowTheParentOutsideTheirCorners) {
    button->SetRoundAmount(12);
    button->SetRoundCorner(true);
    EXPECT_EQ(Rendering(window).At(20, 20), window.palette().color(QPalette::Window));
    EXPECT_EQ(Rendering(window).At(60, 21), Rgb(kHighlight));
}

} // namespace
} // namespace kalvimo::testing
