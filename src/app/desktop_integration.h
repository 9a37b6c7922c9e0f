// What the editor takes from the desktop: its colour scheme, applied to the widgets as a dark
// palette over the Fusion style when the desktop prefers dark and its palette is light (or
// VARNEL_COLOR_SCHEME says so; the canvas keeps its own colours, the settings' window
// background and the checkerboard), and the program's icon in every size it is drawn in.
#pragma once

#include <QIcon>
#include <QPalette>
#include <QString>

#include "app/color_scheme.h"

namespace varnel {

// What the running desktop says: the override variable, Qt's hint (Qt 6.5 and later), the
// platform theme's palette, GNOME's colour-scheme setting and GTK's theme.
ColorSchemeHints desktopColorSchemeHints();

// The editor's dark palette.
QPalette darkPalette();

// Sets the application's style and palette as `choice` asks (nothing when it keeps the
// platform's palette).
void applyColorScheme(const ColorSchemeChoice& choice);

// The program's icon: the icon theme's "varnel" where it is installed, otherwise the pictures
// installed beside the program (../share/icons/hicolor) or rendered by the build (the build
// tree's data/icons), each size as drawn. Null when none is found.
QIcon applicationIcon(const QString& programDirectory);

}  // namespace varnel
