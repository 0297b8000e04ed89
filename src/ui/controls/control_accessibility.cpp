#include "control_accessibility.h"

#include "compact_scroller.h"
#include "orvel_progress.h"
#include "orvel_simple_button.h"
#include "orvel_tab.h"
#include "xbutton.h"

#include <map>
#include <utility>

#include <QPointer>

namespace kalvimo {

namespace {

// One tab of the strip. Tabs are no widgets, so the strip registers these with Qt itself.
class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TabAccessible(OrvelTab* strip, int index) : strip_(strip), index_(index) {}

    int Index() const { return index_; }

    bool isValid() const override { return strip_ != nullptr && index_ < strip_->TabCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return strip_ != nullptr ? strip_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(strip_.data());
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? WithoutAccessKey(strip_->TabCaption(index_))
                                                   : QString();
    }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}
    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        const QRect area = strip_->TabRect(index_);
        return {strip_->mapToGlobal(area.topLeft()), area.size()};
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            return state;
        }
        state.selectable = true;
        state.selected = strip_->Selected() == index_;
        state.focusable = true;
        state.focused = state.selected && strip_->hasFocus();
        state.disabled = !strip_->isEnabled() || !strip_->TabEnabled(index_);
        state.invisible = !strip_->isVisible();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override {
        if (isValid() && actionName == pressAction() && strip_->isEnabled()) {
            strip_->SelectTabManually(index_);
        }
    }
    QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }

private:
    QPointer<OrvelTab> strip_;
    int index_;
};

class TabStripAccessible : public QAccessibleWidget {
public:
    explicit TabStripAccessible(OrvelTab* strip)
        : QAccessibleWidget(strip, QAccessible::PageTabList) {}
    ~TabStripAccessible() override {
        for (const auto& [index, id] : tabs_) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    int childCount() const override { return Strip()->TabCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        if (const auto found = tabs_.find(index); found != tabs_.end()) {
            return QAccessible::accessibleInterface(found->second);
        }
        auto* tab = new TabAccessible(Strip(), index);
        tabs_.emplace(index, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr || child->role() != QAccessible::PageTab || child->parent() != this) {
            return -1;
        }
        return static_cast<const TabAccessible*>(child)->Index();
    }
    QAccessibleInterface* focusChild() const override {
        return Strip()->hasFocus() ? child(Strip()->Selected()) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        const QString text = QAccessibleWidget::text(t);
        return t == QAccessible::Name && text.isEmpty() ? QStringLiteral("Pages") : text;
    }

private:
    OrvelTab* Strip() const { return static_cast<OrvelTab*>(widget()); }

    // Built on demand and kept, so a screen reader sees the same tab each time it asks.
    mutable std::map<int, QAccessible::Id> tabs_;
};

class SimpleButtonAccessible : public PressableAccessible {
public:
    explicit SimpleButtonAccessible(OrvelSimpleButton* button)
        : PressableAccessible(
              button, [button] { return WithoutAccessKey(button->Caption()); },
              [button] { emit button->Click(); }) {}

    QAccessible::State state() const override {
        QAccessible::State state = PressableAccessible::state();
        state.pressed = Button()->State() == OrvelSimpleButton::ButtonState::Pressed;
        return state;
    }
    QStringList keyBindingsForAction(const QString& actionName) const override {
        const QChar key = Button()->AccessKey();
        if (actionName != pressAction() || key.isNull()) {
            return {};
        }
        return {QStringLiteral("Alt+") + key.toUpper()};
    }

private:
    OrvelSimpleButton* Button() const { return static_cast<OrvelSimpleButton*>(widget()); }
};

// An arrow or picture says nothing, so such a button is named by what it does: its tooltip.
QString XButtonName(const XButton& button) {
    const QString caption = WithoutAccessKey(button.Caption());
    for (const QChar c : caption) {
        if (c.isLetterOrNumber()) {
            return caption;
        }
    }
    return button.toolTip();
}

class XButtonAccessible : public PressableAccessible {
public:
    explicit XButtonAccessible(XButton* button)
        : PressableAccessible(
              button, [button] { return XButtonName(*button); },
              [button] { emit button->Click(); }) {}

    QAccessible::State state() const override {
        QAccessible::State state = PressableAccessible::state();
        state.pressed = static_cast<XButton*>(widget())->State() == XButton::ButtonState::Down;
        return state;
    }
};

// A number between limits that the user sets: a spin box to assistive technology, whatever it
// looks like.
template <typename Control>
class ValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    ValueAccessible(Control* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) {
            return QString::number(Value());
        }
        const QString text = QAccessibleWidget::text(t);
        return t == QAccessible::Name && text.isEmpty() ? Name() : text;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return Value(); }
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    Control* Get() const { return static_cast<Control*>(widget()); }
    int Value() const;
    QString Name() const;
};

