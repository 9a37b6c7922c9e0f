// ZoomScroller: the zoom and scroll state of one canvas view and the mapping between the view's
// client coordinates and image coordinates. Plain logic: the view supplies its client size and is
// told through ZoomScrollerHost when it must repaint, when the scroll bars change and when the
// zoom changed.
#pragma once

#include <cstdint>
#include <string>

#include "core/geometry.h"

namespace varnel {

// The ascending zoom factors of stepwise zooming (75 % and 10 % are menu choices, not steps).
inline constexpr int kZoomStepCount = 35;
extern const float kZoomSteps[kZoomStepCount];

inline constexpr float kAbsoluteMinZoom = 0.0001f;
inline constexpr float kDefaultMaxZoom = 16.0f;
inline constexpr int32_t kScrollLineStep = 16;

// The next step above z (16 from 16 on) and the next step below z (0.0001 from 0.0001 down).
float zoomStepUp(float z);
float zoomStepDown(float z);

// The smallest zoom that still draws the image's shorter side as at least one screen pixel:
// 1/min(width, height), not below 0.0001; 1.0 when the shorter side is under 2 pixels.
float minZoomForImage(int32_t width, int32_t height);

// The zoom as the title and the zoom field show it: zoom × 100 with two decimals, trailing zeros
// and a trailing decimal point removed, then "%" ("100%", "6.25%", "12.5%").
std::string zoomPercentText(float zoom);

// The number a typed zoom text stands for, in percent: a leading or trailing "%" is ignored and
// text that does not read as a number counts as 0.
double parseZoomPercent(const std::string& text);

// Centre of a client rectangle: min + round((max − min) × 0.5) on each axis.
Point rectCentre(const Rect& r);

// Maps one axis between image pixels and zoomed content pixels. Content position c shows the
// last image pixel whose mapped start round(i × contentLen / imageLen) lies at or before c, so
// image pixel i covers exactly the content range [start(i), start(i + 1)).
struct AxisMap {
    int32_t imageLen = 1;
    int32_t contentLen = 1;

    // round(i × contentLen / imageLen), exact for any i.
    int64_t toContent(int64_t i) const;
    // round(c × imageLen / contentLen), exact for any c (the linear inverse, not a pixel lookup).
    int64_t toImageRounded(int64_t c) const;
    // The image pixel drawn at content position c (0 ≤ c < contentLen gives 0 ≤ i < imageLen).
    int32_t sample(int64_t c) const;
};

enum class ScrollAxis { Horizontal, Vertical };
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb };

// What a scroll bar shows: positions 0 … maximum, the page (the client size) and whether it can
// move at all.
struct ScrollBarState {
    int32_t maximum = 0;
    int32_t page = 0;
    int32_t position = 0;
    bool enabled = false;
    friend bool operator==(const ScrollBarState&, const ScrollBarState&) = default;
};

// The view behind a ZoomScroller. Every call may arrive several times for one change.
class ZoomScrollerHost {
public:
    virtual ~ZoomScrollerHost() = default;
    // The whole client area must be painted again.
    virtual void scrollerInvalidate() {}
    // The scroll position moved by (dx, dy) content pixels (positive: towards the bottom right).
    virtual void scrollerScrolled(int32_t /*dx*/, int32_t /*dy*/) {}
    // A scroll bar's range, page, position or enabled state changed.
    virtual void scrollerBarsChanged() {}
    // The zoom changed (also when set to the value it had).
    virtual void scrollerZoomChanged() {}
};

class ZoomScroller {
public:
    explicit ZoomScroller(ZoomScrollerHost* host = nullptr) : host_(host) {}
    void setHost(ZoomScrollerHost* host) { host_ = host; }

    // --- state ----------------------------------------------------------------------------------
    float zoom() const { return zoom_; }
    float minZoom() const { return minZoom_; }
    float maxZoom() const { return maxZoom_; }
    // Lower and upper limits for embedders that narrow the range (a preview pane).
    void setZoomLimits(float minZoom, float maxZoom);
    Size imageSize() const { return {imageWidth_, imageHeight_}; }
    Size contentSize() const { return {contentWidth_, contentHeight_}; }
    Size clientSize() const { return {pageWidth_, pageHeight_}; }
    Point scrollPosition() const { return {scrollX_, scrollY_}; }
    // Largest scroll position per axis: max(0, content − page).
    Point maxScroll() const;
    ScrollBarState bar(ScrollAxis axis) const;
    int32_t wheelLines() const { return wheelLines_; }
    void setWheelLines(int32_t lines) { wheelLines_ = lines < 1 ? 1 : lines; }
    AxisMap axisMap(ScrollAxis axis) const;

