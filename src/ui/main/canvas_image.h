#pragma once

#include "canvas.h"

#include <QImage>

namespace kalvimo {

// The one conversion from the engine's pictures to Qt's.
QImage ToQImage(const Canvas& canvas);

} // namespace kalvimo
