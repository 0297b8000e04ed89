#pragma once

#include <QImage>
#include <QPixmap>
#include <QRectF>
#include <QWidget>

namespace kalvimo {

// The picture area: the picture at zoom pixels per picture pixel, with the selection frame
// over it. It is always the picture's size times the zoom.
class CropPicture : public QWidget {
public:
    explicit CropPicture(QWidget* parent = nullptr);

    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);
    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    // The selection frame, in pixels of the picture.
    void SetFrame(const QRectF& frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Scale();

    QImage picture_;
    // Below full size, the picture shrunk once with smoothing, at the screen's pixels: a large
    // photo is redrawn as the frame follows the pointer.
    QImage shrunk_;
    double zoom_ = 1;
    QRectF frame_;
};

// One of the eight resize handles round the selection.
class CropHandle : public QWidget {
public:
    explicit CropHandle(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// What the dialog shows before the window has given it a picture: a small harbour at dusk,
// 195 x 189 pixels.
QImage SamplePicture();

// The face of "Reset picture position": a frame with an arrow going back to its corner.
QPixmap ResetPositionGlyph(qreal devicePixelRatio);

} // namespace kalvimo
