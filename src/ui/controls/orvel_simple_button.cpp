#include "orvel_simple_button.h"

#include <algorithm>

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
constexpr int kDefaultDirection = static_cast<int>(Gradient::Down);
constexpr int kDefaultResolution = 50;

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

OrvelSimpleButton::Faces OrvelSimpleButton::ShownColours() const {
    // System colours of the same part of a button: the accents become the highlight.
    constexpr Colour kButtonHighlight = 0x80000014;
    constexpr Colour kButtonShadow = 0x80000010;
    constexpr Colour kMid = 0x80000000;
    constexpr Colour kWindow = 0x80000004;
    constexpr Colour kHighlight = 0x8000000D;
    return {Themed(normalColour_, kDefaultNormal, kButtonFace),
            Themed(hoverColour_, kDefaultHover, kHighlight),
            Themed(pressedColour_, kDefaultPressed, kMid),
            Themed(disabledColour_, kDefaultDisabled, kWindow),
            Themed(borderColour_, kDefaultBorder, kHighlight),
            Themed(lightColour_, kDefaultLight, kButtonHighlight),
            Themed(shadeColour_, kDefaultShade, kButtonShadow),
            Themed(focusColour_, kDefaultFocus, kHighlight)};
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

} // namespace kalvimo
