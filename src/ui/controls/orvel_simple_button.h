#pragma once

#include "owner_drawn_widget.h"
#include "property_store.h"
#include "system_colours.h"

#include <array>

#include <QImage>
#include <QTimer>

namespace kalvimo {

// The push button of the windows: a gradient face per state (normal, hover, pressed,
// disabled, focused), rendered small and stretched, with a centred word-wrapped caption
// whose "&" marks the access key.
class OrvelSimpleButton : public OwnerDrawnWidget {
    Q_OBJECT

public:
    enum SimpleButtonState { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3, Focused = 4 };

    explicit OrvelSimpleButton(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value);
    Colour NormalColour() const { return normalColour_; }
    void SetNormalColour(Colour value);
    int GradientDirection() const { return gradientDirection_; }
    void SetGradientDirection(int value);
    Colour HoverColour() const { return hoverColour_; }
    void SetHoverColour(Colour value);
    Colour PressedColour() const { return pressedColour_; }
    void SetPressedColour(Colour value);
    Colour DisabledColour() const { return disabledColour_; }
    void SetDisabledColour(Colour value);
    Colour BorderColour() const { return borderColour_; }
    void SetBorderColour(Colour value);
    int Resolution() const { return resolution_; }
    void SetResolution(int value);
    Colour LightColour() const { return lightColour_; }
    void SetLightColour(Colour value);
    Colour ShadeColour() const { return shadeColour_; }
    void SetShadeColour(Colour value);
    Colour FocusColour() const { return focusColour_; }
    void SetFocusColour(Colour value);

    SimpleButtonState State() const { return state_; }
    // The character whose press with Alt clicks the button; null when the caption has none.
    QChar AccessKey() const { return accessKey_; }
    // The gradient of a state as "position,colour" stops joined by "#".
    QString GradientStops(SimpleButtonState state) const;

    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;

    QSize sizeHint() const override;

signals:
    void Click();
    void MouseMove(int button, int shift, float x, float y);
    void PropertyChanged(const QString& name);

protected:
    void RenderSurface() override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SetColour(Colour& colour, Colour value, const char* name);
    void BuildGradientStops();
    void SetAccessKey();
    void ResizeSavePic();
    void SetState(SimpleButtonState state);
    void RefreshFace();
    void PaintGradient(QPainter& painter, const QString& stopsText);
    void tmrRelease_Timer();

    int p_ = 15;
    QString caption_;
    int gradientDirection_ = 1;
    int resolution_ = 50;
    Colour normalColour_ = 0;
    Colour hoverColour_ = 0;
    Colour pressedColour_ = 0;
    Colour disabledColour_ = 0;
    Colour borderColour_ = 0;
    Colour lightColour_ = 0;
    Colour shadeColour_ = 0;
    Colour focusColour_ = 0;

    SimpleButtonState state_ = Normal;
    int lastDrawn_ = -1;
    SimpleButtonState savedState_ = Normal;
    bool dirty_ = true;
    std::array<QString, 5> gradientStops_;
    bool gradientStopsBuilt_ = false;
    bool pressedHere_ = false;
    // The clicking key last pressed on this button, 0 when none: the release of a key pressed
    // elsewhere (the Enter that closed a message box) must not click.
    int keyPressedHere_ = 0;
    QChar accessKey_;
    int shortcutId_ = 0;
    QImage savePic_;
    QTimer tmrRelease_;
};

} // namespace kalvimo
