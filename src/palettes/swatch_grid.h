// The Swatches palette's grid as plain logic: the colours a new list starts from, how many
// columns and rows a view of a given width shows, which swatch a point hits, and the black lines
// drawn between the cells. Tested without widgets.
//
// Swatch i lies in column i mod columns and row i / columns; its cell is the 12 × 12 square at
// (column × 12, row × 12) in content coordinates (the view scrolls vertically only). Each cell
// shows an 11 × 11 colour square with a line on its right and bottom edges.
#pragma once

#include <cstdint>
#include <vector>

#include "core/color.h"
#include "core/geometry.h"

namespace varnel {

inline constexpr int32_t kSwatchCellSize = 12;
inline constexpr size_t kDefaultSwatchCount = 122;
// The most swatches a list holds: far beyond what anyone adds by hand, and small enough that the
// settings file stays small. The view adds none beyond it.
inline constexpr size_t kMaxSwatches = 4096;

// The colours every new swatch list starts from, opaque, in their order (some occur twice).
const std::vector<Bgra>& defaultSwatches();

struct SwatchGrid {
    int32_t columns = 1;
    int32_t rows = 0;
    int32_t count = 0;

    // (width + 1) / 12 columns, and never fewer than one: narrower views (and views without
    // width) show one column. Rows enough for `count` swatches.
    static SwatchGrid forWidth(int32_t width, int32_t count);

    // The height of the content: rows × 12 − 1, or 1 with no rows.
    int32_t contentHeight() const;
    // The swatch at `p` (content coordinates) in a view `width` wide; -1 between or beyond the
    // swatches and outside the grid.
    int32_t hitTest(Point p, int32_t width) const;
    // The cell of swatch `index`, content coordinates.
    Rect cell(int32_t index) const;
};

// One black line of the grid, from `from` to `to` inclusive (horizontal or vertical).
struct SwatchLine {
    Point from;
    Point to;
    friend bool operator==(const SwatchLine&, const SwatchLine&) = default;
};

// The lines under each row and right of each column. Under an incomplete last row the line runs
// only under its cells, and the lines of the columns it does not reach stop a row earlier.
std::vector<SwatchLine> swatchGridLines(const SwatchGrid& grid);

}  // namespace varnel
