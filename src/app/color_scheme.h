// Whether the editor's widgets follow a light or a dark colour scheme, decided from what the
// desktop tells: the user's override, Qt's own colour-scheme hint where Qt has one, the platform
// theme's palette, and the GTK and GNOME settings that most Linux desktops keep. Plain C++, so
// that the decision is tested without a window system.
#pragma once

#include <optional>
#include <string>

namespace varnel {

enum class ColorScheme { Light, Dark };

// The environment variable that overrides the desktop: "dark" or "light" ("auto" or anything
// else follows the desktop).
inline constexpr char kColorSchemeVariable[] = "VARNEL_COLOR_SCHEME";

struct ColorSchemeHints {
    std::string override;                    // the variable's value
    std::optional<bool> desktopPrefersDark;  // Qt's colour-scheme hint, where Qt gives one
    bool paletteIsDark = false;              // the platform theme's palette is dark already
    std::string gnomeColorScheme;  // `gsettings get org.gnome.desktop.interface color-scheme`
    std::string gtkTheme;          // GTK_THEME, e.g. "Adwaita:dark"
    std::string gtkSettings;       // the text of ~/.config/gtk-3.0/settings.ini (or gtk-4.0)
};

struct ColorSchemeChoice {
    ColorScheme scheme = ColorScheme::Light;
    // Whether the editor must set its own palette: a dark one when the desktop prefers dark but
    // its palette is light, or a light one when the user asks for light over a dark palette.
    bool setPalette = false;
};

ColorSchemeChoice chooseColorScheme(const ColorSchemeHints& hints);

}  // namespace varnel
