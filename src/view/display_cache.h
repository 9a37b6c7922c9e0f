// DisplayCache: the zoomed, checkerboarded picture of the area last drawn, so that repainting and
// scrolling only render what was not on screen before. One per view.
#pragma once

#include <cstdint>

#include "core/geometry.h"
#include "view/checker_pattern.h"
#include "view/pixel_buffer.h"
#include "view/zoom_render.h"
#include "view/zoom_scroller.h"

namespace varnel {

// What a view asks for: the visible part of the zoomed picture.
struct RenderRequest {
    Rect destRect;  // content coordinates (client coordinates minus the centring offset)
    Size content;   // the zoomed image size
    Size image;     // the composite's size
    friend bool operator==(const RenderRequest&, const RenderRequest&) = default;
};

class DisplayCache {
public:
    explicit DisplayCache(CheckerPattern checker = {}) : checker_(checker) {}

    // The whole picture must be rendered again (new composite, new pixels everywhere).
    void markDirty() { dirty_ = true; }
    // Only the given canvas rectangle changed.
    void markDirty(const Rect& imageRect);
    bool isDirty() const { return dirty_ || !dirtyImage_.isEmpty(); }

    // Brings the cache up to date for `request` and copies the requested area, restricted to
    // `clip` (target coordinates), to `target` with content (0, 0) at target position `to`.
    // Only what the cache lacks is rendered: after a scroll, the newly exposed strips. Returns
    // false when the cache cannot be made (bad size, no memory) or the source does not match; the
    // target is then left untouched.
    bool draw(const RenderRequest& request, const RenderSource& source, PixelBuffer32& target,
              Point to, Rect clip);

    const RenderRequest& cachedRequest() const { return cached_; }
    // Content pixels rendered since construction (diagnostics and tests).
    int64_t renderedPixels() const { return rendered_; }
    const CheckerPattern& checker() const { return checker_; }
    // Drops the pixels (the next draw renders everything).
    void release();

private:
    bool renderArea(const RenderSource& source, Rect contentArea);
    bool renderAllExcept(const RenderSource& source, Rect keep);

    CheckerPattern checker_;
    ZoomRenderer renderer_;
    PixelBuffer32 pixels_;
    PixelBuffer32 spare_;
    RenderRequest cached_;
    AxisMap mx_, my_;
    bool dirty_ = true;
    Rect dirtyImage_;
    // What the cached pixels were made from; a different source or mode renders everything.
    const void* sourceColor_ = nullptr;
    bool sourceOpaque_ = false;
    bool sourceHasContent_ = false;
    int64_t rendered_ = 0;
};

class Document;

// What a document offers to draw: its composite (made on first use), whether it is opaque and
// whether any layer takes part. A document whose only layer is its composite as it stands offers
// that layer's pixels, and no composite is made. Empty (no colour) when the composite cannot be
// made.
RenderSource renderSourceOf(Document& document);

// Paints the client rectangle `clip` of a view into `frame` (the client area): the background and
// border around the canvas, then the visible canvas through the cache (the request covers all of
// the visible canvas, so scrolling later reuses it). Returns whether canvas pixels were drawn.
bool paintViewArea(PixelBuffer32& frame, Rect clip, const ZoomScroller& scroller,
                   DisplayCache& cache, const RenderSource& source, uint32_t background,
                   uint32_t border);

}  // namespace varnel
