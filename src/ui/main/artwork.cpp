#include "artwork.h"

#include <utility>

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace kalvimo {

namespace {

QColor Mix(const QColor& first, const QColor& second, qreal secondShare) {
    const auto channel = [secondShare](int a, int b) {
        return static_cast<int>(a + (b - a) * secondShare + 0.5);
    };
    return QColor(channel(first.red(), second.red()), channel(first.green(), second.green()),
                  channel(first.blue(), second.blue()));
}

// Text tinted with the highlight: a dark blue on a light theme, a pale one on a dark theme.
QColor Ink(const QPalette& palette) {
    return Mix(palette.color(QPalette::Text), palette.color(QPalette::Highlight), 0.35);
}

// Repaints its widget's picture when the palette changes.
class PaletteWatcher : public QObject {
public:
    PaletteWatcher(QWidget& widget, std::function<void()> paint)
        : QObject(&widget), paint_(std::move(paint)) {
        widget.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) {
            paint_();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> paint_;
};

QPixmap BlankPixmap(int width, int height, qreal ratio) {
    QPixmap surface(QSize(width, height) * ratio);
    surface.setDevicePixelRatio(ratio);
    surface.fill(Qt::transparent);
    return surface;
}

// A small landscape: sky, sun and two hills, filling rect.
void PaintLandscape(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setClipRect(rect);
    QLinearGradient sky(rect.topLeft(), rect.bottomLeft());
    sky.setColorAt(0, QColor(0x7F, 0xB8, 0xE8));
    sky.setColorAt(1, QColor(0xD8, 0xEC, 0xFA));
    painter.fillRect(rect, sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xFF, 0xD3, 0x4E));
    const qreal sun = rect.height() * 0.22;
    painter.drawEllipse(
        QPointF(rect.left() + rect.width() * 0.74, rect.top() + rect.height() * 0.3), sun, sun);
    QPainterPath far;
    far.moveTo(rect.bottomLeft());
    far.quadTo(rect.left() + rect.width() * 0.3, rect.top() + rect.height() * 0.25,
               rect.left() + rect.width() * 0.65, rect.bottom() - rect.height() * 0.25);
    far.lineTo(rect.bottomRight());
    painter.setBrush(QColor(0x5E, 0x9E, 0x4F));
    painter.drawPath(far);
    QPainterPath near;
    near.moveTo(rect.left(), rect.bottom() - rect.height() * 0.12);
    near.quadTo(rect.left() + rect.width() * 0.7, rect.top() + rect.height() * 0.45, rect.right(),
                rect.bottom() - rect.height() * 0.2);
    near.lineTo(rect.bottomRight());
    near.lineTo(rect.bottomLeft());
    painter.setBrush(QColor(0x3F, 0x7D, 0x3A));
    painter.drawPath(near);
    painter.restore();
}

void PaintCamera(QPainter& painter, const QRectF& body) {
    painter.setPen(QPen(QColor(0x2B, 0x2F, 0x36), 2));
    QLinearGradient metal(body.topLeft(), body.bottomLeft());
    metal.setColorAt(0, QColor(0x6A, 0x72, 0x7D));
    metal.setColorAt(1, QColor(0x3A, 0x40, 0x48));
    painter.setBrush(metal);
    const QRectF hump(body.left() + body.width() * 0.3, body.top() - 12, body.width() * 0.3, 14);
    painter.drawRoundedRect(hump, 3, 3);
    painter.drawRoundedRect(body, 8, 8);
    painter.setBrush(QColor(0xE0, 0x4B, 0x3A));
    painter.drawRoundedRect(QRectF(body.left() + 10, body.top() - 7, 16, 8), 2, 2);
    const QPointF centre = body.center() + QPointF(0, 4);
    const qreal lens = body.height() * 0.36;
    painter.setBrush(QColor(0xC9, 0xCE, 0xD4));
    painter.drawEllipse(centre, lens, lens);
    QRadialGradient glass(centre - QPointF(lens * 0.3, lens * 0.3), lens);
    glass.setColorAt(0, QColor(0x8F, 0xC3, 0xF0));
    glass.setColorAt(1, QColor(0x12, 0x2A, 0x4A));
    painter.setBrush(glass);
    painter.drawEllipse(centre, lens * 0.68, lens * 0.68);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 170));
    painter.drawEllipse(centre - QPointF(lens * 0.25, lens * 0.25), lens * 0.15, lens * 0.15);
}

