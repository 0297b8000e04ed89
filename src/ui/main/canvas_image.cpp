#include "canvas_image.h"

#include <cstring>

namespace kalvimo {

QImage ToQImage(const Canvas& canvas) {
    QImage image(canvas.Width(), canvas.Height(), QImage::Format_RGB888);
    for (int y = 0; y < canvas.Height(); ++y) {
        std::memcpy(image.scanLine(y), canvas.Row(y), canvas.Stride());
    }
    return image;
}

} // namespace kalvimo
