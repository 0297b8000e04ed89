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

const QString kDefaultCaption = QStringLiteral("Button");
constexpr Colour kDefaultNormal = 0xEFF3F3;
constexpr Colour kDefaultHover = 0x59C4FA;
constexpr Colour kDefaultPressed = 0xD9E1E2;
constexpr Colour kDefaultDisabled = 0xC0C0C0;
constexpr Colour kDefaultBorder = 0x743C00;
constexpr Colour kDefaultLight = 0xFFFFFF;
constexpr Colour kDefaultShade = 0xC5D0D6;
constexpr Colour kDefaultFocus = 0x59C4FA;
constexpr int kDefaultDirection = 1;
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
    : OwnerDrawnWidget(parent), caption_(kDefaultCaption), gradientDirection_(kDefaultDirection),
      resolution_(kDefaultResolution), normalColour_(kDefaultNormal), hoverColour_(kDefaultHover),
      pressedColour_(kDefaultPressed), disabledColour_(kDefaultDisabled),
      borderColour_(kDefaultBorder), lightColour_(kDefaultLight), shadeColour_(kDefaultShade),
      focusColour_(kDefaultFocus) {
    p_ = TwipsPerPixel(*this);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    tmrRelease_.setInterval(100);
    connect(&tmrRelease_, &QTimer::timeout, this, &OrvelSimpleButton::tmrRelease_Timer);
    SetAccessKey();
    resize(TwipsToPixels(1215, p_), TwipsToPixels(375, p_));
}

QString OrvelSimpleButton::GradientStops(SimpleButtonState state) const {
    return gradientStops_[static_cast<std::size_t>(state)];
}

