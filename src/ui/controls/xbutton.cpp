#include "xbutton.h"

#include "engine/rounding.h"
#include "pixel_painting.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace kalvimo {

namespace {

// This button's geometry is written for 15 twips to the pixel whatever the screen.
constexpr double kTwips = 15.0;
const QString kDefaultCaption = QStringLiteral("Button");
constexpr Colour kDefaultBack = 0xFFFFFF;
constexpr Colour kDefaultHighlight = 0xFFFFFF;
constexpr Colour kDefaultMask = 0xFFFFFF;
constexpr Colour kDefaultShadow = 0x808080;
constexpr int kArrowMargin = 120;
constexpr double kBarbLength = 100;
constexpr int kShift = 20;

int Px(double twips) {
    return static_cast<int>(RoundHalfEven(twips / kTwips));
}
int Round(double value) {
    return static_cast<int>(RoundHalfEven(value));
}

int Buttons(const QMouseEvent* event) {
    int buttons = 0;
    if (event->buttons() & Qt::LeftButton) {
        buttons |= 1;
    }
    if (event->buttons() & Qt::RightButton) {
        buttons |= 2;
    }
    if (event->buttons() & Qt::MiddleButton) {
        buttons |= 4;
    }
    return buttons;
}

int ButtonOf(const QMouseEvent* event) {
    switch (event->button()) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

XButton::XButton(QWidget* parent)
    : OwnerDrawnWidget(parent), backColor_(kDefaultBack), fillColor_(kButtonFace),
      shadowColor_(kDefaultShadow), highlightColor_(kDefaultHighlight), borderColor_(0),
      fontColor_(0), maskColor_(kDefaultMask), caption_(kDefaultCaption) {
    p_ = TwipsPerPixel(*this);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    tmrRelease_.setInterval(100);
    connect(&tmrRelease_, &QTimer::timeout, this, &XButton::tmrRelease_Timer);
    resize(75, 25);
    LayoutContent();
}

void XButton::Changed(const char* name, bool dirty) {
    emit PropertyChanged(QString::fromLatin1(name));
    if (dirty) {
        dirty_ = true;
        RefreshState();
    }
}

QSize XButton::LabelTwips() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(caption_) * p_, metrics.height() * p_};
}

QPixmap XButton::StatePicture() const {
    if (!omniPic_.isNull()) {
        return omniPic_;
    }
    switch (state_) {
    case Up:
        return imageUp_;
    case Hot:
        return imageHot_;
    case Down:
        return imageDown_;
    case Disabled:
        return imageDisabled_;
    }
    return imageUp_;
}

void XButton::DetectImageMode() {
    const bool pictures = !omniPic_.isNull() || (!imageUp_.isNull() && !imageDown_.isNull() &&
                                                 !imageHot_.isNull() && !imageDisabled_.isNull());
    const bool changed = drawnMode_ == pictures;
    drawnMode_ = !pictures;
    if (drawnMode_) {
        backStyle_ = 1;
    }
    if (changed) {
        LayoutContent();
    }
}

