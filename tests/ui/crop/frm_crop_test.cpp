#include "../controls/control_test_support.h"
#include "frm_crop.h"
#include "orvel_simple_button.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringList>
#include <QTest>
#include <QWheelEvent>

namespace kalvimo {
namespace {

class FixedHost : public CropHost {
public:
    TargetSize NewSize() override { return size; }
    float CurrentImageScale() override { return ImageScale(size.width, size.height); }
    void PreviewCustomCrop() override { ++previews; }
    TargetSize size{800, 600};
    int previews = 0;
};

QImage Filled(int width, int height, const QColor& colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class CropDialogTest : public ::testing::Test {
protected:
    QStringList Texts() const {
        QStringList texts;
        for (const QLineEdit* box : dialog.txtCoords) {
            texts.append(box->text());
        }
        return texts;
    }
    void Type(std::size_t box, const char* text) {
        dialog.txtCoords[box]->setText(QLatin1String(text));
        emit dialog.txtCoords[box]->editingFinished();
    }
    void Load(const CropBox& edges) {
        dialog.SetEdges(edges);
        dialog.LoadCrop();
    }
    // Opens the dialog on a rectangle given in pixels, as the window would.
    void Open(int x, int y, int width, int height) {
        Load({x * 15, y * 15, (x + width) * 15, (y + height) * 15});
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    QWidget* Find(const QString& name) const {
        auto* widget = dialog.findChild<QWidget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    // A handle grabbed at its middle and let go steps pixels away, in one pointer move.
    void DragHandle(int handle, QPoint step) {
        QWidget* grip = Find(QStringLiteral("picM(%1)").arg(handle));
        const QPoint middle = grip->rect().center();
        QTest::mousePress(grip, Qt::LeftButton, {}, middle);
        QTest::mouseMove(grip, middle + step);
        QTest::mouseRelease(grip, Qt::LeftButton, {}, middle + step);
    }
    void Click(const char* name) { QTest::mouseClick(Find(name), Qt::LeftButton); }

    FixedHost host;
    frmCrop dialog{host};
};

// The rules of reading, rounding and ordering are the crop model's; these hold the boxes to them.
TEST_F(CropDialogTest, LoadShowsTheEdgesAsTheyAreAndTypedValuesAreTakenRoundedAndOrdered) {
    ASSERT_EQ(dialog.TwipsPerPixel(), 15);
    Type(0, "40"); // a zero rectangle stays zero
    EXPECT_EQ(Texts(), QStringList({"40", "0", "0", "0"}));
    EXPECT_EQ(dialog.Edges(), (CropBox{600, 0, 600, 0}));
    Load({10500, 750, 1500, 7500});
    EXPECT_EQ(Texts(), QStringList({"700", "50", "-600", "450"}));
    EXPECT_EQ(dialog.StoredSelection(), (SelectionRect{10500, 750, -9000, 6750}));

    // Typed text that is no number goes back to the value the box had; the boxes are read again
    // whole, so X is now the 13 it shows.
    Load({1500, 750, 10500, 7500});
    Type(2, "-50");
    Type(0, "12.5");
    EXPECT_EQ(Texts(), QStringList({"13", "50", "50", "450"}));
    EXPECT_EQ(dialog.Edges(), (CropBox{188, 750, 938, 7500}));
    Type(1, "lots");
    EXPECT_EQ(Texts(), QStringList({"13", "50", "50", "450"}));
    EXPECT_EQ(dialog.Edges(), (CropBox{195, 750, 945, 7500}));
}

// Restraining to the target's size and keeping proportions exclude each other.
TEST_F(CropDialogTest, RestraintReplacesTypedSizeWithTheTarget) {
    dialog.chkRestrainDim->setChecked(true);
    EXPECT_FALSE(dialog.chkKeepProps->isEnabled());
    dialog.txtCoords[0]->setText(QStringLiteral("30"));
    Type(2, "5");
    EXPECT_EQ(Texts(), QStringList({"30", "0", "800", "600"}));
    EXPECT_EQ(dialog.Edges(), (CropBox{450, 0, 12450, 9000}));

    dialog.chkRestrainDim->setChecked(false);
    dialog.chkKeepProps->setChecked(true);
    EXPECT_FALSE(dialog.chkRestrainDim->isEnabled());
}

TEST_F(CropDialogTest, CancelRestoresTheSnapshotEnterAppliesABoxThenAccepts) {
    Open(100, 50, 600, 450);
    Type(0, "10");
    Click("cmdCancel");
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Edges(), (CropBox{1500, 750, 10500, 7500}));
    EXPECT_EQ(Texts(), QStringList({"100", "50", "600", "450"}));

    // Enter takes what a box holds; with nothing new to take it accepts, as a default button
    // would. The Accept button is the window's tests'.
    dialog.show();
    dialog.StoreCrop();
    QLineEdit* box = dialog.txtCoords[0];
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "10");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Edges(), (CropBox{150, 750, 9150, 7500}));
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.blnCancelled);
    EXPECT_EQ(dialog.StoredSelection(), (SelectionRect{150, 750, 9000, 6750}));

