#pragma once

#include <functional>

#include <QImage>
#include <QPalette>
#include <QPixmap>

class QWidget;

namespace kalvimo {

// Pictures drawn for this program, sharp at the given device scale. Their grounds and ink come
// from the palette, so they sit in a dark theme as in a light one.

// The Intro page's picture, 378 x 181: a camera handing a photo on to a picture frame.
QPixmap IntroArtwork(const QPalette& palette, qreal devicePixelRatio);
// What the preview shows before any picture is clicked, 195 x 189.
QImage PlaceholderPreview(const QPalette& palette, qreal devicePixelRatio);
// The swap button's face: two arrows turning round each other.
QPixmap SwapPicture(const QPalette& palette, qreal devicePixelRatio);

// Runs paint now and again each time the widget's palette changes, for a widget that shows one
// of these pictures.
void PaintFromPalette(QWidget& widget, std::function<void()> paint);

} // namespace kalvimo
