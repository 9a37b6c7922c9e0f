// The geometry applied to every layer of the stack: crop, half and quarter turns, flips, Image
// Size and Canvas Size. An operation that needs new memory builds every layer's new pixels and
// planes before it changes any layer, so that a shortage of memory leaves the stack as it was;
// the half turn and the flips work in place and cannot fail.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

#include "document/layer_stack.h"
#include "document/replaced_parts.h"

namespace varnel {

namespace {

// The raster layer at the item, when it holds pixels for the geometry to work on.
RasterLayer* pixelLayer(LayerItem& item) {
    if (item.kind() != kLayerKindRaster) return nullptr;
    auto& layer = static_cast<RasterLayer&>(item);
    return layer.pixels().isValid() ? &layer : nullptr;
}

// New planes of `size`, one for each plane of `masks`, each made by make(source, target) → int.
// `out` stays null for a layer without a plane set. False when memory is short.
template <typename Make>
bool newPlanes(const LayerMaskSet* masks, Size size, std::unique_ptr<LayerMaskSet>& out,
               Make&& make) {
    out.reset();
    if (!masks) return true;
    out = std::make_unique<LayerMaskSet>(size.width, size.height);
    for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i) {
        const Channel* source = masks->plane(i);
        if (!source) continue;
        auto plane = std::make_unique<Channel>();
        if (!make(*source, *plane) || !out->setPlane(i, std::move(plane))) return false;
    }
    return true;
}

// A layer's new content, built in full before any layer is changed.
struct Prepared {
    size_t index;
    ColorImage pixels;  // no pixels: the layer keeps its own (only the offset changes)
    std::unique_ptr<LayerMaskSet> masks;
    Point offset;
    bool placeholder = false;
};

// Room for one entry per layer, so that handing over replaced storage cannot fail part-way.
void reserveLayers(ReplacedParts* replaced, size_t count) {
    if (replaced) replaced->layers.reserve(replaced->layers.size() + count);
}

// Installs prepared content; nothing here can fail (the room in `replaced` is reserved).
void commit(RasterLayer& layer, Prepared& p, ReplacedParts* replaced) {
    if (p.pixels.isValid()) {
        layer.pixels().swapStores(p.pixels);
        std::unique_ptr<LayerMaskSet> old = layer.takeMasks();
        layer.setMasks(std::move(p.masks));
        if (replaced)
            replaced->layers.push_back({int(p.index), p.pixels.takeStore(), std::move(old), {}});
    }
    layer.setOffset(p.offset);
}

// a + b, false when the sum leaves the 32-bit range.
bool addOffset(int32_t a, int32_t b, int32_t& out) {
    return !__builtin_add_overflow(a, b, &out);
}

// v rounded half up, floor(v + 0.5), as a 32-bit coordinate; false when it does not fit. For
// the positive sizes this is trunc(v + 0.5); for positions left of or above the canvas,
// truncation would round toward zero and shift a layer by a pixel against the others (a layer
// at x = −2 doubled would land at −3 instead of −4).
bool roundToCoordinate(double v, int32_t& out) {
    const double r = std::floor(v + 0.5);
    if (!(r >= double(INT32_MIN) && r <= double(INT32_MAX))) return false;
    out = int32_t(r);
    return true;
}

}  // namespace

