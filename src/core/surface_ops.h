// Operations on colour images and 8-bit planes that the editor runs almost always through a mask:
// fills through the selection, masked copies back from filters, the layer fill with blend mode and
// opacity, mask predicates and arithmetic, content bounds, and the backgrounds that transparent
// pixels are shown or flattened over.
//
// A mask is an 8-bit plane: 0 not selected (or transparent), 255 fully selected (or opaque),
// values between partial coverage. A placed mask is a mask with the position of its top-left pixel
// on the target. Every operation returns 1 on success and 0 on failure (invalid surfaces, an empty
// intersection, masks of different sizes), and a failed operation changes nothing.
#pragma once

#include <cstdint>

#include "core/color.h"
#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

// The parameters of the Fill command.
struct FillSettings {
    Bgr color;
    int32_t mode = 0;       // blend mode id
    int32_t opacity = 100;  // percent, 0..100
    int32_t preserveTransparency = 0;
};

// What transparent pixels are shown or flattened over: a solid colour (cell size 0) or a
// checkerboard of square cells in two colours.
struct PatternBackground {
    int32_t cellSize = 0;
    Bgra first{255, 255, 255, 255};
    Bgra second{204, 204, 204, 255};

    // Solid white: what a flattened image is laid over.
    static PatternBackground solidWhite() { return {}; }
    // The checkerboard of white and light grey cells used by views (8) and thumbnails (4).
    static PatternBackground checker(int32_t cell) {
        return {cell, {255, 255, 255, 255}, {204, 204, 204, 255}};
    }
};

// Opacity percent to byte: trunc(p × 2.55 + 0.5), with p clamped to 0..100.
uint8_t opacityPercentToByte(int32_t percent);
// Opacity byte to percent: trunc(b × 100 / 255 + 0.5).
int32_t opacityByteToPercent(uint8_t value);

// The interpolation rule shared by the masked operations: amount 255 sets the colour, 0 leaves
// the pixel, otherwise each channel x becomes x + ((amount × (c − x)) >> 8) with an arithmetic
// shift (a negative difference rounds towards minus infinity).
inline uint8_t lerpByte(uint8_t x, uint8_t c, uint8_t amount) {
    if (amount == 255) return c;
    return uint8_t(int(x) + ((int(amount) * (int(c) - int(x))) >> 8));
}
inline void lerpPixel(Bgr& pixel, const Bgr& color, uint8_t amount) {
    pixel.b = lerpByte(pixel.b, color.b, amount);
    pixel.g = lerpByte(pixel.g, color.g, amount);
    pixel.r = lerpByte(pixel.r, color.r, amount);
}

// Every pixel moves towards the colour by the opacity.
int fillAtOpacity(ColorImage& image, ColorRef color, uint8_t opacity);

// Over the part of the target covered by the mask placed at `origin`, each pixel moves towards
// the colour by the mask value.
int colorThroughMask(ColorImage& target, ColorRef color, const GrayMap& mask, Point origin);

// Source and mask have the same size and are placed with their top-left pixel at (x, y) of the
// target; each target pixel moves towards the source pixel by the mask value.
int copyThroughMask(ColorImage& target, int32_t x, int32_t y, const ColorImage& source,
                    const GrayMap& mask);
int copyThroughMask(GrayMap& target, int32_t x, int32_t y, const GrayMap& source,
                    const GrayMap& mask);

// Over the placed mask, each byte d becomes ((255 − r) × d + value × r) >> 8 for mask value r
// (255 writes the value, 0 leaves d). It rounds differently from lerpByte on purpose.
int valueThroughMask(GrayMap& target, uint8_t value, const GrayMap& mask, Point origin);

// The Fill command on the pixels of one layer: each visited pixel is composited with blendPixel
// in the settings' mode, the fill colour carrying alpha opacity × mask / 255 (or the opacity
// without a mask). `mask` is placed at `maskOrigin` in the pixels' coordinates; pixels outside it
// and pixels whose mask value is 0 are left alone. With an alpha plane (and preserve transparency
// off) colour and alpha change together; without one, or with preserve transparency, the colour
// alone changes over a base counted as opaque. Growing the layer to the canvas first is the
// caller's part (the layer stack does it).
int fillLayerThroughSelection(ColorImage& pixels, GrayMap* alpha, const GrayMap* mask,
                              Point maskOrigin, const FillSettings& settings);

// Mask predicates over every pixel; an invalid mask gives false for each.
bool isAllZero(const GrayMap& mask);
bool isAll255(const GrayMap& mask);
bool hasNon255(const GrayMap& mask);
// Neither all 0 nor all 255: some value between, or both 0 and 255.
bool isPartial(const GrayMap& mask);

// Mask arithmetic on two masks of the same size: 0 (or negative) replace, 1 add (saturating),
// 2 subtract (saturating), 3 or more intersect (minimum).
enum MaskCombine : int32_t {
    kCombineReplace = 0,
    kCombineAdd = 1,
    kCombineSubtract = 2,
    kCombineIntersect = 3,
};
int combineMasks(GrayMap& target, const GrayMap& source, int32_t operation);

// The smallest rectangle holding every pixel whose value differs from `value`; the empty
// rectangle (0, 0, 0, 0) when there is none (or the mask is invalid).
Rect contentBounds(const GrayMap& mask, uint8_t value);

int fillRectValue(GrayMap& target, Rect rect, uint8_t value);
int fillValue(GrayMap& target, uint8_t value);
// Fills rect ∩ bounds with the colour, leaving out `excluded` when given.
int fillRectColor(ColorImage& target, Rect rect, Bgr color, const Rect* excluded = nullptr);

// Every pixel equal to `from` (blue, green and red) becomes `to`.
int replaceColor(ColorImage& target, Bgr from, Bgr to);

// Composites the source, placed at (x, y), onto the target with blendPixel (opacity as source
// alpha, the mode, an opaque base), skipping the source pixels that are exactly the key colour.
int blendWithKey(ColorImage& target, int32_t x, int32_t y, const ColorImage& source,
                 uint8_t opacity, int32_t mode, ColorRef key);

// Paints the background over every pixel outside `excluded`.
int fillPattern(ColorImage& target, const PatternBackground& background,
                const Rect* excluded = nullptr);
// Lays the target, whose transparency is `alpha` (same size), over the background: each pixel
// outside `excluded` moves towards the background colour by 255 − alpha. Opaque pixels stay,
// transparent ones take the background.
int overBackground(ColorImage& target, const GrayMap& alpha, const PatternBackground& background,
                   const Rect* excluded = nullptr);

// A linear gradient over rect ∩ bounds: left to right, or with `vertical` from the bottom row up.
// Position i of n gets (1 − t) × from + t × to with t = i / (n − 1), truncated; with `useGamma`
// each channel v becomes (v / 255)^gamma × 255, truncated.
int gradientFill(ColorImage& target, Rect rect, ColorRef from, ColorRef to, bool vertical,
                 bool useGamma, double gamma);

}  // namespace varnel
