#include "picture_preview.h"

#include <utility>

#include <QEvent>
#include <QPainter>

namespace kalvimo {

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent) {}

void PicturePreview::SetPicture(const QImage& picture) {
    placeholder_ = nullptr;
    picture_ = picture;
    scaled_ = QImage();
    resize(NaturalSize());
    update();
}

void PicturePreview::ShowPlaceholder(std::function<QImage(const QPalette&, qreal)> make) {
    SetPicture(make(palette(), devicePixelRatioF()));
    placeholder_ = std::move(make);
}

void PicturePreview::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && placeholder_) {
        picture_ = placeholder_(palette(), devicePixelRatioF());
        scaled_ = QImage();
        update();
    }
    QWidget::changeEvent(event);
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