    Click("cmdPreview");
    EXPECT_EQ(host.previews, 1);

    // Escape cancels, even from an arrow button, and so does the close box.
    dialog.show();
    Find("xbutDown")->setFocus();
    QTest::keyClick(Find("xbutDown"), Qt::Key_Escape);
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_FALSE(dialog.isVisible());
    dialog.show();
    dialog.StoreCrop();
    Type(0, "20");
    dialog.blnCancelled = false;
    dialog.close();
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Edges(), (CropBox{150, 750, 9150, 7500}));
}

// The pointer's edits within the picture and the constraints; the rules themselves are the crop
// model's.
TEST_F(CropDialogTest, HandlesAndTheBandEditWithinThePictureAndTheConstraints) {
    // The sample picture is 195 x 189 pixels.
    Open(10, 10, 90, 90);
    DragHandle(4, {300, 300});
    EXPECT_EQ(dialog.Edges(), (CropBox{150, 150, 2925, 2835}));
    Open(100, 20, 20, 80);
    DragHandle(7, {-10, 0});
    EXPECT_EQ(dialog.Edges(), (CropBox{1350, 300, 1800, 1500}));
    // The handles went with the edge: the next grab starts where it now is.
    QWidget* picture = Find("picCrop");
    EXPECT_EQ(Find("picM(7)")->x() + 6, picture->x() + 1350 / 15);

    Open(0, 0, 0, 0);
    QTest::mousePress(picture, Qt::LeftButton, {}, {150, 150});
    QTest::mouseMove(picture, {400, 20});
    // The boxes follow the band while it is drawn, kept on the picture.
    EXPECT_EQ(Texts(), QStringList({"150", "20", "45", "130"}));
    EXPECT_FALSE(Find("picM(0)")->isVisible());
    QTest::mouseRelease(picture, Qt::LeftButton, {}, {400, 20});
    EXPECT_EQ(dialog.Edges(), (CropBox{2250, 300, 2925, 2250}));
    EXPECT_TRUE(Find("picM(0)")->isVisible());

    // Restrained, a click places a rectangle of the target's size at the click point.
    dialog.chkRestrainDim->setChecked(true);
    QTest::mouseClick(picture, Qt::LeftButton, {}, {30, 40});
    EXPECT_EQ(dialog.Edges(), (CropBox{450, 600, 12450, 9600}));
    EXPECT_EQ(Texts(), QStringList({"30", "40", "800", "600"}));

    // Kept proportions bring the other side along.
    dialog.chkRestrainDim->setChecked(false);
    dialog.chkKeepProps->setChecked(true);
    Open(10, 10, 80, 60);
    DragHandle(5, {0, 6});
    EXPECT_EQ(dialog.Edges(), (CropBox{150, 150, 1470, 1140}));
}

