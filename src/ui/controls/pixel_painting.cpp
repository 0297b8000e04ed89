#include "pixel_painting.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace kalvimo {

namespace {

QPainterPath RoundedPath(const QRectF& rect, qreal radius) {
    QPainterPath path;
    if (radius <= 0) {
        path.addRect(rect);
    } else {
        path.addRoundedRect(rect, radius, radius);
    }
    return path;
}

} // namespace

void DrawBox(QPainter& painter, const PixelBox& box, const QColor& pen, int penWidth,
             const std::optional<QColor>& fill, int cornerDiameter) {
    const int left = std::min(box.x1, box.x2);
    const int top = std::min(box.y1, box.y2);
    const int width = std::abs(box.x2 - box.x1);
    const int height = std::abs(box.y2 - box.y1);
    if (width == 0 || height == 0) {
        return;
    }
    const int line = std::max(1, penWidth);
    const QRect outer(left, top, width, height);
    const QRect inner = outer.adjusted(line, line, -line, -line);

    if (cornerDiameter <= 0) {
        if (fill && inner.isValid()) {
            painter.fillRect(inner, *fill);
        }
        painter.fillRect(QRect(left, top, width, std::min(line, height)), pen);
        painter.fillRect(
            QRect(left, top + height - std::min(line, height), width, std::min(line, height)), pen);
        painter.fillRect(QRect(left, top, std::min(line, width), height), pen);
        painter.fillRect(
            QRect(left + width - std::min(line, width), top, std::min(line, width), height), pen);
        return;
    }

    // Rounded corners are the only edges that are not on pixel boundaries; smoothing them
    // keeps the straight edges exact, as long as those lie on device pixels: between whole
    // scales (150 %) a logical edge can fall inside one, so each edge goes to the nearest
    // device pixel edge, where an unsmoothed fill puts the square boxes' edges too.
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    const auto snap = [ratio](int logical) { return std::round(logical * ratio) / ratio; };
    const auto snapped = [&](const QRect& rect) {
        return QRectF(QPointF(snap(rect.left()), snap(rect.top())),
                      QPointF(snap(rect.left() + rect.width()), snap(rect.top() + rect.height())));
    };
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal radius = cornerDiameter / 2.0;
    const QPainterPath outerPath = RoundedPath(snapped(outer), radius);
    const QPainterPath innerPath =
        inner.isValid() ? RoundedPath(snapped(inner), std::max<qreal>(0, radius - line))
                        : QPainterPath();
    if (fill) {
        painter.fillPath(outerPath, pen);
        painter.fillPath(innerPath, *fill);
    } else {
        painter.fillPath(outerPath.subtracted(innerPath), pen);
    }
    painter.restore();
}

void DrawPixelLine(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& colour) {
    if (y1 == y2 || x1 == x2) {
        const QRect span = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                                 QPoint(std::max(x1, x2), std::max(y1, y2)));
        // Leave out the end point, whichever side it is on.
        QRect drawn = span;
        if (y1 == y2 && x1 != x2) {
            drawn = x2 > x1 ? span.adjusted(0, 0, -1, 0) : span.adjusted(1, 0, 0, 0);
        } else if (x1 == x2 && y1 != y2) {
            drawn = y2 > y1 ? span.adjusted(0, 0, 0, -1) : span.adjusted(0, 1, 0, 0);
        } else {
            return;
        }
        painter.fillRect(drawn, colour);
        return;
    }
    // Bresenham: every step lands on a whole pixel, which stays sharp when scaled up.
    const int dx = std::abs(x2 - x1);
    const int dy = -std::abs(y2 - y1);
    const int stepX = x1 < x2 ? 1 : -1;
    const int stepY = y1 < y2 ? 1 : -1;
    int error = dx + dy;
    int x = x1;
    int y = y1;
    while (x != x2 || y != y2) {
        painter.fillRect(QRect(x, y, 1, 1), colour);
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += stepX;
        }
        if (doubled <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

namespace {

// Calls visit for every other pixel walking round the outline, so the pattern runs on at the
// corners.
template <typename Visit> void WalkDotted(const QRect& outline, Visit visit) {
    const int right = outline.left() + outline.width() - 1;
    const int bottom = outline.top() + outline.height() - 1;
    int step = 0;
    const auto dot = [&](int x, int y) {
        if (step++ % 2 == 0) {
            visit(x, y);
        }
    };
    for (int x = outline.left(); x < right; ++x) {
        dot(x, outline.top());
    }
    for (int y = outline.top(); y < bottom; ++y) {
        dot(right, y);
    }
    for (int x = right; x > outline.left(); --x) {
        dot(x, bottom);
    }
    for (int y = bottom; y > outline.top(); --y) {
        dot(outline.left(), y);
    }
}

} // namespace

void DrawDottedOutline(QPainter& painter, const QRect& outline, const QColor& colour) {
    if (outline.width() < 1 || outline.height() < 1) {
        return;
    }
    WalkDotted(outline, [&](int x, int y) { painter.fillRect(QRect(x, y, 1, 1), colour); });
}

void InvertDottedOutline(QImage& surface, const QRect& outline) {
    if (outline.width() < 1 || outline.height() < 1) {
        return;
    }
    const qreal ratio = surface.devicePixelRatio();
    const int block = std::max(1, static_cast<int>(std::lround(ratio)));
    auto invert = [&](int x, int y) {
        for (int dy = 0; dy < block; ++dy) {
            for (int dx = 0; dx < block; ++dx) {
                const int px = static_cast<int>(x * ratio) + dx;
                const int py = static_cast<int>(y * ratio) + dy;
                if (px < 0 || py < 0 || px >= surface.width() || py >= surface.height()) {
                    continue;
                }
                const QRgb pixel = surface.pixel(px, py);
                surface.setPixel(px, py,
                                 qRgba(qAlpha(pixel) - qRed(pixel), qAlpha(pixel) - qGreen(pixel),
                                       qAlpha(pixel) - qBlue(pixel), qAlpha(pixel)));
            }
        }
    };
    WalkDotted(outline, invert);
}

void MakeColourTransparent(QImage& surface, const QColor& mask) {
    const QRgb key = mask.rgb();
    for (int y = 0; y < surface.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(surface.scanLine(y));
        for (int x = 0; x < surface.width(); ++x) {
            if ((line[x] | 0xFF000000u) == key && qAlpha(line[x]) == 255) {
                line[x] = 0;
            }
        }
    }
}

} // namespace kalvimo
