#include "compact_scroller.h"

#include "control_accessibility.h"
#include "owner_drawn_widget.h"

#include <algorithm>
#include <limits>

#include <QFrame>
#include <QLabel>
#include <QScrollBar>

namespace kalvimo {

namespace {

const QString kDefaultDescription = QStringLiteral("Item");
constexpr Colour kDefaultLabelColour = 0xFFFFFF;

int ToShort(int value) {
    return std::clamp(value, static_cast<int>(std::numeric_limits<std::int16_t>::min()),
                      static_cast<int>(std::numeric_limits<std::int16_t>::max()));
}

} // namespace

CompactScroller::CompactScroller(QWidget* parent)
    : QWidget(parent), description_(kDefaultDescription), lblDes_(new QLabel(this)),
      hscMain_(new QScrollBar(Qt::Horizontal, this)), picLabel_(new QFrame(this)),
      lblValue_(new QLabel(picLabel_)) {
    p_ = TwipsPerPixel(*this);
    lblDes_->setObjectName(QStringLiteral("lblDes"));
    hscMain_->setObjectName(QStringLiteral("hscMain"));
    picLabel_->setObjectName(QStringLiteral("picLabel"));
    lblValue_->setObjectName(QStringLiteral("lblValue"));
    picLabel_->setFrameShape(QFrame::Box);
    picLabel_->setLineWidth(1);
    picLabel_->setAutoFillBackground(true);
    lblValue_->setAlignment(Qt::AlignCenter);
    hscMain_->setRange(scrMin_, scrMax_);
    hscMain_->setPageStep(scrLargeChange_);
    hscMain_->setSingleStep(scrSmallChange_);
    hscMain_->setValue(scrValue_);
    connect(hscMain_, &QScrollBar::valueChanged, this, &CompactScroller::hscMain_Change);
    hscMain_->setFocusPolicy(Qt::StrongFocus);
    // Right and Page Up make the value larger, as in a number box.
    hscMain_->setInvertedControls(false);
    hscMain_->installEventFilter(this);
    setFocusProxy(hscMain_);
    InstallControlAccessibility();
    ApplyLabelColour();
    UpdateValueBox();
    LayoutCaption();
}

void CompactScroller::SetDescription(const QString& value) {
    if (Assign(description_, value)) {
        LayoutCaption();
        emit PropertyChanged(QStringLiteral("Description"));
    }
}

void CompactScroller::SetSpacing(int value) {
    if (Assign(spacing_, value)) {
        LayoutCaption();
        emit PropertyChanged(QStringLiteral("Spacing"));
    }
}

// Narrowing the range below the value moves the value into it; the bar reports that as a
// change, so the box and the host follow.
void CompactScroller::SetScrMax(int value) {
    if (Assign(scrMax_, ToShort(value))) {
        hscMain_->setMaximum(scrMax_);
        emit PropertyChanged(QStringLiteral("ScrMax"));
    }
}

void CompactScroller::SetScrMin(int value) {
    if (Assign(scrMin_, ToShort(value))) {
        hscMain_->setMinimum(scrMin_);
        emit PropertyChanged(QStringLiteral("ScrMin"));
    }
}

void CompactScroller::SetScrLargeChange(int value) {
    if (Assign(scrLargeChange_, ToShort(value))) {
        hscMain_->setPageStep(scrLargeChange_);
        emit PropertyChanged(QStringLiteral("ScrLargeChange"));
    }
}

void CompactScroller::SetScrSmallChange(int value) {
    if (Assign(scrSmallChange_, ToShort(value))) {
        hscMain_->setSingleStep(scrSmallChange_);
        emit PropertyChanged(QStringLiteral("ScrSmallChange"));
    }
}

void CompactScroller::SetScrValue(int value) {
    if (value < scrMin_ || value > scrMax_ || value == scrValue_) {
        return;
    }
    // The bar reports the change, which stores it, updates the box and raises ScrollChange.
    hscMain_->setValue(value);
    emit PropertyChanged(QStringLiteral("ScrValue"));
}

void CompactScroller::SetLabelColour(Colour value) {
    if (Assign(labelColour_, value)) {
        ApplyLabelColour();
        emit PropertyChanged(QStringLiteral("LabelColour"));
    }
}

void CompactScroller::SetEnabled(bool value) {
    // The caption, bar and value box follow the control's own state.
    if (value != isEnabled()) {
        setEnabled(value);
        emit PropertyChanged(QStringLiteral("Enabled"));
    }
}

void CompactScroller::ReadProperties(const PropertyStore& store) {
    reading_ = true;
    description_ = store.Read("Description", kDefaultDescription).toString();
    scrMax_ = ToShort(store.Read("ScrMax", 10).toInt());
    scrMin_ = ToShort(store.Read("ScrMin", 0).toInt());
    scrLargeChange_ = ToShort(store.Read("ScrLargeChange", 1).toInt());
    scrSmallChange_ = ToShort(store.Read("ScrSmallChange", 1).toInt());
    scrValue_ = ToShort(store.Read("ScrValue", 0).toInt());
    labelColour_ = store.Read("LabelColour", kDefaultLabelColour).toUInt();
    ApplyLabelColour();
    spacing_ = store.Read("Spacing", 0).toInt();
    setEnabled(store.Read("Enabled", true).toBool());
    UpdateValueBox();
    LayoutCaption();
    hscMain_->setMaximum(scrMax_);
    hscMain_->setMinimum(scrMin_);
    hscMain_->setPageStep(scrLargeChange_);
    hscMain_->setSingleStep(scrSmallChange_);
    hscMain_->setValue(scrValue_);
    // A saved value outside its saved range shows as the bar holds it.
    if (scrValue_ != hscMain_->value()) {
        scrValue_ = hscMain_->value();
        UpdateValueBox();
    }
    reading_ = false;
}

void CompactScroller::WriteProperties(PropertyStore& store) const {
    store.Write("Description", description_, kDefaultDescription);
    store.Write("ScrMax", scrMax_, 10);
    store.Write("ScrMin", scrMin_, 0);
    store.Write("ScrLargeChange", scrLargeChange_, 1);
    store.Write("ScrSmallChange", scrSmallChange_, 1);
    store.Write("ScrValue", scrValue_, 0);
    store.Write("LabelColour", labelColour_, kDefaultLabelColour);
    store.Write("Spacing", spacing_, 0);
    store.Write("Enabled", isEnabled(), true);
}

QSize CompactScroller::sizeHint() const {
    return {TwipsToPixels(3000, p_), std::max(hscMain_->sizeHint().height(), 20)};
}

} // namespace kalvimo
