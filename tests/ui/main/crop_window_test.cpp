#include "codecs/picture_decoder.h"
#include "main_window_support.h"

#include <QTimer>

namespace kalvimo::testing {
namespace {

constexpr Colour kRed = 0x0000FF;
constexpr Colour kBlue = 0xFF0000;

// The custom crop from the window: the dialog opened from the Options page, the question asked
// for each picture of a run, and the picture the rectangle is drawn on.
class CropWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // Upright, a portrait picture: red above, blue below.
        Canvas picture(200, 300, kRed);
        picture.FillRect(0, 150, 200, 300, kBlue);
        cGdiPlus encoder;
        for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
            ASSERT_TRUE(encoder.PictureBoxToFile(picture, Path(name).toStdString(), 85));
        }
        Start();
        GoTo(0, pictures.path());
        GoTo(1, destination.path());
        NewWidth().SetScrValue(300);
        NewHeight().SetScrValue(200);
        ClickTab(3);
        Tick("chkCustomCrop");
    }
    frmCrop& Dialog() const { return window->CropDialog(); }
    void Press(const char* button) const {
        QTest::mouseClick(Dialog().findChild<QWidget*>(button), Qt::LeftButton);
    }
    // A run over every picture; answer() is called whenever the question is up.
    void Process(const std::function<void()>& answer = {}) const {
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (answer && Dialog().isVisible()) {
                answer();
            }
        });
        timer.start(5);
        Files(0).selectAll();
        WindowTest::Process();
    }
};

TEST_F(CropWindowTest, RunAsksForEachPictureAndSkipsTheCancelledOnes) {
    Tick("chkPromptCustom");
    Dialog().SetEdges({0, 0, 100 * 15, 100 * 15});
    Dialog().LoadCrop();
    // Accept, Cancel, then the close box; what the prompt showed is noted each time.
    const std::vector<std::function<void()>> answers{[this] { Press("cmdAccept"); },
                                                     [this] { Press("cmdCancel"); },
                                                     [this] { Dialog().close(); }};
    std::vector<bool> previewEnabled;
    QStringList captions;
    Process([&] {
        if (previewEnabled.size() < answers.size()) {
            previewEnabled.push_back(Dialog().cmdPreview->isEnabled());
            captions.append(Dialog().windowTitle());
            answers[previewEnabled.size() - 1]();
        }
    });
    EXPECT_EQ(previewEnabled, std::vector<bool>(3, false));
    EXPECT_EQ(captions,
              QStringList({"Kalvimo - Custom Cropping - a.bmp", "Kalvimo - Custom Cropping - b.bmp",
                           "Kalvimo - Custom Cropping - c.bmp"}));
    EXPECT_EQ(LogLines(), QStringList({"Saved file: " + Output("a.bmp"), "Skipped file: b.bmp",
                                       "Skipped file: c.bmp"}));
}

