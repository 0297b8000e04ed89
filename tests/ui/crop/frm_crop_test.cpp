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
#include <QTimer>
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

TEST_F(CropDialogTest, LoadShowsTheEdgesAsTheyAreAndTypedValuesAreTakenRoundedAndOrdered) {
    ASSERT_EQ(dialog.TwipsPerPixel(), 15);
    EXPECT_EQ(Texts(), QStringList({"0", "0", "0", "0"}));
    Type(0, "40"); // a zero rectangle stays zero
    EXPECT_EQ(Texts(), QStringList({"40", "0", "0", "0"}));
    EXPECT_EQ(dialog.Edges(), (CropBox{600, 0, 600, 0}));
    Load({10500, 750, 1500, 7500});
    EXPECT_EQ(Texts(), QStringList({"700", "50", "-600", "450"}));
    EXPECT_EQ(dialog.Edges(), (CropBox{10500, 750, 1500, 7500}));
    EXPECT_EQ(dialog.StoredSelection(), (SelectionRect{10500, 750, -9000, 6750}));

    Load({1500, 750, 10500, 7500});
    // The box, the text typed, then the boxes and the edges. Text that is no number goes back
    // to the value the box had; the boxes are read again whole, so X is now the 13 it shows.
    const std::tuple<std::size_t, const char*, QStringList, CropBox> steps[] = {
        {2, "-50", {"50", "50", "50", "450"}, {750, 750, 1500, 7500}},
        {0, "12.5", {"13", "50", "50", "450"}, {188, 750, 938, 7500}},
        {1, "lots", {"13", "50", "50", "450"}, {195, 750, 945, 7500}},
        {3, "99999999999", {"13", "50", "50", "450"}, {195, 750, 945, 7500}},
    };
    for (const auto& [box, typed, texts, edges] : steps) {
        Type(box, typed);
        EXPECT_EQ(Texts(), texts) << typed;
        EXPECT_EQ(dialog.Edges(), edges) << typed;
    }
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

TEST_F(CropDialogTest, CancelRestoresTheSnapshotAcceptKeepsTheEdit) {
    Load({1500, 750, 10500, 7500});
    dialog.show();
    Type(0, "10");
    Click("cmdCancel");
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Edges(), (CropBox{1500, 750, 10500, 7500}));
    EXPECT_EQ(Texts(), QStringList({"100", "50", "600", "450"}));

    dialog.show();
    dialog.StoreCrop();
    Type(0, "10");
    Click("cmdAccept");
    EXPECT_FALSE(dialog.blnCancelled);
    EXPECT_EQ(dialog.StoredSelection(), (SelectionRect{150, 750, 9000, 6750}));

    Click("cmdPreview");
    EXPECT_EQ(host.previews, 1);

    // Escape cancels, even from an arrow button.
    dialog.show();
    Find("xbutDown")->setFocus();
    QTest::keyClick(Find("xbutDown"), Qt::Key_Escape);
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_FALSE(dialog.isVisible());
}

// Enter takes what a box holds; with nothing new to take, it accepts, as a default button would.
TEST_F(CropDialogTest, EnterAppliesATypedBoxAndThenAccepts) {
    Open(100, 50, 600, 450);
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
}

TEST_F(CropDialogTest, HandleDragsKeepToThePicture) {
    // The sample picture is 195 x 189 pixels.
    Open(10, 10, 90, 90);
    DragHandle(4, {300, 300});
    EXPECT_EQ(dialog.Edges(), (CropBox{150, 150, 2925, 2835}));

    Open(20, 20, 80, 80);
    DragHandle(0, {-50, 0});
    EXPECT_EQ(dialog.Edges(), (CropBox{0, 300, 1200, 1500}));

    Open(100, 20, 20, 80);
    DragHandle(7, {-30, 0});
    EXPECT_EQ(dialog.Edges(), (CropBox{1500, 300, 1800, 1500}));
    DragHandle(7, {-10, 0});
    EXPECT_EQ(dialog.Edges(), (CropBox{1350, 300, 1800, 1500}));
    // The handles went with the edge: the next grab starts where it now is.
    EXPECT_EQ(Find("picM(7)")->x() + 6, Find("picCrop")->x() + 1350 / 15);
}

