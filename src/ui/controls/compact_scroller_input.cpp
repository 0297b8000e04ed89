// The user's changes: the bar's own steps, and a value typed while the bar has the focus.

#include "compact_scroller.h"

#include <QEvent>
#include <QKeyEvent>
#include <QScrollBar>

namespace kalvimo {

void CompactScroller::hscMain_Change(int value) {
    if (reading_) {
        return;
    }
    scrValue_ = value;
    UpdateValueBox();
    emit ScrollChange();
}

bool CompactScroller::eventFilter(QObject* watched, QEvent* event) {
    if (watched == hscMain_) {
        if (event->type() == QEvent::KeyPress) {
            return TypingKey(*static_cast<QKeyEvent*>(event));
        }
        if (event->type() == QEvent::FocusOut && !typed_.isEmpty()) {
            CommitTyped();
        }
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            ApplyLabelColour();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CompactScroller::TypingKey(const QKeyEvent& key) {
    constexpr int kMostDigits = 5;
    const QString text = key.text();
    if (text.size() == 1 && text[0].isDigit() && text[0].unicode() < 128) {
        if (typed_.size() < kMostDigits) {
            typed_ += text;
            UpdateValueBox();
        }
        return true;
    }
    if (typed_.isEmpty()) {
        return false;
    }
    switch (key.key()) {
    case Qt::Key_Backspace:
        typed_.chop(1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        CommitTyped();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        CommitTyped();
        return false;
    default:
        // Any other key gives up the typing and does what it always does.
        typed_.clear();
        UpdateValueBox();
        return key.key() == Qt::Key_Escape;
    }
    UpdateValueBox();
    return true;
}

void CompactScroller::CommitTyped() {
    const int value = typed_.toInt();
    typed_.clear();
    UpdateValueBox();
    emit ValueTyped(value);
    SetScrValue(value);
}

} // namespace kalvimo
