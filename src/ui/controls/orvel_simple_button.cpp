#include "orvel_simple_button.h"

#include "engine/rounding.h"
#include "pixel_painting.h"

#include <algorithm>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>

namespace kalvimo {

namespace {

using State = OrvelSimpleButton::ButtonState;
using Gradient = OrvelSimpleButton::Gradient;

const QString kDefaultCaption = QStringLiteral("Button");
constexpr Colour kDefaultNormal = 0xEFF3F3;
constexpr Colour kDefaultHover = 0x59C4FA;
constexpr Colour kDefaultPressed = 0xD9E1E2;
constexpr Colour kDefaultDisabled = 0xC0C0C0;
constexpr Colour kDefaultBorder = 0x743C00;
constexpr Colour kDefaultLight = 0xFFFFFF;
constexpr Colour kDefaultShade = 0xC5D0D6;
constexpr Colour kDefaultFocus = 0x59C4FA;
constexpr Colour kButtonText = 0x80000012;
constexpr int kDefaultDirection = static_cast<int>(Gradient::Down);
constexpr int kDefaultResolution = 50;
constexpr int kBorderWidth = 2;
constexpr int kCaptionFlags =
    Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;

int Round(double value) {
    return static_cast<int>(RoundHalfEven(value));
}

QColor SplitColour(double value) {
    const auto rgb = static_cast<Colour>(std::max(0, Round(value)));
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                  static_cast<int>(rgb >> 16 & 0xFF));
}

struct Stop {
    int position = 0;
    QColor colour;
};

Stop ReadStop(const QString& stop, int length) {
    const QStringList fields = stop.split(QLatin1Char(','));
    const double position = fields.value(0).toDouble();
    return Stop{Round(position * length / 100.0), SplitColour(fields.value(1).toDouble())};
}

// The first character after an "&" that is neither "&" nor a space; when the search runs
// out, the caption's first character.
QChar CaptionAccessKey(const QString& caption) {
    if (!caption.contains(QLatin1Char('&'))) {
        return {};
    }
    const qsizetype length = caption.size();
    qsizetype start = 1;
    QChar candidate;
    while (true) {
        const qsizetype found = caption.indexOf(QLatin1Char('&'), start - 1) + 1;
        if (found < length) {
            candidate = caption.at(found);
        }
        if (found > 0 && (candidate == QLatin1Char('&') || candidate == QLatin1Char(' '))) {
            start = found + 1;
            continue;
        }
        return candidate;
    }
}

bool IsClickKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace

OrvelSimpleButton::OrvelSimpleButton(QWidget* parent)
    : OwnerDrawnWidget(parent), caption_(kDefaultCaption), normalColour_(kDefaultNormal),
      hoverColour_(kDefaultHover), pressedColour_(kDefaultPressed),
      disabledColour_(kDefaultDisabled), borderColour_(kDefaultBorder), lightColour_(kDefaultLight),
      shadeColour_(kDefaultShade), focusColour_(kDefaultFocus) {
    p_ = TwipsPerPixel(*this);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    tmrRelease_.setInterval(100);
    connect(&tmrRelease_, &QTimer::timeout, this, &OrvelSimpleButton::tmrRelease_Timer);
    SetAccessKey();
}

QString OrvelSimpleButton::GradientStops(ButtonState state) const {
    const auto number = [this](Colour colour) {
        return QString::number(FromQColor(Resolve(colour)));
    };
    const QString n = number(normalColour_);
    const QString s = number(shadeColour_);
    if (state == State::Disabled) {
        return QStringLiteral("0,") + number(disabledColour_) + QStringLiteral("#90,") + n +
               QStringLiteral("#100,") + s;
    }
    const Colour face = state == State::Hover     ? hoverColour_
                        : state == State::Focused ? focusColour_
                        : state == State::Pressed ? pressedColour_
                                                  : normalColour_;
    return QStringLiteral("0,") + number(lightColour_) + QStringLiteral("#10,") + number(face) +
           QStringLiteral("#90,") + n + QStringLiteral("#100,") + s;
}

void OrvelSimpleButton::SetAccessKey() {
    if (shortcutId_ != 0) {
        releaseShortcut(shortcutId_);
        shortcutId_ = 0;
    }
    accessKey_ = CaptionAccessKey(caption_);
    if (!accessKey_.isNull() && !accessKey_.isSpace()) {
        shortcutId_ = grabShortcut(QKeySequence(QKeyCombination(
            Qt::AltModifier, static_cast<Qt::Key>(accessKey_.toUpper().unicode()))));
    }
}

void OrvelSimpleButton::SetState(ButtonState state) {
    if (state == State::Hover && state_ != State::Hover) {
        // The face to return to when the pointer leaves: the resting face, never a press.
        savedState_ = state_ == State::Normal || state_ == State::Focused
                          ? state_
                          : (hasFocus() ? State::Focused : State::Normal);
        if (!tmrRelease_.isActive()) {
            tmrRelease_.start();
        }
    }
    state_ = state;
    update();
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
            Resolve(borderColour_), kBorderWidth, std::nullopt);
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

void OrvelSimpleButton::tmrRelease_Timer() {
    if (state_ != State::Hover) {
        tmrRelease_.stop();
        return;
    }
    if (PointerOutside()) {
        SetState(savedState_);
    }
}

bool OrvelSimpleButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == shortcutId_) {
        if (isEnabled()) {
            emit Click();
        }
        return true;
    }
    return OwnerDrawnWidget::event(event);
}

