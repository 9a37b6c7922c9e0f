// The colour scheme the editor takes from the desktop's hints.
#include "app/color_scheme.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(ColorScheme, FollowsTheOverrideThenTheDesktopsHints) {
    using S = ColorScheme;
    struct Case {
        const char* what;
        void (*set)(ColorSchemeHints&);
        S scheme;
        bool setPalette;
    } cases[] = {
        {"nothing known", [](ColorSchemeHints&) {}, S::Light, false},
        {"override dark", [](ColorSchemeHints& h) { h.override = "dark"; }, S::Dark, true},
        {"override in any case", [](ColorSchemeHints& h) { h.override = " DARK\n"; }, S::Dark,
         true},
        {"override dark over a dark palette",
         [](ColorSchemeHints& h) {
             h.override = "dark";
             h.paletteIsDark = true;
         },
         S::Dark, false},
        {"override light over a dark palette",
         [](ColorSchemeHints& h) {
             h.override = "light";
             h.paletteIsDark = true;
         },
         S::Light, true},
        {"override beats the desktop",
         [](ColorSchemeHints& h) {
             h.override = "light";
             h.desktopPrefersDark = true;
             h.gnomeColorScheme = "'prefer-dark'";
         },
         S::Light, false},
        {"auto follows the desktop",
         [](ColorSchemeHints& h) {
             h.override = "auto";
             h.gnomeColorScheme = "'prefer-dark'";
         },
         S::Dark, true},
        {"Qt's hint with the platform's dark palette",
         [](ColorSchemeHints& h) {
             h.desktopPrefersDark = true;
             h.paletteIsDark = true;
         },
         S::Dark, false},
        {"Qt's hint beats GNOME",
         [](ColorSchemeHints& h) {
             h.desktopPrefersDark = false;
             h.gnomeColorScheme = "prefer-dark";
         },
         S::Light, false},
        {"a dark platform palette", [](ColorSchemeHints& h) { h.paletteIsDark = true; }, S::Dark,
         false},
        {"GNOME prefers light over a dark GTK theme",
         [](ColorSchemeHints& h) {
             h.gnomeColorScheme = "'prefer-light'";
             h.gtkTheme = "Adwaita:dark";
         },
         S::Light, false},
        {"GNOME has no preference; GTK_THEME",
         [](ColorSchemeHints& h) {
             h.gnomeColorScheme = "'default'";
             h.gtkTheme = "Adwaita:dark";
         },
         S::Dark, true},
        {"GTK_THEME light beats settings.ini",
         [](ColorSchemeHints& h) {
             h.gtkTheme = "Adwaita";
             h.gtkSettings = "[Settings]\ngtk-application-prefer-dark-theme=1\n";
         },
         S::Light, false},
        {"settings.ini prefers dark",
         [](ColorSchemeHints& h) {
             h.gtkSettings = "[Settings]\ngtk-application-prefer-dark-theme = true\n";
         },
         S::Dark, true},
        {"settings.ini dark theme name",
         [](ColorSchemeHints& h) {
             h.gtkSettings = "# mine\n[Settings]\ngtk-theme-name=Arc-Dark\n";
         },
         S::Dark, true},
        {"settings.ini key in another group",
         [](ColorSchemeHints& h) {
             h.gtkSettings = "[Other]\ngtk-application-prefer-dark-theme=1\n[Settings]\n";
         },
         S::Light, false},
        {"a theme merely named dark-ish", [](ColorSchemeHints& h) { h.gtkTheme = "Darkling"; },
         S::Light, false},
    };
    for (const Case& c : cases) {
        ColorSchemeHints hints;
        c.set(hints);
        const ColorSchemeChoice choice = chooseColorScheme(hints);
        EXPECT_EQ(choice.scheme, c.scheme) << c.what;
        EXPECT_EQ(choice.setPalette, c.setPalette) << c.what;
    }
}

}  // namespace
}  // namespace varnel
