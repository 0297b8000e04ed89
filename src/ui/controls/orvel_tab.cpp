#include "orvel_tab.h"

#include "engine/rounding.h"
#include "pixel_painting.h"

#include <algorithm>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kalvimo {

namespace {

const QString kDefaultTabStrip = QStringLiteral("One,Two,Three,Four");
constexpr Colour kDefaultBorder = 0xFF8080;
constexpr Colour kDefaultBorderSelected = 0x0080FF;
constexpr Colour kDefaultTabColour = 0xE0E0E0;
constexpr Colour kDefaultTabColourSelected = 0xFFFFFF;
constexpr Colour kDefaultDisabledColour = 0xC0C0C0;
constexpr Colour kDefaultFrameColour = 0xE0E0E0;
constexpr int kFrameCorner = 20;
constexpr int kTabCorner = 10;
constexpr int kFrameInset = 160;
constexpr int kPatchHeight = 100;
constexpr int kFramedMinimumHeight = 1000;

int Round(double twips) {
    return static_cast<int>(RoundHalfEven(twips));
}

} // namespace

OrvelTab::OrvelTab(QWidget* parent) : OwnerDrawnWidget(parent) {
    p_ = TwipsPerPixel(*this);
    setFocusPolicy(Qt::StrongFocus);
    frame_.rounded = true;
    frame_.penOne = true;
    frame_.corner = kFrameCorner;
    pageEraser_.penOne = false;

    tabStrip_ = kDefaultTabStrip;
    border_.value = kDefaultBorder;
    borderSelected_.value = kDefaultBorderSelected;
    tabColour_.value = kDefaultTabColour;
    tabColourSelected_.value = kDefaultTabColourSelected;
    backColour_.value = kButtonFace;
    textColour_.value = 0;
    textColourSelected_.value = 0;
    disabledColour_.value = kDefaultDisabledColour;
    frameColour_.value = kDefaultFrameColour;
    TranslateColours();
    resize(TwipsToPixels(4000, p_), TwipsToPixels(kFramedMinimumHeight, p_));
    MeasureTabArea();
    LayoutFrame();
    CreateTabs();
}

void OrvelTab::Changed(const char* name) {
    emit PropertyChanged(QString::fromLatin1(name));
}

void OrvelTab::TranslateColours() {
    for (StoredColour* colour :
         {&border_, &borderSelected_, &frameColour_, &tabColour_, &tabColourSelected_, &textColour_,
          &textColourSelected_, &disabledColour_, &backColour_}) {
        colour->rgb = ToQColor(colour->value);
    }
}

void OrvelTab::SetColour(StoredColour& colour, Colour value, const char* name) {
    colour.value = value;
    colour.rgb = ToQColor(value);
    Changed(name);
}

int OrvelTab::LabelWidth(const QString& caption) const {
    return QFontMetrics(font()).horizontalAdvance(caption) * p_;
}

int OrvelTab::LabelHeight() const {
    return QFontMetrics(font()).height() * p_;
}

