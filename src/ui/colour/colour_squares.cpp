#include "colour_squares.h"

#include "control_accessibility.h"
#include "pixel_painting.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kalvimo {

namespace {

// A spot is read out by its colour's parts, as the dialog's boxes name them.
QAccessibleInterface* SpotAccessible(const QString& className, QObject* object) {
    auto* spot = className == QLatin1String(ColourSpot::staticMetaObject.className())
                     ? qobject_cast<ColourSpot*>(object)
                     : nullptr;
    if (spot == nullptr) {
        return nullptr;
    }
    return new PressableAccessible(
        spot,
        [spot] {
            const QColor colour = ToQColor(spot->BackColour(), spot->palette());
            return QStringLiteral("Red %1, green %2, blue %3")
                .arg(colour.red())
                .arg(colour.green())
                .arg(colour.blue());
        },
        [spot] { emit spot->Click(); });
}

} // namespace

ColourSpot::ColourSpot(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(SpotAccessible);
        return true;
    }();
}

void ColourSpot::SetBackColour(Colour value) {
    backColour_ = value;
    update();
}

void ColourSpot::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(backColour_));
    if (hasFocus()) {
        // Black around white shows on every colour of the grid.
        DrawBox(painter, {0, 0, width(), height()}, Qt::black, 1, std::nullopt);
        DrawBox(painter, {1, 1, width() - 1, height() - 1}, Qt::white, 1, std::nullopt);
    }
}

void ColourSpot::mousePressEvent(QMouseEvent* event) {
    pressedHere_ = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void ColourSpot::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicked = pressedHere_ && event->button() == Qt::LeftButton &&
                         rect().contains(event->position().toPoint());
    pressedHere_ = false;
    if (clicked) {
        emit Click();
    }
}

void ColourSpot::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        emit Step(-1, 0);
        break;
    case Qt::Key_Right:
        emit Step(1, 0);
        break;
    case Qt::Key_Up:
        emit Step(0, -1);
        break;
    case Qt::Key_Down:
        emit Step(0, 1);
        break;
    case Qt::Key_Space:
        emit Click();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ColourSpot::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void ColourSpot::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

ColourShape::ColourShape(QWidget* parent) : QWidget(parent) {}

void ColourShape::SetFillColour(Colour value) {
    fillColour_ = value;
    update();
}

void ColourShape::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    DrawBox(painter, {0, 0, width(), height()}, palette().color(QPalette::WindowText), 1,
            ToQColor(fillColour_));
}

} // namespace kalvimo
