#pragma once

#include "../qt_application.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QWidget>

namespace kalvimo::testing {

// The widget as drawn, one entry per logical pixel, whatever the device scale.
class Rendering {
public:
    explicit Rendering(QWidget& widget) : image_(widget.grab().toImage()) {}

    // The device pixel under the centre of the logical pixel: at twice the scale the lower
    // right of its four, at one and a half the one that holds the centre.
    QColor At(int x, int y) const {
        const qreal ratio = image_.devicePixelRatio();
        return image_.pixelColor(static_cast<int>((x + 0.5) * ratio),
                                 static_cast<int>((y + 0.5) * ratio));
    }

private:
    QImage image_;
};

inline QColor Rgb(unsigned packed) {
    return QColor(static_cast<int>(packed & 0xFF), static_cast<int>(packed >> 8 & 0xFF),
                  static_cast<int>(packed >> 16 & 0xFF));
}

// A pixel a test expects: where, in logical pixels, and its packed colour.
struct Pixel {
    int x, y;
    unsigned colour;
};

template <std::size_t N> void ExpectPixels(QWidget& widget, const Pixel (&pixels)[N]) {
    const Rendering drawn(widget);
    for (const Pixel& pixel : pixels) {
        EXPECT_EQ(drawn.At(pixel.x, pixel.y), Rgb(pixel.colour)) << pixel.x << "," << pixel.y;
    }
}

} // namespace kalvimo::testing