void XButton::LayoutContent() {
    const QSize label = LabelTwips();
    const double previousX = pictureX_;
    const double previousY = pictureY_;
    if (drawnMode_) {
        const int minimumWidth = label.width() + 50;
        const int minimumHeight = label.height() + 50;
        if (TwipWidth() < minimumWidth || TwipHeight() < minimumHeight) {
            resize(std::max(width(), static_cast<int>(std::ceil(minimumWidth / kTwips))),
                   std::max(height(), static_cast<int>(std::ceil(minimumHeight / kTwips))));
        }
        captionLeft_ = (TwipWidth() - label.width()) / 2.0;
        captionTop_ = (TwipHeight() - label.height()) / 2.0;
    } else {
        const QPixmap picture = omniPic_.isNull() ? imageUp_ : omniPic_;
        const QSizeF size = picture.deviceIndependentSize();
        const int pw = Round(size.width() * kTwips);
        const int ph = Round(size.height() * kTwips);
        if (backStyle_ == 0) {
            resize(size.toSize());
            pictureX_ = 0;
            pictureY_ = 0;
        } else {
            const int w = TwipWidth();
            const int h = TwipHeight();
            const int cw = label.width() + 120;
            const int ch = label.height() + 60;
            if (picturePosition_ == 0 || picturePosition_ == 1) {
                const int contentWidth = cw + pw;
                captionTop_ = Round(h - ch) / 2;
                pictureY_ = Round(h - ph) / 2;
                if (picturePosition_ == 0) {
                    pictureX_ = Round(w - contentWidth) / 2;
                    captionLeft_ = pictureX_ + pw;
                } else {
                    captionLeft_ = Round(w - contentWidth) / 2;
                    pictureX_ = captionLeft_ + cw;
                }
            } else {
                const int contentHeight = ph + ch;
                captionLeft_ = Round(w - cw) / 2;
                pictureX_ = Round(w - pw) / 2;
                if (picturePosition_ == 2) {
                    pictureY_ = Round(h - contentHeight) / 2;
                    captionTop_ = pictureY_ + ph;
                } else {
                    captionTop_ = Round(h - contentHeight) / 2;
                    pictureY_ = captionTop_ + ch;
                }
            }
            captionTop_ += 30;
            captionLeft_ += 60;
            if (shiftPicture_ && !omniPic_.isNull() && (borderStyle_ == 0 || borderStyle_ == 1)) {
                // Keep the picture off the border.
                if (pictureX_ == 0) {
                    pictureX_ = 15;
                }
                if (pictureX_ + pw == w) {
                    pictureX_ -= 15;
                }
                if (pictureY_ == 0) {
                    pictureY_ = 15;
                }
                if (pictureY_ + ph == h) {
                    pictureY_ -= 15;
                }
            }
        }
    }
    // A fresh layout is unpressed; keep a held press where it was.
    if (shifted_) {
        captionLeft_ += kShift;
        captionTop_ += kShift;
        if (shiftPicture_) {
            pictureX_ += kShift;
            pictureY_ += kShift;
        }
    }
    if (pictureX_ != previousX || pictureY_ != previousY) {
        dirty_ = true;
    }
}

void XButton::ShiftContent(bool pressed) {
    if (!shiftOnPress_) {
        return;
    }
    const int step = pressed && !shifted_ ? kShift : (!pressed && shifted_ ? -kShift : 0);
    if (step == 0) {
        return;
    }
    captionLeft_ += step;
    captionTop_ += step;
    if (shiftPicture_) {
        pictureX_ += step;
        pictureY_ += step;
    }
    shifted_ = pressed;
}

void XButton::SetState(ButtonState state) {
    state_ = state;
    RefreshState();
}

void XButton::DrawButtonBox(QPainter& painter, int x1, int y1, int x2, int y2, Colour fill,
                            Colour pen, int penWidth, bool noFill) const {
    DrawBox(painter, PixelBox{x1, y1, x2, y2}, ToQColor(pen), penWidth,
            noFill ? std::nullopt : std::optional<QColor>(ToQColor(fill)),
            roundCorner_ ? Round(roundAmount_) : 0);
}

void XButton::PaintDrawn(QPainter& painter) {
    const int w = Px(TwipWidth());
    const int h = Px(TwipHeight());
    const int innerW = Px(TwipWidth() - 25);
    const int innerH = Px(TwipHeight() - 25);
    const int d = Px(25);
    DrawButtonBox(painter, 0, 0, w, h, backColor_, backColor_, 1, false);
    auto box = [&](int x1, int y1, int x2, int y2, Colour colour, int width) {
        DrawButtonBox(painter, x1, y1, x2, y2, colour, colour, width, false);
    };
    if (borderStyle_ == 0) {
        switch (state_) {
        case Up:
        case Hot:
            box(0, 0, w, h, shadowColor_, 2);
            box(0, 0, innerW, innerH, highlightColor_, 2);
            box(d, d, innerW, innerH, fillColor_, 2);
            break;
        case Down:
            box(0, 0, w, h, highlightColor_, 2);
            box(0, 0, innerW, innerH, shadowColor_, 2);
            box(d, d, innerW, innerH, fillColor_, 2);
            break;
        case Disabled:
            DrawButtonBox(painter, 0, 0, w, h, fillColor_, shadowColor_, 2, false);
            break;
        }
    } else if (borderStyle_ == 1) {
        const Colour fill = state_ == Down ? shadowColor_ : fillColor_;
        const Colour pen = state_ == Hot        ? highlightColor_
                           : state_ == Disabled ? shadowColor_
                                                : borderColor_;
        DrawButtonBox(painter, 0, 0, w, h, fill, pen, 1, false);
    } else if (borderStyle_ == 2) {
        box(0, 0, w, h, state_ == Down ? shadowColor_ : fillColor_, 1);
    }
}