void PaintFrame(QPainter& painter, const QRectF& outer) {
    // The frame's stand first, so the frame covers its top.
    painter.setPen(QPen(QColor(0x4A, 0x30, 0x1C), 2));
    painter.setBrush(QColor(0x6B, 0x47, 0x2B));
    QPainterPath stand;
    stand.moveTo(outer.center().x() + 14, outer.bottom() - 10);
    stand.lineTo(outer.center().x() + 34, outer.bottom() + 10);
    stand.lineTo(outer.center().x() + 26, outer.bottom() + 10);
    stand.closeSubpath();
    painter.drawPath(stand);
    QLinearGradient wood(outer.topLeft(), outer.bottomRight());
    wood.setColorAt(0, QColor(0x9A, 0x6A, 0x3E));
    wood.setColorAt(1, QColor(0x5C, 0x3A, 0x20));
    painter.setBrush(wood);
    painter.drawRoundedRect(outer, 4, 4);
    const QRectF screen = outer.adjusted(11, 11, -11, -11);
    painter.setPen(QPen(QColor(0x2A, 0x1A, 0x0E), 1));
    painter.setBrush(Qt::black);
    painter.drawRect(screen);
    PaintLandscape(painter, screen.adjusted(1, 1, -1, -1));
}

void PaintArrow(QPainter& painter, QPointF from, QPointF to, const QColor& colour) {
    painter.setPen(QPen(colour, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to - QPointF(10, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF{to, to + QPointF(-16, -11), to + QPointF(-16, 11)});
}

} // namespace

void PaintFromPalette(QWidget& widget, std::function<void()> paint) {
    paint();
    new PaletteWatcher(widget, std::move(paint));
}

QPixmap IntroArtwork(const QPalette& palette, qreal devicePixelRatio) {
    QPixmap art = BlankPixmap(378, 181, devicePixelRatio);
    QPainter painter(&art);
    painter.setRenderHint(QPainter::Antialiasing);

    // The text ground with a breath of the highlight, darkening downwards.
    const QColor base = palette.color(QPalette::Base);
    QLinearGradient backdrop(0, 0, 0, 181);
    backdrop.setColorAt(0, Mix(base, palette.color(QPalette::Highlight), 0.02));
    backdrop.setColorAt(1, Mix(base, palette.color(QPalette::Highlight), 0.15));
    painter.setPen(QPen(Mix(base, palette.color(QPalette::Text), 0.25), 1));
    painter.setBrush(backdrop);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 377, 180), 10, 10);

    PaintCamera(painter, QRectF(22, 62, 104, 66));

    // Three photos on their way, each a little smaller: the resize at work.
    const QColor flight(0x4D, 0x7F, 0xB8);
    qreal x = 146;
    for (const qreal size : {34.0, 28.0, 22.0}) {
        const QRectF photo(x, 92 - size * 0.75 / 2, size, size * 0.75);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(Qt::white);
        painter.drawRect(photo);
        PaintLandscape(painter, photo.adjusted(1, 1, -1, -1));
        x += size + 8;
    }
    PaintArrow(painter, QPointF(150, 128), QPointF(236, 128), flight);

    PaintFrame(painter, QRectF(252, 38, 108, 98));

    QFont title(QStringLiteral("Liberation Sans"));
    title.setPixelSize(15);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Ink(palette));
    painter.drawText(QRectF(0, 150, 378, 24), Qt::AlignCenter,
                     QStringLiteral("Camera  \u2192  Kalvimo  \u2192  Frame"));
    return art;
}

QImage PlaceholderPreview(const QPalette& palette, qreal devicePixelRatio) {
    QImage image(QSize(195, 189) * devicePixelRatio, QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    // Whole: at a fractional scale the image holds a part of a pixel more than 195 x 189.
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    image.fill(Mix(base, palette.color(QPalette::Window), 0.5));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Mix(base, text, 0.3), 1.5, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(4, 4, 187, 181), 8, 8);

    const QRectF photo(47, 52, 101, 76);
    painter.setPen(QPen(Mix(base, text, 0.38), 2));
    painter.setBrush(base);
    painter.drawRoundedRect(photo.adjusted(-5, -5, 5, 5), 3, 3);
    PaintLandscape(painter, photo);
    return image;
}

QPixmap SwapPicture(const QPalette& palette, qreal devicePixelRatio) {
    QPixmap face = BlankPixmap(18, 18, devicePixelRatio);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = Ink(palette);
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(3, 3, 12, 12), 30 * 16, 150 * 16);
    painter.drawArc(QRectF(3, 3, 12, 12), 210 * 16, 150 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.drawPolygon(QPolygonF{{15.8, 5.0}, {16.5, 10.5}, {11.6, 8.2}});
    painter.drawPolygon(QPolygonF{{2.2, 13.0}, {1.5, 7.5}, {6.4, 9.8}});
    return face;
}

} // namespace kalvimo