void OrvelSimpleButton::mouseMoveEvent(QMouseEvent* event) {
    if (!isEnabled()) {
        return;
    }
    const QPointF position = event->position();
    emit MouseMove(static_cast<int>(event->buttons()), static_cast<int>(event->modifiers()),
                   static_cast<float>(position.x() * p_), static_cast<float>(position.y() * p_));
    if (event->buttons() == Qt::NoButton) {
        SetState(State::Hover);
    }
}

void OrvelSimpleButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    pressedHere_ = true;
    SetState(State::Pressed);
}

void OrvelSimpleButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressedHere_) {
        return;
    }
    pressedHere_ = false;
    const QPointF position = event->position();
    const bool inside =
        position.x() >= 0 && position.x() < width() && position.y() >= 0 && position.y() < height();
    SetState(inside ? State::Hover : State::Normal);
    if (inside) {
        emit Click();
    }
}

void OrvelSimpleButton::keyPressEvent(QKeyEvent* event) {
    if (IsClickKey(event->key())) {
        keyPressedHere_ = event->key();
        return;
    }
    OwnerDrawnWidget::keyPressEvent(event);
}

void OrvelSimpleButton::keyReleaseEvent(QKeyEvent* event) {
    const int key = event->key();
    if (IsClickKey(key)) {
        if (!event->isAutoRepeat() && key == keyPressedHere_) {
            keyPressedHere_ = 0;
            emit Click();
        }
        return;
    }
    OwnerDrawnWidget::keyReleaseEvent(event);
}

void OrvelSimpleButton::focusInEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusInEvent(event);
    if (isEnabled()) {
        SetState(State::Focused);
    }
}

void OrvelSimpleButton::focusOutEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusOutEvent(event);
    keyPressedHere_ = 0;
    if (isEnabled()) {
        SetState(State::Normal);
    }
}

void OrvelSimpleButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        SetState(isEnabled() ? State::Normal : State::Disabled);
    } else if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    OwnerDrawnWidget::changeEvent(event);
}

void OrvelSimpleButton::Changed(const char* name) {
    update();
    emit PropertyChanged(QString::fromLatin1(name));
}

void OrvelSimpleButton::SetCaption(const QString& value) {
    if (Assign(caption_, value)) {
        SetAccessKey();
        updateGeometry();
        Changed("Caption");
    }
}

void OrvelSimpleButton::SetEnabled(bool value) {
    if (value != isEnabled()) {
        setEnabled(value);
        Changed("Enabled");
    }
}

