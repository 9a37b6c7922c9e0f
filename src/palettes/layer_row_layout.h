// Where the parts of one row of the Layers palette's list go: the eye column, the thumbnail with
// its frame (the canvas shape fitted into a box beside the eye), and the name. Plain geometry, so
// that it is tested without widgets.
#pragma once

#include <cstdint>

#include "core/geometry.h"

namespace varnel {

inline constexpr int32_t kLayerRowHeight = 30;
inline constexpr int32_t kEyeColumnWidth = 20;
// The least width of the thumbnail's box, however narrow the canvas is.
inline constexpr int32_t kThumbnailMinBoxWidth = 10;

struct LayerRowLayout {
    Rect eye;        // the eye column: a press here toggles the layer's visibility
    Rect box;        // the box the thumbnail is fitted into
    Rect thumbnail;  // the fitted thumbnail, its 1-pixel black frame included
    Rect pixels;     // inside the frame: where the layer's pixels are drawn (may be empty)
    Rect name;       // the name's rectangle (single line, vertically centred)
    Rect editor;     // where the rename field opens: the name's, 1 pixel wider on each side
};

// The layout of a row at `row` for a canvas of `canvas` (a canvas without size counts as 1 × 1).
// The thumbnail box starts 21 pixels right of the row's left edge: a square of the row's height
// ending 1 pixel above its bottom, less 1 on every side (28 × 27 for 30-pixel rows). A wide canvas
// fills the box's width and is centred vertically; a tall one fills its height from its left
// edge, and the box narrows to the thumbnail (never below 10 pixels, the thumbnail centred in it).
// Each side of the thumbnail is at least 2 pixels.
LayerRowLayout layerRowLayout(const Rect& row, Size canvas);

}  // namespace varnel
