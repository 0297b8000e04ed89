#include "xbutton.h"

#include <algorithm>

namespace kalvimo {

namespace {

const QString kDefaultCaption = QStringLiteral("Button");
constexpr Colour kDefaultBack = 0xFFFFFF;
constexpr Colour kDefaultHighlight = 0xFFFFFF;
constexpr Colour kDefaultMask = 0xFFFFFF;
constexpr Colour kDefaultShadow = 0x808080;

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
    LayoutContent();
}

Colour XButton::ShownBack() const {
    return Themed(backColor_, kDefaultBack, kButtonFace);
}

Colour XButton::ShownHighlight() const {
    constexpr Colour kButtonHighlight = 0x80000014;
    return Themed(highlightColor_, kDefaultHighlight, kButtonHighlight);
}

Colour XButton::ShownShadow() const {
    constexpr Colour kButtonShadow = 0x80000010;
    return Themed(shadowColor_, kDefaultShadow, kButtonShadow);
}

void XButton::Changed(const char* name) {
    update();
    emit PropertyChanged(QString::fromLatin1(name));
}

void XButton::SetPicture(QPixmap& picture, const QPixmap& value, const char* name) {
    if (picture.cacheKey() == value.cacheKey()) {
        return;
    }
    picture = value;
    DetectImageMode();
    LayoutContent();
    // A transparent picture button is as large as its picture.
    updateGeometry();
    Changed(name);
}

void XButton::SetBackColor(Colour value) {
    Set(backColor_, value, "BackColor");
}

void XButton::SetBackStyle(Background value) {
    if ((value == Background::Transparent && drawnMode_) || !Assign(backStyle_, value)) {
        return;
    }
    if (backStyle_ == Background::Transparent) {
        roundCorner_ = false;
    }
    LayoutContent();
    updateGeometry();
    Changed("BackStyle");
}

void XButton::SetBorderColor(Colour value) {
    Set(borderColor_, value, "BorderColor");
}

void XButton::SetBorderStyle(Border value) {
    if (Assign(borderStyle_, value)) {
        LayoutContent();
        Changed("BorderStyle");
    }
}

void XButton::SetCaption(const QString& value) {
    if (Assign(caption_, value)) {
        LayoutContent();
        updateGeometry();
        Changed("Caption");
    }
}

void XButton::SetEnabled(bool value) {
    if (value != isEnabled()) {
        setEnabled(value);
        Changed("Enabled");
    }
}

void XButton::SetFillColor(Colour value) {
    Set(fillColor_, value, "FillColor");
}

void XButton::SetFontColor(Colour value) {
    Set(fontColor_, value, "FontColor");
}

void XButton::SetHighlightColor(Colour value) {
    Set(highlightColor_, value, "HighlightColor");
}

void XButton::SetImageDisabled(const QPixmap& value) {
    SetPicture(imageDisabled_, value, "ImageDisabled");
}

void XButton::SetImageDown(const QPixmap& value) {
    SetPicture(imageDown_, value, "ImageDown");
}

void XButton::SetImageHot(const QPixmap& value) {
    SetPicture(imageHot_, value, "ImageHot");
}

void XButton::SetImageUp(const QPixmap& value) {
    SetPicture(imageUp_, value, "ImageUp");
    SetState(isEnabled() ? ButtonState::Up : ButtonState::Disabled);
}

void XButton::SetMaskColor(Colour value) {
    Set(maskColor_, value, "MaskColor");
}

void XButton::SetPicturePosition(Placement value) {
    if (Assign(picturePosition_, value)) {
        LayoutContent();
        Changed("PicturePosition");
    }
}

void XButton::SetRoundAmount(double value) {
    Set(roundAmount_, value, "RoundAmount");
}

void XButton::SetRoundCorner(bool value) {
    if (value && backStyle_ == Background::Transparent) {
        return;
    }
    Set(roundCorner_, value, "RoundCorner");
}

void XButton::SetShadowColor(Colour value) {
    Set(shadowColor_, value, "ShadowColor");
}

void XButton::SetTextFont(const QFont& value) {
    if (value != font()) {
        setFont(value);
        Changed("TextFont");
    }
}

void XButton::SetShiftOnPress(bool value) {
    Set(shiftOnPress_, value, "ShiftOnPress");
}

void XButton::SetOmniPic(const QPixmap& value) {
    SetPicture(omniPic_, value, "OmniPic");
    SetState(isEnabled() ? ButtonState::Up : ButtonState::Disabled);
}

void XButton::SetShiftPicture(bool value) {
    Set(shiftPicture_, value, "ShiftPicture");
}

void XButton::SetShowFocus(bool value) {
    Set(showFocus_, value, "ShowFocus");
}

void XButton::SetArrowType(Arrow value) {
    Set(arrowType_, value, "ArrowType");
}

void XButton::ReadProperties(const PropertyStore& store) {
    backColor_ = store.Read("BackColor", kDefaultBack).toUInt();
    backStyle_ = static_cast<Background>(store.Read("BackStyle", 1).toInt());
    borderColor_ = store.Read("BorderColor", 0u).toUInt();
    borderStyle_ = static_cast<Border>(store.Read("BorderStyle", 0).toInt());
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
    picturePosition_ = static_cast<Placement>(store.Read("PicturePosition", 0).toInt());
    roundAmount_ = store.Read("RoundAmount", 0.0).toDouble();
    roundCorner_ = store.Read("RoundCorner", false).toBool();
    shadowColor_ = store.Read("ShadowColor", kDefaultShadow).toUInt();
    setFont(store.Read("TextFont", font()).value<QFont>());
    shiftOnPress_ = store.Read("ShiftOnPress", true).toBool();
    omniPic_ = store.Read("OmniPic", QPixmap()).value<QPixmap>();
    shiftPicture_ = store.Read("ShiftPicture", true).toBool();
    showFocus_ = store.Read("ShowFocus", true).toBool();
    arrowType_ = static_cast<Arrow>(store.Read("ArrowType", 0).toInt());
    setEnabled(enabled);
    DetectImageMode();
    LayoutContent();
    updateGeometry();
    SetState(enabled ? ButtonState::Up : ButtonState::Disabled);
}

void XButton::WriteProperties(PropertyStore& store) const {
    store.Write("BackColor", backColor_, kDefaultBack);
    store.Write("BackStyle", static_cast<int>(backStyle_), 1);
    store.Write("BorderColor", borderColor_, 0u);
    store.Write("BorderStyle", static_cast<int>(borderStyle_), 0);
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
    store.Write("PicturePosition", static_cast<int>(picturePosition_), 0);
    store.Write("RoundAmount", roundAmount_, 0.0);
    store.Write("RoundCorner", roundCorner_, false);
    store.Write("ShadowColor", shadowColor_, kDefaultShadow);
    store.WriteAlways("TextFont", font());
    store.Write("ShiftOnPress", shiftOnPress_, true);
    writePicture("OmniPic", omniPic_);
    store.Write("ShiftPicture", shiftPicture_, true);
    store.Write("ShowFocus", showFocus_, true);
    store.Write("ArrowType", static_cast<int>(arrowType_), 0);
}

QSize XButton::sizeHint() const {
    if (!drawnMode_ && backStyle_ == Background::Transparent) {
        // A transparent picture button is its picture.
        return (omniPic_.isNull() ? imageUp_ : omniPic_).deviceIndependentSize().toSize();
    }
    // Drawn faces need the caption with 50 twips about it.
    const QSize label = LabelTwips();
    return {std::max(75, (label.width() + 50 + 14) / 15),
            std::max(25, (label.height() + 50 + 14) / 15)};
}

} // namespace kalvimo
