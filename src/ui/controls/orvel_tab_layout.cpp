// Where the tabs and the page frame lie, in twips, from the captions and the strip's size.

#include "engine/rounding.h"
#include "orvel_tab.h"

#include <algorithm>

#include <QFontMetrics>

namespace kalvimo {

namespace {

constexpr int kFrameCorner = 20;
constexpr int kTabCorner = 10;
constexpr int kFrameInset = 160;
constexpr int kPatchHeight = 100;

int Round(double twips) {
    return static_cast<int>(RoundHalfEven(twips));
}

} // namespace

int OrvelTab::LabelWidth(const QString& caption) const {
    return QFontMetrics(font()).horizontalAdvance(caption) * p_;
}

int OrvelTab::LabelHeight() const {
    return QFontMetrics(font()).height() * p_;
}

void OrvelTab::MeasureTabArea() {
    if (alignment_ == TabPosition::Top) {
        captionWidth_ = 0;
        tabAreaHeight_ = Round(LabelHeight() + 2 * 4 * p_);
    } else if (alignment_ == TabPosition::Left) {
        // Measured from the captions about to be built, not from the previous build.
        int widest = 0;
        for (const QString& caption : tabStrip_.split(QLatin1Char(','))) {
            widest = std::max(widest, LabelWidth(caption));
        }
        captionWidth_ = Round(4 * 6 * p_ + widest);
        tabAreaHeight_ = p_;
    }
}

void OrvelTab::LayoutFrame() {
    const int c = captionWidth_;
    const int t = tabAreaHeight_;
    frame_ = ShapeRecord{c,    t - p_,      Round(TwipWidth() - c), Round(TwipHeight() - (t - p_)),
                         true, kFrameCorner};
    cornerPatch1_ =
        ShapeRecord{c, t - p_, frame_.width - kFrameInset, frame_.height - kFrameInset, false, 0};
    cornerPatch2_ = cornerPatch1_;
    cornerPatch2_.left = c + p_;
    cornerPatch2_.top = t;
}

void OrvelTab::CreateTabs() {
    // Measuring and laying out here keeps the frame in step with the captions just set.
    MeasureTabArea();
    LayoutFrame();
    // A tab for each caption of the strip; where it sits depends on the alignment.
    const QStringList items = tabStrip_.split(QLatin1Char(','));
    tabs_.assign(static_cast<std::size_t>(items.size()), Tab{});
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        tabs_[i].caption = items[static_cast<qsizetype>(i)];
        tabs_[i].labelWidth = LabelWidth(tabs_[i].caption);
    }
    if (alignment_ == TabPosition::Top) {
        BuildTopTabs();
    } else if (alignment_ == TabPosition::Left) {
        BuildLeftTabs();
    }
    if (selected_ >= TabCount()) {
        Select(-1);
    }
    updateGeometry();
    update();
}

void OrvelTab::BuildTopTabs() {
    const int labelHeight = LabelHeight();
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        Tab& tab = tabs_[i];
        tab.body = ShapeRecord{
            0, 0, Round(tab.labelWidth + 12 * p_), Round(labelHeight + 8 * p_), true, kTabCorner};
        if (i > 0) {
            const ShapeRecord& previous = tabs_[i - 1].body;
            tab.body.left = previous.left + previous.width;
            tab.body.top = previous.top;
        }
        tab.labelLeft = tab.body.left + 6 * p_;
        tab.labelTop = tab.body.top + 4 * p_;
        // The bottom patch squares the tab's foot; the seam patch, centred on the patch's top
        // edge, hides the lines between the two.
        tab.bottomPatch = ShapeRecord{
            tab.body.left, tab.body.height - kPatchHeight, tab.body.width, kPatchHeight, false, 0};
        tab.seamPatch = ShapeRecord{Round(p_ + tab.bottomPatch.left),
                                    Round(tab.bottomPatch.top - kPatchHeight / 2),
                                    Round(tab.body.width - 2 * p_),
                                    kPatchHeight,
                                    false,
                                    0};
    }
    tabRowHeight_ = Round(p_ + tabs_.back().body.height);
}

void OrvelTab::BuildLeftTabs() {
    const int labelHeight = LabelHeight();
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        Tab& tab = tabs_[i];
        // Without a frame the right-hand rounding falls outside the caption column.
        const int bodyWidth = drawFrame_ ? Round(TwipWidth()) : Round(TwipWidth() + 50 * p_);
        tab.body = ShapeRecord{0, 0, bodyWidth, Round(labelHeight + 8 * p_), true, kTabCorner};
        if (i > 0) {
            tab.body.top = tabs_[i - 1].body.top + tabs_[i - 1].body.height;
        }
        tab.labelLeft = 6 * p_;
        tab.labelTop = tab.body.top + 4 * p_;
    }
}

QRect OrvelTab::TabRect(int index) const {
    if (!HasTab(index)) {
        return {};
    }
    const ShapeRecord& body = tabs_[static_cast<std::size_t>(index)].body;
    const int left = TwipsToPixels(body.left, p_);
    const int top = TwipsToPixels(body.top, p_);
    return QRect(QPoint(left, top), QPoint(TwipsToPixels(body.left + body.width, p_) - 1,
                                           TwipsToPixels(body.top + body.height, p_) - 1));
}

void OrvelTab::resizeEvent(QResizeEvent* /*event*/) {
    LayoutFrame();
}

QString OrvelTab::TabCaption(int index) const {
    return HasTab(index) ? tabs_[static_cast<std::size_t>(index)].caption : QString();
}

} // namespace kalvimo
