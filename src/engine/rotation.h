#pragma once

#include "canvas.h"

namespace kalvimo {

// True when a width x height picture should be turned to suit a newWidth x newHeight frame: a
// portrait picture in a landscape frame or the other way round. Square frames and square
// pictures are never turned.
bool NeedsQuarterTurn(int newWidth, int newHeight, int width, int height);

// dest becomes src turned a quarter turn anticlockwise: the top edge becomes the left edge, the
// right edge the top. Every pixel lands exactly once. False (dest left empty) without memory;
// false too when dest is src.
bool RotatePicture(Canvas& dest, const Canvas& src);

// Turns and mirrors picture from the way it is stored to the way an EXIF Orientation (1..8) says
// it is seen. scratch takes the stored pixels afterwards, so it can be reused for the next
// picture. False (picture left as stored) without memory.
bool ApplyOrientation(Canvas& picture, int orientation, Canvas& scratch);

// The source pixels that turning or mirroring a sourceWidth x sourceHeight picture by an EXIF
// Orientation (8: RotatePicture's quarter turn) puts into the target rectangle; the rectangles
// may reach past the pictures.
PixelRect OrientedSourceRect(PixelRect target, int orientation, int sourceWidth, int sourceHeight);

} // namespace kalvimo
