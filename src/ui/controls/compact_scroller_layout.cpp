// Where the caption, the bar and the value box lie, in twips, from the texts and the size.

#include "compact_scroller.h"
#include "owner_drawn_widget.h"

#include <algorithm>

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QScrollBar>

namespace kalvimo {

namespace {

constexpr int kValueBoxPadding = 30;

} // namespace

QSize CompactScroller::LabelTwips(const QString& text) const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text) * p_, metrics.height() * p_};
}

void CompactScroller::UpdateValueBox() {
    lblValue_->setText(typed_.isEmpty() ? QString::number(scrValue_) : typed_);
    const QSize label = LabelTwips(lblValue_->text());
    const int boxWidth = label.width() + kValueBoxPadding;
    const int boxHeight = label.height();
    const int barWidth = width() * p_ - barLeft_;
    const int left = barLeft_ + barWidth / 2 - boxWidth / 2;
    const int top = (height() * p_ - boxHeight) / 2;
    picLabel_->setGeometry(TwipsToPixels(left, p_), TwipsToPixels(top, p_),
                           TwipsToPixels(boxWidth, p_), TwipsToPixels(boxHeight, p_));
    lblValue_->setGeometry(0, 0, picLabel_->width(), picLabel_->height());
    picLabel_->raise();
}

void CompactScroller::LayoutCaption() {
    lblDes_->setText(description_);
    // The focus rests on the bar, so a screen reader names the bar.
    hscMain_->setAccessibleName(description_);
    barLeft_ = LabelTwips(description_).width() + spacing_;
    LayoutParts();
    updateGeometry();
}

void CompactScroller::LayoutParts() {
    const QSize caption = LabelTwips(description_);
    const int controlHeight = height() * p_;
    lblDes_->setGeometry(0, TwipsToPixels((controlHeight - caption.height()) / 2, p_),
                         TwipsToPixels(caption.width(), p_), TwipsToPixels(caption.height(), p_));
    const int barLeft = TwipsToPixels(barLeft_, p_);
    hscMain_->setGeometry(barLeft, 0, std::max(0, width() - barLeft), height());
    UpdateValueBox();
}

void CompactScroller::ApplyLabelColour() {
    // Looked up in this control's palette, and again when that changes: the box's own
    // palette holds the colour, so a new theme would not reach it.
    QPalette palette = picLabel_->palette();
    palette.setColor(QPalette::Window, ToQColor(labelColour_, this->palette()));
    // A scroll bar shows no focus, and typed digits appear in the box: its frame takes the
    // highlight while the bar has the focus. The digits keep the text colour.
    const bool focused = hscMain_->hasFocus();
    palette.setColor(QPalette::WindowText,
                     this->palette().color(focused ? QPalette::Highlight : QPalette::WindowText));
    picLabel_->setPalette(palette);
    picLabel_->setLineWidth(focused ? 2 : 1);
    QPalette digits = lblValue_->palette();
    digits.setColor(QPalette::WindowText, this->palette().color(QPalette::WindowText));
    lblValue_->setPalette(digits);
}

void CompactScroller::resizeEvent(QResizeEvent* /*event*/) {
    LayoutParts();
}

void CompactScroller::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        LayoutCaption();
        updateGeometry();
    } else if (event->type() == QEvent::PaletteChange) {
        ApplyLabelColour();
    }
    QWidget::changeEvent(event);
}

} // namespace kalvimo
