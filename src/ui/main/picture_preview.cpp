#include "picture_preview.h"

#include <QPainter>

namespace kalvimo {

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent) {}

void PicturePreview::SetPicture(const QImage& picture) {
    picture_ = picture;
    scaled_ = QImage();
    resize(NaturalSize());
    update();
}

void PicturePreview::paintEvent(QPaintEvent* /*event*/) {
    if (picture_.isNull()) {
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    if (scaled_.size() != target) {
        scaled_ = picture_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        scaled_.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), scaled_);
}

} // namespace kalvimo
