// The button's faces: drawn from colours, or a picture with its caption, border and focus.

#include "engine/rounding.h"
#include "pixel_painting.h"
#include "xbutton.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>

namespace kalvimo {

namespace {

// This button's geometry is written for 15 twips to the pixel whatever the screen.
constexpr double kTwips = 15.0;
constexpr int kArrowMargin = 120;
constexpr double kBarbLength = 100;

int Px(double twips) {
    return static_cast<int>(RoundHalfEven(twips / kTwips));
}

int Round(double value) {
    return static_cast<int>(RoundHalfEven(value));
}

} // namespace

using State = XButton::ButtonState;

QPixmap XButton::StatePicture() const {
    if (!omniPic_.isNull()) {
        return omniPic_;
    }
    switch (state_) {
    case State::Up:
        return imageUp_;
    case State::Hot:
        return imageHot_;
    case State::Down:
        return imageDown_;
    case State::Disabled:
        return imageDisabled_;
    }
    return imageUp_;
}

void XButton::DrawButtonBox(QPainter& painter, int x1, int y1, int x2, int y2, Colour fill,
                            Colour pen, int penWidth, bool noFill) const {
    DrawBox(painter, PixelBox{x1, y1, x2, y2}, Resolve(pen), penWidth,
            noFill ? std::nullopt : std::optional<QColor>(Resolve(fill)),
            roundCorner_ ? Round(roundAmount_) : 0);
}

void XButton::PaintDrawn(QPainter& painter) const {
    const int w = Px(TwipWidth());
    const int h = Px(TwipHeight());
    const int innerW = Px(TwipWidth() - 25);
    const int innerH = Px(TwipHeight() - 25);
    const int d = Px(25);
    DrawButtonBox(painter, 0, 0, w, h, ShownBack(), ShownBack(), 1, false);
    auto box = [&](int x1, int y1, int x2, int y2, Colour colour, int width) {
        DrawButtonBox(painter, x1, y1, x2, y2, colour, colour, width, false);
    };
    switch (borderStyle_) {
    case Border::ThreeD:
        // Light top-left and dark bottom-right edges raise the face; swapped, they sink it.
        if (state_ == State::Disabled) {
            DrawButtonBox(painter, 0, 0, w, h, fillColor_, ShownShadow(), 2, false);
            break;
        }
        box(0, 0, w, h, state_ == State::Down ? ShownHighlight() : ShownShadow(), 2);
        box(0, 0, innerW, innerH, state_ == State::Down ? ShownShadow() : ShownHighlight(), 2);
        box(d, d, innerW, innerH, fillColor_, 2);
        break;
    case Border::Single: {
        const Colour fill = state_ == State::Down ? ShownShadow() : fillColor_;
        const Colour pen = state_ == State::Hot        ? ShownHighlight()
                           : state_ == State::Disabled ? ShownShadow()
                                                       : borderColor_;
        DrawButtonBox(painter, 0, 0, w, h, fill, pen, 1, false);
        break;
    }
    case Border::None:
        box(0, 0, w, h, state_ == State::Down ? ShownShadow() : fillColor_, 1);
        break;
    }
}

void XButton::PaintRaisedOutline(QPainter& painter, bool sunken) const {
    const Colour first = sunken ? ShownShadow() : ShownHighlight();
    const Colour second = sunken ? ShownHighlight() : ShownShadow();
    DrawButtonBox(painter, 0, 0, Px(TwipWidth() + 25), Px(TwipHeight() + 25), first, first, 2,
                  true);
    DrawButtonBox(painter, -2, -2, Px(TwipWidth()), Px(TwipHeight()), second, second, 2, true);
}

void XButton::PaintPicture(QPainter& painter) const {
    const int w = Px(TwipWidth());
    const int h = Px(TwipHeight());
    DrawButtonBox(painter, 0, 0, w, h, ShownBack(), ShownBack(), 1, false);
    painter.drawPixmap(QPoint(Px(pictureX_), Px(pictureY_)), StatePicture());
    if (backStyle_ == Background::Transparent) {
        return;
    }
    DrawCaption(painter);
    if (borderStyle_ == Border::Single) {
        const Colour pen = state_ == State::Up    ? borderColor_
                           : state_ == State::Hot ? ShownHighlight()
                                                  : ShownShadow();
        DrawButtonBox(painter, 0, 0, w, h, pen, pen, 1, true);
    } else if (borderStyle_ == Border::ThreeD) {
        if (state_ == State::Disabled) {
            DrawButtonBox(painter, 0, 0, w, h, ShownShadow(), ShownShadow(), 2, true);
        } else {
            PaintRaisedOutline(painter, state_ == State::Down);
        }
    }
}

void XButton::PaintOmni(QPainter& painter) const {
    const int w = Px(TwipWidth());
    const int h = Px(TwipHeight());
    switch (state_) {
    case State::Up:
        DrawButtonBox(painter, 0, 0, w, h, ShownBack(), ShownBack(), 1, false);
        break;
    case State::Hot:
        DrawButtonBox(painter, 0, 0, w, h, ShownHighlight(), ShownHighlight(), 1, false);
        break;
    case State::Down:
        DrawButtonBox(painter, 0, 0, w, h, ShownShadow(), borderColor_, 1, false);
        break;
    case State::Disabled:
        DrawButtonBox(painter, 0, 0, w, h, ShownShadow(), ShownShadow(), 1, false);
        break;
    }
    painter.drawPixmap(QPoint(Px(pictureX_), Px(pictureY_)), omniPic_);
    DrawCaption(painter);
    if (borderStyle_ == Border::Single) {
        DrawButtonBox(painter, 0, 0, w, h, borderColor_, borderColor_, 1, true);
    } else if (borderStyle_ == Border::ThreeD) {
        PaintRaisedOutline(painter, false);
    }
}

void XButton::DrawCaption(QPainter& painter) const {
    const QSize label = LabelTwips();
    painter.setFont(font());
    painter.setPen(Resolve(fontColor_));
    painter.drawText(
        QRect(Px(captionLeft_), Px(captionTop_), Px(label.width()) + 1, Px(label.height())),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption_);
    DrawArrow(painter);
}

void XButton::DrawArrow(QPainter& painter) const {
    const int w = TwipWidth();
    const int h = TwipHeight();
    const int mh = Round((h + 1) / 2.0);
    const int mw = Round((w + 1) / 2.0);
    const int m = kArrowMargin;
    QPoint start;
    QPoint end;
    switch (arrowType_) {
    case Arrow::Left:
        start = {w - m, mh};
        end = {m, mh};
        break;
    case Arrow::Right:
        start = {m, mh};
        end = {w - m, mh};
        break;
    case Arrow::Up:
        start = {mw, h - m};
        end = {mw, m};
        break;
    case Arrow::Down:
        start = {mw, m};
        end = {mw, h - m};
        break;
    case Arrow::UpLeft:
        start = {w - m, h - m};
        end = {m, m};
        break;
    case Arrow::UpRight:
        start = {m, h - m};
        end = {w - m, m};
        break;
    case Arrow::DownLeft:
        start = {w - m, m};
        end = {m, h - m};
        break;
    case Arrow::DownRight:
        start = {m, m};
        end = {w - m, h - m};
        break;
    default:
        return;
    }
    const int dx = end.x() - start.x();
    const int dy = end.y() - start.y();
    constexpr float kPi = 3.14159265358979f;
    float angle = 0;
    if (dx == 0 && dy != 0) {
        angle = dy > 0 ? 90 : 270;
    } else if (dy == 0 && dx != 0) {
        angle = dx > 0 ? 0 : 180;
    } else if (dx != 0) {
        angle = std::atan(static_cast<float>(dy) / static_cast<float>(dx));
        if (dx > 0 && dy < 0) {
            angle += 2 * kPi;
        } else if (dx < 0) {
            angle += kPi;
        }
        angle = angle * 180 / kPi;
    }
    const QColor colour = Resolve(fontColor_);
    DrawPixelLine(painter, Px(start.x()), Px(start.y()), Px(end.x()), Px(end.y()), colour);
    for (const float barb : {angle + 180 + 45, angle + 180 - 45}) {
        const double radians = barb * kPi / 180;
        const int bx = Round(end.x() + std::cos(radians) * kBarbLength);
        const int by = Round(end.y() + std::sin(radians) * kBarbLength);
        DrawPixelLine(painter, Px(end.x()), Px(end.y()), Px(bx), Px(by), colour);
    }
}

void XButton::DrawFocus(QImage& surface) const {
    if (!showFocus_ || !hasFocus()) {
        return;
    }
    const int right = Round(TwipWidth() / kTwips - 2);
    const int bottom = Round(TwipHeight() / kTwips - 2);
    InvertDottedOutline(surface, QRect(QPoint(2, 2), QPoint(right - 1, bottom - 1)));
}

void XButton::Paint(QImage& surface) const {
    QPainter painter(&surface);
    if (drawnMode_) {
        PaintDrawn(painter);
        DrawCaption(painter);
    } else if (!omniPic_.isNull()) {
        PaintOmni(painter);
    } else {
        PaintPicture(painter);
    }
    if (roundCorner_ && backStyle_ == Background::Opaque) {
        // Outside the rounded face the parent shows through.
        QPainterPath shape;
        const qreal radius = Round(roundAmount_) / 2.0;
        // The surface's own edges lie on device pixels, where the widget's may not.
        const qreal ratio = surface.devicePixelRatio();
        shape.addRoundedRect(QRectF(0, 0, surface.width() / ratio, surface.height() / ratio),
                             radius, radius);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillPath(shape, Qt::black);
    }
    painter.end();
    if (!drawnMode_ && backStyle_ == Background::Transparent) {
        MakeColourTransparent(surface, Resolve(maskColor_));
    } else {
        DrawFocus(surface);
    }
}

} // namespace kalvimo
