// The rectangles of the drag tools, in plain arithmetic over a view's ZoomScroller: where a drag
// starts and ends, the marquee's square and from-the-centre forms, and the image pixels a dragged
// client rectangle selects.
#pragma once

#include "core/geometry.h"
#include "view/zoom_scroller.h"

namespace varnel {

// `p` moved into `area`; the right and bottom edges themselves count as inside.
Point clampToArea(Point p, const Rect& area);

// The visible image area of a view: client area ∩ the canvas in client coordinates.
Rect visibleImageArea(const ZoomScroller& scroller);

// Where a drag from `start` to the pointer ends: one pixel past the pointer on each axis where it
// lies right of (below) the start, so that the pixel under the pointer is included, then clamped
// into `area`.
Point dragEndPoint(Point start, Point pointer, const Rect& area);

// The normalised rectangle between a drag's start and its end point.
Rect dragRect(Point start, Point pointer, const Rect& area);

// Which corner of the normalised rectangle the drag's start occupies.
enum class StartCorner { TopLeft, TopRight, BottomRight, BottomLeft };
StartCorner startCorner(Point start, Point end);

// A square of side min(width, height) with `corner` where it was.
Rect squareAtCorner(const Rect& r, StartCorner corner);
// The rectangle reflected about `corner`, which becomes its centre.
Rect reflectAboutCorner(const Rect& r, StartCorner corner);
// Shrinks the rectangle equally at both ends of each axis on which it sticks out of `bounds`,
// by the larger overhang, so that it fits and keeps its centre.
Rect clipAboutCentre(const Rect& r, const Rect& bounds);
// Shortens the longer side equally at both ends (the odd pixel at the far end) to a square.
Rect squareAboutCentre(const Rect& r);

// The marquee's rectangle in client coordinates for a drag from `start` (already inside the
// visible image area) to `pointer`: snapped to image pixel edges above 100 %, a square with
// `square`, centred on the start with `fromCentre` (then clipped to the canvas about its centre).
Rect marqueeRect(const ZoomScroller& scroller, Point start, Point pointer, bool square,
                 bool fromCentre);

// The image rectangle a client rectangle selects: its left and top in the pixel that holds them,
// its right and bottom at the next pixel edge, clipped to the canvas. Empty for an empty rectangle.
Rect imageRectOf(const ZoomScroller& scroller, const Rect& clientRect);

}  // namespace varnel