void OrvelTab::MeasureTabArea() {
    if (alignment_ == 0) {
        captionWidth_ = 0;
        tabAreaHeight_ = Round(LabelHeight() + 2 * 4 * p_);
    } else if (alignment_ == 1) {
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
    pageEraser_.left = c;
    pageEraser_.top = t - p_;
    pageEraser_.width = Round(TwipWidth() - c);
    pageEraser_.height = Round(TwipHeight() - (t - p_));
    frame_.left = pageEraser_.left;
    frame_.top = pageEraser_.top;
    frame_.width = pageEraser_.width;
    frame_.height = pageEraser_.height;
    cornerPatch1_.left = c;
    cornerPatch1_.top = t - p_;
    cornerPatch1_.width = frame_.width - kFrameInset;
    cornerPatch1_.height = frame_.height - kFrameInset;
    cornerPatch2_.left = c + p_;
    cornerPatch2_.top = t;
    cornerPatch2_.width = cornerPatch1_.width;
    cornerPatch2_.height = cornerPatch1_.height;
}

void OrvelTab::CreateTabs() {
    // Measuring and laying out here keeps the frame in step with the captions just set.
    MeasureTabArea();
    LayoutFrame();
    if (alignment_ == 0) {
        BuildTopTabs();
    } else if (alignment_ == 1) {
        BuildLeftTabs();
    }
    if (selected_ >= TabCount()) {
        selected_ = -1;
    }
    // Built tabs are coloured as unselected until redrawn; redraw at once so the selection
    // never shows wrong.
    Redraw();
}

void OrvelTab::BuildTopTabs() {
    const QStringList items = tabStrip_.split(QLatin1Char(','));
    tabs_.assign(static_cast<std::size_t>(items.size()), Tab{});
    const int labelHeight = LabelHeight();
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        Tab& tab = tabs_[i];
        tab.caption = items[static_cast<qsizetype>(i)];
        tab.labelWidth = LabelWidth(tab.caption);
        tab.body = ShapeRecord{0,
                               0,
                               Round(tab.labelWidth + 12 * p_),
                               Round(labelHeight + 8 * p_),
                               border_.rgb,
                               tabColour_.rgb,
                               true,
                               true,
                               kTabCorner};
        tab.bottomPatch = ShapeRecord{
            0, 0, tab.body.width, kPatchHeight, border_.rgb, tabColour_.rgb, false, true, 0};
        tab.seamPatch = ShapeRecord{0,
                                    0,
                                    Round(tab.body.width - 2 * p_),
                                    kPatchHeight,
                                    tabColour_.rgb,
                                    tabColour_.rgb,
                                    false,
                                    false,
                                    0};
        if (i > 0) {
            const ShapeRecord& previous = tabs_[i - 1].body;
            tab.body.left = previous.left + previous.width;
            tab.body.top = previous.top;
        }
        tab.labelLeft = tab.body.left + 6 * p_;
        tab.labelTop = tab.body.top + 4 * p_;
        tab.bottomPatch.left = tab.body.left;
        tab.bottomPatch.top = tab.body.height - kPatchHeight;
        tab.seamPatch.left = Round(p_ + tab.bottomPatch.left);
        tab.seamPatch.top = Round(tab.bottomPatch.top - kPatchHeight / 2);
    }
    tabRowHeight_ = Round(p_ + tabs_.back().body.height);
    if (!drawFrame_) {
        resize(width(), TwipsToPixels(tabRowHeight_, p_));
    }
}

void OrvelTab::BuildLeftTabs() {
    const QStringList items = tabStrip_.split(QLatin1Char(','));
    tabs_.assign(static_cast<std::size_t>(items.size()), Tab{});
    const int labelHeight = LabelHeight();
    for (std::size_t i = 0; i < tabs_.size(); ++i) {
        Tab& tab = tabs_[i];
        tab.caption = items[static_cast<qsizetype>(i)];
        tab.labelWidth = LabelWidth(tab.caption);
        // Without a frame the right-hand rounding falls outside the control.
        const int bodyWidth = drawFrame_ ? Round(TwipWidth()) : Round(TwipWidth() + 50 * p_);
        tab.body = ShapeRecord{
            0,    0,    bodyWidth, Round(labelHeight + 8 * p_), border_.rgb, tabColour_.rgb,
            true, true, kTabCorner};
        if (i > 0) {
            tab.body.top = tabs_[i - 1].body.top + tabs_[i - 1].body.height;
        }
        tab.labelLeft = 6 * p_;
        tab.labelTop = tab.body.top + 4 * p_;
    }
    if (!drawFrame_) {
        resize(TwipsToPixels(captionWidth_, p_), height());
    }
}

void OrvelTab::DrawTwipBox(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& fill,
                           const QColor& pen, bool rounded, int corner) const {
    DrawBox(painter,
            PixelBox{TwipsToPixels(x1, p_), TwipsToPixels(y1, p_), TwipsToPixels(x2, p_),
                     TwipsToPixels(y2, p_)},
            pen, 1, fill, rounded ? corner : 0);
}

void OrvelTab::DrawTwipLine(QPainter& painter, int x1, int y1, int x2, int y2,
                            const QColor& colour) const {
    DrawPixelLine(painter, TwipsToPixels(x1, p_), TwipsToPixels(y1, p_), TwipsToPixels(x2, p_),
                  TwipsToPixels(y2, p_), colour);
}

void OrvelTab::DrawShape(QPainter& painter, const ShapeRecord& shape) const {
    DrawTwipBox(painter, shape.left, shape.top, shape.left + shape.width, shape.top + shape.height,
                shape.fillColour, shape.penColour, shape.rounded, shape.corner);
}

void OrvelTab::PaintBackground(QPainter& painter) const {
    DrawTwipBox(painter, 0, 0, Round(TwipWidth()), Round(TwipHeight()), backColour_.rgb,
                backColour_.rgb, false, 0);
}

