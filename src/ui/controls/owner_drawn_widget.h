#pragma once

#include <QImage>
#include <QWidget>

namespace kalvimo {

// The screen's twips per pixel, 15 at 96 dots per inch.
int TwipsPerPixel(const QWidget& widget);
// A twip measure as whole pixels, halves to even.
int TwipsToPixels(double twips, int twipsPerPixel);

// A widget that draws into its own persistent surface and only copies it on paint events.
// Coordinates on the surface are logical pixels; the surface holds device pixels, so lines
// placed on whole logical pixels stay crisp at every device scale.
class OwnerDrawnWidget : public QWidget {
    Q_OBJECT

public:
    explicit OwnerDrawnWidget(QWidget* parent = nullptr);

protected:
    // The surface, recreated (and then fully drawn again) when the widget's size or device
    // scale changed.
    QImage& Surface();
    // Draws the whole face from the current state.
    virtual void RenderSurface() = 0;

    void paintEvent(QPaintEvent* event) override;

    // For the hover polling: the pointer has left the widget (its far edges still count as in).
    [[nodiscard]] bool PointerOutside() const;

private:
    bool SurfaceIsStale() const;
    QImage surface_;
};

} // namespace kalvimo
