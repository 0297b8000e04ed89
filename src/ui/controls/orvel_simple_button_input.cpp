// The button's states: hover (polled, so it ends even without a leave event), press, release,
// keys, the caption's access key and focus.

#include "orvel_simple_button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcutEvent>

namespace kalvimo {

namespace {

using State = OrvelSimpleButton::ButtonState;

// The first character after an "&" that is neither "&" nor a space; when the search runs
// out, the caption's first character.
QChar CaptionAccessKey(const QString& caption) {
    if (!caption.contains(QLatin1Char('&'))) {
        return {};
    }
    const qsizetype length = caption.size();
    qsizetype start = 1;
    QChar candidate;
    while (true) {
        const qsizetype found = caption.indexOf(QLatin1Char('&'), start - 1) + 1;
        if (found < length) {
            candidate = caption.at(found);
        }
        if (found > 0 && (candidate == QLatin1Char('&') || candidate == QLatin1Char(' '))) {
            start = found + 1;
            continue;
        }
        return candidate;
    }
}

bool IsClickKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace

void OrvelSimpleButton::SetAccessKey() {
    if (shortcutId_ != 0) {
        releaseShortcut(shortcutId_);
        shortcutId_ = 0;
    }
    accessKey_ = CaptionAccessKey(caption_);
    if (!accessKey_.isNull() && !accessKey_.isSpace()) {
        shortcutId_ = grabShortcut(QKeySequence(QKeyCombination(
            Qt::AltModifier, static_cast<Qt::Key>(accessKey_.toUpper().unicode()))));
    }
}

void OrvelSimpleButton::SetState(ButtonState state) {
    if (state == State::Hover && state_ != State::Hover) {
        // The face to return to when the pointer leaves: the resting face, never a press.
        savedState_ = state_ == State::Normal || state_ == State::Focused
                          ? state_
                          : (hasFocus() ? State::Focused : State::Normal);
        if (!tmrRelease_.isActive()) {
            tmrRelease_.start();
        }
    }
    state_ = state;
    update();
}

void OrvelSimpleButton::tmrRelease_Timer() {
    if (state_ != State::Hover) {
        tmrRelease_.stop();
        return;
    }
    if (PointerOutside()) {
        SetState(savedState_);
    }
}

bool OrvelSimpleButton::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == shortcutId_) {
        if (isEnabled()) {
            emit Click();
        }
        return true;
    }
    return OwnerDrawnWidget::event(event);
}

void OrvelSimpleButton::mouseMoveEvent(QMouseEvent* event) {
    if (!isEnabled()) {
        return;
    }
    const QPointF position = event->position();
    emit MouseMove(static_cast<int>(event->buttons()), static_cast<int>(event->modifiers()),
                   static_cast<float>(position.x() * p_), static_cast<float>(position.y() * p_));
    if (event->buttons() == Qt::NoButton) {
        SetState(State::Hover);
    }
}

void OrvelSimpleButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    pressedHere_ = true;
    SetState(State::Pressed);
}

void OrvelSimpleButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressedHere_) {
        return;
    }
    pressedHere_ = false;
    const QPointF position = event->position();
    const bool inside =
        position.x() >= 0 && position.x() < width() && position.y() >= 0 && position.y() < height();
    SetState(inside ? State::Hover : State::Normal);
    if (inside) {
        emit Click();
    }
}

void OrvelSimpleButton::keyPressEvent(QKeyEvent* event) {
    if (IsClickKey(event->key())) {
        keyPressedHere_ = event->key();
        return;
    }
    OwnerDrawnWidget::keyPressEvent(event);
}

void OrvelSimpleButton::keyReleaseEvent(QKeyEvent* event) {
    const int key = event->key();
    if (IsClickKey(key)) {
        if (!event->isAutoRepeat() && key == keyPressedHere_) {
            keyPressedHere_ = 0;
            emit Click();
        }
        return;
    }
    OwnerDrawnWidget::keyReleaseEvent(event);
}

void OrvelSimpleButton::focusInEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusInEvent(event);
    if (isEnabled()) {
        SetState(State::Focused);
    }
}

void OrvelSimpleButton::focusOutEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusOutEvent(event);
    keyPressedHere_ = 0;
    if (isEnabled()) {
        SetState(State::Normal);
    }
}

void OrvelSimpleButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        SetState(isEnabled() ? State::Normal : State::Disabled);
    } else if (event->type() == QEvent::FontChange) {
        updateGeometry();
    }
    OwnerDrawnWidget::changeEvent(event);
}

} // namespace kalvimo
