// The small pictures of the palettes' button rows, drawn at run time: a sheet with a folded
// corner for "new" (with a coloured patch on it where the page makes colours) and a waste bin for
// "delete".
#pragma once

#include <QColor>
#include <QIcon>

namespace varnel {

// The sheet; with a valid `patch` a small rectangle of that colour sits on it.
QIcon newItemIcon(const QColor& patch = QColor());
QIcon deleteItemIcon();

}  // namespace varnel
