// The face: the state's gradient, rendered small and stretched, the caption and the border.

#include "engine/rounding.h"
#include "orvel_simple_button.h"
#include "pixel_painting.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

namespace kalvimo {

namespace {

using State = OrvelSimpleButton::ButtonState;
using Gradient = OrvelSimpleButton::Gradient;

constexpr Colour kButtonText = 0x80000012;
constexpr int kBorderWidth = 2;
constexpr int kCaptionFlags =
    Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;

int Round(double value) {
    return static_cast<int>(RoundHalfEven(value));
}

struct Stop {
    int position = 0;
    QColor colour;
};

Stop ReadStop(const QString& stop, int length) {
    const QStringList fields = stop.split(QLatin1Char(','));
    const double position = fields.value(0).toDouble();
    const auto colour = static_cast<Colour>(std::max(0, Round(fields.value(1).toDouble())));
    return Stop{Round(position * length / 100.0), ToQColor(colour)};
}

} // namespace

QString OrvelSimpleButton::GradientStops(ButtonState state) const {
    const auto number = [this](Colour colour) {
        return QString::number(FromQColor(Resolve(colour)));
    };
    const Faces shown = ShownColours();
    const QString n = number(shown.normal);
    const QString s = number(shown.shade);
    if (state == State::Disabled) {
        return QStringLiteral("0,") + number(shown.disabled) + QStringLiteral("#90,") + n +
               QStringLiteral("#100,") + s;
    }
    const Colour face = state == State::Hover     ? shown.hover
                        : state == State::Focused ? shown.focus
                        : state == State::Pressed ? shown.pressed
                                                  : shown.normal;
    return QStringLiteral("0,") + number(shown.light) + QStringLiteral("#10,") + number(face) +
           QStringLiteral("#90,") + n + QStringLiteral("#100,") + s;
}

void OrvelSimpleButton::Paint(QImage& surface) const {
    const QString stops = GradientStops(state_);
    QPainter painter(&surface);
    painter.fillRect(rect(), Resolve(kButtonFace));
    PaintGradient(painter, stops);
    if (!caption_.isEmpty()) {
        // The palette's button text, unless the face is too light or dark for it.
        const QColor face = ReadStop(stops.section(QLatin1Char('#'), 1, 1), 0).colour;
        painter.setFont(font());
        painter.setPen(ReadableOn(Resolve(kButtonText), face));
        const QRect client = rect();
        const int captionHeight =
            painter.fontMetrics().boundingRect(client, kCaptionFlags, caption_).height();
        QRect captionRect = client;
        captionRect.setTop((client.height() - captionHeight) / 2);
        painter.drawText(captionRect, kCaptionFlags, caption_);
    }
    DrawBox(painter,
            PixelBox{0, 0, TwipsToPixels(width() * p_, p_), TwipsToPixels(height() * p_, p_)},
            Resolve(ShownColours().border), kBorderWidth, std::nullopt);
}

void OrvelSimpleButton::PaintGradient(QPainter& painter, const QString& stopsText) const {
    // Rendered at the resolution's share of the button's size, then stretched over it.
    QImage savePic(Round(resolution_ / 100.0 * width()), Round(resolution_ / 100.0 * height()),
                   QImage::Format_RGB32);
    if (stopsText.isEmpty() || savePic.isNull()) {
        return;
    }
    const QStringList stops = stopsText.split(QLatin1Char('#'));
    savePic.fill(Resolve(kButtonFace));
    const int sw = savePic.width();
    const int sh = savePic.height();
    int length = 0;
    switch (gradientDirection_) {
    case Gradient::Across:
        length = sw;
        break;
    case Gradient::Down:
        length = sh;
        break;
    case Gradient::Outwards:
        length = std::min(sw, sh);
        break;
    }
    const int cx = Round(sw / 2.0);
    const int cy = Round(sh / 2.0);

    QPainter savePainter(&savePic);
    auto drawStep = [&](int j, const QColor& colour) {
        switch (gradientDirection_) {
        case Gradient::Across:
            savePainter.fillRect(QRect(j, 0, 1, sh), colour);
            break;
        case Gradient::Down:
            savePainter.fillRect(QRect(0, j, sw, 1), colour);
            break;
        case Gradient::Outwards:
            DrawBox(savePainter, PixelBox{cx - j, cy - j, cx + j, cy + j}, colour, 1, std::nullopt);
            break;
        }
    };
    Stop previous = ReadStop(stops.front(), length);
    for (qsizetype i = 1; i < stops.size(); ++i) {
        const Stop next = ReadStop(stops[i], length);
        const int span = next.position - previous.position;
        if (span == 0) {
            // Both stops on one pixel: the later colour wins there, with no blend to draw.
            drawStep(next.position, next.colour);
        } else {
            const double dr = (next.colour.red() - previous.colour.red()) / double(span);
            const double dg = (next.colour.green() - previous.colour.green()) / double(span);
            const double db = (next.colour.blue() - previous.colour.blue()) / double(span);
            double r = previous.colour.red();
            double g = previous.colour.green();
            double b = previous.colour.blue();
            for (int j = previous.position; j <= next.position; ++j) {
                drawStep(j, QColor(std::clamp(Round(r), 0, 255), std::clamp(Round(g), 0, 255),
                                   std::clamp(Round(b), 0, 255)));
                r += dr;
                g += dg;
                b += db;
            }
        }
        previous = next;
    }
    savePainter.end();

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(
        QRect(0, 0, TwipsToPixels(width() * p_, p_), TwipsToPixels(height() * p_, p_)), savePic);
    painter.restore();
}

QSize OrvelSimpleButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const QRect text = metrics.boundingRect(QRect(0, 0, 400, 400), kCaptionFlags, caption_);
    return {std::max(TwipsToPixels(1215, p_), text.width() + 16),
            std::max(TwipsToPixels(375, p_), text.height() + 8)};
}

} // namespace kalvimo
