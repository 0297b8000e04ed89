#include "artwork.h"
#include "main_window_support.h"
#include "presets.h"

#include <QAccessible>

namespace kalvimo::testing {
namespace {

class StartUpTest : public WindowTest {};

TEST_F(StartUpTest, WithoutPresetFileTheBuiltInListsAreFilledAndTheDefaultsChoose) {
    Start();
    QStringList builtIn;
    for (const std::string_view entry : kBuiltInPresets) {
        builtIn.append(QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
    }
    EXPECT_EQ(Entries(Presets()), builtIn);
    EXPECT_EQ(Presets().currentIndex(), 0);
    EXPECT_TRUE(script->shown.empty());
    EXPECT_TRUE(Page(0).isVisible());
    for (int i = 1; i < 5; ++i) {
        EXPECT_FALSE(Page(i).isVisible()) << i;
        EXPECT_EQ(Page(i).geometry(), Page(0).geometry());
    }
    // 9975 x 7035 twips: the tab strip with a margin either side, and the preview below it.
    EXPECT_EQ(window->size(), QSize(665, 469));
    EXPECT_EQ(Page(0).geometry(), QRect(16, 40, 625, 217));
}

// A presets.txt replaces the built-in list, even when it holds nothing; how it splits into
// lines is the preset file's own test, and a list read from it the presets' tests below.
TEST_F(StartUpTest, AnEmptyPresetFileLeavesTheListEmpty) {
    WriteText(QDir(appFolder.path()).filePath("presets.txt"), "\r\n\n");
    Start();
    EXPECT_EQ(Presets().count(), 0);
    EXPECT_EQ(NewWidth().ScrValue(), 800);
}

class PresetTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        WriteText(QDir(appFolder.path()).filePath("presets.txt"),
                  "HD 1080 : 1920x1080\nHuge : 4000x3000\nFlat : 640x0\nTall : 100x2000\n"
                  "Broken entry\nMine : 800x600\n");
        Start();
        // The size at the moment each message is on the screen.
        script->whileShown = [this](const QString&) {
            sizesWhileShown.emplace_back(NewWidth().ScrValue(), NewHeight().ScrValue());
        };
    }
    void Choose(const QString& entry) {
        script->shown.clear();
        sizesWhileShown.clear();
        Presets().setCurrentIndex(Presets().findText(entry));
    }
    void ExpectSize(int width, int height) const {
        EXPECT_EQ(NewWidth().ScrValue(), width);
        EXPECT_EQ(NewHeight().ScrValue(), height);
        EXPECT_FLOAT_EQ(window->CurrentImageScale(),
                        static_cast<float>(static_cast<double>(width) / height));
    }

