#include "document/selection.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/mask_ops.h"
#include "core/stack_blur.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "document/surface_geometry.h"

namespace varnel {

namespace {

// `out` becomes the coverage of `frame` (canvas coordinates) given by the mask over `rect`: the
// mask's pixels inside the frame keep their canvas position, the rest is 0.
bool framedCopy(Rect rect, const GrayMap* mask, Rect frame, GrayMap& out) {
    if (frame.isEmpty()) return false;
    if (!mask || !rect.intersects(frame)) return out.createGray(frame.width(), frame.height()) != 0;
    if (frame == rect) return out.copyFrom(*mask) != 0;
    std::unique_ptr<SurfaceStore> store = croppedStore(*mask, frame.offset(-rect.left, -rect.top));
    return store && out.adoptStore(std::move(store));
}

// Cuts a frame and its mask to the bounding box of the non-zero values; an all-zero mask leaves
// an empty frame without pixels.
bool tightenFrame(Rect& rect, GrayMap& mask) {
    const Rect content = contentBounds(mask, 0);
    if (content.isEmpty()) {
        rect = {};
        mask.release();
        return true;
    }
    if (content == mask.bounds()) return true;
    std::unique_ptr<SurfaceStore> store = croppedStore(mask, content);
    if (!store || !mask.adoptStore(std::move(store))) return false;
    rect = content.offset(rect.left, rect.top);
    return true;
}

Rect grown(Rect r, int32_t by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

bool isCanvasPlane(const GrayMap& mask, Size canvas) {
    return mask.isValid() && mask.bitsPerPixel() == 8 && mask.size() == canvas;
}

// The image Grow and Similar sample: the active layer placed on the canvas. A raster layer that
// covers the canvas exactly is used as it is; otherwise a canvas-sized copy is made, transparent
// wherever the layer has no pixels.
struct LayerSample {
    const ColorImage* image = nullptr;
    const GrayMap* alpha = nullptr;
    ColorImage ownImage;
    GrayMap ownAlpha;
};

int sampleActiveLayer(const Document& document, LayerSample& out) {
    const LayerItem* layer = document.layers().activeLayer();
    if (!layer) return 0;
    const Rect canvas = document.bounds();
    const RasterLayer* raster =
        layer->kind() == kLayerKindRaster ? static_cast<const RasterLayer*>(layer) : nullptr;
    if (raster && !raster->pixels().isValid()) raster = nullptr;
    if (raster && raster->canvasBounds() == canvas) {
        out.image = &raster->pixels();
        out.alpha = raster->transparency();
        return 1;
    }
    if (!out.ownImage.createColor(canvas.width(), canvas.height()) ||
        !out.ownAlpha.createGray(canvas.width(), canvas.height())) {
        return 0;
    }
    if (raster) {
        const Rect placed = raster->canvasBounds();
        const Rect overlap = placed.intersected(canvas);
        const Channel* plane = raster->transparency();
        for (int32_t y = overlap.top; y < overlap.bottom; ++y) {
            const int32_t ly = y - placed.top;
            const int32_t lx = overlap.left - placed.left;
            std::memcpy(out.ownImage.pixels(y) + overlap.left, raster->pixels().pixels(ly) + lx,
                        sizeof(Bgr) * size_t(overlap.width()));
            uint8_t* a = out.ownAlpha.row(y) + overlap.left;
            if (plane) {
                std::memcpy(a, plane->row(ly) + lx, size_t(overlap.width()));
            } else {
                std::memset(a, 255, size_t(overlap.width()));
            }
        }
    }
    out.image = &out.ownImage;
    out.alpha = &out.ownAlpha;
    return 1;
}

}  // namespace

// --- copies and state ---------------------------------------------------------------------------

std::unique_ptr<Selection> Selection::clone() const {
    std::unique_ptr<Selection> out;
    try {
        out = std::make_unique<Selection>(canvas_);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (mask_.isValid() && !out->mask_.copyFrom(mask_)) return nullptr;
    out->rect_ = rect_;
    return out;
}

int Selection::restore(const Selection& saved) {
    if (&saved == this) return 1;
    Mask copy;
    if (saved.mask_.isValid() && !copy.copyFrom(saved.mask_)) return 0;
    canvas_ = saved.canvas_;
    commit(saved.rect_, copy);
    return 1;
}

void Selection::resetCanvas(Size canvas) {
    const Rect old = rect_;
    canvas_ = canvas;
    rect_ = {};
    mask_.release();
    if (!old.isEmpty()) notify(old);
}

uint8_t Selection::coverageAt(int32_t x, int32_t y) const {
    if (!rect_.contains(x, y) || !mask_.isValid()) return 0;
    return mask_.row(y - rect_.top)[x - rect_.left];
}

bool Selection::contains(Point p, bool strict) const {
    const uint8_t v = coverageAt(p.x, p.y);
    return strict ? v >= 128 : v != 0;
}

void Selection::commit(Rect rect, Mask& mask, bool changed) {
    const Rect old = rect_;
    if (rect.isEmpty() || !mask.isValid()) {
        rect_ = {};
        mask_.release();
    } else {
        rect_ = rect;
        mask_.adoptStore(mask.takeStore());
    }
    if (changed) notify(old);
}

void Selection::notify(Rect oldBounds) {
    const SelectionChange change{this, oldBounds, rect_,
                                 oldBounds.united(rect_).intersected(canvasRect())};
    const std::vector<SelectionListener*> snapshot = listeners_;
    for (SelectionListener* l : snapshot) {
        // A listener may remove itself or another one while being told.
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) {
            l->selectionChanged(change);
        }
    }
}

void Selection::addListener(SelectionListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void Selection::removeListener(SelectionListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

// --- framing ------------------------------------------------------------------------------------

int Selection::reframe(Rect newRect) {
    const Rect frame = newRect.normalized().intersected(canvasRect());
    Mask m;
    if (frame.isEmpty()) {
        commit({}, m, !isEmpty());
        return 1;
    }
    if (frame == rect_ && mask_.isValid()) return 1;
    if (!framedCopy(rect_, mask(), frame, m)) return 0;
    commit(frame, m);
    return 1;
}

int Selection::setCoverage(Rect rect, const GrayMap* coverage) {
    if (coverage && (!coverage->isValid() || coverage->size() != rect.size())) return 0;
    const Rect frame = rect.intersected(canvasRect());
    Mask m;
    if (frame.isEmpty()) {
        commit({}, m, !isEmpty());
        return 1;
    }
    Rect r = frame;
    if (coverage) {
        if (!framedCopy(rect, coverage, frame, m) || !tightenFrame(r, m)) return 0;
    } else {
        if (!m.createGray(frame.width(), frame.height())) return 0;
        fillValue(m, 255);
    }
    commit(r, m);
    return 1;
}

int Selection::tighten() {
    if (isEmpty()) return 1;
    Rect r = rect_;
    Mask m;
    if (!m.copyFrom(mask_) || !tightenFrame(r, m)) return 0;
    if (r == rect_) return 1;
    commit(r, m);
    return 1;
}

template <typename Work>
int Selection::processFramed(Rect frame, Work&& work) {
    frame = frame.intersected(canvasRect());
    if (frame.isEmpty()) return 0;
    MorphologyMask m;
    if (!framedCopy(rect_, mask(), frame, m) || !work(static_cast<GrayMap&>(m)) ||
        !tightenFrame(frame, m)) {
        return 0;
    }
    commit(frame, m);
    return 1;
}

template <typename Work>
int Selection::processCanvas(Work&& work) {
    return processFramed(canvasRect(), std::forward<Work>(work));
}

// --- commands -----------------------------------------------------------------------------------

int Selection::setShape(Rect rect, bool elliptical) {
    const Rect shape = rect.normalized();
    const Rect frame = shape.intersected(canvasRect());
    Mask m;
    if (frame.isEmpty()) {
        commit({}, m);
        return 1;
    }
    if (!m.createGray(frame.width(), frame.height())) return 0;
    if (elliptical) {
        // Drawn at the shape's full rectangle, so that the part on the canvas is the part of the
        // whole ellipse.
        if (!m.drawEllipse(shape.offset(-frame.left, -frame.top), 0xFFFFFF)) return 0;
    } else {
        fillValue(m, 255);
    }
    commit(frame, m);
    return 1;
}

int Selection::deselect() {
    if (isEmpty()) return 0;
    Mask none;
    commit({}, none);
    return 1;
}

int Selection::invert() {
    if (isEmpty()) return 0;
    return processCanvas([](GrayMap& m) {
        for (int32_t y = 0; y < m.height(); ++y) {
            uint8_t* row = m.row(y);
            for (int32_t x = 0; x < m.width(); ++x) row[x] = uint8_t(255 - row[x]);
        }
        return true;
    });
}

int Selection::loadMask(const GrayMap& mask) {
    if (!isCanvasPlane(mask, canvas_)) return 0;
    Rect frame = canvasRect();
    Mask m;
    if (!m.copyFrom(mask) || !tightenFrame(frame, m)) return 0;
    commit(frame, m);
    return 1;
}

int Selection::feather(double radius) {
    if (isEmpty()) return 0;
    // NaN and values below the range count as the smallest radius.
    radius = radius >= kFeatherMinRadius ? std::min(radius, kFeatherMaxRadius) : kFeatherMinRadius;
    const int32_t margin = int32_t(std::ceil(radius * 2.7));
    const int32_t blur = int32_t(std::ceil(radius));
    return processFramed(grown(rect_, margin),
                         [blur](GrayMap& m) { return stackBlur(m, m.bounds(), blur, blur) != 0; });
}

int Selection::expand(int32_t n) {
    if (isEmpty()) return 0;
    n = std::clamp(n, kSelectionMinRadius, kSelectionMaxRadius);
    return processFramed(grown(rect_, n), [n](GrayMap& m) { return dilate(m, n, n) != 0; });
}

int Selection::contract(int32_t n) {
    if (isEmpty()) return 0;
    n = std::clamp(n, kSelectionMinRadius, kSelectionMaxRadius);
    // One pixel of room on every side away from the canvas edge: the unselected pixels there
    // bite into the selection; at the canvas edge the outside counts as unselected anyway.
    return processFramed(grown(rect_, 1), [n](GrayMap& m) { return erode(m, n, n, false) != 0; });
}

int Selection::border(int32_t n) {
    if (isEmpty()) return 0;
    n = std::clamp(n, kSelectionMinRadius, kSelectionMaxRadius);
    return processFramed(grown(rect_, n),
                         [n](GrayMap& m) { return varnel::border(m, n, n, true, false) != 0; });
}

int Selection::grow(const ColorImage& image, const GrayMap* alpha, int32_t tolerance) {
    if (isEmpty() || !image.isValid() || image.size() != canvas_) return 0;
    if (alpha && !isCanvasPlane(*alpha, canvas_)) return 0;
    return processCanvas([&](GrayMap& m) { return varnel::grow(m, image, alpha, tolerance) != 0; });
}

int Selection::similar(const ColorImage& image, const GrayMap* alpha, int32_t tolerance) {
    if (isEmpty() || !image.isValid() || image.size() != canvas_) return 0;
    if (alpha && !isCanvasPlane(*alpha, canvas_)) return 0;
    return processCanvas(
        [&](GrayMap& m) { return varnel::similar(m, image, alpha, tolerance) != 0; });
}

int Selection::grow(const Document& document, int32_t tolerance) {
    if (isEmpty() || document.size() != canvas_) return 0;
    LayerSample sample;
    if (!sampleActiveLayer(document, sample)) return 0;
    return grow(*sample.image, sample.alpha, tolerance);
}

int Selection::similar(const Document& document, int32_t tolerance) {
    if (isEmpty() || document.size() != canvas_) return 0;
    LayerSample sample;
    if (!sampleActiveLayer(document, sample)) return 0;
    return similar(*sample.image, sample.alpha, tolerance);
}

int Selection::toCanvasMask(Channel& out) const {
    if (canvas_.isEmpty()) return 0;
    return framedCopy(rect_, mask(), canvasRect(), out) ? 1 : 0;
}

}  // namespace varnel
