#include "owner_drawn_widget.h"

#include "engine/rounding.h"

#include <algorithm>
#include <cmath>

#include <QCursor>
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
    // The surface covers the whole widget; whatever it leaves transparent shows the parent.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

bool OwnerDrawnWidget::PointerOutside() const {
    const QPoint local = mapFromGlobal(QCursor::pos());
    return local.x() < 0 || local.x() > width() || local.y() < 0 || local.y() > height();
}

bool OwnerDrawnWidget::SurfaceIsStale() const {
    const qreal ratio = devicePixelRatioF();
    const QSize deviceSize(static_cast<int>(std::ceil(std::max(1, width()) * ratio)),
                           static_cast<int>(std::ceil(std::max(1, height()) * ratio)));
    return surface_.size() != deviceSize || surface_.devicePixelRatio() != ratio;
}

QImage& OwnerDrawnWidget::Surface() {
    if (SurfaceIsStale()) {
        const qreal ratio = devicePixelRatioF();
        surface_ = QImage(static_cast<int>(std::ceil(std::max(1, width()) * ratio)),
                          static_cast<int>(std::ceil(std::max(1, height()) * ratio)),
                          QImage::Format_ARGB32_Premultiplied);
        surface_.setDevicePixelRatio(ratio);
        surface_.fill(Qt::transparent);
    }
    return surface_;
}

void OwnerDrawnWidget::paintEvent(QPaintEvent* /*event*/) {
    if (SurfaceIsStale()) {
        RenderSurface();
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), surface_);
}

} // namespace kalvimo
