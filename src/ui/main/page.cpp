#include "page.h"

#include "owner_drawn_widget.h"

#include <QComboBox>

namespace kalvimo {

namespace {

// Where every page sits, in twips: inside the tab strip's frame.
constexpr int kFrameLeft = 240;
constexpr int kFrameTop = 600;
constexpr int kFrameWidth = 9375;
constexpr int kFrameHeight = 3255;

} // namespace

void PlaceInTwips(QWidget* control, int twipsPerPixel, int left, int top, int width, int height) {
    control->setGeometry(TwipsToPixels(left, twipsPerPixel), TwipsToPixels(top, twipsPerPixel),
                         TwipsToPixels(width, twipsPerPixel), TwipsToPixels(height, twipsPerPixel));
}

void ChooseEntry(QComboBox* list, int index, const std::function<void()>& apply) {
    if (list->currentIndex() == index) {
        apply();
    } else {
        list->setCurrentIndex(index);
    }
}

Page::Page(int index, int twipsPerPixel, QWidget* parent)
    : QFrame(parent), twipsPerPixel_(twipsPerPixel) {
    setObjectName(QStringLiteral("fraTab(%1)").arg(index));
    // The strip's frame colour, the button face, as a role so that it follows the theme.
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    Place(this, kFrameLeft, kFrameTop, kFrameWidth, kFrameHeight);
    if (index > 0) {
        hide();
    }
}

void Page::Place(QWidget* control, int left, int top, int width, int height) const {
    PlaceInTwips(control, twipsPerPixel_, left, top, width, height);
}

void Page::Grows(QWidget* control, bool wider, bool taller) {
    growths_.push_back({control, {}, wider, taller});
}

void Page::RecordStretch() {
    design_ = geometry();
    for (Growth& growth : growths_) {
        growth.design = growth.control->geometry();
    }
}

void Page::Stretch(int wider, int taller) {
    setGeometry(design_.adjusted(0, 0, wider, taller));
    for (const Growth& growth : growths_) {
        growth.control->setGeometry(
            growth.design.adjusted(0, 0, growth.wider ? wider : 0, growth.taller ? taller : 0));
    }
}

} // namespace kalvimo