void OrvelTab::PaintFrame(QPainter& painter) {
    const int c = captionWidth_;
    const int t = tabAreaHeight_;
    if (drawFrame_) {
        pageEraser_.penColour = backColour_.rgb;
        pageEraser_.fillColour = backColour_.rgb;
        frame_.penColour = border_.rgb;
        frame_.fillColour = frameColour_.rgb;
        cornerPatch1_.penColour = border_.rgb;
        cornerPatch1_.fillColour = border_.rgb;
        cornerPatch2_.penColour = frameColour_.rgb;
        cornerPatch2_.fillColour = frameColour_.rgb;
        for (const ShapeRecord* shape : {&pageEraser_, &frame_, &cornerPatch1_, &cornerPatch2_}) {
            DrawShape(painter, *shape);
        }
    } else if (alignment_ == 0) {
        DrawTwipLine(painter, 0, t - p_, Round(TwipWidth()), t - p_, border_.rgb);
    } else if (alignment_ == 1) {
        DrawTwipBox(painter, c - p_, 0, Round(TwipWidth()), Round(TwipHeight()), backColour_.rgb,
                    backColour_.rgb, false, 0);
        DrawTwipLine(painter, c - p_, 0, c - p_, Round(TwipHeight()), border_.rgb);
    }
}

void OrvelTab::PaintBridge(QPainter& painter) {
    if (!drawFrame_ || !bridge_ || !HasTab(selected_)) {
        return;
    }
    const Tab& tab = tabs_[static_cast<std::size_t>(selected_)];
    ShapeRecord bridge;
    if (alignment_ == 0) {
        bridge.left = tab.bottomPatch.left + p_;
        bridge.top = tab.bottomPatch.top + tab.bottomPatch.height - 2 * p_;
        bridge.width = tab.bottomPatch.width - 2 * p_;
        bridge.height = 2 * p_;
    } else if (alignment_ == 1) {
        bridge.left = captionWidth_ - p_;
        bridge.top = tab.body.top + p_;
        bridge.width = 2 * p_;
        bridge.height = tab.body.height - 2 * p_;
    } else {
        return;
    }
    bridge.penColour = tabColourSelected_.rgb;
    bridge.fillColour = tabColourSelected_.rgb;
    DrawShape(painter, bridge);
}

