#include "document/clipboard_ops.h"

#include <cstring>
#include <vector>

#include "document/compositor.h"
#include "document/layer.h"
#include "document/layer_stack.h"

namespace varnel {

namespace {

const RasterLayer* activeRasterWithPixels(const Document& document) {
    const LayerItem* layer = document.layers().activeLayer();
    if (!layer || layer->kind() != kLayerKindRaster) return nullptr;
    const auto* raster = static_cast<const RasterLayer*>(layer);
    return raster->pixels().isValid() ? raster : nullptr;
}

// The selection's coverage of canvas row `y` from column `left` on, `width` values; null when the
// whole row is covered (nothing selected, or a selection without a mask).
const uint8_t* coverageRow(const SelectionArea& selection, int32_t y, int32_t left) {
    if (selection.isEmpty() || !selection.mask) return nullptr;
    return selection.mask->row(y - selection.rect.top) + (left - selection.rect.left);
}

// Drops a mask that covers everything.
void dropIfOpaque(Channel& mask) {
    for (int32_t y = 0; y < mask.height(); ++y) {
        const uint8_t* row = mask.row(y);
        for (int32_t x = 0; x < mask.width(); ++x)
            if (row[x] != 255) return;
    }
    mask.release();
}

}  // namespace

Rect copyRect(const Document& document, const SelectionArea& selection, bool merged) {
    const Rect canvas = document.bounds();
    if (merged) {
        if (document.layers().compositeList().entries.empty()) return {};
        return selection.isEmpty() ? canvas : selection.rect.intersected(canvas);
    }
    const RasterLayer* layer = activeRasterWithPixels(document);
    if (!layer) return {};
    const Rect placed = layer->canvasBounds();
    const Rect rect = (selection.isEmpty() ? placed : selection.rect).intersected(canvas);
    return rect.intersects(placed) ? rect : Rect{};
}

int copyLayerArea(const Document& document, const SelectionArea& selection, CopiedArea& out) {
    const Rect rect = copyRect(document, selection, false);
    if (rect.isEmpty()) return 0;
    const RasterLayer& layer = *activeRasterWithPixels(document);
    ColorImage pixels;
    Channel mask;
    if (!pixels.createColor(rect.width(), rect.height()) ||
        !mask.createGray(rect.width(), rect.height())) {
        return 0;
    }
    // The transparency planes multiply; a layer without planes is opaque.
    std::vector<const Channel*> planes;
    if (const LayerMaskSet* masks = layer.masks())
        for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i)
            if (masks->plane(i)) planes.push_back(masks->plane(i));

    // Outside the layer both stay 0: nothing there to copy.
    const Rect placed = layer.canvasBounds();
    const Rect overlap = rect.intersected(placed);
    const int32_t width = overlap.width();
    const int32_t layerLeft = overlap.left - placed.left;
    for (int32_t y = overlap.top; y < overlap.bottom; ++y) {
        const int32_t layerY = y - placed.top;
        std::memcpy(pixels.pixels(y - rect.top) + (overlap.left - rect.left),
                    layer.pixels().pixels(layerY) + layerLeft, sizeof(Bgr) * size_t(width));
        uint8_t* m = mask.row(y - rect.top) + (overlap.left - rect.left);
        const uint8_t* coverage = coverageRow(selection, y, overlap.left);
        for (int32_t x = 0; x < width; ++x) {
            uint32_t a = coverage ? coverage[x] : 255;
            for (const Channel* plane : planes) a = a * plane->row(layerY)[layerLeft + x] / 255;
            m[x] = uint8_t(a);
        }
    }
    dropIfOpaque(mask);
    if (!out.pixels.swapStores(pixels)) return 0;
    if (mask.isValid())
        out.mask.swapStores(mask);
    else
        out.mask.release();
    out.rect = rect;
    return 1;
}

int copyMergedArea(Document& document, const SelectionArea& selection, CopiedArea& out) {
    const Rect rect = copyRect(document, selection, true);
    if (rect.isEmpty()) return 0;
    DocumentComposite* composite = document.composite();
    if (!composite) return 0;
    ColorImage pixels;
    Channel mask;
    if (!pixels.copyRectFrom(composite->color(), rect) ||
        !mask.createGray(rect.width(), rect.height())) {
        return 0;
    }
    for (int32_t y = rect.top; y < rect.bottom; ++y) {
        const uint8_t* alpha = composite->alpha().row(y) + rect.left;
        const uint8_t* coverage = coverageRow(selection, y, rect.left);
        uint8_t* m = mask.row(y - rect.top);
        for (int32_t x = 0; x < rect.width(); ++x)
            m[x] = coverage ? uint8_t(uint32_t(coverage[x]) * alpha[x] / 255) : alpha[x];
    }
    dropIfOpaque(mask);
    if (!out.pixels.swapStores(pixels)) return 0;
    if (mask.isValid())
        out.mask.swapStores(mask);
    else
        out.mask.release();
    out.rect = rect;
    return 1;
}

int putOnClipboard(ClipboardStore& store, const CopiedArea& area, Size canvas) {
    const ClipboardOrigin origin{area.rect.topLeft(), canvas};
    if (!store.put(area.pixels, area.mask.isValid() ? &area.mask : nullptr, &origin)) return 0;
    store.publish();
    return 1;
}

int copyToClipboard(Document& document, const SelectionArea& selection, bool merged,
                    ClipboardStore& store) {
    CopiedArea area;
    const int copied = merged ? copyMergedArea(document, selection, area)
                              : copyLayerArea(document, selection, area);
    return copied && putOnClipboard(store, area, document.size());
}

Point pastePosition(Size size, const std::optional<ClipboardOrigin>& origin, Size canvas,
                    Rect visible) {
    const Rect canvasRect = Rect::fromSize(canvas);
    if (origin && origin->canvas == canvas &&
        canvasRect.contains(
            Rect::fromXYWH(origin->position.x, origin->position.y, size.width, size.height))) {
        return origin->position;
    }
    const Rect seen = visible.intersected(canvasRect);
    return seen.isEmpty() ? Point{0, 0} : seen.topLeft();
}

}  // namespace varnel
