#include "anchor_grid.h"
#include "main_window_support.h"

#include <tuple>

namespace kalvimo {
namespace {

class ScriptedPicker : public ColourPicker {
public:
    void SetColour(Colour colour) override {
        calls.push_back("SetColour " + std::to_string(colour));
    }
    Colour SelectedColour() const override { return answer; }
    void ShowModal(const std::function<void()>& accepted) override {
        calls.emplace_back("ShowModal");
        if (accept) {
            accepted();
        }
    }
    std::vector<std::string> calls;
    Colour answer = 0x00FF00;
    bool accept = true;
};

class OptionsPageTest : public testing::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Start();
        ClickTab(3);
    }
    QString Fittings() const {
        QString ticks;
        for (const char* name :
             {"chkStretch", "chkLetterbox", "chkAutoCrop", "chkCustomCrop", "chkFill"}) {
            ticks += Check(name).isChecked() ? QLatin1Char('1') : QLatin1Char('0');
        }
        return ticks;
    }
};

TEST_F(OptionsPageTest, OneFittingAtATimeWithItsOwnControls) {
    // Box clicked: the fittings' ticks, then whether the anchor grid and the crop controls show.
    const std::tuple<const char*, const char*, bool, bool> steps[] = {
        {"chkLetterbox", "01000", false, false}, {"chkLetterbox", "01000", false, false},
        {"chkAutoCrop", "00100", true, false},   {"chkCustomCrop", "00010", false, true},
        {"chkCustomCrop", "00010", false, true}, {"chkFill", "00001", true, false},
        {"chkFill", "00001", true, false},       {"chkStretch", "10000", false, false},
    };
    for (const auto& [click, fittings, grid, custom] : steps) {
        Tick(click);
        EXPECT_EQ(Fittings(), QString::fromLatin1(fittings)) << click;
        EXPECT_EQ(Find<QLabel>("lblCrop").isVisible(), grid) << click;
        EXPECT_EQ(Find<XButton>("butAnchor(8)").isVisible(), grid) << click;
        EXPECT_EQ(Find<OrvelSimpleButton>("cmdCustomCrop").isVisible(), custom) << click;
        EXPECT_EQ(Check("chkPromptCustom").isVisible(), custom) << click;
    }
}

TEST_F(OptionsPageTest, CustomCropSetsAnEmptyRectangleOnce) {
    frmCrop& crop = window->CropDialog();
    crop.SetEdges({0, 0, 0, 0});
    NewWidth().SetScrValue(800);
    NewHeight().SetScrValue(600);
    Tick("chkCustomCrop");
    EXPECT_EQ(crop.Edges(), (CropBox{0, 0, 12000, 9000}));
    EXPECT_EQ(crop.txtCoords[2]->text(), QStringLiteral("800"));
    NewWidth().SetScrValue(100);
    Tick("chkStretch");
    Tick("chkCustomCrop");
    EXPECT_EQ(crop.Edges(), (CropBox{0, 0, 12000, 9000}));

    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdCustomCrop"), Qt::LeftButton);
    EXPECT_TRUE(crop.isVisible());
    EXPECT_FALSE(crop.isModal());
    EXPECT_TRUE(crop.cmdPreview->isEnabled());
    EXPECT_EQ(crop.StoredSelection(), (SelectionRect{0, 0, 12000, 9000}));
}

TEST_F(OptionsPageTest, PreviewFitsTheFrameIntoThePreviewBox) {
    testing::WritePicture(Path("a.jpg"), 64, 48);
    GoTo(0, pictures.path());
    Files(0).setCurrentRow(0);
    NewWidth().SetScrValue(400);
    NewHeight().SetScrValue(100);
    window->PreviewCustomCrop();
    QLabel& preview = *window->CropDialog().picPreview;
    // Inside the frame of the 1935-twip box, a quarter as high as wide; shown at that size,
    // centred, not stretched over the box.
    EXPECT_EQ(preview.pixmap().deviceIndependentSize().toSize(), QSize(127, 32));
    const QImage face = preview.grab().toImage();
    const QColor picture = preview.pixmap().toImage().pixelColor(10, 10);
    EXPECT_EQ(face.pixelColor(face.width() / 2, face.height() / 2), picture);
    EXPECT_NE(face.pixelColor(face.width() / 2, face.height() / 6), picture);
    EXPECT_TRUE(Find<QPlainTextEdit>("txtLog").toPlainText().isEmpty());
}

TEST_F(OptionsPageTest, NamingAndOverwriteRulesKeepTheValues) {
    QLineEdit& prefix = Find<QLineEdit>("txtPrefix");
    EXPECT_FALSE(prefix.isEnabled());
    EXPECT_FALSE(Check("chkSuffixExisting").isEnabled());
    Tick("chkRename");
    prefix.setText(QStringLiteral("Hol_"));
    Tick("chkSuffixExisting");
    Tick("chkRename");
    EXPECT_FALSE(prefix.isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("txtNoExifPrefix").isEnabled());
    EXPECT_FALSE(Check("chkSuffixExisting").isEnabled());
    EXPECT_EQ(window->Options().prefix, "Hol_");
    EXPECT_TRUE(window->Options().suffixExisting);

    Tick("chkOverwrite");
    EXPECT_FALSE(Check("chkAutoRename").isEnabled());
    EXPECT_TRUE(Check("chkAutoRename").isChecked());
    Tick("chkOverwrite");
    EXPECT_TRUE(Check("chkAutoRename").isEnabled());
}

