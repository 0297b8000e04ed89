// The button's states: hover (polled, so it ends even without a leave event), press, release,
// keys and focus, with the events the host listens to.

#include "xbutton.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace kalvimo {

namespace {

int Buttons(const QMouseEvent* event) {
    int buttons = 0;
    if (event->buttons() & Qt::LeftButton) {
        buttons |= 1;
    }
    if (event->buttons() & Qt::RightButton) {
        buttons |= 2;
    }
    if (event->buttons() & Qt::MiddleButton) {
        buttons |= 4;
    }
    return buttons;
}

int ButtonOf(const QMouseEvent* event) {
    switch (event->button()) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int ShiftOf(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

// The release of a key whose press clicked is the button's too.
bool IsClickKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace

void XButton::SetState(ButtonState state) {
    state_ = state;
    if (state != ButtonState::Disabled) {
        // The caption (and picture) sink while pressed.
        ShiftContent(state == ButtonState::Down);
    }
    if (state == ButtonState::Hot && !tmrRelease_.isActive()) {
        tmrRelease_.start();
    }
    update();
}

void XButton::tmrRelease_Timer() {
    if (state_ != ButtonState::Hot) {
        tmrRelease_.stop();
        return;
    }
    if (PointerOutside()) {
        SetState(ButtonState::Up);
    }
}

void XButton::resizeEvent(QResizeEvent* /*event*/) {
    LayoutContent();
}

void XButton::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position() * p_;
    emit MouseMove(Buttons(event), ShiftOf(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    if (event->buttons() == Qt::NoButton) {
        SetState(ButtonState::Hot);
    }
}

void XButton::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position() * p_;
    emit MouseDown(ButtonOf(event), ShiftOf(event->modifiers()), static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
    if (event->button() == Qt::LeftButton) {
        pressedHere_ = true;
        SetState(ButtonState::Down);
    }
}

void XButton::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
    emit DblClick();
}

void XButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position() * p_;
    emit MouseUp(ButtonOf(event), ShiftOf(event->modifiers()), static_cast<float>(at.x()),
                 static_cast<float>(at.y()));
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPointF position = event->position();
    const bool inside =
        position.x() >= 0 && position.x() < width() && position.y() >= 0 && position.y() < height();
    SetState(inside ? ButtonState::Hot : ButtonState::Up);
    if (inside && pressedHere_) {
        emit Click();
    }
    pressedHere_ = false;
}

void XButton::keyPressEvent(QKeyEvent* event) {
    emit KeyDown(event->key(), ShiftOf(event->modifiers()));
    int ascii = 0;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ascii = 13;
    } else if (!event->text().isEmpty()) {
        ascii = event->text().at(0).unicode();
    }
    const bool clicks = ascii == 13 || ascii == 32;
    if (clicks) {
        emit Click();
    }
    if (ascii != 0) {
        emit KeyPress(ascii);
    }
    if (!clicks) {
        // Escape must still reach the dialog.
        OwnerDrawnWidget::keyPressEvent(event);
    }
}

void XButton::keyReleaseEvent(QKeyEvent* event) {
    emit KeyUp(event->key(), ShiftOf(event->modifiers()));
    if (!IsClickKey(event->key())) {
        OwnerDrawnWidget::keyReleaseEvent(event);
    }
}

void XButton::focusInEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusInEvent(event);
    update();
}

void XButton::focusOutEvent(QFocusEvent* event) {
    OwnerDrawnWidget::focusOutEvent(event);
    update();
}

void XButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        SetState(isEnabled() ? ButtonState::Up : ButtonState::Disabled);
    } else if (event->type() == QEvent::FontChange) {
        LayoutContent();
        updateGeometry();
    }
    OwnerDrawnWidget::changeEvent(event);
}

} // namespace kalvimo
