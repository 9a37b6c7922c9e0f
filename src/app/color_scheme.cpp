#include "app/color_scheme.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace varnel {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r\n'\"");
    if (begin == std::string::npos) return {};
    const auto end = text.find_last_not_of(" \t\r\n'\"");
    return text.substr(begin, end - begin + 1);
}

bool darkThemeName(const std::string& name) {
    const std::string n = lower(name);
    return n.ends_with(":dark") || n.ends_with("-dark") || n.find("-dark-") != std::string::npos;
}

// The value of `key` in the [Settings] group of a GTK settings.ini; empty when it has none.
std::string gtkSetting(const std::string& ini, const std::string& key) {
    std::istringstream lines(ini);
    std::string line;
    bool inSettings = false;
    std::string value;
    while (std::getline(lines, line)) {
        const std::string t = trimmed(line);
        if (t.empty() || t[0] == '#' || t[0] == ';') continue;
        if (t[0] == '[') {
            inSettings = lower(t) == "[settings]";
            continue;
        }
        const auto equals = t.find('=');
        if (!inSettings || equals == std::string::npos) continue;
        if (trimmed(t.substr(0, equals)) == key) value = trimmed(t.substr(equals + 1));
    }
    return value;
}

// What the desktop prefers, from the most to the least direct hint; nullopt when none says.
std::optional<bool> desktopPrefersDark(const ColorSchemeHints& hints) {
    if (hints.desktopPrefersDark) return hints.desktopPrefersDark;
    if (hints.paletteIsDark) return true;
    const std::string gnome = lower(trimmed(hints.gnomeColorScheme));
    if (gnome == "prefer-dark") return true;
    if (gnome == "prefer-light") return false;
    if (!hints.gtkTheme.empty()) return darkThemeName(hints.gtkTheme);
    const std::string preferDark =
        lower(gtkSetting(hints.gtkSettings, "gtk-application-prefer-dark-theme"));
    if (preferDark == "1" || preferDark == "true") return true;
    const std::string theme = gtkSetting(hints.gtkSettings, "gtk-theme-name");
    if (!theme.empty()) return darkThemeName(theme);
    return std::nullopt;
}

}  // namespace

ColorSchemeChoice chooseColorScheme(const ColorSchemeHints& hints) {
    const std::string wanted = lower(trimmed(hints.override));
    bool dark = false;
    if (wanted == "dark")
        dark = true;
    else if (wanted == "light")
        dark = false;
    else
        dark = desktopPrefersDark(hints).value_or(false);
    ColorSchemeChoice choice;
    choice.scheme = dark ? ColorScheme::Dark : ColorScheme::Light;
    // The platform's palette is kept whenever it already matches.
    choice.setPalette = dark != hints.paletteIsDark;
    return choice;
}

}  // namespace varnel