TEST_F(OptionsPageTest, AnchorGridShowsTheKeptCellAndItsArrows) {
    Tick("chkAutoCrop");
    QTest::mouseClick(&Find<XButton>("butAnchor(0)"), Qt::LeftButton);
    EXPECT_EQ(window->Options().anchor, 0);
    for (int i = 0; i < 9; ++i) {
        XButton& cell = Find<XButton>(QStringLiteral("butAnchor(%1)").arg(i));
        EXPECT_EQ(cell.ArrowType(), AnchorArrows(0)[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(cell.FillColor(), i == 0 ? kWindowBackground : kButtonFace) << i;
    }
}

TEST_F(OptionsPageTest, AcceptedColourReachesSwatchAndLetterboxTogether) {
    auto picker = std::make_unique<ScriptedPicker>();
    ScriptedPicker* script = picker.get();
    window->SetColourPicker(std::move(picker));
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdChangeBack"), Qt::LeftButton);
    EXPECT_EQ(script->calls, (std::vector<std::string>{"SetColour 0", "ShowModal"}));
    EXPECT_EQ(window->Options().backColour, 0x00FF00u);
    // What the user sees: the swatch's own pixels.
    QFrame& swatch = Find<QFrame>("shpBack");
    EXPECT_EQ(swatch.grab().toImage().pixelColor(swatch.width() / 2, swatch.height() / 2),
              QColor(0, 255, 0));

    script->accept = false;
    script->answer = 0xFF;
    QTest::mouseClick(&Find<OrvelSimpleButton>("cmdChangeBack"), Qt::LeftButton);
    EXPECT_EQ(script->calls.at(2), "SetColour 65280");
    EXPECT_EQ(window->Options().backColour, 0x00FF00u);
}

TEST_F(OptionsPageTest, SizeByKeyboard) {
    QWidget* presets = &Presets();
    presets->setFocus();
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(presets, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget()->parentWidget(), &NewWidth());
    QWidget* bar = QApplication::focusWidget();
    QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(NewWidth().ScrValue(), 321);
    QTest::keyClick(bar, Qt::Key_PageUp);
    EXPECT_EQ(NewWidth().ScrValue(), 821);
    QTest::keyClicks(bar, QStringLiteral("64"));
    EXPECT_EQ(NewWidth().ScrValue(), 821); // not yet applied
    QTest::keyClick(bar, Qt::Key_Return);
    EXPECT_EQ(NewWidth().ScrValue(), 64);
    EXPECT_FLOAT_EQ(window->CurrentImageScale(), 64.0f / 240.0f);

    QTest::keyClick(bar, Qt::Key_Tab);
    QWidget* heightBar = QApplication::focusWidget();
    EXPECT_EQ(heightBar->parentWidget(), &NewHeight());
    QTest::keyClicks(heightBar, QStringLiteral("9999"));
    QTest::keyClick(heightBar, Qt::Key_Tab); // the focus leaves: applied, held at the limit
    EXPECT_EQ(NewHeight().ScrValue(), 1600);
    EXPECT_EQ(script->Texts(),
              QStringList({"Note: the dimensions were adjusted to fall within the supported "
                           "limits."}));

    // A click on the shown number is no click on the bar.
    const int before = NewWidth().ScrValue();
    QWidget* number = QApplication::widgetAt(NewWidth().mapToGlobal(
        NewWidth().findChild<QLabel*>("lblValue")->parentWidget()->geometry().center()));
    ASSERT_NE(number, nullptr);
    QTest::mouseClick(number, Qt::LeftButton);
    EXPECT_EQ(NewWidth().ScrValue(), before);
}

// Every box and button of the page, and every item of the folder menu, has an access key of its
// own; the key ticks the box.
TEST_F(OptionsPageTest, AccessKeysOneEach) {
    const auto key = [](const QString& caption) {
        const qsizetype at = caption.indexOf(QLatin1Char('&'));
        return at < 0 ? QChar() : caption.at(at + 1).toLower();
    };
    QStringList captions;
    for (const QCheckBox* box : Page(3).findChildren<QCheckBox*>()) {
        captions.append(box->text());
    }
    for (const OrvelSimpleButton* button : Page(3).findChildren<OrvelSimpleButton*>()) {
        captions.append(button->Caption());
    }
    QStringList menu;
    for (const QAction* item : Find<QMenu>("mnDir").actions()) {
        if (!item->isSeparator()) {
            menu.append(item->text());
        }
    }
    for (const QStringList& group : {captions, menu}) {
        QSet<QChar> taken;
        for (const QString& caption : group) {
            const QChar letter = key(caption);
            EXPECT_FALSE(letter.isNull()) << caption.toStdString();
            EXPECT_FALSE(taken.contains(letter)) << caption.toStdString();
            taken.insert(letter);
        }
    }
    Presets().setFocus();
    QTest::keyClick(&Presets(), Qt::Key_I, Qt::AltModifier);
    // A box pressed by its key shows the press for a moment before it is ticked.
    EXPECT_TRUE(QTest::qWaitFor([this] { return Check("chkKeepInfo").isChecked(); }));
}

} // namespace
} // namespace kalvimo