void XButton::PaintRaisedOutline(QPainter& painter, bool sunken) {
    const Colour first = sunken ? shadowColor_ : highlightColor_;
    const Colour second = sunken ? highlightColor_ : shadowColor_;
    DrawButtonBox(painter, 0, 0, Px(TwipWidth() + 25), Px(TwipHeight() + 25), first, first, 2,
                  true);
    DrawButtonBox(painter, -2, -2, Px(TwipWidth()), Px(TwipHeight()), second, second, 2, true);
}

void XButton::PaintPicture(QPainter& painter) {
    const int w = Px(TwipWidth());
    const int h = Px(TwipHeight());
    DrawButtonBox(painter, 0, 0, w, h, backColor_, backColor_, 1, false);
    painter.drawPixmap(QPoint(Px(pictureX_), Px(pictureY_)), StatePicture());
    if (backStyle_ == 0) {
        return;
    }
    DrawCaption(painter);
    if (borderStyle_ == 1) {
        const Colour pen = state_ == Up    ? borderColor_
                           : state_ == Hot ? highlightColor_
                                           : shadowColor_;
        DrawButtonBox(painter, 0, 0, w, h, pen, pen, 1, true);
    } else if (borderStyle_ == 0) {
        if (state_ == Disabled) {
            DrawButtonBox(painter, 0, 0, w, h, shadowColor_, shadowColor_, 2, true);
        } else {
            PaintRaisedOutline(painter, state_ == Down);
        }
    }
}

void XButton::PaintOmni(QPainter& painter) {
    const int w = Px(TwipWidth());
    const int h = Px(TwipHeight());
    switch (state_) {
    case Up:
        DrawButtonBox(painter, 0, 0, w, h, backColor_, backColor_, 1, false);
        break;
    case Hot:
        DrawButtonBox(painter, 0, 0, w, h, highlightColor_, highlightColor_, 1, false);
        break;
    case Down:
        DrawButtonBox(painter, 0, 0, w, h, shadowColor_, borderColor_, 1, false);
        break;
    case Disabled:
        DrawButtonBox(painter, 0, 0, w, h, shadowColor_, shadowColor_, 1, false);
        break;
    }
    painter.drawPixmap(QPoint(Px(pictureX_), Px(pictureY_)), omniPic_);
    DrawCaption(painter);
    if (borderStyle_ == 1) {
        DrawButtonBox(painter, 0, 0, w, h, borderColor_, borderColor_, 1, true);
    } else if (borderStyle_ == 0) {
        PaintRaisedOutline(painter, false);
    }
}

void XButton::DrawCaption(QPainter& painter) {
    const QSize label = LabelTwips();
    painter.setFont(font());
    painter.setPen(ToQColor(fontColor_));
    painter.drawText(
        QRect(Px(captionLeft_), Px(captionTop_), Px(label.width()) + 1, Px(label.height())),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, caption_);
    DrawArrow(painter);
}

