#pragma once

#include <QImage>
#include <QPixmap>

namespace kalvimo {

// Pictures drawn for this program at start-up, sharp at the given device scale.

// The Intro page's picture, 378 x 181: a camera handing a photo on to a picture frame.
QPixmap IntroArtwork(qreal devicePixelRatio);
// What the preview shows before any picture is clicked, 195 x 189.
QImage PlaceholderPreview(qreal devicePixelRatio);
// The swap button's face: two arrows turning round each other.
QPixmap SwapPicture(qreal devicePixelRatio);

} // namespace kalvimo
