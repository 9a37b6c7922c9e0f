// The operations of the Image menu that change the canvas of a whole image: Canvas Size with an
// anchor and an extension colour, Rotate Canvas 180°, 90° CW and 90° CCW, Flip Canvas Horizontal
// and Vertical, Crop to the selection and Trim. Each changes every raster layer alike, keeping
// their relative placement, and the saved channels with them; each returns 1 on success and 0 on
// failure, and a failure (a shortage of memory, an unsupported angle, bad parameters) leaves the
// document exactly as it was. Those that build new pixel storage take an optional `replaced`
// that receives the storage they replace instead of freeing it (what an undo record keeps).
#pragma once

#include <cstdint>

#include "core/color.h"
#include "core/geometry.h"
#include "document/document.h"
#include "document/replaced_parts.h"

namespace varnel {

// Where the old image sits in the new canvas, numbered row by row.
enum CanvasAnchor : int32_t {
    kAnchorTopLeft = 0,
    kAnchorTop = 1,
    kAnchorTopRight = 2,
    kAnchorLeft = 3,
    kAnchorCenter = 4,
    kAnchorRight = 5,
    kAnchorBottomLeft = 6,
    kAnchorBottom = 7,
    kAnchorBottomRight = 8,
};

// Where the old image's top-left pixel lands in the new canvas for an anchor: per axis 0, d / 2
// (truncated toward zero) or d for the first, middle and last column or row, d being new − old
// (negative when shrinking). An anchor outside 0 … 8 counts as the centre.
Point anchorOffset(int32_t anchor, Size oldSize, Size newSize);

struct CanvasSizeParams {
    int32_t width = 0;  // new canvas size, 1 … 30000
    int32_t height = 0;
    float resolution = 72;  // the image's; Canvas Size does not change it
    int32_t resolutionUnit = 0;
    int32_t oldWidth = 0;  // the image's current size
    int32_t oldHeight = 0;
    int32_t offsetX = 0;  // where the old top-left pixel lands; may be negative
    int32_t offsetY = 0;
    ColorRef extensionColor = 0xFFFFFF;  // new area of the background layer

    // The parameters that put `image` into a canvas of `size` at the anchor.
    static CanvasSizeParams forAnchor(const Document& image, Size size, int32_t anchor,
                                      ColorRef extensionColor);
};
static_assert(sizeof(CanvasSizeParams) == 36, "nine 32-bit fields");

// Canvas Size: the background layer gets a canvas of the new size holding its old pixels at the
// offset, the area they leave uncovered in the extension colour (opaque in its transparency
// plane); every other layer keeps its pixels and moves by the offset; every saved channel gets
// the new size, unselected outside the old canvas. The same size changes nothing and succeeds.
// Fails for a size out of range or an old size that is not the image's.
int resizeCanvas(Document& image, const CanvasSizeParams& params,
                 ReplacedParts* replaced = nullptr);

// The angle brought into [0, 360) by whole turns; NaN and infinities stay as they are.
double normalizeRotation(double angle);
// Rotate Canvas: the angle is normalised; 0 changes nothing and succeeds; within 0.0001 of 90
// (clockwise), 180 or 270 (90° counter-clockwise) turns every layer and channel; any other angle
// fails. A quarter turn swaps the canvas's width and height. The half turn works in place and
// hands nothing to `replaced`.
int rotateCanvas(Document& image, double angle, ReplacedParts* replaced = nullptr);

// Flip Canvas: mirrors every layer and channel left to right (horizontal) or top to bottom, in
// place; it cannot fail, and applying it again gives back exactly the image it started from.
int flipCanvas(Document& image, bool horizontal);

// Crop is offered when a selection exists and its bounds meet the canvas.
bool canCrop(const Document& image, Rect selectionBounds);
// Crop: the canvas becomes selectionBounds ∩ canvas; layers are cut to it (a layer wholly outside
// becomes an empty placeholder keeping its name and visibility), channels too. An empty
// intersection changes nothing and succeeds.
int cropCanvas(Document& image, Rect selectionBounds, ReplacedParts* replaced = nullptr);

// Trim is offered when the image's one layer is the background layer.
bool canTrim(const Document& image);
// Trim: cuts the image to the bounding box of the background's pixels whose colour differs from
// its top-left pixel (channels alike); a plain image changes nothing and succeeds.
int trimCanvas(Document& image, ReplacedParts* replaced = nullptr);

}  // namespace varnel
