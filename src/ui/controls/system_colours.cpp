#include "system_colours.h"

#include <array>
#include <optional>

#include <QGuiApplication>
#include <QPalette>

namespace kalvimo {

namespace {

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Indexed by the system colour number; gaps in the numbering are empty.
const std::array<std::optional<SystemRole>, 31> kSystemRoles = {{
    SystemRole{QPalette::Active, QPalette::Mid},             // 0 scroll bar
    SystemRole{QPalette::Active, QPalette::Dark},            // 1 desktop
    SystemRole{QPalette::Active, QPalette::Highlight},       // 2 active caption
    SystemRole{QPalette::Inactive, QPalette::Mid},           // 3 inactive caption
    SystemRole{QPalette::Active, QPalette::Window},          // 4 menu
    SystemRole{QPalette::Active, QPalette::Base},            // 5 window background
    SystemRole{QPalette::Active, QPalette::Shadow},          // 6 window frame
    SystemRole{QPalette::Active, QPalette::WindowText},      // 7 menu text
    SystemRole{QPalette::Active, QPalette::Text},            // 8 window text
    SystemRole{QPalette::Active, QPalette::HighlightedText}, // 9 caption text
    SystemRole{QPalette::Active, QPalette::Button},          // 10 active border
    SystemRole{QPalette::Inactive, QPalette::Button},        // 11 inactive border
    SystemRole{QPalette::Active, QPalette::Dark},            // 12 application workspace
    SystemRole{QPalette::Active, QPalette::Highlight},       // 13 highlight
    SystemRole{QPalette::Active, QPalette::HighlightedText}, // 14 highlighted text
    SystemRole{QPalette::Active, QPalette::Button},          // 15 button face
    SystemRole{QPalette::Active, QPalette::Dark},            // 16 button shadow
    SystemRole{QPalette::Disabled, QPalette::Text},          // 17 grey text
    SystemRole{QPalette::Active, QPalette::ButtonText},      // 18 button text
    SystemRole{QPalette::Inactive, QPalette::WindowText},    // 19 inactive caption text
    SystemRole{QPalette::Active, QPalette::Light},           // 20 button highlight
    SystemRole{QPalette::Active, QPalette::Shadow},          // 21 dark shadow
    SystemRole{QPalette::Active, QPalette::Midlight},        // 22 light
    SystemRole{QPalette::Active, QPalette::ToolTipText},     // 23 tooltip text
    SystemRole{QPalette::Active, QPalette::ToolTipBase},     // 24 tooltip background
    std::nullopt,                                            // 25 unused
    SystemRole{QPalette::Active, QPalette::Link},            // 26 hot-tracked item
    SystemRole{QPalette::Active, QPalette::Highlight},       // 27 active caption gradient
    SystemRole{QPalette::Inactive, QPalette::Highlight},     // 28 inactive caption gradient
    SystemRole{QPalette::Active, QPalette::Highlight},       // 29 menu highlight
    SystemRole{QPalette::Active, QPalette::Window},          // 30 menu bar
}};

constexpr Colour kSystemBase = 0x80000000;
constexpr Colour kSystemLast = 0x80FFFFFF;

Colour Pack(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | static_cast<Colour>(colour.green()) << 8 |
           static_cast<Colour>(colour.blue()) << 16;
}

} // namespace

Colour SystemColour(int index) {
    if (index < 0 || index >= static_cast<int>(kSystemRoles.size()) || !kSystemRoles[index]) {
        return 0;
    }
    const SystemRole& entry = *kSystemRoles[index];
    return Pack(QGuiApplication::palette().color(entry.group, entry.role));
}

Colour TranslateColour(Colour value) {
    // Exactly eight hexadecimal digits beginning with "80".
    if (value >= kSystemBase && value <= kSystemLast) {
        return SystemColour(static_cast<int>(value - kSystemBase));
    }
    return value;
}

QColor ToQColor(Colour value) {
    const Colour rgb = TranslateColour(value);
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                  static_cast<int>(rgb >> 16 & 0xFF));
}

Colour FromQColor(const QColor& colour) {
    return Pack(colour.toRgb());
}

} // namespace kalvimo