template <> QString ValueAccessible<CompactScroller>::Name() const {
    return Get()->Description();
}
template <> int ValueAccessible<CompactScroller>::Value() const {
    return Get()->ScrValue();
}
template <> void ValueAccessible<CompactScroller>::setCurrentValue(const QVariant& value) {
    if (Get()->isEnabled()) {
        Get()->SetScrValue(value.toInt());
    }
}
template <> QVariant ValueAccessible<CompactScroller>::maximumValue() const {
    return Get()->ScrMax();
}
template <> QVariant ValueAccessible<CompactScroller>::minimumValue() const {
    return Get()->ScrMin();
}
template <> QVariant ValueAccessible<CompactScroller>::minimumStepSize() const {
    return Get()->ScrSmallChange();
}

template <> QString ValueAccessible<OrvelProgress>::Name() const {
    return QStringLiteral("Progress");
}
template <> int ValueAccessible<OrvelProgress>::Value() const {
    return Get()->Value();
}
// The run moves the bar, not the user.
template <> void ValueAccessible<OrvelProgress>::setCurrentValue(const QVariant& /*value*/) {}
template <> QVariant ValueAccessible<OrvelProgress>::maximumValue() const {
    return 100;
}
template <> QVariant ValueAccessible<OrvelProgress>::minimumValue() const {
    return 0;
}
template <> QVariant ValueAccessible<OrvelProgress>::minimumStepSize() const {
    return 1;
}

void NotifyValue(QObject* control, int value) {
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(control, value);
        QAccessible::updateAccessibility(&event);
    }
}

template <typename Control> Control* Exactly(const QString& className, QObject* object) {
    return className == QLatin1String(Control::staticMetaObject.className())
               ? qobject_cast<Control*>(object)
               : nullptr;
}

// Change notices are wired here, once per control, when Qt first asks for its interface.
QAccessibleInterface* ControlAccessible(const QString& className, QObject* object) {
    if (auto* strip = Exactly<OrvelTab>(className, object)) {
        QObject::connect(strip, &OrvelTab::SelectedChanged, strip, [strip](int index) {
            if (!QAccessible::isActive() || index < 0) {
                return;
            }
            QAccessibleEvent selection(strip, QAccessible::Selection);
            selection.setChild(index);
            QAccessible::updateAccessibility(&selection);
            if (strip->hasFocus()) {
                QAccessibleEvent focus(strip, QAccessible::Focus);
                focus.setChild(index);
                QAccessible::updateAccessibility(&focus);
            }
        });
        return new TabStripAccessible(strip);
    }
    if (auto* button = Exactly<OrvelSimpleButton>(className, object)) {
        return new SimpleButtonAccessible(button);
    }
    if (auto* button = Exactly<XButton>(className, object)) {
        return new XButtonAccessible(button);
    }
    if (auto* scroller = Exactly<CompactScroller>(className, object)) {
        QObject::connect(scroller, &CompactScroller::ScrollChange, scroller,
                         [scroller] { NotifyValue(scroller, scroller->ScrValue()); });
        return new ValueAccessible<CompactScroller>(scroller, QAccessible::SpinBox);
    }
    if (auto* progress = Exactly<OrvelProgress>(className, object)) {
        QObject::connect(progress, &OrvelProgress::ValueChanged, progress,
                         [progress](int value) { NotifyValue(progress, value); });
        return new ValueAccessible<OrvelProgress>(progress, QAccessible::ProgressBar);
    }
    return nullptr;
}

} // namespace

void InstallControlAccessibility() {
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(ControlAccessible);
        return true;
    }();
}

QString WithoutAccessKey(const QString& caption) {
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
        }
        text += caption[i];
    }
    return text;
}

PressableAccessible::PressableAccessible(QWidget* widget, std::function<QString()> name,
                                         std::function<void()> press)
    : QAccessibleWidget(widget, QAccessible::Button), name_(std::move(name)),
      press_(std::move(press)) {}

QString PressableAccessible::text(QAccessible::Text t) const {
    const QString own = QAccessibleWidget::text(t);
    if (t != QAccessible::Name || !own.isEmpty()) {
        // A tooltip that gave the name is not read out twice.
        return t == QAccessible::Description && own == text(QAccessible::Name) ? QString() : own;
    }
    return name_();
}

QStringList PressableAccessible::actionNames() const {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void PressableAccessible::doAction(const QString& actionName) {
    if (actionName == pressAction()) {
        if (widget()->isEnabled()) {
            press_();
        }
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

} // namespace kalvimo
