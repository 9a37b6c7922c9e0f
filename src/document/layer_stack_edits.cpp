// The pixel edits of one layer through a selection.
#include <cmath>
#include <cstring>
#include <new>

#include "document/layer_stack.h"
#include "document/surface_geometry.h"

namespace varnel {

namespace {

bool hasPixels(const RasterLayer* layer) {
    return layer && layer->pixels().isValid();
}

// The selection's top-left corner in the layer's coordinates.
Point selectionOrigin(const RasterLayer& layer, const SelectionArea& s) {
    return {s.rect.left - layer.offset().x, s.rect.top - layer.offset().y};
}

// The selection rectangle in the layer's coordinates (the whole layer without a selection).
Rect selectionInLayer(const RasterLayer& layer, const SelectionArea& s) {
    if (s.isEmpty()) return layer.bounds();
    const Point o = selectionOrigin(layer, s);
    return Rect::fromXYWH(o.x, o.y, s.rect.width(), s.rect.height());
}

bool maskFits(const SelectionArea& s) {
    return !s.mask ||
           (s.mask->isValid() && s.mask->bitsPerPixel() == 8 && s.mask->size() == s.rect.size());
}

// Copies `source` into `target` (same depth) with its top-left pixel at `at`; false when they
// do not overlap.
bool blit(PixelSurface& target, const PixelSurface& source, Point at) {
    if (!target.isValid() || !source.isValid() || target.bitsPerPixel() != source.bitsPerPixel())
        return false;
    const Rect r =
        target.bounds().intersected(Rect::fromXYWH(at.x, at.y, source.width(), source.height()));
    if (r.isEmpty()) return false;
    const size_t bpp = size_t(target.bitsPerPixel() / 8);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        std::memcpy(target.row(y) + bpp * size_t(r.left),
                    source.row(y - at.y) + bpp * size_t(r.left - at.x), bpp * size_t(r.width()));
    }
    return true;
}

// New planes for a layer whose pixels are transformed by `make` (a store of the same kind);
// null when memory is short.
template <typename Make>
std::unique_ptr<LayerMaskSet> transformedMasks(const LayerMaskSet* masks, Size newSize,
                                               Make&& make) {
    auto out = std::make_unique<LayerMaskSet>(newSize.width, newSize.height);
    if (!masks) return out;
    for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i) {
        const Channel* p = masks->plane(i);
        if (!p) continue;
        std::unique_ptr<SurfaceStore> store = make(*p);
        if (!store) return nullptr;
        auto plane = std::make_unique<Channel>(std::move(store));
        if (!out->setPlane(i, std::move(plane))) return nullptr;
    }
    return out;
}

}  // namespace

int LayerStack::fillColorThroughSelection(int index, const SelectionArea& selection,
                                          ColorRef color) {
    RasterLayer* layer = rasterAt(index);
    if (!hasPixels(layer) || !maskFits(selection)) return 0;
    ColorImage& pixels = layer->pixels();
    int ok;
    if (selection.isEmpty()) {
        ok = fillAtOpacity(pixels, color, 255);
    } else if (selection.mask) {
        ok = colorThroughMask(pixels, color, *selection.mask, selectionOrigin(*layer, selection));
    } else {
        const Rect r = selectionInLayer(*layer, selection).intersected(pixels.bounds());
        ok = !r.isEmpty() && fillRectColor(pixels, r, Bgr::fromColorRef(color));
    }
    if (!ok) return 0;
    send(layer, selection.isEmpty() ? layer->canvasBounds() : selection.rect, kChangePixels);
    return 1;
}

int LayerStack::setAlphaThroughSelection(int index, const SelectionArea& selection, uint8_t value) {
    RasterLayer* layer = rasterAt(index);
    if (!hasPixels(layer) || !maskFits(selection)) return 0;
    const Rect area = selectionInLayer(*layer, selection).intersected(layer->bounds());
    if (area.isEmpty()) return 0;
    if (!layer->masks()) {
        layer->setMasks(std::make_unique<LayerMaskSet>(layer->size().width, layer->size().height));
    }
    Channel* plane = layer->masks()->ensureTransparency();
    if (!plane) return 0;
    if (selection.isEmpty()) {
        fillValue(*plane, value);
    } else if (selection.mask) {
        valueThroughMask(*plane, value, *selection.mask, selectionOrigin(*layer, selection));
    } else {
        fillRectValue(*plane, area, value);
    }
    send(layer, selection.isEmpty() ? layer->canvasBounds() : selection.rect, kChangePixels);
    return 1;
}

int LayerStack::pastePixels(int index, const ColorImage& pixels, const SelectionArea& selection) {
    RasterLayer* layer = rasterAt(index);
    if (!hasPixels(layer)) return 0;
    const Point at = selection.isEmpty() ? Point{} : selectionOrigin(*layer, selection);
    if (!blit(layer->pixels(), pixels, at)) return 0;
    const Point o = layer->offset();
    send(layer, Rect::fromXYWH(at.x + o.x, at.y + o.y, pixels.width(), pixels.height()),
         kChangePixels);
    return 1;
}