void OrvelTab::PaintTab(QPainter& painter, int index) {
    Tab& tab = tabs_[static_cast<std::size_t>(index)];
    QColor text = textColour_.rgb;
    if (index == selected_) {
        text = textColourSelected_.rgb;
        tab.body.penColour = borderSelected_.rgb;
        tab.body.fillColour = tabColourSelected_.rgb;
    } else if (tab.disabled) {
        tab.body.penColour = border_.rgb;
        tab.body.fillColour = disabledColour_.rgb;
    } else {
        tab.body.penColour = border_.rgb;
        tab.body.fillColour = tabColour_.rgb;
    }
    DrawShape(painter, tab.body);
    if (alignment_ == 0) {
        tab.bottomPatch.penColour = tab.body.penColour;
        tab.bottomPatch.fillColour = tab.body.fillColour;
        tab.seamPatch.penColour = tab.body.fillColour;
        tab.seamPatch.fillColour = tab.body.fillColour;
        DrawShape(painter, tab.bottomPatch);
        DrawShape(painter, tab.seamPatch);
    }
    if (!tab.caption.isEmpty()) {
        painter.setPen(text);
        painter.setFont(font());
        const int x = TwipsToPixels(tab.labelLeft, p_);
        const int y = TwipsToPixels(tab.labelTop, p_);
        painter.drawText(
            QRect(x, y, TwipsToPixels(tab.labelWidth, p_), TwipsToPixels(LabelHeight(), p_)),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, tab.caption);
        if (index == selected_ && hasFocus()) {
            // The keyboard's mark: a dotted box in the tab's margin around the caption.
            painter.setPen(QPen(text, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(x - 3, y - 1, TwipsToPixels(tab.labelWidth, p_) + 6,
                                   TwipsToPixels(LabelHeight(), p_) + 2));
        }
    }
}

void OrvelTab::Redraw() {
    QPainter painter(&Surface());
    PaintBackground(painter);
    if (alignment_ == 0) {
        PaintFrame(painter);
        for (int i = 0; i < TabCount(); ++i) {
            PaintTab(painter, i);
        }
    } else if (alignment_ == 1) {
        for (int i = 0; i < TabCount(); ++i) {
            PaintTab(painter, i);
        }
        // The frame covers the right-hand parts of the tabs.
        PaintFrame(painter);
    }
    PaintBridge(painter);
    painter.end();
    update();
}

void OrvelTab::RenderSurface() {
    Redraw();
}

void OrvelTab::resizeEvent(QResizeEvent* /*event*/) {
    LayoutFrame();
    Redraw();
}

void OrvelTab::ChooseTab(int index) {
    if (!HasTab(index) || tabs_[static_cast<std::size_t>(index)].disabled) {
        return;
    }
    selected_ = index;
    Redraw();
    emit TabClicked();
}

void OrvelTab::SelectTabManually(int intIndex) {
    ChooseTab(intIndex);
}

void OrvelTab::ChangeTabEnable(int intIndex, bool blnEnabled) {
    if (!HasTab(intIndex)) {
        return;
    }
    tabs_[static_cast<std::size_t>(intIndex)].disabled = !blnEnabled;
    if (intIndex == selected_ && !blnEnabled) {
        selected_ = -1;
    }
    Redraw();
}

bool OrvelTab::TabEnabled(int index) const {
    return HasTab(index) && !tabs_[static_cast<std::size_t>(index)].disabled;
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

void OrvelTab::HitTest(int x, int y) {
    for (int i = 0; i < TabCount(); ++i) {
        const Tab& tab = tabs_[static_cast<std::size_t>(i)];
        bool hit = false;
        if (alignment_ == 0) {
            hit = tab.bottomPatch.left <= x && x <= tab.bottomPatch.left + tab.bottomPatch.width &&
                  tab.body.top <= y && y <= tab.bottomPatch.top + tab.bottomPatch.height;
        } else if (alignment_ == 1) {
            hit = tab.body.left <= x && x <= tab.body.left + captionWidth_ && tab.body.top <= y &&
                  y <= tab.body.top + tab.body.height;
        }
        if (hit) {
            ChooseTab(i);
            return;
        }
    }
}

void OrvelTab::StepSelection(bool forward) {
    if (forward) {
        for (int i = selected_ + 1; i < TabCount(); ++i) {
            if (!tabs_[static_cast<std::size_t>(i)].disabled) {
                ChooseTab(i);
                return;
            }
        }
    } else {
        for (int i = selected_ - 1; i >= 0; --i) {
            if (!tabs_[static_cast<std::size_t>(i)].disabled) {
                ChooseTab(i);
                return;
            }
        }
    }
}

void OrvelTab::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const int x = static_cast<int>(event->position().x()) * p_;
    const int y = static_cast<int>(event->position().y()) * p_;
    const int labelHeight = LabelHeight();
    for (int i = 0; i < TabCount(); ++i) {
        const Tab& tab = tabs_[static_cast<std::size_t>(i)];
        if (x >= tab.labelLeft && x < tab.labelLeft + tab.labelWidth && y >= tab.labelTop &&
            y < tab.labelTop + labelHeight) {
            ChooseTab(i);
            return;
        }
    }
    HitTest(x, y);
}

void OrvelTab::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        if (selected_ >= 1) {
            StepSelection(false);
        }
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        if (selected_ < TabCount() - 1) {
            StepSelection(true);
        }
        break;
    default:
        QWidget::keyReleaseEvent(event);
    }
}

void OrvelTab::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    Redraw();
}

void OrvelTab::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    Redraw();
}

void OrvelTab::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        CreateTabs();
    }
    QWidget::changeEvent(event);
}

void OrvelTab::SetTabStrip(const QString& value) {
    // Every tab list holds at least one tab; an empty strip is refused.
    if (value.isEmpty()) {
        return;
    }
    tabStrip_ = value;
    Changed("TabStrip");
    CreateTabs();
}

void OrvelTab::SetSelected(int value) {
    if (value < -1 || value >= TabCount()) {
        return;
    }
    selected_ = value;
    Changed("Selected");
    Redraw();
}

void OrvelTab::SetBorder(Colour value) {
    SetColour(border_, value, "Border");
    Redraw();
}

void OrvelTab::SetBorderSelected(Colour value) {
    SetColour(borderSelected_, value, "BorderSelected");
    Redraw();
}

void OrvelTab::SetTabColour(Colour value) {
    SetColour(tabColour_, value, "TabColour");
    Redraw();
}

void OrvelTab::SetTabColourSelected(Colour value) {
    SetColour(tabColourSelected_, value, "TabColourSelected");
    Redraw();
}

void OrvelTab::SetEnabled(bool value) {
    setEnabled(value);
    Changed("Enabled");
}

void OrvelTab::SetBackColour(Colour value) {
    SetColour(backColour_, value, "BackColour");
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, backColour_.rgb);
    setPalette(palette);
    Redraw();
}

void OrvelTab::SetTextColour(Colour value) {
    SetColour(textColour_, value, "TextColour");
    Redraw();
}

