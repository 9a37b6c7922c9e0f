// Cut-out copies of 8- and 24-bit surfaces for the layer edits and the canvas geometry: a complete
// new store that leaves the source alone, so that a change over many surfaces can be prepared in
// full before any of them is touched. (Turns and mirrors are the surfaces' own operations.)
#pragma once

#include <memory>

#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

// The pixels of `rect` (in the surface's coordinates, possibly reaching beyond it); pixels
// outside the surface are 0. Null for an empty rect, a depth other than 8 or 24, or no memory.
std::unique_ptr<SurfaceStore> croppedStore(const PixelSurface& surface, Rect rect);
}  // namespace varnel