void XButton::DrawArrow(QPainter& painter) {
    const int w = TwipWidth();
    const int h = TwipHeight();
    const int mh = Round((h + 1) / 2.0);
    const int mw = Round((w + 1) / 2.0);
    const int m = kArrowMargin;
    QPoint start;
    QPoint end;
    switch (arrowType_) {
    case 1:
        start = {w - m, mh};
        end = {m, mh};
        break;
    case 2:
        start = {m, mh};
        end = {w - m, mh};
        break;
    case 3:
        start = {mw, h - m};
        end = {mw, m};
        break;
    case 4:
        start = {mw, m};
        end = {mw, h - m};
        break;
    case 5:
        start = {w - m, h - m};
        end = {m, m};
        break;
    case 6:
        start = {m, h - m};
        end = {w - m, m};
        break;
    case 7:
        start = {w - m, m};
        end = {m, h - m};
        break;
    case 8:
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
    const QColor colour = ToQColor(fontColor_);
    DrawPixelLine(painter, Px(start.x()), Px(start.y()), Px(end.x()), Px(end.y()), colour);
    for (const float barb : {angle + 180 + 45, angle + 180 - 45}) {
        const double radians = barb * kPi / 180;
        const int bx = Round(end.x() + std::cos(radians) * kBarbLength);
        const int by = Round(end.y() + std::sin(radians) * kBarbLength);
        DrawPixelLine(painter, Px(end.x()), Px(end.y()), Px(bx), Px(by), colour);
    }
}

void XButton::DrawFocus() {
    if (!showFocus_ || !hasFocus_) {
        return;
    }
    const int right = Round(TwipWidth() / kTwips - 2);
    const int bottom = Round(TwipHeight() / kTwips - 2);
    InvertDottedOutline(Surface(), QRect(QPoint(2, 2), QPoint(right - 1, bottom - 1)));
}

void XButton::RefreshState() {
    if (state_ == lastDrawn_ && !dirty_) {
        return;
    }
    switch (state_) {
    case Up:
    case Hot:
        ShiftContent(false);
        break;
    case Down:
        ShiftContent(true);
        break;
    case Disabled:
        break;
    }
    QImage& surface = Surface();
    surface.fill(Qt::transparent);
    QPainter painter(&surface);
    if (drawnMode_) {
        PaintDrawn(painter);
        DrawCaption(painter);
    } else if (!omniPic_.isNull()) {
        PaintOmni(painter);
    } else {
        PaintPicture(painter);
    }
    if (roundCorner_ && backStyle_ == 1) {
        // Outside the rounded face the parent shows through.
        QPainterPath shape;
        const qreal radius = Round(roundAmount_) / 2.0;
        shape.addRoundedRect(QRectF(rect()), radius, radius);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillPath(shape, Qt::black);
    }
    painter.end();
    if (!drawnMode_ && backStyle_ == 0) {
        MakeColourTransparent(surface, ToQColor(maskColor_));
    } else {
        DrawFocus();
    }
    if (state_ == Hot && !tmrRelease_.isActive()) {
        tmrRelease_.start();
    }
    lastDrawn_ = state_;
    dirty_ = false;
    update();
}

void XButton::RenderSurface() {
    dirty_ = true;
    RefreshState();
}

void XButton::tmrRelease_Timer() {
    if (state_ != Hot) {
        tmrRelease_.stop();
        return;
    }
    if (PointerOutside()) {
        SetState(Up);
    }
}

void XButton::resizeEvent(QResizeEvent* /*event*/) {
    dirty_ = true;
    LayoutContent();
    RefreshState();
}

void XButton::showEvent(QShowEvent* /*event*/) {
    dirty_ = true;
    LayoutContent();
    RefreshState();
}

void XButton::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position() * p_;
    emit MouseMove(Buttons(event), ShiftOf(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    if (event->buttons() == Qt::NoButton) {
        SetState(Hot);
    }
}

void XButton::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position() * p_;
    emit MouseDown(ButtonOf(event), ShiftOf(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    if (event->button() == Qt::LeftButton) {
        pressedHere_ = true;
        SetState(Down);
    }
}

void XButton::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    emit DblClick();
}

void XButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position() * p_;
    emit MouseUp(ButtonOf(event), ShiftOf(event->modifiers()), static_cast<float>(at.x()),
                 static_cast<float>(at.y()));
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPointF position = event->position();
    const bool inside =
        position.x() >= 0 && position.x() < width() && position.y() >= 0 && position.y() < height();
    SetState(inside ? Hot : Up);
    if (inside && pressedHere_) {
        emit Click();
    }
    pressedHere_ = false;
}

void XButton::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(event->key(), ShiftOf(event->modifiers()));
    int ascii = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ascii = 13;
    } else if (!event->text().isEmpty()) {
        ascii = event->text().at(0).unicode();
    }
    if (ascii == 13 || ascii == 32) {
        emit Click();
    }
    if (ascii != 0) {
        emit KeyPress(ascii);
    }
}

