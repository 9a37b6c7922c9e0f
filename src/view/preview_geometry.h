// The geometry of the preview pane (ve_preview_pane.h) as plain arithmetic: where its overlay's
// toolbar buttons, zoom slider and navigator lie, which element a point hits, the zoom slider's
// map, the navigator's thumbnail frame and view rectangle, and the picture the pane shows
// (PreviewPicture: a private copy of one layer).
#pragma once

#include <cstdint>
#include <memory>

#include "core/geometry.h"
#include "document/document.h"
#include "view/checker_pattern.h"
#include "view/pixel_buffer.h"
#include "view/zoom_render.h"
#include "view/zoom_scroller.h"

namespace varnel {

// What lies under a point of the pane.
enum PreviewHit : int32_t {
    kHitNone = 0,
    kHitZoomOut = 1,
    kHitSliderArea = 2,
    kHitSliderThumb = 4,
    kHitZoomIn = 8,
    kHitActualPixels = 16,
    kHitNavigatorButton = 32,
    kHitPicture = 64,
    kHitNavigatorBox = 256,
    kHitThumbnail = 512,
    kHitViewRect = 1024,
};

// Which overlay the pane shows.
enum class PreviewMode : int32_t { Plain = 0, Toolbar = 1, Navigator = 2 };

namespace preview {

inline constexpr int32_t kToolbarX = 2;
inline constexpr int32_t kToolbarY = 2;
inline constexpr int32_t kToolbarWidth = 147;
inline constexpr int32_t kToolbarHeight = 16;
// The zoom slider: 84 positions, 0 … 83 shown; 42 is zoom 1.
inline constexpr int32_t kSliderSteps = 84;
inline constexpr int32_t kSliderTrackLeft = kToolbarX + 22;
inline constexpr int32_t kSliderTrackRight = kToolbarX + 105;  // last position's pixel
inline constexpr int32_t kNavigatorBox = 120;
inline constexpr int32_t kThumbnailSide = 100;
inline constexpr float kMaxZoom = 8.0f;
// Opacity of the toolbar (of 255) in toolbar mode and behind the navigator.
inline constexpr int32_t kToolbarAlpha = 128;
inline constexpr int32_t kDimmedToolbarAlpha = 32;
inline constexpr uint32_t kViewRectColour = packPixel(255, 80, 80);

Rect zoomOutRect();
Rect sliderAreaRect();
Rect sliderThumbRect(int32_t sliderPos);
Rect zoomInRect();
Rect actualPixelsRect();
Rect toolbarRect();
// The navigator button and box at the right edge of a client area `clientWidth` wide.
Rect navigatorButtonRect(int32_t clientWidth);
Rect navigatorBoxRect(int32_t clientWidth);
// The thumbnail frame T: the box inset by 10, narrowed along one axis to the canvas's aspect
// ratio and centred. The inner rectangle (where the thumbnail is drawn) is T inset by 1.
Rect thumbnailFrame(int32_t clientWidth, Size image);
Rect thumbnailInner(int32_t clientWidth, Size image);

// The zoom at slider position p (held to 0 … 84) for the zoom range m … M: m at 0, 1 at 42, M at
// 84, quadratic on each half.
float sliderZoom(int32_t position, float minZoom, float maxZoom);
// The slider position (0 … 83) for zoom z (held to m … M): the inverse of sliderZoom.
int32_t sliderPosition(float zoom, float minZoom, float maxZoom);
// The slider position under a pointer at client x.
int32_t sliderPositionAtX(int32_t x);

// The visible part of the zoomed picture mapped onto the thumbnail's inner rectangle, each edge
// rounded to the nearest pixel; the whole inner rectangle when the picture lies inside the client
// area.
Rect viewRectangle(const ZoomScroller& scroller, Rect inner);
// A point of the thumbnail's inner rectangle as content coordinates (linear, rounded).
Point thumbnailToContent(Point p, Rect inner, Size content);

// What a point hits in a mode. `visiblePicture` is the visible canvas in client coordinates.
struct HitContext {
    int32_t clientWidth = 0;
    Size image;
    int32_t sliderPos = 42;
    bool navigatorAvailable = false;
    Rect visiblePicture;
    Rect viewRect;  // V, in client coordinates
};
int32_t hitTest(PreviewMode mode, Point p, const HitContext& context);

// Where the thumbnail draws a layer whose clipped bounds on a canvas `canvas` big are `bounds`:
// left and top rounded, right and bottom measured from the far edges and truncated.
Rect thumbnailPlacement(Size thumbnail, Size canvas, Rect bounds);

// Renders `area` (content coordinates) of a picture drawn smaller than its size, as ZoomRenderer
// does but averaging each screen pixel's footprint (up to 4 × 4 samples spread over it) instead of
// picking one pixel, so that fine detail does not break up; transparency over the checkerboard.
bool renderAveraged(const RenderSource& source, const AxisMap& mx, const AxisMap& my, Rect area,
                    const CheckerPattern& checker, PixelBuffer32& target, Point to);

// Brightens every pixel of `area` outside `keep` towards white: c + (((255 − c) × 180) >> 8).
void lightenOutside(PixelBuffer32& buffer, Rect area, Rect keep);
// Multiplies each channel of the pixels of `area` by v / 256.
void darken(PixelBuffer32& buffer, Rect area, uint8_t v);

}  // namespace preview

// The picture a preview pane shows: a preview-only document (it can never be saved) of the
// source document's canvas size, 72 pixels per inch, white background colour, transparent unless
// the layer is the background, holding one layer copied from the part of `layer` that lies on the
// canvas, placed there. Null when memory is short or the layer has no pixels.
std::unique_ptr<Document> makePreviewPicture(const Document& source, const RasterLayer& layer);

// The whole picture scaled into a thumbnail `size` big: a 4-pixel checkerboard where the layer
// leaves the canvas uncovered or is transparent, the layer drawn averaged into its placement.
bool drawThumbnail(Document& picture, Size size, PixelBuffer32& thumbnail);

}  // namespace varnel
