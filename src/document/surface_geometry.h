// Transformed copies of 8- and 24-bit surfaces for the stack's geometry: each builds a complete
// new store and leaves the source alone, so that a geometry change over many layers can be
// prepared in full before any layer is touched.
#pragma once

#include <memory>

#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

// The pixels of `rect` (in the surface's coordinates, possibly reaching beyond it); pixels
// outside the surface are 0. Null for an empty rect, a depth other than 8 or 24, or no memory.
std::unique_ptr<SurfaceStore> croppedStore(const PixelSurface& surface, Rect rect);
// Rotated clockwise by quarterTurns × 90 degrees (1, 2 or 3).
std::unique_ptr<SurfaceStore> rotatedStore(const PixelSurface& surface, int quarterTurns);
// Mirrored left to right, or top to bottom with `vertical`.
std::unique_ptr<SurfaceStore> flippedStore(const PixelSurface& surface, bool vertical);

}  // namespace varnel