void XButton::keyReleaseEvent(QKeyEvent* event) {
    emit KeyUp(event->key(), ShiftOf(event->modifiers()));
}

void XButton::focusInEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusInEvent(event);
    hasFocus_ = true;
    dirty_ = true;
    RefreshState();
}

void XButton::focusOutEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusOutEvent(event);
    hasFocus_ = false;
    dirty_ = true;
    RefreshState();
}

void XButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        SetState(isEnabled() ? Up : Disabled);
    }
    OwnerDrawnWidget::changeEvent(event);
}

void XButton::SetBackColor(Colour value) {
    backColor_ = value;
    Changed("BackColor");
}

void XButton::SetBackStyle(int value) {
    if (value == 0 && drawnMode_) {
        return;
    }
    backStyle_ = value;
    if (backStyle_ == 0) {
        roundCorner_ = false;
    }
    LayoutContent();
    Changed("BackStyle");
}

void XButton::SetBorderColor(Colour value) {
    borderColor_ = value;
    Changed("BorderColor");
}

void XButton::SetBorderStyle(int value) {
    borderStyle_ = value;
    Changed("BorderStyle");
}

void XButton::SetCaption(const QString& value) {
    caption_ = value;
    LayoutContent();
    Changed("Caption");
}

void XButton::SetEnabled(bool value) {
    setEnabled(value);
    Changed("Enabled");
}

void XButton::SetFillColor(Colour value) {
    fillColor_ = value;
    Changed("FillColor");
}

void XButton::SetFontColor(Colour value) {
    fontColor_ = value;
    Changed("FontColor");
}

void XButton::SetHighlightColor(Colour value) {
    highlightColor_ = value;
    Changed("HighlightColor");
}

void XButton::SetImageDisabled(const QPixmap& value) {
    imageDisabled_ = value;
    DetectImageMode();
    Changed("ImageDisabled");
}

void XButton::SetImageDown(const QPixmap& value) {
    imageDown_ = value;
    DetectImageMode();
    Changed("ImageDown");
}

void XButton::SetImageHot(const QPixmap& value) {
    imageHot_ = value;
    DetectImageMode();
    Changed("ImageHot");
}

void XButton::SetImageUp(const QPixmap& value) {
    imageUp_ = value;
    DetectImageMode();
    state_ = isEnabled() ? Up : Disabled;
    Changed("ImageUp");
}

void XButton::SetMaskColor(Colour value) {
    maskColor_ = value;
    Changed("MaskColor");
}

void XButton::SetPicturePosition(int value) {
    picturePosition_ = value;
    LayoutContent();
    Changed("PicturePosition", false);
    RefreshState();
}

void XButton::SetRoundAmount(double value) {
    roundAmount_ = value;
    Changed("RoundAmount");
}

void XButton::SetRoundCorner(bool value) {
    if (value && backStyle_ == 0) {
        return;
    }
    roundCorner_ = value;
    Changed("RoundCorner");
}

void XButton::SetShadowColor(Colour value) {
    shadowColor_ = value;
    Changed("ShadowColor");
}

void XButton::SetTextFont(const QFont& value) {
    setFont(value);
    LayoutContent();
    Changed("TextFont");
}

void XButton::SetShiftOnPress(bool value) {
    shiftOnPress_ = value;
    Changed("ShiftOnPress", false);
}

void XButton::SetOmniPic(const QPixmap& value) {
    omniPic_ = value;
    DetectImageMode();
    state_ = isEnabled() ? Up : Disabled;
    LayoutContent();
    Changed("OmniPic");
}

void XButton::SetShiftPicture(bool value) {
    shiftPicture_ = value;
    Changed("ShiftPicture", false);
}

void XButton::SetShowFocus(bool value) {
    showFocus_ = value;
    Changed("ShowFocus", false);
}

