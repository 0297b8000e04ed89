#pragma once

#include <optional>

#include <QColor>
#include <QRect>

class QImage;
class QPainter;

namespace kalvimo {

// Drawing in whole logical pixels with the rules the controls' geometry is written for: a
// box covers x1..x2-1 and y1..y2-1, its outline lies inside it, and a line leaves out its
// last point. Shapes are filled, never stroked, so edges stay on device pixel boundaries at
// any device scale, 150 % included.

struct PixelBox {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
};

// A rectangle, or a rounded rectangle whose corner ellipse has the given diameter; without
// a fill only the outline is drawn. A pen width of 0 draws one pixel, as 1 does.
void DrawBox(QPainter& painter, const PixelBox& box, const QColor& pen, int penWidth,
             const std::optional<QColor>& fill, int cornerDiameter = 0);

void DrawPixelLine(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& colour);

// A dotted outline, one dot every other pixel, inside the rectangle.
void DrawDottedOutline(QPainter& painter, const QRect& outline, const QColor& colour);

// A dotted outline that inverts what lies under it, so it shows on any face.
void InvertDottedOutline(QImage& surface, const QRect& outline);

// Pixels of exactly the mask colour become transparent.
void MakeColourTransparent(QImage& surface, const QColor& mask);

} // namespace kalvimo