int LayerStack::pasteAlpha(int index, const GrayMap& alpha, const SelectionArea& selection) {
    RasterLayer* layer = rasterAt(index);
    if (!hasPixels(layer) || !alpha.isValid() || alpha.bitsPerPixel() != 8) return 0;
    const Point at = selection.isEmpty() ? Point{} : selectionOrigin(*layer, selection);
    const Rect placed = Rect::fromXYWH(at.x, at.y, alpha.width(), alpha.height());
    if (!layer->bounds().intersects(placed)) return 0;
    if (!layer->masks()) {
        layer->setMasks(std::make_unique<LayerMaskSet>(layer->size().width, layer->size().height));
    }
    Channel* plane = layer->masks()->ensureTransparency();
    if (!plane || !blit(*plane, alpha, at)) return 0;
    send(layer, placed.offset(layer->offset().x, layer->offset().y), kChangePixels);
    return 1;
}

int LayerStack::copyPixelsUnderSelection(int index, const SelectionArea& selection,
                                         ColorImage& out) const {
    const RasterLayer* layer = rasterAt(index);
    if (!hasPixels(layer)) return 0;
    auto store = croppedStore(layer->pixels(), selectionInLayer(*layer, selection));
    return store && out.adoptStore(std::move(store)) ? 1 : 0;
}

int LayerStack::copySelectedAlpha(int index, const SelectionArea& selection, GrayMap& out) const {
    const RasterLayer* layer = rasterAt(index);
    if (!hasPixels(layer)) return 0;
    const Rect r = selectionInLayer(*layer, selection);
    std::unique_ptr<SurfaceStore> store;
    if (const Channel* plane = layer->transparency()) {
        store = croppedStore(*plane, r);
    } else {
        store = SurfaceStore::create(r.width(), r.height(), 8);
        if (store) {
            for (int32_t y = 0; y < r.height(); ++y) {
                std::memset(store->row(y), 255, size_t(r.width()));
            }
        }
    }
    return store && out.adoptStore(std::move(store)) ? 1 : 0;
}

int LayerStack::growToCanvas(RasterLayer& layer) {
    const Rect bounds = layer.canvasBounds();
    const Rect grown = bounds.united(Rect::fromSize(canvasSize()));
    if (grown == bounds) return 1;
    const Rect inLayer = grown.offset(-bounds.left, -bounds.top);
    auto pixels = croppedStore(layer.pixels(), inLayer);
    if (!pixels) return 0;
    // The old area keeps its transparency (255 where there was no plane); the new area is
    // transparent.
    auto masks = transformedMasks(layer.masks(), grown.size(),
                                  [&](const Channel& p) { return croppedStore(p, inLayer); });
    if (!masks) return 0;
    if (!masks->transparency()) {
        auto store = SurfaceStore::create(grown.width(), grown.height(), 8);
        if (!store) return 0;
        for (int32_t y = 0; y < bounds.height(); ++y) {
            std::memset(store->row(y - inLayer.top) - inLayer.left, 255, size_t(bounds.width()));
        }
        if (!masks->setPlane(0, std::make_unique<Channel>(std::move(store)))) return 0;
    }
    layer.pixels().adoptStore(std::move(pixels));
    layer.setMasks(std::move(masks));
    layer.setOffset(grown.topLeft());
    return 1;
}

int LayerStack::fillThroughSelection(int index, const FillSettings& settings,
                                     const SelectionArea& selection) {
    RasterLayer* layer = rasterAt(index);
    if (!hasPixels(layer) || !maskFits(selection)) return 0;
    const Rect canvas = Rect::fromSize(canvasSize());
    if (!selection.isEmpty() && !selection.rect.intersects(canvas)) return 0;
    // A selection without a mask is its whole rectangle.
    GrayMap fullMask;
    const GrayMap* mask = selection.mask;
    if (!selection.isEmpty() && !mask) {
        if (!fullMask.createGray(selection.rect.width(), selection.rect.height())) return 0;
        fillValue(fullMask, 255);
        mask = &fullMask;
    }
    if (!growToCanvas(*layer)) return 0;
    GrayMap* alpha = nullptr;
    if (!layer->isBackground() && layer->masks()) alpha = layer->masks()->transparency();
    const int ok =
        fillLayerThroughSelection(layer->pixels(), alpha, selection.isEmpty() ? nullptr : mask,
                                  selectionOrigin(*layer, selection), settings);
    if (!ok) return 0;
    send(layer, selection.isEmpty() ? layer->canvasBounds() : selection.rect, kChangePixels);
    return 1;
}

// --- geometry ---------------------------------------------------------------------------------

}  // namespace varnel