void OrvelSimpleButton::BuildGradientStops() {
    const QString l = QString::number(lightColour_);
    const QString n = QString::number(normalColour_);
    const QString s = QString::number(shadeColour_);
    auto build = [&](const QString& face) {
        return QStringLiteral("0,") + l + QStringLiteral("#10,") + face + QStringLiteral("#90,") +
               n + QStringLiteral("#100,") + s;
    };
    gradientStops_[Normal] = build(n);
    gradientStops_[Hover] = build(QString::number(hoverColour_));
    gradientStops_[Focused] = build(QString::number(focusColour_));
    gradientStops_[Pressed] = build(QString::number(pressedColour_));
    gradientStops_[Disabled] = QStringLiteral("0,") + QString::number(disabledColour_) +
                               QStringLiteral("#90,") + n + QStringLiteral("#100,") + s;
    gradientStopsBuilt_ = true;
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

void OrvelSimpleButton::ResizeSavePic() {
    const int savedWidth = Round(resolution_ / 100.0 * width());
    const int savedHeight = Round(resolution_ / 100.0 * height());
    if (savedWidth <= 0 || savedHeight <= 0) {
        savePic_ = QImage();
        return;
    }
    savePic_ = QImage(savedWidth, savedHeight, QImage::Format_RGB32);
}

void OrvelSimpleButton::SetState(SimpleButtonState state) {
    state_ = state;
    RefreshFace();
}

void OrvelSimpleButton::RefreshFace() {
    if (state_ == lastDrawn_ && !dirty_) {
        return;
    }
    if (!gradientStopsBuilt_) {
        BuildGradientStops();
    }
    QPainter painter(&Surface());
    painter.fillRect(rect(), ToQColor(kButtonFace));
    PaintGradient(painter, gradientStops_[static_cast<std::size_t>(state_)]);
    if (state_ == Hover) {
        // The face to return to when the pointer leaves: the resting face, never a press.
        if (lastDrawn_ != Hover) {
            savedState_ = lastDrawn_ == Normal || lastDrawn_ == Focused
                              ? static_cast<SimpleButtonState>(lastDrawn_)
                              : (hasFocus() ? Focused : Normal);
        }
        if (!tmrRelease_.isActive()) {
            tmrRelease_.start();
        }
    }
    lastDrawn_ = state_;
    dirty_ = false;

    if (!caption_.isEmpty()) {
        painter.setFont(font());
        painter.setPen(Qt::black);
        const QRect client = rect();
        const int captionHeight =
            painter.fontMetrics().boundingRect(client, kCaptionFlags, caption_).height();
        QRect captionRect = client;
        captionRect.setTop((client.height() - captionHeight) / 2);
        painter.drawText(captionRect, kCaptionFlags, caption_);
    }
    DrawBox(painter,
            PixelBox{0, 0, TwipsToPixels(width() * p_, p_), TwipsToPixels(height() * p_, p_)},
            ToQColor(borderColour_), kBorderWidth, std::nullopt);
    painter.end();
    update();
}

void OrvelSimpleButton::PaintGradient(QPainter& painter, const QString& stopsText) {
    if (stopsText.isEmpty() || savePic_.isNull()) {
        return;
    }
    const QStringList stops = stopsText.split(QLatin1Char('#'));
    savePic_.fill(ToQColor(kButtonFace));
    const int sw = savePic_.width();
    const int sh = savePic_.height();
    int length = 0;
    if (gradientDirection_ == 0) {
        length = sw;
    } else if (gradientDirection_ == 1) {
        length = sh;
    } else if (gradientDirection_ == 2) {
        length = std::min(sw, sh);
    }
    const int cx = Round(sw / 2.0);
    const int cy = Round(sh / 2.0);

    QPainter savePainter(&savePic_);
    auto drawStep = [&](int j, const QColor& colour) {
        if (gradientDirection_ == 0) {
            savePainter.fillRect(QRect(j, 0, 1, sh), colour);
        } else if (gradientDirection_ == 1) {
            savePainter.fillRect(QRect(0, j, sw, 1), colour);
        } else if (gradientDirection_ == 2) {
            DrawBox(savePainter, PixelBox{cx - j, cy - j, cx + j, cy + j}, colour, 1, std::nullopt);
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
        QRect(0, 0, TwipsToPixels(width() * p_, p_), TwipsToPixels(height() * p_, p_)), savePic_);
    painter.restore();
}

void OrvelSimpleButton::RenderSurface() {
    dirty_ = true;
    RefreshFace();
}

void OrvelSimpleButton::tmrRelease_Timer() {
    if (state_ != Hover) {
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

void OrvelSimpleButton::resizeEvent(QResizeEvent* /*event*/) {
    p_ = TwipsPerPixel(*this);
    ResizeSavePic();
    if (gradientStopsBuilt_) {
        dirty_ = true;
        RefreshFace();
    }
}

void OrvelSimpleButton::showEvent(QShowEvent* /*event*/) {
    if (!gradientStopsBuilt_) {
        BuildGradientStops();
    }
    dirty_ = true;
    RefreshFace();
}

void OrvelSimpleButton::mouseMoveEvent(QMouseEvent* event) {
    if (!isEnabled()) {
        return;
    }
    const QPointF position = event->position();
    emit MouseMove(static_cast<int>(event->buttons()), static_cast<int>(event->modifiers()),
                   static_cast<float>(position.x() * p_), static_cast<float>(position.y() * p_));
    if (event->buttons() == Qt::NoButton) {
        SetState(Hover);
    }
}

void OrvelSimpleButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    pressedHere_ = true;
    SetState(Pressed);
}

void OrvelSimpleButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressedHere_) {
        return;
    }
    pressedHere_ = false;
    const QPointF position = event->position();
    const bool inside =
        position.x() >= 0 && position.x() < width() && position.y() >= 0 && position.y() < height();
    SetState(inside ? Hover : Normal);
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
        SetState(Focused);
    }
}

void OrvelSimpleButton::focusOutEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusOutEvent(event);
    keyPressedHere_ = 0;
    if (isEnabled()) {
        SetState(Normal);
    }
}

void OrvelSimpleButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        SetState(isEnabled() ? Normal : Disabled);
    } else if (event->type() == QEvent::FontChange) {
        dirty_ = true;
        RefreshFace();
    }
    OwnerDrawnWidget::changeEvent(event);
}