int LayerStack::cropAll(Rect rect, ReplacedParts* replaced) {
    rect = rect.normalized().intersected(Rect::fromSize(canvasSize()));
    if (rect.isEmpty()) return 0;
    try {
        std::vector<Prepared> work;
        for (size_t i = 0; i < layers_.size(); ++i) {
            const LayerItem& item = *layers_[i];
            if (item.kind() != kLayerKindRaster || item.isEmpty()) continue;
            const auto& layer = static_cast<const RasterLayer&>(item);
            const Rect keep = layer.canvasBounds().intersected(rect);
            if (keep.isEmpty() || !layer.pixels().isValid()) {
                work.push_back({i, {}, nullptr, {}, true});
                continue;
            }
            const Rect inLayer = keep.offset(-layer.offset().x, -layer.offset().y);
            Prepared p{i, {}, nullptr, {keep.left - rect.left, keep.top - rect.top}};
            if (!p.pixels.copyRectFrom(layer.pixels(), inLayer)) return 0;
            if (!newPlanes(
                    layer.masks(), keep.size(), p.masks,
                    [&](const Channel& c, Channel& out) { return out.copyRectFrom(c, inLayer); }))
                return 0;
            work.push_back(std::move(p));
        }
        std::vector<std::unique_ptr<LayerItem>> placeholders;
        for (const Prepared& p : work) {
            if (!p.placeholder) continue;
            const LayerItem& old = *layers_[p.index];
            auto item = std::make_unique<LayerItem>(old.name());
            item->setVisible(old.isVisible());
            item->setStack(this);
            placeholders.push_back(std::move(item));
        }
        reserveLayers(replaced, work.size());
        // Nothing below can fail.
        size_t next = 0;
        for (Prepared& p : work) {
            if (p.placeholder) {
                std::unique_ptr<LayerItem>& slot = layers_[p.index];
                if (active_ == slot.get()) active_ = placeholders[next].get();
                std::unique_ptr<LayerItem> old =
                    std::exchange(slot, std::move(placeholders[next++]));
                if (replaced) {
                    old->setStack(nullptr);
                    replaced->layers.push_back({int(p.index), {}, {}, std::move(old)});
                }
                continue;
            }
            commit(static_cast<RasterLayer&>(*layers_[p.index]), p, replaced);
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int LayerStack::rotateAll(double angle, ReplacedParts* replaced) {
    int turns = 0;
    if (std::fabs(angle - 90.0) <= 0.0001) {
        turns = 1;
    } else if (std::fabs(angle - 180.0) <= 0.0001) {
        turns = 2;
    } else if (std::fabs(angle - 270.0) <= 0.0001) {
        turns = 3;
    } else {
        return 0;
    }
    const Size canvas = canvasSize();
    // The position of a layer turned with the canvas.
    auto turnedOffset = [&](const RasterLayer& layer) -> Point {
        const Point o = layer.offset();
        const Size s = layer.size();
        if (turns == 1) return {canvas.height - (o.y + s.height), o.x};
        if (turns == 2) return {canvas.width - (o.x + s.width), canvas.height - (o.y + s.height)};
        return {o.y, canvas.width - (o.x + s.width)};
    };
    if (turns == 2) {
        // In place: a half turn needs no memory and so cannot fail part-way.
        for (auto& item : layers_) {
            RasterLayer* layer = pixelLayer(*item);
            if (!layer) continue;
            layer->setOffset(turnedOffset(*layer));
            layer->pixels().rotate180();
            if (LayerMaskSet* masks = layer->masks()) {
                for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i)
                    if (Channel* p = masks->plane(i)) p->rotate180();
            }
        }
        return 1;
    }
    const bool clockwise = turns == 1;
    try {
        std::vector<Prepared> work;
        for (size_t i = 0; i < layers_.size(); ++i) {
            const RasterLayer* layer = pixelLayer(*layers_[i]);
            if (!layer) continue;
            Prepared p{i, {}, nullptr, turnedOffset(*layer)};
            if (!layer->pixels().rotate90Into(p.pixels, clockwise)) return 0;
            if (!newPlanes(
                    layer->masks(), p.pixels.size(), p.masks,
                    [&](const Channel& c, Channel& out) { return c.rotate90Into(out, clockwise); }))
                return 0;
            work.push_back(std::move(p));
        }
        reserveLayers(replaced, work.size());
        for (Prepared& p : work) commit(static_cast<RasterLayer&>(*layers_[p.index]), p, replaced);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int LayerStack::flipAll(bool vertical) {
    // In place: mirroring needs no memory and so cannot fail part-way.
    const Size canvas = canvasSize();
    for (auto& item : layers_) {
        RasterLayer* layer = pixelLayer(*item);
        if (!layer) continue;
        const Point o = layer->offset();
        const Size s = layer->size();
        layer->setOffset(vertical ? Point{o.x, canvas.height - o.y - s.height}
                                  : Point{canvas.width - o.x - s.width, o.y});
        auto mirror = [vertical](PixelSurface& surface) {
            if (vertical) {
                surface.flipVertical();
            } else {
                surface.flipHorizontal();
            }
        };
        mirror(layer->pixels());
        if (LayerMaskSet* masks = layer->masks()) {
            for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i)
                if (Channel* p = masks->plane(i)) mirror(*p);
        }
    }
    return 1;
}

int LayerStack::resizeAll(Size size, bool smooth, ReplacedParts* replaced) {
    const Size canvas = canvasSize();
    if (size.isEmpty() || canvas.isEmpty()) return 0;
    if (size == canvas) return 1;
    // The ratios are held and multiplied in single precision; sizes and positions are rounded
    // half up, and no side becomes smaller than one pixel.
    const float sx = float(double(size.width) / double(canvas.width));
    const float sy = float(double(size.height) / double(canvas.height));
    try {
        std::vector<Prepared> work;
        for (size_t i = 0; i < layers_.size(); ++i) {
            const RasterLayer* layer = pixelLayer(*layers_[i]);
            if (!layer) continue;
            const Size s = layer->size();
            const Point o = layer->offset();
            Size to;
            Prepared p{i, {}, nullptr, {}};
            // The products are single precision too: 5 × (7/10) is 3.5 there, where the
            // double product of the same ratio falls just short of it and would round to 3.
            if (!roundToCoordinate(double(float(s.width) * sx), to.width) ||
                !roundToCoordinate(double(float(s.height) * sy), to.height) ||
                !roundToCoordinate(double(sx * float(o.x)), p.offset.x) ||
                !roundToCoordinate(double(float(o.y) * sy), p.offset.y))
                return 0;
            to.width = std::max(to.width, 1);
            to.height = std::max(to.height, 1);
            if (!layer->pixels().stretchInto(p.pixels, to, smooth)) return 0;
            // The planes follow the colour pixels' rule: levels are averaged when smoothing and
            // repeated or dropped when replicating, never combined bit by bit.
            if (!newPlanes(layer->masks(), to, p.masks, [&](const Channel& c, Channel& out) {
                    return c.stretchInto(out, to, smooth);
                }))
                return 0;
            work.push_back(std::move(p));
        }
        reserveLayers(replaced, work.size());
        for (Prepared& p : work) commit(static_cast<RasterLayer&>(*layers_[p.index]), p, replaced);
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

int LayerStack::resizeCanvasAll(Size size, Point shift, ColorRef extension,
                                ReplacedParts* replaced) {
    if (size.isEmpty() || size.width > kMaxSurfaceSide || size.height > kMaxSurfaceSide) return 0;
    const Rect canvas = Rect::fromSize(size);
    try {
        std::vector<Prepared> work;
        for (size_t i = 0; i < layers_.size(); ++i) {
            LayerItem& item = *layers_[i];
            if (!item.hasProperties()) continue;
            Prepared p{i, {}, nullptr, {}};
            const RasterLayer* layer = pixelLayer(item);
            if (!layer || !layer->isBackground()) {
                // Every other layer keeps its pixels and moves with the old canvas.
                const Point o = item.offset();
                if (!addOffset(o.x, shift.x, p.offset.x) || !addOffset(o.y, shift.y, p.offset.y))
                    return 0;
                work.push_back(std::move(p));
                continue;
            }
            // The background is re-framed to the new canvas: its old pixels where the old canvas
            // lands, the extension colour over the area they leave uncovered. Its transparency
            // planes are re-framed alike, the new area opaque.
            const Rect old = layer->canvasBounds().offset(shift.x, shift.y);
            const Rect kept = old.intersected(canvas);
            if (!p.pixels.createColor(size.width, size.height)) return 0;
            if (!kept.isEmpty() && !layer->pixels().drawTo(p.pixels.raster(), old.left, old.top))
                return 0;
            if (!p.pixels.fillRect(canvas, extension, kept.isEmpty() ? nullptr : &kept)) return 0;
            if (!newPlanes(layer->masks(), size, p.masks, [&](const Channel& c, Channel& out) {
                    if (!out.createGray(size.width, size.height)) return 0;
                    if (!kept.isEmpty() && !c.drawTo(out.raster(), old.left, old.top)) return 0;
                    return out.fillRect(canvas, 0xFFFFFF, kept.isEmpty() ? nullptr : &kept);
                }))
                return 0;
            work.push_back(std::move(p));
        }
        reserveLayers(replaced, work.size());
        for (Prepared& p : work) {
            LayerItem& item = *layers_[p.index];
            if (item.kind() == kLayerKindRaster) {
                commit(static_cast<RasterLayer&>(item), p, replaced);
            } else {
                static_cast<EmptyLayer&>(item).setOffset(p.offset);
            }
        }
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

}  // namespace varnel
