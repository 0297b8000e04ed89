#include "compact_scroller.h"
#include "control_test_support.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "xbutton.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>

namespace kalvimo {
namespace {

QAccessibleInterface* Accessible(QObject* object) {
    QAccessibleInterface* found = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(found, nullptr);
    return found;
}

void Press(QAccessibleInterface* item) {
    ASSERT_NE(item->actionInterface(), nullptr);
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

// What a screen reader is told about each control, and that its actions work the control as
// the mouse does.
TEST(ControlAccessibilityTest, ControlsTellTheirRoleNameStateAndAct) {
    QWidget window;
    auto* tabs = new OrvelTab(&window);
    tabs->SetTabStrip("Intro,&Source,Log");
    tabs->CreateTabs();
    tabs->resize(300, 30);
    tabs->ChangeTabEnable(2, false);
    auto* process = new OrvelSimpleButton(&window);
    process->SetCaption("&Process");
    auto* arrow = new XButton(&window);
    arrow->SetCaption("");
    arrow->SetArrowType(XButton::Arrow::Left);
    arrow->setToolTip("Move the crop left");
    auto* star = new XButton(&window);
    star->SetCaption("\u2605");
    star->setToolTip("Keep the subject");
    auto* scroller = new CompactScroller(&window);
    scroller->SetDescription("New Width");
    scroller->SetScrMax(2048);
    scroller->SetScrValue(800);
    auto* progress = new OrvelProgress(&window);
    progress->SetValue(40);
    window.show();

    QAccessibleInterface* strip = Accessible(tabs);
    EXPECT_EQ(strip->role(), QAccessible::PageTabList);
    ASSERT_EQ(strip->childCount(), 3);
    QAccessibleInterface* source = strip->child(1);
    EXPECT_EQ(source, strip->child(1));
    EXPECT_EQ(source->role(), QAccessible::PageTab);
    EXPECT_EQ(source->text(QAccessible::Name), "Source");
    EXPECT_EQ(source->parent(), strip);
    EXPECT_EQ(strip->indexOfChild(source), 1);
    EXPECT_EQ(source->rect().size(), tabs->TabRect(1).size());
    EXPECT_TRUE(source->state().selectable);
    EXPECT_FALSE(source->state().selected);
    QSignalSpy clicked(tabs, &OrvelTab::TabClicked);
    Press(source);
    EXPECT_EQ(tabs->Selected(), 1);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_TRUE(source->state().selected);
    // A disabled tab says so and cannot be chosen.
    EXPECT_TRUE(strip->child(2)->state().disabled);
    Press(strip->child(2));
    EXPECT_EQ(tabs->Selected(), 1);

    QAccessibleInterface* button = Accessible(process);
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), "Process");
    EXPECT_EQ(
        button->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
        QStringList{"Alt+P"});
    QSignalSpy pressed(process, &OrvelSimpleButton::Click);
    Press(button);
    process->SetEnabled(false);
    EXPECT_TRUE(button->state().disabled);
    Press(button);
    EXPECT_EQ(pressed.count(), 1);

    // A button that shows only an arrow or a sign is named by what it does.
    EXPECT_EQ(Accessible(arrow)->role(), QAccessible::Button);
    EXPECT_EQ(Accessible(arrow)->text(QAccessible::Name), "Move the crop left");
    EXPECT_EQ(Accessible(star)->text(QAccessible::Name), "Keep the subject");
    EXPECT_EQ(Accessible(star)->text(QAccessible::Description), "");
    QSignalSpy arrowClicked(arrow, &XButton::Click);
    Press(Accessible(arrow));
    EXPECT_EQ(arrowClicked.count(), 1);

    QAccessibleInterface* box = Accessible(scroller);
    EXPECT_EQ(box->role(), QAccessible::SpinBox);
    EXPECT_EQ(box->text(QAccessible::Name), "New Width");
    ASSERT_NE(box->valueInterface(), nullptr);
    EXPECT_EQ(box->valueInterface()->currentValue(), 800);
    EXPECT_EQ(box->valueInterface()->maximumValue(), 2048);
    box->valueInterface()->setCurrentValue(1024);
    EXPECT_EQ(scroller->ScrValue(), 1024);
    EXPECT_EQ(box->text(QAccessible::Value), "1024");

    QAccessibleInterface* bar = Accessible(progress);
    EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
    EXPECT_FALSE(bar->text(QAccessible::Name).isEmpty());
    progress->SetValue(70);
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->currentValue(), 70);
}

} // namespace
} // namespace kalvimo
