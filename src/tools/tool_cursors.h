// The tools' cursors, drawn at run time as pixmaps with their hot spots, and the icons of the
// tool commands.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace varnel {

enum class ToolCursor {
    Marquee,           // thin cross, hot spot at its centre (6, 6)
    MarqueePrecise,    // long cross with an open centre while Caps Lock is on, hot spot (7, 7)
    MarqueeSelection,  // arrow with a dashed frame: over the selection
    MarqueeAlternate,  // cross with a small frame beside it: after Alt toggled it on
    HandClosed,        // while dragging the image
    HandOpen,
    ZoomIn,      // magnifier with a plus
    ZoomOut,     // magnifier with a minus
    ZoomLimit,   // plain magnifier: neither in nor out is possible
    Eyedropper,  // picking a colour: hot spot at the tip, lower left
};

// The cursor (made once, on first use; needs the application object).
const QCursor& toolCursor(ToolCursor which);
// Its picture and hot spot, for checks and for the icons.
QPixmap toolCursorPixmap(ToolCursor which);
QPoint toolCursorHotSpot(ToolCursor which);

// The icon of a tool command's menu item and toolbar button, by tool id.
QIcon toolIcon(unsigned toolId);

}  // namespace varnel
