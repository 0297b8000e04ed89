#pragma once

#include "owner_drawn_widget.h"
#include "property_store.h"
#include "system_colours.h"

#include <QTimer>

class QPainter;

namespace kalvimo {

// The push button of the windows: a gradient face per state (normal, hover, pressed,
// disabled, focused), rendered small and stretched, with a centred word-wrapped caption
// whose "&" marks the access key.
class OrvelSimpleButton : public OwnerDrawnWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(Colour NormalColour READ NormalColour WRITE SetNormalColour)
    Q_PROPERTY(Gradient GradientDirection READ GradientDirection WRITE SetGradientDirection)
    Q_PROPERTY(Colour HoverColour READ HoverColour WRITE SetHoverColour)
    Q_PROPERTY(Colour PressedColour READ PressedColour WRITE SetPressedColour)
    Q_PROPERTY(Colour DisabledColour READ DisabledColour WRITE SetDisabledColour)
    Q_PROPERTY(Colour BorderColour READ BorderColour WRITE SetBorderColour)
    Q_PROPERTY(int Resolution READ Resolution WRITE SetResolution)
    Q_PROPERTY(Colour LightColour READ LightColour WRITE SetLightColour)
    Q_PROPERTY(Colour ShadeColour READ ShadeColour WRITE SetShadeColour)
    Q_PROPERTY(Colour FocusColour READ FocusColour WRITE SetFocusColour)

public:
    enum class ButtonState { Normal, Hover, Pressed, Disabled, Focused };
    // Stored as 0 to 2; any other stored value paints no gradient.
    enum class Gradient { Across, Down, Outwards };
    Q_ENUM(ButtonState)
    Q_ENUM(Gradient)

    explicit OrvelSimpleButton(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value);
    // Colours read as RGB, a system colour translated; the face follows the palette.
    Colour NormalColour() const { return TranslateColour(normalColour_); }
    void SetNormalColour(Colour value);
    Gradient GradientDirection() const { return gradientDirection_; }
    void SetGradientDirection(Gradient value);
    Colour HoverColour() const { return TranslateColour(hoverColour_); }
    void SetHoverColour(Colour value);
    Colour PressedColour() const { return TranslateColour(pressedColour_); }
    void SetPressedColour(Colour value);
    Colour DisabledColour() const { return TranslateColour(disabledColour_); }
    void SetDisabledColour(Colour value);
    Colour BorderColour() const { return TranslateColour(borderColour_); }
    void SetBorderColour(Colour value);
    // The gradient's size as a percentage of the button's, within 0 to 100.
    int Resolution() const { return resolution_; }
    void SetResolution(int value);
    Colour LightColour() const { return TranslateColour(lightColour_); }
    void SetLightColour(Colour value);
    Colour ShadeColour() const { return TranslateColour(shadeColour_); }
    void SetShadeColour(Colour value);
    Colour FocusColour() const { return TranslateColour(focusColour_); }
    void SetFocusColour(Colour value);

    ButtonState State() const { return state_; }
    // The character whose press with Alt clicks the button; null when the caption has none.
    QChar AccessKey() const { return accessKey_; }
    // The gradient of a state as "position,colour" stops joined by "#".
    QString GradientStops(ButtonState state) const;

    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    QSize sizeHint() const override;

signals:
    void Click();
    void MouseMove(int button, int shift, float x, float y);
    void PropertyChanged(const QString& name);

protected:
    void Paint(QImage& surface) const override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Changed(const char* name);
    void SetColour(Colour& colour, Colour value, const char* name);

    // The colours as painted, after Themed.
    struct Faces {
        Colour normal, hover, pressed, disabled, border, light, shade, focus;
    };
    Faces ShownColours() const;

    // Painting (orvel_simple_button_painting.cpp).
    void PaintGradient(QPainter& painter, const QString& stopsText) const;

    // Input (orvel_simple_button_input.cpp).
    void SetAccessKey();
    void SetState(ButtonState state);
    void tmrRelease_Timer();

    int p_ = 15;
    QString caption_;
    Gradient gradientDirection_ = Gradient::Down;
    int resolution_ = 50;
    // As set: a system colour stays one, so the face follows the palette.
    Colour normalColour_ = 0;
    Colour hoverColour_ = 0;
    Colour pressedColour_ = 0;
    Colour disabledColour_ = 0;
    Colour borderColour_ = 0;
    Colour lightColour_ = 0;
    Colour shadeColour_ = 0;
    Colour focusColour_ = 0;

    ButtonState state_ = ButtonState::Normal;
    // The face to return to when the pointer leaves.
    ButtonState savedState_ = ButtonState::Normal;
    bool pressedHere_ = false;
    // The clicking key last pressed on this button, 0 when none: the release of a key pressed
    // elsewhere (the Enter that closed a message box) must not click.
    int keyPressedHere_ = 0;
    QChar accessKey_;
    int shortcutId_ = 0;
    QTimer tmrRelease_;
};

} // namespace kalvimo