TEST_F(CropWindowTest, EachPromptTakesTheNumbersTypedIntoIt) {
    Tick("chkPromptCustom");
    Dialog().SetEdges({0, 0, 100 * 15, 100 * 15});
    Dialog().LoadCrop();
    std::vector<int> lefts;
    int waited = 0;
    Process([&] {
        // The prompt has a moment to become the active window, as it does on a desktop.
        if (!Dialog().isActiveWindow() && ++waited < 100) {
            return;
        }
        waited = 0;
        if (lefts.size() < 3) {
            // Typed as a person does: into the box with the focus, left with Tab.
            QLineEdit* x = Dialog().txtCoords[0];
            x->setFocus();
            x->selectAll();
            if (QApplication::focusWidget() == x) {
                QTest::keyClicks(x, QString::number(10 * (lefts.size() + 1)));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            lefts.push_back(Dialog().Edges().left / 15);
            Press("cmdAccept");
        }
    });
    EXPECT_EQ(lefts, (std::vector<int>{10, 20, 30}));
}

TEST_F(CropWindowTest, CloseDuringTheQuestionEndsTheRunAfterThatPicture) {
    Tick("chkPromptCustom");
    Process([this] {
        window->close();
        Press("cmdAccept");
    });
    EXPECT_EQ(LogLines(), QStringList({"Saved file: " + Output("a.bmp")}));
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(QDir(appFolder.path()).exists("Settings.ini"));
}

TEST_F(CropWindowTest, OpenedFromTheOptionsPageTheDialogShowsTheChosenPictureByName) {
    // Without a click preview: the first listed picture, then the one chosen.
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdCustomCrop"), Qt::LeftButton);
    EXPECT_EQ(Dialog().windowTitle(), QStringLiteral("Kalvimo - Custom Cropping - a.bmp"));
    // Turned for the landscape frame.
    const QSize shown = Dialog().findChild<QWidget*>("picCrop")->size();
    EXPECT_GT(shown.width(), shown.height());
    Dialog().hide();
    Files(0).setCurrentRow(2);
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdCustomCrop"), Qt::LeftButton);
    EXPECT_EQ(Dialog().windowTitle(), QStringLiteral("Kalvimo - Custom Cropping - c.bmp"));
}

// Restrained, the rectangle takes the size set on the Options page.
TEST_F(CropWindowTest, RestrainedRectangleTakesTheNewSize) {
    Dialog().chkRestrainDim->setChecked(true);
    QLineEdit& width = *Dialog().txtCoords[2];
    width.setText(QStringLiteral("5"));
    emit width.editingFinished();
    EXPECT_EQ(width.text(), QStringLiteral("300"));
    EXPECT_EQ(Dialog().txtCoords[3]->text(), QStringLiteral("200"));
}

TEST_F(CropWindowTest, RectangleDrawnOnTheTurnedPictureCutsTheSamePixels) {
    Find<QCheckBox>("chkPreview").setChecked(true);
    ClickTab(1);
    ClickEntry(Files(0), "a.bmp");
    // A landscape target turns the portrait picture: red now on the left, blue on the right.
    QWidget& picture = *Dialog().findChild<QWidget*>("picCrop");
    Dialog().chkRestrainDim->setChecked(false);
    EXPECT_EQ(picture.size(), QSize(300, 200));
    QTest::mousePress(&picture, Qt::LeftButton, {}, {160, 20});
    QTest::mouseMove(&picture, {290, 180});
    QTest::mouseRelease(&picture, Qt::LeftButton, {}, {290, 180});
    Process();
    Canvas out;
    std::string error;
    ASSERT_TRUE(DecodePictureFile(Output("a.bmp").toStdString(), out, 0, error)) << error;
    ASSERT_TRUE(out.Width() > 150 && out.Height() > 100);
    EXPECT_EQ(out.Pixel(150, 100), (Rgb{0, 0, 255}));

    // Without the turn the dialog shows the picture as it is stored.
    Tick("chkAutoRotate");
    EXPECT_EQ(picture.size(), QSize(200, 300));
}

// A 12-megapixel photo, seen whole as the dialog opens, is taken whole with one drag: the written
// picture keeps its 40-pixel frame, a tenth of it at a tenth of the size.
TEST_F(CropWindowTest, OneDragTakesAllOfATwelveMegapixelPhoto) {
    ASSERT_TRUE(QFile::copy(KALVIMO_TEST_DATA "/twelve-megapixels-framed.png", Path("photo.png")));
    Filter().lineEdit()->selectAll();
    QTest::keyClicks(Filter().lineEdit(), QStringLiteral("*.png"));
    QTest::keyClick(Filter().lineEdit(), Qt::Key_Return);
    NewWidth().SetScrValue(400);
    NewHeight().SetScrValue(300);
    ClickTab(1);
    ClickEntry(Files(0), "photo.png");
    ClickTab(3);
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdCustomCrop"), Qt::LeftButton);
    ASSERT_EQ(Dialog().windowTitle(), QStringLiteral("Kalvimo - Custom Cropping - photo.png"));
    Dialog().chkRestrainDim->setChecked(false);
    QWidget& picture = *Dialog().findChild<QWidget*>("picCrop");
    // From the very corner, which QTest would take for "the middle", to past the far one.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(0, 0), picture.mapToGlobal(QPointF(0, 0)),
                      Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(&picture, &press);
    const QPoint beyond(picture.width() + 5, picture.height() + 5);
    QTest::mouseMove(&picture, beyond);
    QTest::mouseRelease(&picture, Qt::LeftButton, {}, beyond);
    EXPECT_EQ(Dialog().Edges(), (CropBox{0, 0, 4000 * 15, 3000 * 15}));

    Process();
    Canvas out;
    std::string error;
    ASSERT_TRUE(DecodePictureFile(Output("photo.png").toStdString(), out, 0, error)) << error;
    ASSERT_EQ(QSize(out.Width(), out.Height()), QSize(400, 300));
    const Rgb frame{255, 0, 255};
    for (const auto& [x, y, colour] :
         std::vector<std::tuple<int, int, Rgb>>{{0, 0, frame},
                                                {3, 3, frame},
                                                {4, 4, {255, 0, 0}},
                                                {395, 4, {0, 255, 0}},
                                                {4, 295, {0, 0, 255}},
                                                {395, 295, {255, 255, 0}},
                                                {396, 296, frame},
                                                {399, 299, frame}}) {
        EXPECT_EQ(out.Pixel(x, y), colour) << x << "," << y;
    }
}

} // namespace
} // namespace kalvimo::testing