// Nudges of the rectangle are the crop model's (and the large picture's test here).
TEST_F(CropDialogTest, NudgeButtons) {
    Open(11, 88, 100, 100);
    EXPECT_FALSE(Find("xbutReset")->isEnabled());

    // The picture moves instead, as far as the user goes; the rectangle stays on it.
    QWidget* picture = Find("picCrop");
    const QPoint home = picture->pos();
    static_cast<QCheckBox*>(Find("chkMoveCrop"))->setChecked(false);
    EXPECT_TRUE(Find("xbutReset")->isEnabled());
    for (int i = 0; i < 4; ++i) {
        Click("xbutLeft");
    }
    EXPECT_EQ(dialog.PicturePosition(), (PicturePlace{-3600, 120}));
    EXPECT_EQ(picture->pos(), home - QPoint(400, 0));
    Click("xbutDown");
    EXPECT_EQ(picture->pos(), home + QPoint(-400, 100));
    EXPECT_EQ(dialog.Edges(), (CropBox{165, 1320, 1665, 2820}));
    Click("xbutReset");
    EXPECT_EQ(dialog.PicturePosition(), (PicturePlace{2415, 120}));
    EXPECT_EQ(picture->pos(), home + QPoint(1, 0));
}

TEST_F(CropDialogTest, LargePictureOpensWholeZoomsAndScrolls) {
    dialog.SetPicture(Filled(4000, 3000, Qt::gray), QStringLiteral("IMG_4301.JPG"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Kalvimo - Custom Cropping - IMG_4301.JPG"));
    Open(10, 10, 50, 50);
    auto* area = dialog.findChild<QScrollArea*>();
    ASSERT_NE(area, nullptr);
    QWidget* picture = Find("picCrop");
    // Seen whole; that one drag from corner to corner then takes all of it is the window's test.
    EXPECT_LT(dialog.Zoom(), 0.2);
    EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0);
    // The handles sit where the zoomed edges are; a nudge is still one picture pixel.
    Load({1500, 1500, 30000, 30000});
    EXPECT_EQ(Find("picM(7)")->x() + 6, picture->x() + qRound(100 * dialog.Zoom()));
    Click("xbutRight");
    EXPECT_EQ(dialog.Edges(), (CropBox{1515, 1500, 30015, 30000}));

    // Full size, then it scrolls; the plain wheel is left to the viewport.
    Click("cmdZoom");
    EXPECT_EQ(dialog.Zoom(), 1);
    EXPECT_GT(area->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    QWheelEvent wheel({20, 20}, picture->mapToGlobal(QPointF(20, 20)), {}, {0, -120}, Qt::NoButton,
                      {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(picture, &wheel);
    EXPECT_FALSE(wheel.isAccepted());
    EXPECT_EQ(dialog.Zoom(), 1);
    // With Ctrl it zooms, and never below the whole picture.
    QWheelEvent zoomOut({20, 20}, picture->mapToGlobal(QPointF(20, 20)), {}, {0, -120 * 20},
                        Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(picture, &zoomOut);
    EXPECT_LT(dialog.Zoom(), 0.2);
    EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(dialog.Edges(), (CropBox{1515, 1500, 30015, 30000}));
}

TEST_F(CropDialogTest, OpensWithinTheScreenAndRestraintShowsTheTargetAtOnce) {
    host.size = {800, 480};
    dialog.resize(5000, 5000);
    dialog.SetPicture(Filled(1600, 1200, Qt::gray));
    Open(0, 0, 320, 240);
    dialog.ShowModeless();
    const QRect room = dialog.screen()->availableGeometry();
    EXPECT_LE(dialog.width(), std::max(room.width(), dialog.minimumWidth()));
    EXPECT_LE(dialog.height(), std::max(room.height(), dialog.minimumHeight()));
    QTest::mouseClick(dialog.chkRestrainDim, Qt::LeftButton, {}, QPoint(6, 6));
    EXPECT_EQ(Texts(), QStringList({"0", "0", "800", "480"}));
}

} // namespace
} // namespace kalvimo
