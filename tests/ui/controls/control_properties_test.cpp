#include "compact_scroller.h"
#include "control_test_support.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "system_colours.h"
#include "xbutton.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QMetaProperty>
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

// A value other than the one a property holds; pictures and fonts are left alone.
QVariant Another(const QMetaProperty& property, const QVariant& value) {
    if (property.isEnumType()) {
        const QMetaEnum choices = property.enumerator();
        return choices.value(choices.value(0) == value.toInt() ? 1 : 0);
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return !value.toBool();
    case QMetaType::QString:
        return value.toString() + ",x";
    case QMetaType::UInt:
        return value.toUInt() ^ 0x102030u;
    case QMetaType::Int:
    case QMetaType::Double:
        return value.toInt() + 1;
    default:
        return {};
    }
}

// Through Qt's property system: a setter marks a change only when the value differs, and what
// is written to the store reads back into a new control without raising any of its events.
// Written at its defaults, a control leaves only the keys it always keeps, and reading those
// gives the defaults back.
template <typename Control>
void ExpectPropertiesRoundTrip(const QStringList& keptKeys, const char* derived = "") {
    const QMetaObject& meta = Control::staticMetaObject;
    SCOPED_TRACE(meta.className());
    std::vector<QMetaProperty> stored;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        if (meta.property(i).isStored() && qstrcmp(meta.property(i).name(), derived) != 0) {
            stored.push_back(meta.property(i));
        }
    }
    const auto expectSame = [&](const Control& got, const Control& want) {
        for (const QMetaProperty& property : stored) {
            if (property.typeId() != QMetaType::QPixmap) { // no pictures are set
                EXPECT_EQ(property.read(&got), property.read(&want)) << property.name();
            }
        }
    };
    Control changed;
    for (const QMetaProperty& property : stored) {
        const QVariant before = property.read(&changed);
        const QVariant value = Another(property, before);
        if (property.isWritable() && value.isValid()) {
            QSignalSpy signalled(&changed, SIGNAL(PropertyChanged(QString)));
            EXPECT_TRUE(property.write(&changed, value) && property.write(&changed, value));
            EXPECT_EQ(signalled.count(), property.read(&changed) == before ? 0 : 1)
                << property.name();
        }
    }
    PropertyStore store;
    changed.WriteProperties(store);
    Control copy;
    std::vector<std::unique_ptr<QSignalSpy>> events;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        if (meta.method(i).methodType() == QMetaMethod::Signal) {
            events.push_back(std::make_unique<QSignalSpy>(&copy, meta.method(i)));
        }
    }
    copy.ReadProperties(store);
    expectSame(copy, changed);
    for (const auto& event : events) {
        EXPECT_EQ(event->count(), 0) << event->signal().toStdString();
    }
    const Control fresh;
    fresh.WriteProperties(store);
    EXPECT_EQ(store.Keys(), keptKeys);
    copy.ReadProperties(store);
    expectSame(copy, fresh);
}

TEST(ControlPropertiesTest, EveryControlsPropertiesRoundTripThroughTheStore) {
    // Tabs at the side work their caption column out again.
    ExpectPropertiesRoundTrip<OrvelTab>({"selected"}, "CaptionWidth");
    ExpectPropertiesRoundTrip<XButton>({"fontcolor", "textfont"});
    ExpectPropertiesRoundTrip<OrvelSimpleButton>({});
    // A new scroller's label takes the window's background, not the colour a design lacks.
    ExpectPropertiesRoundTrip<CompactScroller>({"labelcolour"});
    ExpectPropertiesRoundTrip<OrvelProgress>({});
}

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
