#include "crop_view.h"

#include <algorithm>

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace kalvimo {

namespace {

// Two lines on top of each other, so the frame shows on dark and light pictures alike.
const QColor kFrameDark(0x10, 0x10, 0x10);
const QColor kFrameLight(0xFF, 0xFF, 0xFF);

} // namespace

CropPicture::CropPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CropPicture::SetPicture(const QImage& picture) {
    picture_ = picture.convertToFormat(QImage::Format_RGB32);
    picture_.setDevicePixelRatio(1);
    Scale();
}

void CropPicture::SetZoom(double zoom) {
    if (zoom > 0 && zoom != zoom_) {
        zoom_ = zoom;
        Scale();
    }
}

void CropPicture::Scale() {
    const QSize shown(std::max(1, qRound(picture_.width() * zoom_)),
                      std::max(1, qRound(picture_.height() * zoom_)));
    shrunk_ = QImage();
    if (zoom_ < 1 && !picture_.isNull()) {
        const qreal ratio = devicePixelRatioF();
        shrunk_ = picture_.scaled(shown * ratio, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        shrunk_.setDevicePixelRatio(ratio);
    }
    resize(picture_.isNull() ? QSize() : shown);
    update();
}

void CropPicture::SetFrame(const QRectF& frame) {
    if (frame != frame_) {
        frame_ = frame;
        update();
    }
}

void CropPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // Only the exposed part: a large photo is redrawn as the frame follows the pointer.
    const QRect exposed = event->rect() & rect();
    if (!shrunk_.isNull()) {
        const qreal ratio = shrunk_.devicePixelRatio();
        painter.drawImage(
            QRectF(exposed), shrunk_,
            QRectF(QPointF(exposed.topLeft()) * ratio, QSizeF(exposed.size()) * ratio));
    } else {
        // Whole picture pixels, each a sharp square, so the frame can be put on one.
        painter.drawImage(QRectF(exposed), picture_,
                          QRectF(exposed.x() / zoom_, exposed.y() / zoom_, exposed.width() / zoom_,
                                 exposed.height() / zoom_));
    }

    // Edges far outside the picture are brought near it, still outside, so they stay unseen.
    const auto near = [](double value, int extent) {
        return std::clamp(value, -4.0, static_cast<double>(extent) + 4);
    };
    const QRectF frame(
        QPointF(near(frame_.left() * zoom_, width()), near(frame_.top() * zoom_, height())),
        QPointF(near(frame_.right() * zoom_, width()), near(frame_.bottom() * zoom_, height())));
    // Pixel centres, so that a one-pixel line lies on the rectangle's own pixels.
    const QRectF line = frame.adjusted(0.5, 0.5, -0.5, -0.5).normalized();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kFrameDark, 1));
    painter.drawRect(line);
    QPen dashes(kFrameLight, 1, Qt::CustomDashLine);
    dashes.setDashPattern({4, 4});
    painter.setPen(dashes);
    painter.drawRect(line);
}

CropHandle::CropHandle(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void CropHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kFrameDark);
    painter.fillRect(rect().adjusted(1, 1, -1, -1), kFrameLight);
}

QImage SamplePicture() {
    constexpr int kWidth = 195;
    constexpr int kHeight = 189;
    constexpr int kHorizon = 112;
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, kHorizon);
    sky.setColorAt(0, QColor(0x2B, 0x3F, 0x7A));
    sky.setColorAt(0.6, QColor(0xC8, 0x6F, 0x8E));
    sky.setColorAt(1, QColor(0xF6, 0xB2, 0x6B));
    painter.fillRect(0, 0, kWidth, kHorizon, sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xFF, 0xD9, 0x8A));
    painter.drawEllipse(QPointF(128, kHorizon), 22, 22);

    QLinearGradient sea(0, kHorizon, 0, kHeight);
    sea.setColorAt(0, QColor(0x3E, 0x5C, 0x8C));
    sea.setColorAt(1, QColor(0x14, 0x24, 0x44));
    painter.fillRect(0, kHorizon, kWidth, kHeight - kHorizon, sea);
    painter.setPen(QPen(QColor(0xF6, 0xC2, 0x80), 2));
    for (int row = 0; row < 6; ++row) {
        const int y = kHorizon + 6 + row * 8;
        const int half = 18 - row * 2;
        painter.drawLine(128 - half, y, 128 + half, y);
    }

    // A pier on the left, a sailing boat on the right.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2A, 0x1C, 0x18));
    painter.drawRect(0, kHorizon - 6, 38, 6);
    for (int x = 4; x < 38; x += 11) {
        painter.drawRect(x, kHorizon, 3, 26);
    }
    QPainterPath hull;
    hull.moveTo(40, 150);
    hull.lineTo(96, 150);
    hull.lineTo(88, 160);
    hull.lineTo(48, 160);
    hull.closeSubpath();
    painter.drawPath(hull);
    painter.drawRect(66, 98, 2, 52);
    painter.setBrush(QColor(0xF4, 0xEE, 0xE0));
    painter.drawPolygon(QPolygonF{{69, 100}, {92, 146}, {69, 146}});
    painter.drawPolygon(QPolygonF{{65, 106}, {65, 146}, {46, 146}});
    return picture;
}

QPixmap ResetPositionGlyph(qreal devicePixelRatio) {
    QPixmap face(QSize(16, 16) * devicePixelRatio);
    face.setDevicePixelRatio(devicePixelRatio);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x2E, 0x4A, 0x6E);
    // The picture's home: a frame in the top-left corner.
    painter.setPen(QPen(ink, 1.2));
    painter.setBrush(QColor(0xCF, 0xE0, 0xF2));
    painter.drawRect(QRectF(1.5, 1.5, 8, 7));
    // An arrow from the far corner back to it.
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(14.5, 14.5), QPointF(8, 8));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(QPolygonF{{6.5, 6.5}, {12, 7.5}, {7.5, 12}});
    return face;
}

} // namespace kalvimo
