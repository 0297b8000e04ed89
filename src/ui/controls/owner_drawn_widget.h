#pragma once

#include "system_colours.h"

#include <QImage>
#include <QWidget>

namespace kalvimo {

// The screen's twips per pixel, 15 at 96 dots per inch.
int TwipsPerPixel(const QWidget& widget);
// A twip measure as whole pixels, halves to even.
int TwipsToPixels(double twips, int twipsPerPixel);

// For setters: stores the value and answers whether it was a change, so a setter repaints and
// signals only then.
template <typename T> bool Assign(T& field, const T& value) {
    if (field == value) {
        return false;
    }
    field = value;
    return true;
}

// A widget whose face is painted, whole, from its state each time it is shown. The face is
// painted on an image in logical pixels that holds device pixels, so the pixel painting
// helpers can put edges on device pixels at any scale, and pixels can be inverted or masked.
class OwnerDrawnWidget : public QWidget {
    Q_OBJECT

public:
    explicit OwnerDrawnWidget(QWidget* parent = nullptr);

protected:
    // Paints the whole face; the surface starts transparent, which shows the parent.
    virtual void Paint(QImage& surface) const = 0;

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

    // A stored colour as this widget shows it: system colours come from its palette.
    [[nodiscard]] QColor Resolve(Colour value) const { return ToQColor(value, palette()); }
    // A colour whose default was chosen for a light window: left at that default on a dark
    // one, it is the system colour it stands for, so the face follows the theme.
    [[nodiscard]] Colour Themed(Colour value, Colour lightDefault, Colour systemColour) const {
        return value == lightDefault && IsDark(palette()) ? systemColour : value;
    }

    // For the hover polling: the pointer has left the widget (its far edges still count as in).
    [[nodiscard]] bool PointerOutside() const;
};

} // namespace kalvimo