    // Zoom tool cursor state: 0 neither, 1 zoom in, 2 zoom out. The wanted mode (the active zoom
    // tool's own) is kept and limited again after every zoom change: zoom in only below 16, zoom
    // out only above the minimum zoom.
    int32_t zoomCursorMode() const { return zoomCursorMode_; }
    void setZoomCursorMode(int32_t wanted);

    // Raised while several changes should repaint once; scroll changes do not invalidate then.
    void beginSuppressInvalidate() { ++suppressInvalidate_; }
    void endSuppressInvalidate() {
        if (suppressInvalidate_ > 0) --suppressInvalidate_;
    }

    // --- size changes ---------------------------------------------------------------------------
    // Stores the canvas size and recomputes the minimum zoom (sizes below 1 are ignored).
    void setImageSize(int32_t width, int32_t height);
    // The view's new client size: page sizes, scroll bars, and the scroll position clamped. Returns
    // whether the centring offset moved, in which case the whole view has been invalidated.
    bool setClientSize(int32_t width, int32_t height);

    // --- zoom -----------------------------------------------------------------------------------
    // Clamps the zoom into minZoom … maxZoom; keepCentre keeps the image point at the centre of the
    // client area in place. Returns true.
    bool setZoom(float zoom, bool keepCentre, bool redraw);
    // Zooms about a client point (clamped into the image); keep leaves the image point under that
    // client point, otherwise it is centred. Returns false (and does nothing) for zoom ≤ 0.
    bool zoomAtPoint(int32_t clientX, int32_t clientY, float zoom, bool keep);
    // Zooms so that a dragged client rectangle fills the view; a rectangle of at most 2 × 2 acts
    // as a click and zooms one step in about its centre.
    void zoomToRect(Rect clientRect, bool keep);
    // One step out (not below the minimum) about a client point.
    void zoomOutAtPoint(int32_t clientX, int32_t clientY, bool keep);
    // The Zoom In and Zoom Out commands: about the centre of the client area, keeping the point.
    void zoomInCommand();
    void zoomOutCommand();
    // Fits the whole image into the client area; false (nothing changes) when that zoom would be
    // below the minimum.
    bool fitInWindow();
    // Zoom 1 about the centre of the visible image.
    void actualPixels();
    // The zoom at which the image shows its printed size on a 72-dots-per-inch screen.
    // resolutionUnit: 0 pixels per inch, 1 pixels per centimetre.
    void printSize(float resolution, int32_t resolutionUnit);

    // --- scrolling ------------------------------------------------------------------------------
    void scrollTo(int32_t x, int32_t y, bool redraw = true);
    // Moves the given client point to the centre of the client area (as far as the range allows).
    void centreOn(int32_t clientX, int32_t clientY);
    // A scroll bar event; trackPosition is used by Thumb. Returns whether the position moved.
    bool scrollAction(ScrollAxis axis, ScrollAction action, int32_t trackPosition = 0);
    // One wheel event: a line up for a positive delta, down for a negative one, whatever its size.
    bool wheel(ScrollAxis axis, int32_t delta);

    // --- mapping --------------------------------------------------------------------------------
    // Where image pixel (0, 0) is drawn: centred on an axis where the content is smaller than the
    // client area, otherwise minus the scroll position.
    Point offset() const;
    Point imageToClient(Point p) const;
    Point clientToImage(Point p) const;
    // The image pixel that contains a client point, and the pixel edge at or after it.
    Point clientToImageFloor(Point p) const;
    Point clientToImageCeil(Point p) const;
    Rect imageToClient(const Rect& r) const;
    Rect clientToImage(const Rect& r) const;
    // The canvas in client coordinates.
    Rect imageRectInClient() const;
    // The client area inflated by 1, in image coordinates, clipped to the canvas.
    Rect visibleImageRect() const;
    // Client area ∩ canvas, in client coordinates.
    Rect visibleClientImageRect() const;
    // Above zoom 1, moves the rectangle's edges onto image pixel edges; unchanged otherwise.
    Rect snapToPixels(Rect clientRect) const;

private:
    void setContentSize(int32_t width, int32_t height);
    void clampScroll(bool notify);
    void applyZoomValue(float zoom);
    void updateBars();
    void invalidate();
    void refreshCursorMode();
    float clampZoom(float z) const;

    ZoomScrollerHost* host_ = nullptr;
    int32_t scrollX_ = 0, scrollY_ = 0;
    int32_t contentWidth_ = 1, contentHeight_ = 1;
    int32_t pageWidth_ = 0, pageHeight_ = 0;
    int32_t wheelLines_ = 1;
    int32_t suppressInvalidate_ = 0;
    int32_t imageWidth_ = 1, imageHeight_ = 1;
    int32_t wantedCursorMode_ = 0;
    int32_t zoomCursorMode_ = 0;
    float zoom_ = 1.0f;
    float minZoom_ = kAbsoluteMinZoom;
    float maxZoom_ = kDefaultMaxZoom;
};

}  // namespace varnel
