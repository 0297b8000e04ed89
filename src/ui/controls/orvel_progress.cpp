#include "orvel_progress.h"

#include "pixel_painting.h"

#include <algorithm>

#include <QPainter>

namespace kalvimo {

namespace {

constexpr int kInset = 30;
constexpr Colour kFaceColour = kWindowBackground;
constexpr Colour kFrameColour = 0x80000010; // button shadow
constexpr Colour kBarColour = 0x8000000D;   // highlight

} // namespace

OrvelProgress::OrvelProgress(QWidget* parent) : OwnerDrawnWidget(parent) {
    p_ = TwipsPerPixel(*this);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

double OrvelProgress::FillWidth() const {
    // Single precision, as the bar has always been measured.
    return static_cast<float>(width() * p_ - 2 * kInset) * static_cast<float>(value_) / 100.0f;
}

void OrvelProgress::SetValue(int value) {
    value = std::clamp(value, 0, 100);
    if (value == value_) {
        return;
    }
    value_ = value;
    update();
    emit ValueChanged(value_);
    emit PropertyChanged(QStringLiteral("Value"));
}

void OrvelProgress::Paint(QImage& surface) const {
    QPainter painter(&surface);
    DrawBox(painter, PixelBox{0, 0, width(), height()}, Resolve(kFrameColour), 1,
            Resolve(kFaceColour));
    // The bar never leaves the frame, whatever the value.
    const int left = TwipsToPixels(kInset, p_);
    const int right = std::clamp(TwipsToPixels(kInset + FillWidth(), p_), left,
                                 TwipsToPixels(width() * p_ - kInset, p_));
    const int bottom = TwipsToPixels(height() * p_ - kInset, p_);
    const QColor bar = Resolve(kBarColour);
    DrawBox(painter, PixelBox{left, left, right, bottom}, bar, 1, bar);
}

void OrvelProgress::ReadProperties(const PropertyStore& store) {
    // A saved value outside the range is held to it like any other.
    value_ = std::clamp(store.Read("Value", 0).toInt(), 0, 100);
    update();
}

void OrvelProgress::WriteProperties(PropertyStore& store) const {
    store.Write("Value", value_, 0);
}

QSize OrvelProgress::sizeHint() const {
    return {200, TwipsToPixels(330, p_)};
}

} // namespace kalvimo
