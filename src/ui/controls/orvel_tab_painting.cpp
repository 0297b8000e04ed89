// The strip's face: background, page frame, tabs in their state colours and the bridge that
// joins the selected tab to its page.

#include "engine/rounding.h"
#include "orvel_tab.h"
#include "pixel_painting.h"

#include <QPainter>

namespace kalvimo {

namespace {

int Round(double twips) {
    return static_cast<int>(RoundHalfEven(twips));
}

} // namespace

void OrvelTab::DrawTwipBox(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& fill,
                           const QColor& pen, int corner) const {
    DrawBox(painter,
            PixelBox{TwipsToPixels(x1, p_), TwipsToPixels(y1, p_), TwipsToPixels(x2, p_),
                     TwipsToPixels(y2, p_)},
            pen, 1, fill, corner);
}

void OrvelTab::DrawTwipLine(QPainter& painter, int x1, int y1, int x2, int y2,
                            const QColor& colour) const {
    DrawPixelLine(painter, TwipsToPixels(x1, p_), TwipsToPixels(y1, p_), TwipsToPixels(x2, p_),
                  TwipsToPixels(y2, p_), colour);
}

void OrvelTab::DrawShape(QPainter& painter, const ShapeRecord& shape, const QColor& pen,
                         const QColor& fill) const {
    DrawTwipBox(painter, shape.left, shape.top, shape.left + shape.width, shape.top + shape.height,
                fill, pen, shape.rounded ? shape.corner : 0);
}

OrvelTab::TabColours OrvelTab::ColoursOf(int index) const {
    if (index == selected_) {
        return {Resolve(textColourSelected_), Resolve(borderSelected_),
                Resolve(tabColourSelected_)};
    }
    const bool disabled = tabs_[static_cast<std::size_t>(index)].disabled;
    return {Resolve(textColour_), Resolve(border_),
            Resolve(disabled ? disabledColour_ : tabColour_)};
}

void OrvelTab::PaintBackground(QPainter& painter) const {
    const QColor back = Resolve(backColour_);
    DrawTwipBox(painter, 0, 0, Round(TwipWidth()), Round(TwipHeight()), back, back, 0);
}

void OrvelTab::PaintFrame(QPainter& painter) const {
    const int c = captionWidth_;
    const int t = tabAreaHeight_;
    const QColor back = Resolve(backColour_);
    const QColor border = Resolve(border_);
    if (drawFrame_) {
        const QColor frame = Resolve(frameColour_);
        DrawShape(painter, ShapeRecord{frame_.left, frame_.top, frame_.width, frame_.height}, back,
                  back);
        DrawShape(painter, frame_, border, frame);
        DrawShape(painter, cornerPatch1_, border, border);
        DrawShape(painter, cornerPatch2_, frame, frame);
    } else if (alignment_ == TabPosition::Top) {
        DrawTwipLine(painter, 0, t - p_, Round(TwipWidth()), t - p_, border);
    } else if (alignment_ == TabPosition::Left) {
        DrawTwipBox(painter, c - p_, 0, Round(TwipWidth()), Round(TwipHeight()), back, back, 0);
        DrawTwipLine(painter, c - p_, 0, c - p_, Round(TwipHeight()), border);
    }
}

void OrvelTab::PaintBridge(QPainter& painter) const {
    if (!drawFrame_ || !bridge_ || !HasTab(selected_)) {
        return;
    }
    const Tab& tab = tabs_[static_cast<std::size_t>(selected_)];
    ShapeRecord bridge;
    if (alignment_ == TabPosition::Top) {
        bridge.left = tab.bottomPatch.left + p_;
        bridge.top = tab.bottomPatch.top + tab.bottomPatch.height - 2 * p_;
        bridge.width = tab.bottomPatch.width - 2 * p_;
        bridge.height = 2 * p_;
    } else if (alignment_ == TabPosition::Left) {
        bridge.left = captionWidth_ - p_;
        bridge.top = tab.body.top + p_;
        bridge.width = 2 * p_;
        bridge.height = tab.body.height - 2 * p_;
    } else {
        return;
    }
    const QColor fill = Resolve(tabColourSelected_);
    DrawShape(painter, bridge, fill, fill);
}

void OrvelTab::PaintTab(QPainter& painter, int index) const {
    const Tab& tab = tabs_[static_cast<std::size_t>(index)];
    const TabColours colours = ColoursOf(index);
    DrawShape(painter, tab.body, colours.pen, colours.fill);
    if (alignment_ == TabPosition::Top) {
        DrawShape(painter, tab.bottomPatch, colours.pen, colours.fill);
        DrawShape(painter, tab.seamPatch, colours.fill, colours.fill);
    }
    if (tab.caption.isEmpty()) {
        return;
    }
    painter.setPen(colours.text);
    painter.setFont(font());
    const QRect label(TwipsToPixels(tab.labelLeft, p_), TwipsToPixels(tab.labelTop, p_),
                      TwipsToPixels(tab.labelWidth, p_), TwipsToPixels(LabelHeight(), p_));
    painter.drawText(label, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, tab.caption);
    if (index == selected_ && hasFocus()) {
        // The keyboard's mark: a dotted box in the tab's margin around the caption.
        DrawDottedOutline(painter, label.adjusted(-3, -1, 4, 2), colours.text);
    }
}

void OrvelTab::Paint(QImage& surface) const {
    QPainter painter(&surface);
    PaintBackground(painter);
    if (alignment_ != TabPosition::Top && alignment_ != TabPosition::Left) {
        return;
    }
    if (alignment_ == TabPosition::Top) {
        PaintFrame(painter);
    }
    for (int i = 0; i < TabCount(); ++i) {
        PaintTab(painter, i);
    }
    if (alignment_ == TabPosition::Left) {
        // The frame covers the right-hand parts of the tabs.
        PaintFrame(painter);
    }
    PaintBridge(painter);
}

} // namespace kalvimo