void OrvelTab::SetTextColourSelected(Colour value) {
    SetColour(textColourSelected_, value, "TextColourSelected");
    Redraw();
}

void OrvelTab::SetDisabledColour(Colour value) {
    SetColour(disabledColour_, value, "DisabledColour");
    Redraw();
}

void OrvelTab::SetDrawFrame(bool value) {
    drawFrame_ = value;
    Changed("DrawFrame");
    if (drawFrame_ && TwipHeight() < kFramedMinimumHeight) {
        resize(width(), TwipsToPixels(kFramedMinimumHeight, p_));
    }
    CreateTabs();
}

void OrvelTab::SetBridge(bool value) {
    bridge_ = value;
    Changed("Bridge");
    CreateTabs();
}

int OrvelTab::FrameHeight() const {
    return Round(TwipHeight() - tabRowHeight_);
}

void OrvelTab::SetFrameHeight(int value) {
    resize(width(), TwipsToPixels(static_cast<double>(tabRowHeight_) + value, p_));
}

void OrvelTab::SetAlignment(int value) {
    alignment_ = value;
    Changed("Alignment");
    CreateTabs();
}

void OrvelTab::SetFrameColour(Colour value) {
    SetColour(frameColour_, value, "FrameColour");
    CreateTabs();
}

void OrvelTab::SetCaptionWidth(int value) {
    captionWidth_ = value;
    Changed("CaptionWidth");
}

void OrvelTab::ReadProperties(const PropertyStore& store) {
    tabStrip_ = store.Read("TabStrip", kDefaultTabStrip).toString();
    if (tabStrip_.isEmpty()) {
        tabStrip_ = kDefaultTabStrip;
    }
    selected_ = store.Read("Selected", 0).toInt();
    border_.value = store.Read("Border", kDefaultBorder).toUInt();
    borderSelected_.value = store.Read("BorderSelected", kDefaultBorderSelected).toUInt();
    tabColour_.value = store.Read("TabColour", kDefaultTabColour).toUInt();
    tabColourSelected_.value = store.Read("TabColourSelected", kDefaultTabColourSelected).toUInt();
    setEnabled(store.Read("Enabled", true).toBool());
    backColour_.value = store.Read("BackColour", kButtonFace).toUInt();
    textColour_.value = store.Read("TextColour", 0u).toUInt();
    textColourSelected_.value = store.Read("TextColourSelected", 0u).toUInt();
    disabledColour_.value = store.Read("DisabledColour", kDefaultDisabledColour).toUInt();
    drawFrame_ = store.Read("DrawFrame", false).toBool();
    bridge_ = store.Read("Bridge", false).toBool();
    alignment_ = store.Read("Alignment", 0).toInt();
    frameColour_.value = store.Read("FrameColour", kDefaultFrameColour).toUInt();
    captionWidth_ = store.Read("CaptionWidth", 0).toInt();
    TranslateColours();
    CreateTabs();
}

void OrvelTab::WriteProperties(PropertyStore& store) const {
    store.Write("TabStrip", tabStrip_, kDefaultTabStrip);
    store.Write("Selected", selected_, 0);
    store.Write("Border", border_.value, kDefaultBorder);
    store.Write("BorderSelected", borderSelected_.value, kDefaultBorderSelected);
    store.Write("TabColour", tabColour_.value, kDefaultTabColour);
    store.Write("TabColourSelected", tabColourSelected_.value, kDefaultTabColourSelected);
    store.Write("Enabled", isEnabled(), true);
    store.Write("BackColour", backColour_.value, kButtonFace);
    store.Write("TextColour", textColour_.value, 0u);
    store.Write("TextColourSelected", textColourSelected_.value, 0u);
    store.Write("DisabledColour", disabledColour_.value, kDefaultDisabledColour);
    store.Write("DrawFrame", drawFrame_, false);
    store.Write("Bridge", bridge_, false);
    store.Write("Alignment", alignment_, 0);
    store.Write("FrameColour", frameColour_.value, kDefaultFrameColour);
    store.Write("CaptionWidth", captionWidth_, 0);
}

QSize OrvelTab::sizeHint() const {
    int tabsWidth = 0;
    for (const Tab& tab : tabs_) {
        tabsWidth += tab.body.width;
    }
    if (alignment_ == 1) {
        return {TwipsToPixels(captionWidth_, p_) * (drawFrame_ ? 4 : 1), height()};
    }
    return {TwipsToPixels(tabsWidth, p_),
            TwipsToPixels(drawFrame_ ? kFramedMinimumHeight : tabRowHeight_, p_)};
}

} // namespace kalvimo
