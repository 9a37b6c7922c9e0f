#include "view/display_cache.h"

#include "document/document.h"

namespace varnel {

void DisplayCache::markDirty(const Rect& imageRect) {
    if (imageRect.isEmpty()) return;
    dirtyImage_ = dirtyImage_.united(imageRect);
}

void DisplayCache::release() {
    pixels_.release();
    spare_.release();
    cached_ = {};
    dirty_ = true;
    dirtyImage_ = {};
}

bool DisplayCache::renderArea(const RenderSource& source, Rect contentArea) {
    Rect area = contentArea.intersected(cached_.destRect);
    if (area.isEmpty()) return true;
    Point origin = cached_.destRect.topLeft();
    if (!renderer_.render(source, mx_, my_, area, checker_, pixels_, Point{-origin.x, -origin.y})) {
        return false;
    }
    rendered_ += int64_t(area.width()) * area.height();
    return true;
}

bool DisplayCache::renderAllExcept(const RenderSource& source, Rect keep) {
    Rect d = cached_.destRect;
    Rect k = keep.intersected(d);
    if (k.isEmpty()) return renderArea(source, d);
    return renderArea(source, Rect{d.left, d.top, d.right, k.top}) &&
           renderArea(source, Rect{d.left, k.bottom, d.right, d.bottom}) &&
           renderArea(source, Rect{d.left, k.top, k.left, k.bottom}) &&
           renderArea(source, Rect{k.right, k.top, d.right, k.bottom});
}

bool DisplayCache::draw(const RenderRequest& request, const RenderSource& source,
                        PixelBuffer32& target, Point to, Rect clip) {
    const RenderRequest& n = request;
    if (n.destRect.isEmpty()) return true;
    if (n.content.isEmpty() || n.image.isEmpty()) return false;
    const RenderRequest k = cached_;
    bool sameSource = source.color == sourceColor_ && source.opaque == sourceOpaque_ &&
                      source.hasContent == sourceHasContent_;
    bool full =
        dirty_ || !sameSource || pixels_.isEmpty() || n.content != k.content || n.image != k.image;
    mx_ = AxisMap{n.image.width, n.content.width};
    my_ = AxisMap{n.image.height, n.content.height};

    Rect overlap = full ? Rect{} : k.destRect.intersected(n.destRect);
    if (!full && overlap.isEmpty()) full = true;

    if (full) {
        if (!pixels_.resize(n.destRect.width(), n.destRect.height())) return false;
        cached_ = n;
        if (!renderArea(source, n.destRect)) {
            dirty_ = true;
            return false;
        }
        dirty_ = false;
        dirtyImage_ = {};
    } else if (overlap != n.destRect) {
        if (n.destRect.size() != k.destRect.size()) {
            if (!spare_.resize(n.destRect.width(), n.destRect.height())) return false;
            spare_.copyFrom(pixels_, overlap.offset(-k.destRect.left, -k.destRect.top),
                            Point{overlap.left - n.destRect.left, overlap.top - n.destRect.top});
            std::swap(pixels_, spare_);
        } else {
            pixels_.shift(k.destRect.left - n.destRect.left, k.destRect.top - n.destRect.top);
        }
        cached_ = n;
        if (!renderAllExcept(source, overlap)) {
            dirty_ = true;
            return false;
        }
    }
    if (!dirtyImage_.isEmpty()) {
        // Content pixels whose sampled image pixel lies in the changed rectangle.
        Rect changed{
            int32_t(mx_.toContent(dirtyImage_.left)), int32_t(my_.toContent(dirtyImage_.top)),
            int32_t(mx_.toContent(dirtyImage_.right)), int32_t(my_.toContent(dirtyImage_.bottom))};
        if (!renderArea(source, changed)) {
            dirty_ = true;
            return false;
        }
        dirtyImage_ = {};
    }
    sourceColor_ = source.color;
    sourceOpaque_ = source.opaque;
    sourceHasContent_ = source.hasContent;

    Rect inTarget = n.destRect.offset(to.x, to.y).intersected(clip);
    if (!inTarget.isEmpty()) {
        target.copyFrom(pixels_, inTarget.offset(-to.x - n.destRect.left, -to.y - n.destRect.top),
                        inTarget.topLeft());
    }
    return true;
}

RenderSource renderSourceOf(Document& document) {
    RenderSource source;
    // A one-layer image is drawn from its layer: no composite is made for it.
    if (const ColorImage* pixels = document.layers().pixelsAsComposite()) {
        source.color = pixels;
        source.opaque = true;
        source.hasContent = true;
        return source;
    }
    DocumentComposite* composite = document.composite();
    if (!composite) return source;
    source.color = &composite->color();
    source.coverage = &composite->alpha();
    source.opaque = document.isOpaque();
    source.hasContent = !document.layers().compositeList().entries.empty();
    return source;
}

bool paintViewArea(PixelBuffer32& frame, Rect clip, const ZoomScroller& scroller,
                   DisplayCache& cache, const RenderSource& source, uint32_t background,
                   uint32_t border) {
    Rect c = clip.intersected(frame.bounds());
    if (c.isEmpty()) return false;
    paintCanvasSurround(frame, c, scroller.imageRectInClient(), background, border);
    Rect visible = scroller.visibleClientImageRect().intersected(frame.bounds());
    Rect part = visible.intersected(c);
    if (part.isEmpty() || (!source.color && source.hasContent)) return false;
    Point o = scroller.offset();
    RenderRequest request{visible.offset(-o.x, -o.y), scroller.contentSize(), scroller.imageSize()};
    return cache.draw(request, source, frame, o, part);
}

}  // namespace varnel
