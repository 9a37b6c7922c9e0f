// The geometry of the floating windows, as plain functions of rectangles: snapping a window that
// is moved or sized to the edges around it, the windows attached to one another, and where the
// tabs of a palette's tab strip go and when a dragged tab trades places with another.
//
// Rectangles are frame rectangles in screen coordinates (right and bottom exclusive).
#pragma once

#include <cstdint>
#include <vector>

#include "core/geometry.h"

namespace varnel {

// How close (in pixels) an edge must come to a target edge to snap to it.
inline constexpr int32_t kSnapDistance = 12;
// No palette window is made smaller than this.
inline constexpr Size kPaletteMinimumSize{220, 170};

// What a moving or sizing window snaps to.
struct SnapTargets {
    // Areas the window sits inside (the desktop's work area, the main window, its document area):
    // each edge of the window snaps to the same edge of the area, from inside.
    std::vector<Rect> containers;
    // Windows beside it (the other floating windows, the main window): an edge of the window
    // snaps to the facing edge of a neighbour (its left edge to the neighbour's right edge, ...)
    // when the two overlap along the other axis, so that they end up side by side.
    std::vector<Rect> neighbours;
};

enum SnapEdges : uint32_t {
    kSnapNone = 0,
    kSnapLeft = 1,
    kSnapTop = 2,
    kSnapRight = 4,
    kSnapBottom = 8,
};

// The nearest target edge within `distance` of the window edge `edge` (one of kSnapLeft ...) of
// `window`, or nothing (the edge's own position is then returned and `snapped` cleared).
int32_t snapEdge(const Rect& window, uint32_t edge, const SnapTargets& targets, int32_t distance,
                 bool& snapped);

// A window dragged to `proposed`: moved (its size kept) so that its left edge, or else its right
// edge, and its top edge, or else its bottom edge, lie on the nearest target edge within
// `distance`. Axes without a target edge near enough keep the proposed position.
Rect snapMovedRect(const Rect& proposed, const SnapTargets& targets,
                   int32_t distance = kSnapDistance);

// A window being sized to `proposed`, with `edges` (SnapEdges) the edges that follow the pointer:
// only those edges move onto target edges (left before right, top before bottom, as for a move),
// and only as long as the window keeps at least `minimum`.
Rect snapSizedRect(const Rect& proposed, uint32_t edges, const SnapTargets& targets,
                   Size minimum = kPaletteMinimumSize, int32_t distance = kSnapDistance);

// The rectangle a window sized by dragging `edges` to `pointerDelta` from `start` gets, before
// snapping: the dragged edges follow the pointer, held so that the window keeps `minimum`.
Rect sizedRect(const Rect& start, uint32_t edges, Point pointerDelta, Size minimum);

// The edges a press at `p` in a floating window of `size` drags (SnapEdges; kSnapNone inside).
// The thin border of `border` pixels sizes the window: along the top and bottom borders the zones
// of `corner` pixels at either end size diagonally and the rest vertically; along the left and
// right borders the lowest `corner` pixels size diagonally and the rest horizontally.
uint32_t borderEdgesAt(Size size, Point p, int32_t border, int32_t corner);

// The windows attached to windows[index]: those sharing an edge with it over an overlapping
// stretch, and, repeatedly, those attached to them. Indices in ascending order, `index` itself
// left out.
std::vector<int> attachedWindows(const std::vector<Rect>& windows, int index);

// --- tab strip ---------------------------------------------------------------------------------

// Tabs are laid out from x = kTabStripStart one after the other.
inline constexpr int32_t kTabStripStart = 5;

// The left edge of each tab, in order, for the given widths.
std::vector<int32_t> tabLefts(const std::vector<int32_t>& widths);
// The tab under x, or -1.
int tabAt(const std::vector<int32_t>& widths, int32_t x);
// While tab `pressed` is dragged with the pointer at x: the tab it trades places with, or -1.
// It trades places with the tab under the pointer once the pointer lies where the pressed tab
// would be after the exchange, so that a narrow tab dragged over a wide one does not swap back
// and forth.
int tabSwapTarget(const std::vector<int32_t>& widths, int pressed, int32_t x);

}  // namespace varnel
