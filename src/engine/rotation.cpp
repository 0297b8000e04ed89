#include "rotation.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kalvimo {

namespace {

// Target pixel (x, y) reads source pixel
//   (originX + xFromX * x + xFromY * y, originY + yFromX * x + yFromY * y),
// which describes each of the eight orientations with unit steps.
struct Mapping {
    int originX;
    int originY;
    int xFromX;
    int xFromY;
    int yFromX;
    int yFromY;
};

bool Transposes(int orientation) {
    return orientation >= 5;
}

Mapping MappingFor(int orientation, int w, int h) {
    switch (orientation) {
    case 2:
        return {w - 1, 0, -1, 0, 0, 1};
    case 3:
        return {w - 1, h - 1, -1, 0, 0, -1};
    case 4:
        return {0, h - 1, 1, 0, 0, -1};
    case 5:
        return {0, 0, 0, 1, 1, 0};
    case 6:
        return {0, h - 1, 0, 1, -1, 0};
    case 7:
        return {w - 1, h - 1, 0, -1, -1, 0};
    case 8:
        return {w - 1, 0, 0, -1, 1, 0};
    default:
        return {0, 0, 1, 0, 0, 1};
    }
}

// Works in square tiles so that the column-wise reads of a transposition stay in the cache.
bool Orient(const Canvas& src, Canvas& dest, int orientation) {
    const int w = src.Width();
    const int h = src.Height();
    const int targetWidth = Transposes(orientation) ? h : w;
    const int targetHeight = Transposes(orientation) ? w : h;
    if (&src == &dest) {
        return false;
    }
    if (src.Empty() || !dest.Resize(targetWidth, targetHeight)) {
        dest.Clear();
        return false;
    }
    dest.SetIccProfile(src.IccProfile());
    const Mapping m = MappingFor(orientation, w, h);
    const auto stride = static_cast<std::ptrdiff_t>(src.Stride());
    const std::ptrdiff_t stepX = 3 * m.xFromX + stride * m.yFromX;
    const std::ptrdiff_t stepY = 3 * m.xFromY + stride * m.yFromY;
    // Offsets rather than pointers: stepping past the last pixel of a row must not leave the
    // array, even for a moment.
    const std::ptrdiff_t origin = stride * m.originY + 3 * std::ptrdiff_t{m.originX};
    const std::uint8_t* pixels = src.Data();

    constexpr int kTile = 64;
    for (int tileY = 0; tileY < targetHeight; tileY += kTile) {
        const int endY = std::min(tileY + kTile, targetHeight);
        for (int tileX = 0; tileX < targetWidth; tileX += kTile) {
            const int endX = std::min(tileX + kTile, targetWidth);
            for (int y = tileY; y < endY; ++y) {
                std::ptrdiff_t from = origin + stepY * y + stepX * tileX;
                std::uint8_t* to = dest.Row(y) + 3 * std::ptrdiff_t{tileX};
                for (int x = tileX; x < endX; ++x, from += stepX, to += 3) {
                    std::memcpy(to, pixels + from, 3);
                }
            }
        }
    }
    return true;
}

} // namespace

bool NeedsQuarterTurn(int newWidth, int newHeight, int width, int height) {
    if (newWidth > newHeight) {
        return height > width;
    }
    if (newWidth < newHeight) {
        return width > height;
    }
    return false;
}

bool RotatePicture(Canvas& dest, const Canvas& src) {
    return Orient(src, dest, 8);
}

PixelRect OrientedSourceRect(PixelRect target, int orientation, int sourceWidth, int sourceHeight) {
    const Mapping m = MappingFor(orientation, sourceWidth, sourceHeight);
    const auto at = [&](int x, int y) {
        return std::pair{m.originX + m.xFromX * x + m.xFromY * y,
                         m.originY + m.yFromX * x + m.yFromY * y};
    };
    const auto [x1, y1] = at(target.x, target.y);
    const auto [x2, y2] = at(target.x + target.width - 1, target.y + target.height - 1);
    return {std::min(x1, x2), std::min(y1, y2), std::abs(x2 - x1) + 1, std::abs(y2 - y1) + 1};
}

bool ApplyOrientation(Canvas& picture, int orientation, Canvas& scratch) {
    if (orientation < 2 || orientation > 8) {
        return true;
    }
    if (!Orient(picture, scratch, orientation)) {
        return false;
    }
    picture.Swap(scratch);
    return true;
}

} // namespace kalvimo