TEST_F(CropDialogTest, KeepProportionsFollowsTheShorterSide) {
    dialog.SetPicture(Filled(600, 500, Qt::gray));
    dialog.chkKeepProps->setChecked(true);
    // The target, the handle dragged and how far, the edges after; each drag starts from an 80
    // by 60 rectangle turned as the target is.
    const std::tuple<TargetSize, int, QPoint, CropBox> cases[] = {
        {{800, 600}, 3, {10, 0}, {150, 150, 1350, 1050}}, // wide: the width comes back
        {{800, 600}, 5, {0, 6}, {150, 150, 1470, 1140}},  // 66 pixels high, 88 wide
        {{600, 800}, 3, {6, 0}, {150, 150, 1140, 1470}},
        {{600, 800}, 5, {0, 10}, {150, 150, 1050, 1350}}, // tall: the height comes back
    };
    for (const auto& [target, handle, step, edges] : cases) {
        host.size = target;
        const bool wide = target.width > target.height;
        Open(10, 10, wide ? 80 : 60, wide ? 60 : 80);
        DragHandle(handle, step);
        EXPECT_EQ(dialog.Edges(), edges) << target.width << " handle " << handle;
    }
}

TEST_F(CropDialogTest, RubberBand) {
    Open(0, 0, 0, 0);
    QWidget* picture = Find("picCrop");
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
}

TEST_F(CropDialogTest, NudgeButtons) {
    Open(10, 89, 100, 100); // touches the bottom of the 189-pixel picture
    Click("xbutDown");
    EXPECT_EQ(dialog.Edges(), (CropBox{150, 1335, 1650, 2835}));
    Click("xbutUp");
    Click("xbutRight");
    EXPECT_EQ(dialog.Edges(), (CropBox{165, 1320, 1665, 2820}));
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
    // Seen whole: one drag from corner to corner takes all of it.
    EXPECT_LT(dialog.Zoom(), 0.2);
    EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0);
    // The very corner, which QTest would take for "the middle".
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(0, 0), picture->mapToGlobal(QPointF(0, 0)),
                      Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(picture, &press);
    QTest::mouseMove(picture, {picture->width() + 5, picture->height() + 5});
    QTest::mouseRelease(picture, Qt::LeftButton, {}, {picture->width() + 5, picture->height() + 5});
    EXPECT_EQ(dialog.Edges(), (CropBox{0, 0, 4000 * 15, 3000 * 15}));
    EXPECT_EQ(Texts(), QStringList({"0", "0", "4000", "3000"}));
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

TEST_F(CropDialogTest, CloseBoxInTheModalPromptCancels) {
    Open(10, 10, 50, 50);
    dialog.hide();
    dialog.blnCancelled = false;
    dialog.cmdPreview->SetEnabled(false);
    dialog.StoreCrop();
    QTimer::singleShot(0, &dialog, [this] {
        DragHandle(4, {10, 10});
        dialog.close();
    });
    dialog.ShowModal();
    EXPECT_TRUE(dialog.blnCancelled);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Edges(), (CropBox{150, 150, 900, 900}));

    QTimer::singleShot(0, &dialog, [this] { Click("cmdAccept"); });
    dialog.ShowModal();
    EXPECT_FALSE(dialog.blnCancelled);
}

TEST_F(CropDialogTest, PreviewIsFittedInsideItsBox) {
    dialog.SetPreview(Filled(800, 200, Qt::darkGreen));
    const QSize box = dialog.picPreview->contentsRect().size();
    const QSize shown = dialog.picPreview->pixmap().deviceIndependentSize().toSize();
    EXPECT_EQ(shown.width(), box.width());
    EXPECT_EQ(shown.height(), (box.width() + 2) / 4);
    // Shown at that size, centred, not stretched over the box.
    const QImage face = dialog.picPreview->grab().toImage();
    const QPoint middle(face.width() / 2, face.height() / 2);
    EXPECT_EQ(face.pixelColor(middle), QColor(Qt::darkGreen));
    EXPECT_NE(face.pixelColor(middle.x(), face.height() / 6), QColor(Qt::darkGreen));
}

} // namespace
} // namespace kalvimo
