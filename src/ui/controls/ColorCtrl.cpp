#include "ColorCtrl.h"

#include <array>

namespace tavo {
namespace {

struct SystemRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The platform's system colour indices 0..30 and the palette role that plays each part.
constexpr std::array<SystemRole, 31> kSystemRoles = {{
    {QPalette::Active, QPalette::Mid},              // 0 scroll bar
    {QPalette::Active, QPalette::Window},           // 1 desktop
    {QPalette::Active, QPalette::Highlight},        // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},      // 3 inactive caption
    {QPalette::Active, QPalette::Window},           // 4 menu
    {QPalette::Active, QPalette::Base},             // 5 window
    {QPalette::Active, QPalette::Shadow},           // 6 window frame
    {QPalette::Active, QPalette::WindowText},       // 7 menu text
    {QPalette::Active, QPalette::Text},             // 8 window text
    {QPalette::Active, QPalette::HighlightedText},  // 9 caption text
    {QPalette::Active, QPalette::Button},           // 10 active border
    {QPalette::Inactive, QPalette::Button},         // 11 inactive border
    {QPalette::Active, QPalette::Dark},             // 12 application workspace
    {QPalette::Active, QPalette::Highlight},        // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},  // 14 highlighted text
    {QPalette::Active, QPalette::Button},           // 15 button face
    {QPalette::Active, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},           // 17 grey text
    {QPalette::Active, QPalette::ButtonText},       // 18 button text
    {QPalette::Inactive, QPalette::WindowText},     // 19 inactive caption text
    {QPalette::Active, QPalette::Light},            // 20 button highlight
    {QPalette::Active, QPalette::Shadow},           // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},         // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},      // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},      // 24 info background
    {QPalette::Active, QPalette::Window},           // 25 (unused by the platform)
    {QPalette::Active, QPalette::Link},             // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},        // 27 active caption gradient
    {QPalette::Inactive, QPalette::Highlight},      // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},        // 29 menu highlight
    {QPalette::Active, QPalette::Window},           // 30 menu bar
}};

}  // namespace

QPalette::ColorRole systemColorRole(int index, QPalette::ColorGroup* group) {
    const bool known = index >= 0 && index < static_cast<int>(kSystemRoles.size());
    const SystemRole entry = known ? kSystemRoles[static_cast<size_t>(index)] : SystemRole{QPalette::Active, QPalette::NoRole};
    if (group) *group = entry.group;
    return entry.role;
}

SystemColors paletteSystemColors(const QPalette& palette) {
    return [palette](int index) {
        QPalette::ColorGroup group = QPalette::Active;
        const QPalette::ColorRole role = systemColorRole(index, &group);
        // An index the platform does not know reads as black, as the platform gives it.
        return role == QPalette::NoRole ? Rgb{} : fromQColor(palette.color(group, role));
    };
}

QColor toQColor(const Rgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

Rgb fromQColor(const QColor& color) {
    return Rgb{static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()), static_cast<uint8_t>(color.blue())};
}

}  // namespace tavo
