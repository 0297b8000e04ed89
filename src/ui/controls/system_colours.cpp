#include "system_colours.h"

#include <algorithm>
#include <array>
#include <cmath>
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

QColor PaletteColour(int index, const QPalette& palette) {
    if (index < 0 || index >= static_cast<int>(kSystemRoles.size()) || !kSystemRoles[index]) {
        return Qt::black;
    }
    const SystemRole& entry = *kSystemRoles[index];
    return palette.color(entry.group, entry.role);
}

double Luminance(const QColor& colour) {
    const auto channel = [](double value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) +
           0.0722 * channel(rgb.blue());
}

bool IsSystemColour(Colour value) {
    // Exactly eight hexadecimal digits beginning with "80".
    return value >= kSystemBase && value <= kSystemLast;
}

} // namespace

Colour SystemColour(int index) {
    return Pack(PaletteColour(index, QGuiApplication::palette()));
}

Colour TranslateColour(Colour value) {
    if (IsSystemColour(value)) {
        return SystemColour(static_cast<int>(value - kSystemBase));
    }
    return value;
}

QColor ToQColor(Colour value, const QPalette& palette) {
    if (IsSystemColour(value)) {
        return PaletteColour(static_cast<int>(value - kSystemBase), palette);
    }
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF),
                  static_cast<int>(value >> 16 & 0xFF));
}

QColor ToQColor(Colour value) {
    return ToQColor(value, QGuiApplication::palette());
}

Colour FromQColor(const QColor& colour) {
    return Pack(colour.toRgb());
}

bool IsDark(const QPalette& palette) {
    return Luminance(palette.color(QPalette::WindowText)) >
           Luminance(palette.color(QPalette::Window));
}

double Contrast(const QColor& first, const QColor& second) {
    const double a = Luminance(first);
    const double b = Luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor ReadableOn(const QColor& preferred, const QColor& background) {
    constexpr double kReadable = 4.5;
    if (Contrast(preferred, background) >= kReadable) {
        return preferred;
    }
    const QColor black(Qt::black);
    const QColor white(Qt::white);
    return Contrast(black, background) >= Contrast(white, background) ? black : white;
}

} // namespace kalvimo