    std::vector<std::pair<int, int>> sizesWhileShown;
};

TEST_F(PresetTest, PresetsWithinTheLimitsApplySilentlyOthersClampWithMessagesWidthFirst) {
    const QString widthOver = "Preset width exceeds maximum supported by this program.";
    const QString heightOver = "Preset height exceeds maximum supported by this program.";
    const QString widthUnder = "Preset width is below the minimum supported by this program.";
    const QString heightUnder = "Preset height is below the minimum supported by this program.";
    struct Case {
        QString entry;
        int width, height;
        QStringList messages;
    };
    const Case cases[] = {
        {"Huge : 4000x3000", 2048, 1600, {widthOver, heightOver}},
        {"Flat : 640x0", 640, 1, {heightUnder}},
        {"Tall : 100x2000", 100, 1600, {heightOver}},
        {"Broken entry", 1, 1, {widthUnder, heightUnder}},
        {"Mine : 800x600", 800, 600, {}},
    };
    for (const Case& c : cases) {
        Choose(c.entry);
        ExpectSize(c.width, c.height);
        EXPECT_EQ(script->Texts(), c.messages) << c.entry.toStdString();
        for (const ShownMessage& message : script->shown) {
            EXPECT_EQ(message.icon, BoxIcon::None);
            EXPECT_EQ(message.buttons, MessageButtons::Ok);
        }
        // Each size is set before its own message, and only then the next one.
        if (&c == &cases[0]) {
            EXPECT_EQ(sizesWhileShown,
                      (std::vector<std::pair<int, int>>{{2048, 1080}, {2048, 1600}}));
        }
    }
}

TEST_F(PresetTest, PickingTheShownEntryAgainBringsItsSizeBack) {
    Choose("Mine : 800x600");
    NewWidth().SetScrValue(1000);
    EXPECT_FLOAT_EQ(window->CurrentImageScale(), 1000.0f / 600.0f);
    const int index = Presets().currentIndex();
    emit Presets().activated(index);
    ExpectSize(800, 600);
    // A size typed that an entry has shows that entry.
    NewWidth().SetScrValue(1920);
    NewHeight().SetScrValue(1080);
    EXPECT_EQ(Presets().currentText(), QStringLiteral("HD 1080 : 1920x1080"));
    // Picking it once more, unchanged, does nothing again.
    Choose("Huge : 4000x3000");
    script->shown.clear();
    emit Presets().activated(Presets().currentIndex());
    EXPECT_TRUE(script->shown.empty());
}

TEST_F(PresetTest, SwapExchangesTheSizesAndClampsWithANote) {
    XButton& swap = Find<XButton>("cmdSwap");
    Choose("Mine : 800x600");
    QTest::mouseClick(&swap, Qt::LeftButton);
    ExpectSize(600, 800);
    EXPECT_TRUE(script->shown.empty());

    NewWidth().SetScrValue(2048);
    NewHeight().SetScrValue(1024);
    QTest::mouseClick(&swap, Qt::LeftButton);
    ExpectSize(1024, 1600);
    ASSERT_EQ(script->shown.size(), 1u);
    EXPECT_EQ(script->shown[0].text,
              QStringLiteral("Note: the dimensions were adjusted to fall within the supported "
                             "limits."));
    EXPECT_EQ(script->shown[0].icon, BoxIcon::Information);
}

class PagesTest : public WindowTest {};

// Text a user must read keeps 4.5 : 1 against what lies under it, in a light and a dark theme.
TEST_F(PagesTest, TextReadsInLightAndDarkThemesAndFacesFollowTheDarkOne) {
    Start();
    const QPalette light = QApplication::palette();
    for (const bool dark : {false, true}) {
        QApplication::setPalette(dark ? DarkPalette() : light);
        QCoreApplication::processEvents();
        const auto& tab = Find<OrvelTab>("oTab");
        const QWidget& page = Page(0);
        const QColor pageColour = page.palette().color(page.backgroundRole());
        const auto ink = [](const QWidget& widget) {
            return widget.palette().color(widget.foregroundRole());
        };
        const auto& box = Find<QWidget>("picLabel");
        const std::pair<const char*, double> contrasts[] = {
            {"tab caption", Contrast(ToQColor(tab.TextColour(), tab.palette()),
                                     ToQColor(tab.TabColour(), tab.palette()))},
            {"selected caption", Contrast(ToQColor(tab.TextColourSelected(), tab.palette()),
                                          ToQColor(tab.TabColourSelected(), tab.palette()))},
            {"link", Contrast(ink(Find<QLabel>("lblLink")), pageColour)},
            {"page text", Contrast(ink(Find<QLabel>("lblIntro")), pageColour)},
            {"value box",
             Contrast(ink(Find<QLabel>("lblValue")), box.palette().color(box.backgroundRole()))},
        };
        for (const auto& [what, contrast] : contrasts) {
            EXPECT_GE(contrast, 4.5) << what << (dark ? " dark" : " light");
        }
    }
    // In the dark theme no drawn face stays a light block: each one's mean lightness stays low.
    QStringList lightFaces;
    for (QWidget* face : window->findChildren<QWidget*>()) {
        if (qobject_cast<OwnerDrawnWidget*>(face) == nullptr &&
            qobject_cast<PicturePreview*>(face) == nullptr && face->objectName() != "Image1") {
            continue;
        }
        const QImage image = face->grab().toImage();
        double lightness = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                lightness += image.pixelColor(x, y).lightnessF();
            }
        }
        lightness /= std::max(1, image.width() * image.height());
        if (lightness > 0.5) {
            lightFaces.append(face->objectName() + QString::number(lightness, 'f', 2));
        }
    }
    QApplication::setPalette(light);
    EXPECT_EQ(lightFaces, QStringList());
}

// The placeholder is whole to its edges at any scale: no pixel of it is left undrawn.
TEST(ArtworkTest, PlaceholderFillsItsEdgesAtFractionalScales) {
    for (const qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
        const QImage image = PlaceholderPreview(QApplication::palette(), ratio);
        const QColor ground = image.pixelColor(0, 0);
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        for (const QPoint corner : {QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom),
                                    QPoint(right, bottom / 2), QPoint(right / 2, bottom)}) {
            EXPECT_EQ(image.pixelColor(corner), ground) << ratio;
        }
    }
}

// A screen reader finds every control of every page, hidden pages too, with a name and a role
// that says what it is; the tab strip's own interface is the controls' test.
TEST_F(PagesTest, EveryControlHasANameAndARoleForScreenReaders) {
    Start();
    QStringList unnamed;
    int controls = 0;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* item) {
        const auto* widget = qobject_cast<const QWidget*>(item->object());
        // A drop-down list's popup is a window of its own, named by its box.
        if (widget != nullptr && (widget->focusPolicy() & Qt::TabFocus) != 0 &&
            widget->window() == window.get()) {
            ++controls;
            if (item->text(QAccessible::Name).isEmpty() || item->role() == QAccessible::Client ||
                item->role() == QAccessible::NoRole) {
                unnamed.append(widget->objectName());
            }
        }
        for (int i = 0; i < item->childCount(); ++i) {
            walk(item->child(i));
        }
    };
    walk(QAccessible::queryAccessibleInterface(window.get()));
    EXPECT_GT(controls, 30);
    EXPECT_EQ(unnamed, QStringList());
}

} // namespace
} // namespace kalvimo::testing
