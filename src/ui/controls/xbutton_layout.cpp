// Where the caption and the picture lie, in twips, and whether the button shows pictures.

#include "engine/rounding.h"
#include "xbutton.h"

#include <QFontMetrics>

namespace kalvimo {

namespace {

constexpr double kTwips = 15.0;
constexpr int kShift = 20;
// The caption box around the caption's text in picture mode.
constexpr int kCaptionBoxWidth = 120;
constexpr int kCaptionBoxHeight = 60;

int Round(double value) {
    return static_cast<int>(RoundHalfEven(value));
}

} // namespace

QSize XButton::LabelTwips() const {
    // In the button's own twips, which it places and paints at 15 to the pixel on any screen.
    const QFontMetrics metrics(font());
    return {Round(metrics.horizontalAdvance(caption_) * kTwips), Round(metrics.height() * kTwips)};
}

void XButton::DetectImageMode() {
    const bool pictures = !omniPic_.isNull() || (!imageUp_.isNull() && !imageDown_.isNull() &&
                                                 !imageHot_.isNull() && !imageDisabled_.isNull());
    const bool changed = drawnMode_ == pictures;
    drawnMode_ = !pictures;
    if (drawnMode_) {
        backStyle_ = Background::Opaque;
    }
    if (changed) {
        LayoutContent();
        updateGeometry();
    }
}

void XButton::LayoutContent() {
    const QSize label = LabelTwips();
    if (drawnMode_) {
        captionLeft_ = (TwipWidth() - label.width()) / 2.0;
        captionTop_ = (TwipHeight() - label.height()) / 2.0;
    } else if (backStyle_ == Background::Transparent) {
        pictureX_ = 0;
        pictureY_ = 0;
    } else {
        LayoutPicture(label);
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
}

void XButton::LayoutPicture(QSize label) {
    const QPixmap picture = omniPic_.isNull() ? imageUp_ : omniPic_;
    const QSizeF size = picture.deviceIndependentSize();
    const int pw = Round(size.width() * kTwips);
    const int ph = Round(size.height() * kTwips);
    const int w = TwipWidth();
    const int h = TwipHeight();
    const int cw = label.width() + kCaptionBoxWidth;
    const int ch = label.height() + kCaptionBoxHeight;
    if (picturePosition_ == Placement::Left || picturePosition_ == Placement::Right) {
        const int contentWidth = cw + pw;
        captionTop_ = Round(h - ch) / 2;
        pictureY_ = Round(h - ph) / 2;
        if (picturePosition_ == Placement::Left) {
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
        if (picturePosition_ == Placement::Above) {
            pictureY_ = Round(h - contentHeight) / 2;
            captionTop_ = pictureY_ + ph;
        } else {
            captionTop_ = Round(h - contentHeight) / 2;
            pictureY_ = captionTop_ + ch;
        }
    }
    // The text sits inside its caption box.
    captionTop_ += kCaptionBoxHeight / 2;
    captionLeft_ += kCaptionBoxWidth / 2;
    if (shiftPicture_ && !omniPic_.isNull() &&
        (borderStyle_ == Border::ThreeD || borderStyle_ == Border::Single)) {
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

void XButton::ShiftContent(bool pressed) {
    if (!shiftOnPress_ || pressed == shifted_) {
        return;
    }
    const int step = pressed ? kShift : -kShift;
    captionLeft_ += step;
    captionTop_ += step;
    if (shiftPicture_) {
        pictureX_ += step;
        pictureY_ += step;
    }
    shifted_ = pressed;
}

} // namespace kalvimo
