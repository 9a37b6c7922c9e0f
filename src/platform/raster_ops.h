// 2-D operations on Rasters: what the engine asks of the system's graphics. Every operation clips
// to the target's bounds, draws nothing (and succeeds) when nothing is left, and fails only for an
// invalid raster or when it cannot get working memory. Colours are converted to the target's
// format: indexed targets take the nearest palette entry, 16- and 32-bit targets pack by their
// masks.
#pragma once

#include "platform/raster.h"

namespace varnel::platform {

// Copies the pixels of `srcRect` (clipped to the source) so that its top-left corner lands on
// `at` in `dst` (clipped to the target). Source and target may be the same raster and overlap.
// Between different formats every pixel is converted by colour; 8-bit grey to 24-bit and back
// are direct (a grey ramp target takes the rounded mean of blue, green and red, which is its
// nearest entry).
bool blit(const Raster& dst, Point at, const Raster& src, Rect srcRect);

// Fills rect ∩ bounds with the colour, leaving out `excluded` when given.
bool fillRect(const Raster& dst, Rect rect, ColorRef color, const Rect* excluded = nullptr);

// Inverts every bit of the pixels in rect ∩ bounds, leaving out `excluded` when given.
bool invertRect(const Raster& dst, Rect rect, const Rect* excluded = nullptr);

// A 1-pixel line from `from` to `to`, both end pixels set. Pixels follow the closest-pixel rule
// along the longer axis (halfway cases round up).
bool drawLine(const Raster& dst, Point from, Point to, ColorRef color);

// The ellipse inscribed in the normalised rect, outline and interior: pixel (x, y) is set when
// its centre lies inside or on the ellipse. An empty rect draws nothing.
bool fillEllipse(const Raster& dst, Rect rect, ColorRef color);

// A 1-pixel outline just inside the normalised rect, and its interior too when `filled`;
// `excluded` is left out.
bool drawRectangle(const Raster& dst, Rect rect, ColorRef color, bool filled,
                   const Rect* excluded = nullptr);

// Shifts the pixels inside `rect` by (dx, dy); what moves out of rect is lost, what it uncovers
// keeps its old pixels.
bool scroll(const Raster& dst, Rect rect, int32_t dx, int32_t dy);

// Repeats `pattern` across `dst` from the top-left corner.
bool tile(const Raster& dst, const Raster& pattern);

enum class StretchMode {
    // Nearest pixel: target pixel x takes source pixel floor(x × old / new) of its rectangle, on
    // each axis. Indexed pixels keep their index between identical palettes.
    Replicate,
    // Area averaging when shrinking, linear interpolation when enlarging, on colours. Indexed
    // targets take the nearest palette entry of the result (an 8-bit grey ramp is averaged
    // directly).
    Smooth,
    // 8-bit planes (alpha, masks, channels): the values are levels, not palette indices, and are
    // resampled by the Smooth rule whatever the palettes say. Both rasters must be 8-bit.
    Plane,
};

// Stretches `srcRect` (which must lie inside the source and be non-empty) onto `dstRect` (which
// may reach outside the target; the part outside is not drawn).
//
// The Smooth rule, per axis, maps `old` source pixels onto `new` target pixels with weights in
// units of 1/4096 that add up to exactly 4096:
//  - shrinking (new < old): target pixel x covers [x·old, (x+1)·old) in units of 1/new of a
//    source pixel; source pixel i gets the weight W(c_i) − W(c_{i−1}), where c_i is the covered
//    length up to the end of pixel i and W(c) = round(c × 4096 / old) (halves up);
//  - enlarging (new > old): the sample point is s = (x + ½) × old / new − ½, clamped to
//    [0, old − 1]; pixels floor(s) and floor(s) + 1 get 4096 − f and f, f = round(frac(s) × 4096);
//  - equal: the pixel itself with 4096.
// A target channel is (Σ_y w_y × Σ_x w_x × p + 2^23) >> 24 over the taps of both axes: exact for
// whole-number ratios (a 2:1 shrink is (a + b + c + d + 2) >> 2).
bool stretch(const Raster& dst, Rect dstRect, const Raster& src, Rect srcRect, StretchMode mode);

}  // namespace varnel::platform