void XButton::SetArrowType(int value) {
    arrowType_ = value;
    Changed("ArrowType");
}

void XButton::ReadProperties(const PropertyStore& store) {
    backColor_ = store.Read("BackColor", kDefaultBack).toUInt();
    backStyle_ = store.Read("BackStyle", 1).toInt();
    borderColor_ = store.Read("BorderColor", 0u).toUInt();
    borderStyle_ = store.Read("BorderStyle", 0).toInt();
    caption_ = store.Read("Caption", kDefaultCaption).toString();
    const bool enabled = store.Read("Enabled", true).toBool();
    fillColor_ = store.Read("FillColor", kButtonFace).toUInt();
    fontColor_ = store.Read("FontColor", 0u).toUInt();
    highlightColor_ = store.Read("HighlightColor", kDefaultHighlight).toUInt();
    imageDisabled_ = store.Read("ImageDisabled", QPixmap()).value<QPixmap>();
    imageDown_ = store.Read("ImageDown", QPixmap()).value<QPixmap>();
    imageHot_ = store.Read("ImageHot", QPixmap()).value<QPixmap>();
    imageUp_ = store.Read("ImageUp", QPixmap()).value<QPixmap>();
    maskColor_ = store.Read("MaskColor", kDefaultMask).toUInt();
    picturePosition_ = store.Read("PicturePosition", 0).toInt();
    roundAmount_ = store.Read("RoundAmount", 0.0).toDouble();
    roundCorner_ = store.Read("RoundCorner", false).toBool();
    shadowColor_ = store.Read("ShadowColor", kDefaultShadow).toUInt();
    setFont(store.Read("TextFont", font()).value<QFont>());
    shiftOnPress_ = store.Read("ShiftOnPress", true).toBool();
    omniPic_ = store.Read("OmniPic", QPixmap()).value<QPixmap>();
    shiftPicture_ = store.Read("ShiftPicture", true).toBool();
    showFocus_ = store.Read("ShowFocus", true).toBool();
    arrowType_ = store.Read("ArrowType", 0).toInt();
    setEnabled(enabled);
    DetectImageMode();
    LayoutContent();
    state_ = enabled ? Up : Disabled;
    dirty_ = true;
    RefreshState();
}

void XButton::WriteProperties(PropertyStore& store) const {
    store.Write("BackColor", backColor_, kDefaultBack);
    store.Write("BackStyle", backStyle_, 1);
    store.Write("BorderColor", borderColor_, 0u);
    store.Write("BorderStyle", borderStyle_, 0);
    store.Write("Caption", caption_, kDefaultCaption);
    store.Write("Enabled", isEnabled(), true);
    store.Write("FillColor", fillColor_, kButtonFace);
    store.WriteAlways("FontColor", fontColor_);
    store.Write("HighlightColor", highlightColor_, kDefaultHighlight);
    // Pictures do not compare; an empty one is the default.
    auto writePicture = [&](const char* key, const QPixmap& picture) {
        store.Write(key, picture.isNull() ? QVariant() : QVariant(picture), QVariant());
    };
    writePicture("ImageDisabled", imageDisabled_);
    writePicture("ImageDown", imageDown_);
    writePicture("ImageHot", imageHot_);
    writePicture("ImageUp", imageUp_);
    store.Write("MaskColor", maskColor_, kDefaultMask);
    store.Write("PicturePosition", picturePosition_, 0);
    store.Write("RoundAmount", roundAmount_, 0.0);
    store.Write("RoundCorner", roundCorner_, false);
    store.Write("ShadowColor", shadowColor_, kDefaultShadow);
    store.WriteAlways("TextFont", font());
    store.Write("ShiftOnPress", shiftOnPress_, true);
    writePicture("OmniPic", omniPic_);
    store.Write("ShiftPicture", shiftPicture_, true);
    store.Write("ShowFocus", showFocus_, true);
    store.Write("ArrowType", arrowType_, 0);
}

QSize XButton::sizeHint() const {
    const QSize label = LabelTwips();
    return {std::max(75, Px(label.width() + 50)), std::max(25, Px(label.height() + 50))};
}

} // namespace kalvimo
