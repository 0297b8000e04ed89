#include "compact_scroller.h"
#include "control_test_support.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "system_colours.h"
#include "xbutton.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QSignalSpy>

namespace kalvimo {
namespace {

TEST(SystemColourTest, SystemValuesAreLookedUpAndOthersPassUnchanged) {
    const QColor face = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(ToQColor(0x8000000F), face);
    EXPECT_EQ(TranslateColour(0x8000000F), FromQColor(face));
    EXPECT_EQ(TranslateColour(0x00FF8080), 0x00FF8080u);
    // Nine digits or a different lead are not system colours.
    EXPECT_EQ(TranslateColour(0x7FFFFFFF), 0x7FFFFFFFu);
    EXPECT_EQ(TranslateColour(0x81000000), 0x81000000u);
    EXPECT_EQ(TranslateColour(0x800000FF), 0u);
    EXPECT_EQ(ToQColor(0x0080FF), QColor(0xFF, 0x80, 0x00));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), 0x030201u);
}

// Every control's properties through Qt's property system: a setter marks a change (and
// repaints) only when the value differs.
TEST(ControlPropertiesTest, SettersSignalOnlyARealChange) {
    OrvelTab tab;
    XButton xbutton;
    OrvelSimpleButton button;
    CompactScroller scroller;
    OrvelProgress progress;
    scroller.SetScrMax(100);
    const auto arrow = QVariant::fromValue(XButton::Arrow::Down);
    const auto left = QVariant::fromValue(OrvelTab::TabPosition::Left);
    const auto across = QVariant::fromValue(OrvelSimpleButton::Gradient::Across);
    const std::tuple<QObject*, const char*, QVariant> cases[] = {
        {&tab, "TabStrip", "A,B"},          {&tab, "Selected", 1},
        {&tab, "Border", 0x123456u},        {&tab, "Alignment", left},
        {&tab, "DrawFrame", true},          {&xbutton, "Caption", "Go"},
        {&xbutton, "ArrowType", arrow},     {&xbutton, "FillColor", 0xFFu},
        {&button, "Caption", "&Accept"},    {&button, "GradientDirection", across},
        {&button, "Resolution", 70},        {&scroller, "ScrValue", 40},
        {&scroller, "Description", "Size"}, {&progress, "Value", 30},
    };
    for (const auto& [control, name, value] : cases) {
        QSignalSpy changed(control, SIGNAL(PropertyChanged(QString)));
        EXPECT_TRUE(control->setProperty(name, value)) << name;
        EXPECT_TRUE(control->setProperty(name, value)) << name;
        EXPECT_EQ(changed.count(), 1) << name;
        EXPECT_EQ(control->property(name), value) << name;
    }
}

} // namespace
} // namespace kalvimo