void OrvelSimpleButton::SetCaption(const QString& value) {
    caption_ = value;
    emit PropertyChanged(QStringLiteral("Caption"));
    SetAccessKey();
    dirty_ = true;
    RefreshFace();
}

void OrvelSimpleButton::SetEnabled(bool value) {
    setEnabled(value);
    emit PropertyChanged(QStringLiteral("Enabled"));
}

void OrvelSimpleButton::SetColour(Colour& colour, Colour value, const char* name) {
    colour = TranslateColour(value);
    emit PropertyChanged(QString::fromLatin1(name));
    BuildGradientStops();
    dirty_ = true;
    RefreshFace();
}

void OrvelSimpleButton::SetNormalColour(Colour value) {
    SetColour(normalColour_, value, "NormalColour");
}

void OrvelSimpleButton::SetGradientDirection(int value) {
    gradientDirection_ = value;
    emit PropertyChanged(QStringLiteral("GradientDirection"));
    dirty_ = true;
    RefreshFace();
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
    resolution_ = std::clamp(value, 0, 100);
    emit PropertyChanged(QStringLiteral("Resolution"));
    ResizeSavePic();
    dirty_ = true;
    RefreshFace();
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
    // Stored system colours are translated like set ones, so every face is plain RGB.
    normalColour_ = TranslateColour(store.Read("NormalColour", kDefaultNormal).toUInt());
    gradientDirection_ = store.Read("GradientDirection", kDefaultDirection).toInt();
    hoverColour_ = TranslateColour(store.Read("HoverColour", kDefaultHover).toUInt());
    pressedColour_ = TranslateColour(store.Read("PressedColour", kDefaultPressed).toUInt());
    disabledColour_ = TranslateColour(store.Read("DisabledColour", kDefaultDisabled).toUInt());
    borderColour_ = TranslateColour(store.Read("BorderColour", kDefaultBorder).toUInt());
    resolution_ = std::clamp(store.Read("Resolution", kDefaultResolution).toInt(), 0, 100);
    lightColour_ = TranslateColour(store.Read("LightColour", kDefaultLight).toUInt());
    shadeColour_ = TranslateColour(store.Read("ShadeColour", kDefaultShade).toUInt());
    focusColour_ = TranslateColour(store.Read("FocusColour", kDefaultFocus).toUInt());
    setEnabled(enabled);
    state_ = enabled ? Normal : Disabled;
    SetAccessKey();
    BuildGradientStops();
    ResizeSavePic();
    dirty_ = true;
    RefreshFace();
}

void OrvelSimpleButton::WriteProperties(PropertyStore& store) const {
    store.Write("Caption", caption_, kDefaultCaption);
    store.Write("Enabled", isEnabled(), true);
    store.Write("NormalColour", normalColour_, kDefaultNormal);
    store.Write("GradientDirection", gradientDirection_, kDefaultDirection);
    store.Write("HoverColour", hoverColour_, kDefaultHover);
    store.Write("PressedColour", pressedColour_, kDefaultPressed);
    store.Write("DisabledColour", disabledColour_, kDefaultDisabled);
    store.Write("BorderColour", borderColour_, kDefaultBorder);
    store.Write("Resolution", resolution_, kDefaultResolution);
    store.Write("LightColour", lightColour_, kDefaultLight);
    store.Write("ShadeColour", shadeColour_, kDefaultShade);
    store.Write("FocusColour", focusColour_, kDefaultFocus);
}

QSize OrvelSimpleButton::sizeHint() const {
    const QFontMetrics metrics(font());
    const QRect text = metrics.boundingRect(QRect(0, 0, 400, 400), kCaptionFlags, caption_);
    return {std::max(TwipsToPixels(1215, p_), text.width() + 16),
            std::max(TwipsToPixels(375, p_), text.height() + 8)};
}

} // namespace kalvimo
