#include "orvel_tab.h"

#include <algorithm>

#include <QEvent>

namespace kalvimo {

namespace {

const QString kDefaultTabStrip = QStringLiteral("One,Two,Three,Four");
constexpr Colour kDefaultBorder = 0xFF8080;
constexpr Colour kDefaultBorderSelected = 0x0080FF;
constexpr Colour kDefaultTabColour = 0xE0E0E0;
constexpr Colour kDefaultTabColourSelected = 0xFFFFFF;
constexpr Colour kDefaultDisabledColour = 0xC0C0C0;
constexpr Colour kDefaultFrameColour = 0xE0E0E0;
constexpr int kFramedMinimumHeight = 1000;

} // namespace

OrvelTab::OrvelTab(QWidget* parent)
    : OwnerDrawnWidget(parent), tabStrip_(kDefaultTabStrip), border_(kDefaultBorder),
      borderSelected_(kDefaultBorderSelected), frameColour_(kDefaultFrameColour),
      tabColour_(kDefaultTabColour), tabColourSelected_(kDefaultTabColourSelected),
      disabledColour_(kDefaultDisabledColour) {
    p_ = TwipsPerPixel(*this);
    setFocusPolicy(Qt::StrongFocus);
    CreateTabs();
}

void OrvelTab::Changed(const char* name) {
    update();
    emit PropertyChanged(QString::fromLatin1(name));
}

void OrvelTab::SetColour(Colour& colour, Colour value, const char* name) {
    if (Assign(colour, value)) {
        Changed(name);
    }
}

void OrvelTab::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        CreateTabs();
    }
    OwnerDrawnWidget::changeEvent(event);
}

void OrvelTab::SetTabStrip(const QString& value) {
    if (value.isEmpty() || !Assign(tabStrip_, value)) {
        return;
    }
    CreateTabs();
    Changed("TabStrip");
}

bool OrvelTab::Select(int index) {
    if (!Assign(selected_, index)) {
        return false;
    }
    update();
    emit SelectedChanged(selected_);
    return true;
}

void OrvelTab::SetSelected(int value) {
    if (value >= -1 && value < TabCount() && Select(value)) {
        emit PropertyChanged(QStringLiteral("Selected"));
    }
}

void OrvelTab::SetBorder(Colour value) {
    SetColour(border_, value, "Border");
}

void OrvelTab::SetBorderSelected(Colour value) {
    SetColour(borderSelected_, value, "BorderSelected");
}

void OrvelTab::SetTabColour(Colour value) {
    SetColour(tabColour_, value, "TabColour");
}

void OrvelTab::SetTabColourSelected(Colour value) {
    SetColour(tabColourSelected_, value, "TabColourSelected");
}

void OrvelTab::SetEnabled(bool value) {
    if (value != isEnabled()) {
        setEnabled(value);
        Changed("Enabled");
    }
}

void OrvelTab::SetBackColour(Colour value) {
    SetColour(backColour_, value, "BackColour");
}

void OrvelTab::SetTextColour(Colour value) {
    SetColour(textColour_, value, "TextColour");
}

void OrvelTab::SetTextColourSelected(Colour value) {
    SetColour(textColourSelected_, value, "TextColourSelected");
}

void OrvelTab::SetDisabledColour(Colour value) {
    SetColour(disabledColour_, value, "DisabledColour");
}

void OrvelTab::SetDrawFrame(bool value) {
    if (Assign(drawFrame_, value)) {
        CreateTabs();
        Changed("DrawFrame");
    }
}

void OrvelTab::SetBridge(bool value) {
    if (Assign(bridge_, value)) {
        Changed("Bridge");
    }
}

int OrvelTab::FrameHeight() const {
    return TwipHeight() - tabRowHeight_;
}

void OrvelTab::SetFrameHeight(int value) {
    resize(width(), TwipsToPixels(static_cast<double>(tabRowHeight_) + value, p_));
}

void OrvelTab::SetAlignment(TabPosition value) {
    if (Assign(alignment_, value)) {
        CreateTabs();
        Changed("Alignment");
    }
}

void OrvelTab::SetFrameColour(Colour value) {
    SetColour(frameColour_, value, "FrameColour");
}

void OrvelTab::ReadProperties(const PropertyStore& store) {
    tabStrip_ = store.Read("TabStrip", kDefaultTabStrip).toString();
    if (tabStrip_.isEmpty()) {
        tabStrip_ = kDefaultTabStrip;
    }
    selected_ = store.Read("Selected", 0).toInt();
    border_ = store.Read("Border", kDefaultBorder).toUInt();
    borderSelected_ = store.Read("BorderSelected", kDefaultBorderSelected).toUInt();
    tabColour_ = store.Read("TabColour", kDefaultTabColour).toUInt();
    tabColourSelected_ = store.Read("TabColourSelected", kDefaultTabColourSelected).toUInt();
    setEnabled(store.Read("Enabled", true).toBool());
    backColour_ = store.Read("BackColour", kButtonFace).toUInt();
    textColour_ = store.Read("TextColour", 0u).toUInt();
    textColourSelected_ = store.Read("TextColourSelected", 0u).toUInt();
    disabledColour_ = store.Read("DisabledColour", kDefaultDisabledColour).toUInt();
    drawFrame_ = store.Read("DrawFrame", false).toBool();
    bridge_ = store.Read("Bridge", false).toBool();
    alignment_ = static_cast<TabPosition>(store.Read("Alignment", 0).toInt());
    frameColour_ = store.Read("FrameColour", kDefaultFrameColour).toUInt();
    captionWidth_ = store.Read("CaptionWidth", 0).toInt();
    CreateTabs();
}

void OrvelTab::WriteProperties(PropertyStore& store) const {
    store.Write("TabStrip", tabStrip_, kDefaultTabStrip);
    store.Write("Selected", selected_, 0);
    store.Write("Border", border_, kDefaultBorder);
    store.Write("BorderSelected", borderSelected_, kDefaultBorderSelected);
    store.Write("TabColour", tabColour_, kDefaultTabColour);
    store.Write("TabColourSelected", tabColourSelected_, kDefaultTabColourSelected);
    store.Write("Enabled", isEnabled(), true);
    store.Write("BackColour", backColour_, kButtonFace);
    store.Write("TextColour", textColour_, 0u);
    store.Write("TextColourSelected", textColourSelected_, 0u);
    store.Write("DisabledColour", disabledColour_, kDefaultDisabledColour);
    store.Write("DrawFrame", drawFrame_, false);
    store.Write("Bridge", bridge_, false);
    store.Write("Alignment", static_cast<int>(alignment_), 0);
    store.Write("FrameColour", frameColour_, kDefaultFrameColour);
    store.Write("CaptionWidth", captionWidth_, 0);
}

QSize OrvelTab::sizeHint() const {
    const int framed = TwipsToPixels(kFramedMinimumHeight, p_);
    if (alignment_ == TabPosition::Left) {
        int tabsHeight = 0;
        for (const Tab& tab : tabs_) {
            tabsHeight += tab.body.height;
        }
        const int column = TwipsToPixels(captionWidth_, p_);
        const int height = TwipsToPixels(tabsHeight, p_);
        // A framed strip leaves its page room beside the captions.
        return drawFrame_ ? QSize(column * 4, std::max(height, framed)) : QSize(column, height);
    }
    int tabsWidth = 0;
    for (const Tab& tab : tabs_) {
        tabsWidth += tab.body.width;
    }
    const int row = TwipsToPixels(tabRowHeight_, p_);
    return {TwipsToPixels(tabsWidth, p_), drawFrame_ ? std::max(row, framed) : row};
}

} // namespace kalvimo
