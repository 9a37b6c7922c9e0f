// Conversions between the bit depths of pixel surfaces: to 1-bit black and white (dithered or by
// a threshold), to 8-bit grey, to 4- and 8-bit palette images with an octree palette and error
// diffusion, and between the 16-, 24- and 32-bit direct-colour layouts.
//
// Each conversion reads `source` and (re)creates `target`, which must be a class that accepts
// the resulting depth (a GrayMap for toGray, a ColorImage for to24, any PixelSurface for all).
// They return 1 on success and 0 on failure; a failure leaves the target as it was. Source and
// target may be the same object. Only normalizeMasks changes its own surface.
#pragma once

#include <cstdint>

#include "core/surface.h"

namespace varnel {

// A 16- or 32-bit surface with explicit channel masks (compression 3) is rewritten in the
// standard layout: 5-5-5 for 16 bits; 0xFF0000/0xFF00/0xFF for 32 bits, an alpha channel, when
// there is one, going to the fourth byte. A surface already in that layout is left alone. Fails
// for any other surface.
int normalizeMasks(PixelSurface& surface);

// 1-bit black and white by error diffusion of the grey values; a 1-bit source is copied.
int toMonoDithered(const PixelSurface& source, PixelSurface& target);
// 1-bit: a pixel is white where its grey value is at least `threshold`; a threshold of 0 (or
// below) makes every pixel white, 255 (or above) every pixel black.
int toMonoThreshold(const PixelSurface& source, PixelSurface& target, int32_t threshold);
// 8-bit grey levels (grey-ramp palette): grey = (59 G + 30 R + 11 B + 50) / 100.
int toGray(const PixelSurface& source, PixelSurface& target);
// 4-bit with at most `colors` (clamped to 1..16) octree colours and error diffusion. A 4-bit
// source is copied; a 1-bit one is widened with its palette.
int toPalette16(const PixelSurface& source, PixelSurface& target, int32_t colors);
// 8-bit with at most `colors` (clamped to 1..256) octree colours and error diffusion. An 8-bit
// source is copied; 1- and 4-bit ones are widened with their palettes.
int toPalette256(const PixelSurface& source, PixelSurface& target, int32_t colors);
// 16 bits, 5-5-5 (plain) or 5-6-5 (with explicit masks); each channel keeps its top bits.
int to16(const PixelSurface& source, PixelSurface& target, bool fiveFiveFive);
// 24 bits; a 24-bit source is copied.
int to24(const PixelSurface& source, PixelSurface& target);
// 32 bits in the standard layout; colour sources leave the fourth byte 0.
int to32(const PixelSurface& source, PixelSurface& target);
// 1 dithered mono, 4 and 8 palette images of 16 and 256 colours, 15 and 16 the two 16-bit
// layouts, 24, 32; any other depth fails.
int convertTo(const PixelSurface& source, PixelSurface& target, int32_t bitsPerPixel);
// A 1-, 4- or 8-bit target with the given palette (1 .. 2^bitsPerPixel entries): each pixel
// takes the nearest entry; with `diffuse` the remaining error is spread to the pixels not yet
// converted (7/16 right; 2/16, 4/16, 1/16 below left, below, below right).
int convertWithPalette(const PixelSurface& source, PixelSurface& target, int32_t bitsPerPixel,
                       const Palette& palette, bool diffuse);
// Widens a 1- or 4-bit surface to a larger indexed depth (4 or 8), keeping its palette.
int reduceToDepth(const PixelSurface& source, PixelSurface& target, int32_t bitsPerPixel);

}  // namespace varnel
