#include "palettes/palette_page.h"

namespace varnel {

PalettePage::PalettePage(PaletteGroup* group, const QString& title, QWidget* parent)
    : QWidget(parent), group_(group), title_(title) {
    setObjectName(title);
    setAccessibleName(title);
}

}  // namespace varnel
