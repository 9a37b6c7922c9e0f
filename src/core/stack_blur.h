// Stack Blur: a blur whose horizontal and vertical passes weigh the pixels within r of the centre
// by a tent (1, 2, …, r + 1, …, 2, 1, total (r + 1)²) and divide by that total through a
// multiply and a shift. Each pass keeps running sums, so the cost per pixel does not depend on the
// radius. The selection's Feather runs it on the mask; the blur filters wrap it.
//
// Edge pixels repeat beyond the blurred area, so a surface of one colour stays exactly as it is
// for every radius.
#pragma once

#include <cstdint>

#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

// Radii above this are treated as this.
constexpr int32_t kStackBlurMaxRadius = 254;

// The multiplier and shift that divide a tent sum of radius r (0 … 254) by (r + 1)²: shift is
// the largest s with 2^s / (r + 1)² ≤ 512 and the multiplier is ceil(2^s / (r + 1)²), so that
// (sum × mul) >> shift is exact for a uniform window and sum × mul stays below 2^32.
uint32_t stackBlurMultiplier(int32_t radius);
uint32_t stackBlurShift(int32_t radius);

// Blurs rect ∩ bounds of an 8-, 24- or 32-bit surface in place with the horizontal radius rx and
// the vertical radius ry (0 skips a pass; negative counts as 0, above 254 as 254). The rectangle
// is blurred as if it were the whole surface: its own edge pixels repeat beyond it, and pixels
// outside it are neither read nor written. Every byte of a pixel is blurred on its own (the
// fourth byte of 32-bit pixels too). Fails, changing nothing, for an invalid surface, another
// depth, an empty intersection or a shortage of memory.
int stackBlur(PixelSurface& surface, Rect rect, int32_t rx, int32_t ry);

// As stackBlur, but reads rect ∩ bounds of `source` and writes the blurred area into `target` (same
// depth) with its top-left corner at `at`; the area placed there must lie within the target.
// `source` itself may be the target only with `at` at the area's own corner (in place). With both
// radii 0 the area is copied.
int stackBlurInto(const PixelSurface& source, Rect rect, PixelSurface& target, Point at, int32_t rx,
                  int32_t ry);

// The whole surface.
int blur24(Surface24& surface, int32_t rx, int32_t ry);
int blur8(Surface8& surface, int32_t rx, int32_t ry);

}  // namespace varnel
