// Morphology and colour selection on 8-bit masks: the pixel work behind the selection's Expand,
// Contract, Border, Grow and Similar.
//
// The structuring element of Expand and Contract is a disc given by a table of half-heights: for
// horizontal radius rx and vertical radius ry (each clamped to 1..100) and the column offset
// d = −rx..rx, the offsets (d, e) with |e| ≤ h(d) belong to the disc, where
// h(d) = floor(sqrt(rx² − x²) × ry / rx + 0.5) with x = |d| − 0.5 (x = 0 for d = 0). So radius 1
// gives the 3 × 3 square and radius 2 the half-heights (1, 2, 2, 2, 1).
//
// Every operation returns 1 on success and 0 on failure (an invalid or mismatched surface, or a
// shortage of memory); a failed operation leaves the mask as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "core/color.h"
#include "core/surface.h"

namespace varnel {

constexpr int32_t kMorphologyMaxRadius = 100;

// The disc's half-heights h(−rx) … h(rx) (2 × rx + 1 values), radii clamped to 1..100. Computed
// with exact integer arithmetic: the rounding never depends on floating-point error.
std::vector<int32_t> discHalfHeights(int32_t rx, int32_t ry);

// Every pixel becomes the largest value within the disc around it; positions outside the mask
// count as 0.
int dilate(GrayMap& mask, int32_t rx, int32_t ry);

// Every pixel becomes the smallest value within the disc around it; positions outside the mask
// count as 255 with `outsideSelected` and as 0 without (then the mask also shrinks away from its
// own edges).
int erode(GrayMap& mask, int32_t rx, int32_t ry, bool outsideSelected);

// One row of the edge map: out[x] is 255 when row[x] ≥ 128 and one of its eight neighbours is
// below 128, else 0. `above` and `below` are the neighbouring rows, null at the mask's top or
// bottom; neighbours outside the mask count as 255 with `outsideSelected` and as 0 without.
void edgeMapRow(const uint8_t* above, const uint8_t* row, const uint8_t* below, int32_t width,
                bool outsideSelected, uint8_t* out);

// A band around the mask's edge. With rx = ry = 1 the result is the edge map. Otherwise every
// pixel becomes the largest brush value over the edge pixels, the brush value of an offset (i, j)
// from an edge pixel being, with u = |i| − 0.5 (0 for i = 0), v likewise for j and
// t = u² / rx² + v² / ry²: 0 when t ≥ 1, otherwise 255, or with `soft` (1 − sqrt(t)) × 255
// truncated. The soft band is 255 on the edge and fades to 0 at the radius.
//
// The brush value only falls as t grows, so the result is the brush value of the nearest edge
// pixel in that measure; it is found with an exact two-pass distance transform whose cost per
// pixel does not depend on the radius.
int border(GrayMap& mask, int32_t rx, int32_t ry, bool soft, bool outsideSelected);

// The brush value of an offset whose measure is t = k / (4 × rx² × ry²), where
// k = ry² × (2u)² + rx² × (2v)² is an integer (u and v as for border).
uint8_t borderBrushValue(int64_t k, int32_t rx, int32_t ry, bool soft);

// The colours Grow and Similar accept, taken from the seeds: the pixels whose mask value is above
// 148.
struct ColorRange {
    bool hasSeeds = false;
    Bgr low;   // smallest blue, green and red of the seeds, lowered by the tolerance
    Bgr high;  // largest, raised by the tolerance
    // With an alpha plane: the largest alpha among the seeds. Seeds with alpha 0 do not widen
    // the colour range; when they are the only seeds (largest alpha 0) the transparent pixels
    // are the ones accepted.
    uint8_t maxAlpha = 0;
};

// The seeds' range; `alpha` (the image's transparency, same size) may be null. The tolerance is
// clamped to 0..255.
ColorRange colorRangeOf(const GrayMap& mask, const ColorImage& image, const GrayMap* alpha,
                        int32_t tolerance);

// Sets to 255 every pixel of the image that the seeds' range accepts; other values stay. Without
// seeds nothing changes. Image, alpha and mask must have the same size.
int similar(GrayMap& mask, const ColorImage& image, const GrayMap* alpha, int32_t tolerance);

// Sets to 255 the seeds and every accepted pixel 4-connected to a seed through accepted pixels.
// The fill uses an explicit stack and a visited map: every pixel is pushed at most once.
int grow(GrayMap& mask, const ColorImage& image, const GrayMap* alpha, int32_t tolerance);

}  // namespace varnel
