#pragma once

#include <functional>

#include <QAccessibleWidget>

namespace kalvimo {

// Makes the owner-drawn controls known to assistive technology. Each control's constructor
// calls it, so no program or test can forget it; Qt's factory is installed once.
void InstallControlAccessibility();

// A caption as it is read out: the access key's "&" gone, "&&" a plain "&".
QString WithoutAccessKey(const QString& caption);

// A widget that works like a push button: its press action does what a click does. For the
// controls of other libraries (the colour picker's spots), which install their own factory.
class PressableAccessible : public QAccessibleWidget {
public:
    PressableAccessible(QWidget* widget, std::function<QString()> name,
                        std::function<void()> press);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    std::function<QString()> name_;
    std::function<void()> press_;
};

} // namespace kalvimo
