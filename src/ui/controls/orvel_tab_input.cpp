// Choosing a tab: by its caption or its area with the mouse, by the arrow keys, or by the host.

#include "orvel_tab.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace kalvimo {

void OrvelTab::ChooseTab(int index) {
    if (!HasTab(index) || tabs_[static_cast<std::size_t>(index)].disabled) {
        return;
    }
    Select(index);
    // Choosing the tab already selected announces it again.
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
        Select(-1);
    }
    update();
}

bool OrvelTab::TabEnabled(int index) const {
    return HasTab(index) && !tabs_[static_cast<std::size_t>(index)].disabled;
}

void OrvelTab::HitTest(int x, int y) {
    for (int i = 0; i < TabCount(); ++i) {
        const Tab& tab = tabs_[static_cast<std::size_t>(i)];
        bool hit = false;
        if (alignment_ == TabPosition::Top) {
            hit = tab.bottomPatch.left <= x && x <= tab.bottomPatch.left + tab.bottomPatch.width &&
                  tab.body.top <= y && y <= tab.bottomPatch.top + tab.bottomPatch.height;
        } else if (alignment_ == TabPosition::Left) {
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
    const int step = forward ? 1 : -1;
    for (int i = selected_ + step; i >= 0 && i < TabCount(); i += step) {
        if (!tabs_[static_cast<std::size_t>(i)].disabled) {
            ChooseTab(i);
            return;
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
    // A caption first, then the tabs' areas.
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
    update();
}

void OrvelTab::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

} // namespace kalvimo
