#include "../controls/control_test_support.h"
#include "colour_squares.h"
#include "frm_colour_picker.h"
#include "hsv_to_colour.h"
#include "orvel_simple_button.h"

#include <array>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QScrollBar>
#include <QTest>

namespace kalvimo {
namespace {

TEST(HsvToColourTest, MatchesTheSinglePrecisionFormula) {
    // Hue, saturation and value to the packed colour; at 357, 50, 100 the 127.5 and 76.5 go
    // to the even neighbour.
    const std::tuple<int, int, int, Colour> cases[] = {
        {0, 100, 100, 0x0000FF},   {0, 100, 89, 0x0000E3},   {120, 100, 100, 0x00FF00},
        {240, 100, 100, 0xFF0000}, {17, 100, 100, 0x0048FF}, {204, 50, 78, 0xC79F63},
        {357, 50, 100, 0x8680FF},  {0, 0, 30, 0x4C4C4C},     {200, 0, 100, 0xFFFFFF},
        {360, 100, 100, 0x000000},
    };
    for (const auto& [hue, saturation, value, expected] : cases) {
        EXPECT_EQ(HsvToColour(hue, saturation, value), expected)
            << hue << " " << saturation << " " << value;
    }
}

// Logical pixels at 96 dots per inch: 15 twips each.
constexpr int kSpotLeftPx = 8;
constexpr int kSpotTopPx = 32;
constexpr int kSpotPx = 17;

class ColourPickerTest : public ::testing::Test {
protected:
    void SetUp() override { Show(); }
    void Show() {
        picker.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
        picker.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&picker));
    }

    template <typename T> T& Find(const QString& name) {
        T* found = picker.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return *found;
    }
    QScrollBar& Bar(const char* name) { return Find<QScrollBar>(QLatin1String(name)); }
    QLineEdit& Box(const char* name) { return Find<QLineEdit>(QLatin1String(name)); }
    ColourSpot& Spot(int column, int row) {
        return Find<ColourSpot>(QStringLiteral("lblSpot(%1)").arg(column * 10 + row));
    }

    void ClickSpot(int column, int row) { QTest::mouseClick(&Spot(column, row), Qt::LeftButton); }
    void ClickButton(const char* name) {
        QTest::mouseClick(&Find<OrvelSimpleButton>(QLatin1String(name)), Qt::LeftButton);
    }
    void Type(const char* box, const char* text) {
        QLineEdit& edit = Box(box);
        QTest::mouseClick(&edit, Qt::LeftButton);
        edit.selectAll();
        QTest::keyClicks(&edit, QLatin1String(text));
    }
    // Clicks in the trough left of the handle, a large step down each.
    void LowerSaturation(int times) {
        QScrollBar& bar = Bar("hscrSpots");
        for (int i = 0; i < times; ++i) {
            QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(25, bar.height() / 2));
        }
    }

    // The dialog as drawn, at the centre of a logical pixel.
    QColor Seen(int x, int y) { return testing::Rendering(picker).At(x, y); }
    QColor SeenSpot(int column, int row) {
        return Seen(kSpotLeftPx + column * kSpotPx + kSpotPx / 2,
                    kSpotTopPx + row * kSpotPx + kSpotPx / 2);
    }
    QColor SeenPreview() {
        const auto& preview = *picker.findChild<ColourShape*>(QStringLiteral("shpPreview"));
        const QPoint centre = preview.mapTo(&picker, preview.rect().center());
        return Seen(centre.x(), centre.y());
    }
    std::array<int, 3> Bars() {
        return {Bar("hscrRed").value(), Bar("hscrGreen").value(), Bar("hscrBlue").value()};
    }
    QStringList Boxes() {
        return {Box("txtRed").text(), Box("txtGreen").text(), Box("txtBlue").text()};
    }

    int accepted = 0;
    Colour acceptedColour = 0;
    frmColourPicker picker{[this] {
        ++accepted;
        acceptedColour = picker.SelectedColour;
    }};
};

const int kLevels[10] = {255, 227, 199, 171, 143, 115, 87, 59, 31, 3};

TEST_F(ColourPickerTest, SpotsSitInTheirGridAndFollowTheSaturation) {
    EXPECT_EQ(picker.size(), QSize(393, 283));
    EXPECT_EQ(picker.windowTitle(), QStringLiteral("Choose a colour..."));
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(SeenSpot(0, row), QColor(kLevels[row], 0, 0)) << "red, row " << row;
    }
    LowerSaturation(10);
    EXPECT_EQ(Find<QLabel>(QStringLiteral("lblSat")).text(), QStringLiteral("0%"));
    for (const int column : {0, 7, 21}) {
        for (int row = 0; row < 10; ++row) {
            const int level = kLevels[row];
            EXPECT_EQ(SeenSpot(column, row), QColor(level, level, level))
                << "grey, column " << column << " row " << row;
        }
    }
    // The bars and the preview stay where they were.
    EXPECT_EQ(Bars(), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(SeenPreview(), QColor(0, 0, 0));
}

