// Nearest-neighbour rendering of a document composite at a zoom: the zoomed picture over the
// checkerboard, and the background and border around the canvas. Every content pixel shows the
// image pixel that AxisMap::sample picks, so the screen matches the client ↔ image mapping of the
// view exactly; whole rows and columns are dropped below zoom 1, never averaged.
#pragma once

#include <cstdint>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"
#include "view/checker_pattern.h"
#include "view/pixel_buffer.h"
#include "view/zoom_scroller.h"

namespace varnel {

// What the document offers to draw.
struct RenderSource {
    // The composite colour at image resolution.
    const ColorImage* color = nullptr;
    // Its coverage: 0 transparent … 255 opaque, the size of `color`; null counts as opaque.
    const GrayMap* coverage = nullptr;
    // The composite is opaque everywhere: drawn as it stands, no checkerboard.
    bool opaque = false;
    // False when no layer takes part in the composite: the plain checkerboard is drawn.
    bool hasContent = true;
};

// Renders rectangles of the zoomed picture. Keeps its column tables between calls so that a
// render allocates nothing once warmed up.
class ZoomRenderer {
public:
    // Renders `area` (content coordinates; clipped to the content) so that content pixel (x, y)
    // lands on target pixel (x + to.x, y + to.y); parts falling outside the target are skipped.
    // Behind transparent pixels the checker colour of the content position is blended in:
    // a = 255 − coverage, each channel p + ((a × (k − p)) >> 8). Returns false (drawing nothing)
    // when the source does not match the maps.
    bool render(const RenderSource& source, const AxisMap& mx, const AxisMap& my, Rect area,
                const CheckerPattern& checker, PixelBuffer32& target, Point to);

private:
    std::vector<int32_t> columns_;   // image column per output column
    std::vector<uint32_t> checker_;  // checker colours per output column, for both row parities
};

// The background colour outside the canvas and a one-pixel border just outside it, drawn inside
// `clip`. Nothing is drawn when the canvas covers the whole client area.
void paintCanvasSurround(PixelBuffer32& target, Rect clip, Rect imageInClient, uint32_t background,
                         uint32_t border);

}  // namespace varnel
