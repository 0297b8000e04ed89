#include "owner_drawn_widget.h"

#include "control_accessibility.h"
#include "engine/rounding.h"

#include <algorithm>
#include <cmath>

#include <QCursor>
#include <QEvent>
#include <QPainter>

namespace kalvimo {

int TwipsPerPixel(const QWidget& widget) {
    const int dpi = std::max(1, widget.logicalDpiX());
    return std::max(1, static_cast<int>(RoundHalfEven(1440.0 / dpi)));
}

int TwipsToPixels(double twips, int twipsPerPixel) {
    return static_cast<int>(RoundHalfEven(twips / twipsPerPixel));
}

OwnerDrawnWidget::OwnerDrawnWidget(QWidget* parent) : QWidget(parent) {
    // The face covers the whole widget; whatever it leaves transparent shows the parent.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    InstallControlAccessibility();
}

bool OwnerDrawnWidget::PointerOutside() const {
    const QPoint local = mapFromGlobal(QCursor::pos());
    return local.x() < 0 || local.x() > width() || local.y() < 0 || local.y() > height();
}

void OwnerDrawnWidget::paintEvent(QPaintEvent* /*event*/) {
    const qreal ratio = devicePixelRatioF();
    QImage surface(static_cast<int>(std::ceil(std::max(1, width()) * ratio)),
                   static_cast<int>(std::ceil(std::max(1, height()) * ratio)),
                   QImage::Format_ARGB32_Premultiplied);
    surface.setDevicePixelRatio(ratio);
    surface.fill(Qt::transparent);
    Paint(surface);
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), surface);
}

void OwnerDrawnWidget::changeEvent(QEvent* event) {
    // System colours follow the palette, so a new one (a dark theme) repaints the face.
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange ||
        event->type() == QEvent::EnabledChange) {
        update();
    }
    QWidget::changeEvent(event);
}

} // namespace kalvimo