void OrvelSimpleButton::SetColour(Colour& colour, Colour value, const char* name) {
    if (Assign(colour, value)) {
        Changed(name);
    }
}

void OrvelSimpleButton::SetNormalColour(Colour value) {
    SetColour(normalColour_, value, "NormalColour");
}

void OrvelSimpleButton::SetGradientDirection(Gradient value) {
    if (Assign(gradientDirection_, value)) {
        Changed("GradientDirection");
    }
}

void OrvelSimpleButton::SetHoverColour(Colour value) {
    SetColour(hoverColour_, value, "HoverColour");
}

void OrvelSimpleButton::SetPressedColour(Colour value) {
    SetColour(pressedColour_, value, "PressedColour");
}

void OrvelSimpleButton::SetDisabledColour(Colour value) {
    SetColour(disabledColour_, value, "DisabledColour");
}

void OrvelSimpleButton::SetBorderColour(Colour value) {
    SetColour(borderColour_, value, "BorderColour");
}

void OrvelSimpleButton::SetResolution(int value) {
    if (Assign(resolution_, std::clamp(value, 0, 100))) {
        Changed("Resolution");
    }
}

void OrvelSimpleButton::SetLightColour(Colour value) {
    SetColour(lightColour_, value, "LightColour");
}

void OrvelSimpleButton::SetShadeColour(Colour value) {
    SetColour(shadeColour_, value, "ShadeColour");
}

void OrvelSimpleButton::SetFocusColour(Colour value) {
    SetColour(focusColour_, value, "FocusColour");
}

void OrvelSimpleButton::ReadProperties(const PropertyStore& store) {
    caption_ = store.Read("Caption", kDefaultCaption).toString();
    const bool enabled = store.Read("Enabled", true).toBool();
    normalColour_ = store.Read("NormalColour", kDefaultNormal).toUInt();
    gradientDirection_ =
        static_cast<Gradient>(store.Read("GradientDirection", kDefaultDirection).toInt());
    hoverColour_ = store.Read("HoverColour", kDefaultHover).toUInt();
    pressedColour_ = store.Read("PressedColour", kDefaultPressed).toUInt();
    disabledColour_ = store.Read("DisabledColour", kDefaultDisabled).toUInt();
    borderColour_ = store.Read("BorderColour", kDefaultBorder).toUInt();
    resolution_ = std::clamp(store.Read("Resolution", kDefaultResolution).toInt(), 0, 100);
    lightColour_ = store.Read("LightColour", kDefaultLight).toUInt();
    shadeColour_ = store.Read("ShadeColour", kDefaultShade).toUInt();
    focusColour_ = store.Read("FocusColour", kDefaultFocus).toUInt();
    setEnabled(enabled);
    state_ = enabled ? State::Normal : State::Disabled;
    SetAccessKey();
    updateGeometry();
    update();
}

void OrvelSimpleButton::WriteProperties(PropertyStore& store) const {
    store.Write("Caption", caption_, kDefaultCaption);
    store.Write("Enabled", isEnabled(), true);
    store.Write("NormalColour", NormalColour(), kDefaultNormal);
    store.Write("GradientDirection", static_cast<int>(gradientDirection_), kDefaultDirection);
    store.Write("HoverColour", HoverColour(), kDefaultHover);
    store.Write("PressedColour", PressedColour(), kDefaultPressed);
    store.Write("DisabledColour", DisabledColour(), kDefaultDisabled);
    store.Write("BorderColour", BorderColour(), kDefaultBorder);
    store.Write("Resolution", resolution_, kDefaultResolution);
    store.Write("LightColour", LightColour(), kDefaultLight);
    store.Write("ShadeColour", ShadeColour(), kDefaultShade);
    store.Write("FocusColour", FocusColour(), kDefaultFocus);
}

QSize OrvelSimpleButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const QRect text = metrics.boundingRect(QRect(0, 0, 400, 400), kCaptionFlags, caption_);
    return {std::max(TwipsToPixels(1215, p_), text.width() + 16),
            std::max(TwipsToPixels(375, p_), text.height() + 8)};
}

} // namespace kalvimo