TEST_F(ColourPickerTest, SpotPicksItsColourAtTheNewSaturationByClickAndArrow) {
    LowerSaturation(5);
    EXPECT_EQ(Find<QLabel>(QStringLiteral("lblSat")).text(), QStringLiteral("50%"));
    // Column 12 has hue 204, row 2 value 78.
    ClickSpot(12, 2);
    EXPECT_EQ(Bars(), (std::array<int, 3>{99, 159, 199}));
    EXPECT_EQ(Boxes(), (QStringList{"99", "159", "199"}));
    EXPECT_EQ(picker.SelectedColour, 0xC79F63u);
    EXPECT_EQ(SeenPreview(), QColor(99, 159, 199));
    // The next column, hue 221.
    QTest::keyClick(&Spot(12, 2), Qt::Key_Right);
    EXPECT_TRUE(Spot(13, 2).hasFocus());
    EXPECT_EQ(Bars(), (std::array<int, 3>{99, 131, 199}));
    // The edge of the grid holds.
    QTest::keyClick(&Spot(13, 2), Qt::Key_Up);
    QTest::keyClick(&Spot(13, 1), Qt::Key_Up);
    QTest::keyClick(&Spot(13, 0), Qt::Key_Up);
    EXPECT_TRUE(Spot(13, 0).hasFocus());
    EXPECT_EQ(picker.SelectedColour, HsvToColour(221, 50, 100));
}

TEST_F(ColourPickerTest, TypedNumbersMoveTheBarAndOutOfRangeOnesAreRewrittenOnLeaving) {
    // Typed, the bar's value, and the text once the box is left.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"12.7", 13, "12.7"}, {"40 and more", 40, "40 and more"},
        {"abc", 0, "abc"},    {"300", 255, "255"},
        {"-20", 0, "0"},      {"99999", 255, "255"},
    };
    for (const auto& [typed, bar, shownAfterLeaving] : cases) {
        SCOPED_TRACE(typed);
        Type("txtRed", typed);
        EXPECT_EQ(Bar("hscrRed").value(), bar);
        EXPECT_EQ(Box("txtRed").text(), QLatin1String(typed));
        EXPECT_EQ(picker.SelectedColour, static_cast<Colour>(bar));
        QTest::keyClick(&Box("txtRed"), Qt::Key_Tab);
        EXPECT_FALSE(Box("txtRed").hasFocus());
        EXPECT_EQ(Box("txtRed").text(), QLatin1String(shownAfterLeaving));
        EXPECT_EQ(Bar("hscrRed").value(), bar);
    }
    // A moved bar writes its box.
    QScrollBar& blue = Bar("hscrBlue");
    QTest::mouseClick(&blue, Qt::LeftButton, {}, QPoint(blue.width() - 4, blue.height() / 2));
    EXPECT_EQ(Box("txtBlue").text(), QStringLiteral("1"));
    EXPECT_EQ(SeenPreview(), QColor(255, 0, 1));
}

// Cancel, Escape and the close box change nothing and keep the saturation; OK, Alt+O and Enter
// in a box call the window back once with the chosen colour.
TEST_F(ColourPickerTest, CancelChangesNothingAndOkCallsTheWindowBackOnce) {
    const std::pair<std::function<void()>, bool> ways[] = {
        {[&] { ClickButton("cmdCancel"); }, false},
        {[&] { QTest::keyClick(&picker, Qt::Key_Escape); }, false},
        {[&] { picker.close(); }, false},
        {[&] { ClickButton("cmdOK"); }, true},
        {[&] { QTest::keyClick(&picker, Qt::Key_O, Qt::AltModifier); }, true},
        {[&] { QTest::keyClick(&Box("txtGreen"), Qt::Key_Return); }, true},
    };
    int expected = 0;
    for (const auto& [finish, accepts] : ways) {
        Show();
        picker.SetColour(0x336699);
        LowerSaturation(accepts ? 0 : 1);
        accepts ? Type("txtGreen", "300") : ClickSpot(3, 3);
        finish();
        expected += accepts ? 1 : 0;
        EXPECT_EQ(accepted, expected);
        EXPECT_EQ(acceptedColour, accepts ? 0x33FF99u : 0u);
        if (accepts) {
            EXPECT_EQ(picker.SelectedColour, 0x33FF99u);
        }
        EXPECT_FALSE(picker.isVisible());
        EXPECT_EQ(picker.result(), accepts ? QDialog::Accepted : QDialog::Rejected);
    }
    // Each showing started again from the window's colour; the saturation stayed.
    Show();
    EXPECT_EQ(Find<QLabel>(QStringLiteral("lblSat")).text(), QStringLiteral("70%"));
    picker.SetColour(0x336699);
    EXPECT_EQ(Bars(), (std::array<int, 3>{0x99, 0x66, 0x33}));
    EXPECT_EQ(Boxes(), (QStringList{"153", "102", "51"}));
    // A system colour value shows the colour it stands for.
    picker.SetColour(kButtonFace);
    const QColor face = QApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(Bars(), (std::array<int, 3>{face.red(), face.green(), face.blue()}));
    EXPECT_EQ(picker.SelectedColour, FromQColor(face));
}

} // namespace
} // namespace kalvimo
