// What the layer edits need of a selection: its rectangle on the canvas and the mask covering it.
#pragma once

#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

struct SelectionArea {
    // The selection's bounds on the canvas; empty means nothing is selected.
    Rect rect;
    // Coverage of `rect` (same size): mask pixel (x, y) stands for canvas pixel
    // (rect.left + x, rect.top + y). Null counts as fully selected.
    const GrayMap* mask = nullptr;

    bool isEmpty() const { return rect.isEmpty(); }
};

}  // namespace varnel
