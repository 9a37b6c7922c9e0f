#include "filters/filter_action.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "document/change.h"
#include "document/layer.h"
#include "document/layer_stack.h"

namespace varnel {
namespace {

// r moved by (dx, dy), computed wide and kept within int32.
Rect moved(const Rect& r, int32_t dx, int32_t dy) {
    auto clampTo32 = [](int64_t v) {
        return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    return {clampTo32(int64_t(r.left) + dx), clampTo32(int64_t(r.top) + dy),
            clampTo32(int64_t(r.right) + dx), clampTo32(int64_t(r.bottom) + dy)};
}

const RasterLayer* asRaster(const LayerItem* item) {
    return item && item->kind() == kLayerKindRaster ? static_cast<const RasterLayer*>(item)
                                                    : nullptr;
}

}  // namespace

bool canTakeFilter(const Document& document, const SelectionArea& selection) {
    const RasterLayer* layer = asRaster(document.layers().activeLayer());
    if (!layer || !layer->pixels().isValid() || !layer->isVisible()) return false;
    if (!selection.isEmpty() && !selection.rect.intersects(layer->canvasBounds())) return false;
    return true;
}

bool selectionOnLayer(const SelectionArea& selection, const LayerItem& layer, CoverageMask& mask,
                      Rect& limit, const CoverageMask** maskOut, const Rect** limitOut) {
    *maskOut = nullptr;
    *limitOut = nullptr;
    if (selection.isEmpty()) return true;
    const Point offset = layer.offset();
    const Rect inLayer = moved(selection.rect, -offset.x, -offset.y);
    if (selection.mask) {
        if (!selection.mask->isValid() || selection.mask->size() != selection.rect.size()) {
            return false;
        }
        mask.plane = selection.mask;
        mask.origin = inLayer.topLeft();
        *maskOut = &mask;
    } else {
        limit = inLayer;
        *limitOut = &limit;
    }
    return true;
}

FilterAction::FilterAction(Document* document, Selection* selection, std::unique_ptr<Filter> filter)
    : HistoryAction(document, selection, -1), filter_(std::move(filter)) {}

SelectionArea FilterAction::selectionArea() const {
    return selection_ ? selection_->area() : SelectionArea{};
}

FilterAction::~FilterAction() = default;

std::string FilterAction::name() const {
    return filter_ ? filter_->name() : std::string("Unknown Filter");
}

void FilterAction::setFilter(std::unique_ptr<Filter> filter) {
    // The in-place mode is undone by the filter that made it, so it ends before another comes.
    if (inPlace_) leaveInPlace();
    filter_ = std::move(filter);
}

RasterLayer* FilterAction::targetLayer() const {
    if (!image_ || layerIndex_ < 0) return nullptr;
    RasterLayer* layer = image_->layers().rasterAt(layerIndex_);
    return layer && layer->pixels().isValid() ? layer : nullptr;
}

int FilterAction::execute() {
    if (!filter_ || !image_) return 0;
    if (neutral_) return 1;
    if (inPlace_) return applyInPlace();
    if (!snapshot_) {
        if (!canTakeFilter(*image_, selectionArea())) return 0;
        const int index = image_->layers().activeIndex();
        RasterLayer* layer = image_->layers().rasterAt(index);
        if (!layer) return 0;
        if (filter_->isSelfInverse() && selectionArea().isEmpty()) {
            layerIndex_ = index;
            inPlace_ = true;
            dirty_ = {};
            const int result = applyInPlace();
            if (!result) {
                // Whatever a failing pass wrote, the same pass over it again writes back.
                applyInPlace();
                inPlace_ = false;
                layerIndex_ = -1;
            }
            return result;
        }
        if (filter_->readsSeparateSource()) return executeIntoFreshStore(*layer, index);
        std::unique_ptr<ColorImage> copy = cloneOf(layer->pixels());
        if (!copy) return 0;
        snapshot_ = std::move(copy);
        layerIndex_ = index;
        dirty_ = {};
        const int result = applyTo(*layer, Source::Layer);
        if (!result) {
            snapshot_.reset();
            layerIndex_ = -1;
        }
        return result;
    }
    RasterLayer* layer = targetLayer();
    if (!layer) return 0;
    if (cropped_ && !kept_.contains(processingRectOn(*layer))) return 0;
    return applyTo(*layer, Source::Layer);
}

Rect FilterAction::processingRectOn(const RasterLayer& layer) const {
    CoverageMask mask;
    Rect limit;
    const CoverageMask* maskPtr;
    const Rect* limitPtr;
    if (!selectionOnLayer(selectionArea(), layer, mask, limit, &maskPtr, &limitPtr)) return {};
    return Filter::processingRect(layer.pixels().bounds(), maskPtr, limitPtr);
}

void FilterAction::recorded() {
    if (!snapshot_ || cropped_ || inPlace_ || selectionArea().isEmpty()) return;
    RasterLayer* layer = targetLayer();
    if (!layer || layer->pixels().size() != snapshot_->size()) return;
    // What the filter says it changed: a filter that works on the whole surface whatever the
    // selection (Stack Blur) keeps the whole copy.
    const Rect keep = dirty_.intersected(snapshot_->bounds());
    if (keep.isEmpty() || keep == snapshot_->bounds()) return;
    auto part = std::make_unique<ColorImage>();
    // Short of memory for the part: the whole copy stays, which undoes just as well.
    if (!part->createColor(keep.width(), keep.height())) return;
    const size_t rowBytes = size_t(keep.width()) * 3;
    for (int32_t y = 0; y < keep.height(); ++y)
        std::memcpy(part->row(y), snapshot_->row(keep.top + y) + size_t(keep.left) * 3, rowBytes);
    layerSize_ = snapshot_->size();
    snapshot_ = std::move(part);
    kept_ = keep;
    cropped_ = true;
}

// The layer's own pixel memory becomes the snapshot as it stands, and the filter writes into new
// memory reading from it: one pass over the pixels instead of a copy followed by the filter. The
// layer object stays the same (views and other holders keep pointers to it); only its store is
// exchanged.
int FilterAction::executeIntoFreshStore(RasterLayer& layer, int index) {
    ColorImage& pixels = layer.pixels();
    std::unique_ptr<SurfaceStore> fresh = SurfaceStore::createForOverwrite(*pixels.store());
    if (!fresh) return 0;
    auto before = std::make_unique<ColorImage>(std::move(fresh));
    if (!pixels.swapStores(*before)) return 0;
    snapshot_ = std::move(before);
    layerIndex_ = index;
    dirty_ = {};
    const int result = applyTo(layer, Source::FreshStore);
    if (!result) {
        // The layer gets its own memory back, untouched.
        pixels.swapStores(*snapshot_);
        snapshot_.reset();
        layerIndex_ = -1;
    }
    return result;
}

int FilterAction::applyInPlace() {
    RasterLayer* layer = targetLayer();
    if (!layer || !filter_) return 0;
    const int result = filter_->apply(layer->pixels(), nullptr, nullptr);
    if (result) report(*layer, filter_->changedRect());
    return result;
}

int FilterAction::leaveInPlace() {
    const int result = applyInPlace();
    inPlace_ = false;
    layerIndex_ = -1;
    dirty_ = {};
    return result;
}

namespace {

// Copies every pixel of `from` outside `keep` into `to` (same size and format).
void copyOutside(const ColorImage& from, ColorImage& to, const Rect& keep) {
    const Rect all = from.bounds();
    const size_t rowBytes = size_t(all.width()) * 3;
    for (int32_t y = 0; y < all.height(); ++y) {
        if (y < keep.top || y >= keep.bottom) {
            std::memcpy(to.row(y), from.row(y), rowBytes);
            continue;
        }
        std::memcpy(to.row(y), from.row(y), size_t(keep.left) * 3);
        const size_t right = size_t(keep.right) * 3;
        std::memcpy(to.row(y) + right, from.row(y) + right, rowBytes - right);
    }
}

}  // namespace

int FilterAction::applyTo(RasterLayer& layer, Source source) {
    const SelectionArea selection = selectionArea();
    CoverageMask mask;
    Rect limit;
    const CoverageMask* maskPtr;
    const Rect* limitPtr;
    if (!selectionOnLayer(selection, layer, mask, limit, &maskPtr, &limitPtr)) return 0;
    ColorImage& pixels = layer.pixels();
    const bool fused = source != Source::Layer;
    const int result = fused ? filter_->applyFrom(*snapshot_, pixels, maskPtr, limitPtr)
                             : filter_->apply(pixels, maskPtr, limitPtr);
    if (result) {
        if (source == Source::FreshStore) {
            // The filter wrote its processing rectangle; the rest of the new memory takes the
            // pixels as they were.
            copyOutside(*snapshot_, pixels,
                        Filter::processingRect(pixels.bounds(), maskPtr, limitPtr));
        }
        const Rect changed = filter_->changedRect();
        dirty_ = fused ? changed : dirty_.united(changed);
        report(layer, changed);
    }
    return result;
}

void FilterAction::report(RasterLayer& layer, Rect layerRect) {
    const Point offset = layer.offset();
    const Rect onCanvas = moved(layerRect, offset.x, offset.y).intersected(image_->bounds());
    if (onCanvas.isEmpty()) return;
    image_->notify({image_, &layer, onCanvas, kChangePixels});
}

int FilterAction::copyBack(RasterLayer& layer) {
    ColorImage& pixels = layer.pixels();
    if (cropped_) {
        // The part goes back where it was taken; a layer of another size or depth is not the
        // one it was taken from.
        if (!pixels.isValid() || pixels.size() != layerSize_ || pixels.bitsPerPixel() != 24)
            return 0;
        const size_t rowBytes = size_t(kept_.width()) * 3;
        for (int32_t y = 0; y < kept_.height(); ++y)
            std::memcpy(pixels.row(kept_.top + y) + size_t(kept_.left) * 3, snapshot_->row(y),
                        rowBytes);
        dirty_ = {};
        return 1;
    }
    const bool sameFormat = pixels.isValid() && pixels.size() == snapshot_->size() &&
                            pixels.bitsPerPixel() == snapshot_->bitsPerPixel() &&
                            pixels.bytesPerRow() == snapshot_->bytesPerRow();
    // Same format: the bytes go back into the layer's own memory, no new allocation.
    const int ok = sameFormat ? pixels.copyPixels(*snapshot_) : pixels.copyFrom(*snapshot_);
    if (ok) dirty_ = {};
    return ok;
}

int FilterAction::revert() {
    if (inPlace_) return applyInPlace();
    // Nothing was ever applied for neutral values: nothing to put back.
    if (neutral_ && !snapshot_) return 1;
    if (!snapshot_ || layerIndex_ < 0) return 0;
    RasterLayer* layer = image_ ? image_->layers().rasterAt(layerIndex_) : nullptr;
    if (!layer) return 0;
    const Rect before = layer->canvasBounds();
    if (!copyBack(*layer)) return 0;
    const Rect changed = before.united(layer->canvasBounds()).intersected(image_->bounds());
    if (!changed.isEmpty()) image_->notify({image_, layer, changed, kChangePixels});
    return 1;
}

int FilterAction::restoreSnapshot() {
    if (inPlace_) return leaveInPlace();
    if (!snapshot_ || layerIndex_ < 0) return 0;
    RasterLayer* layer = image_ ? image_->layers().rasterAt(layerIndex_) : nullptr;
    if (!layer) return 0;
    return copyBack(*layer);
}

int FilterAction::reapply() {
    if (!filter_) return 0;
    // In place, the layer already holds what putting the pixels back and applying again makes.
    if (inPlace_) return 1;
    if (!snapshot_) return execute();
    RasterLayer* layer = targetLayer();
    if (!layer) return 0;
    const ColorImage& pixels = layer->pixels();
    bool fused = !cropped_ && filter_->readsSeparateSource() &&
                 pixels.size() == snapshot_->size() &&
                 pixels.bitsPerPixel() == snapshot_->bitsPerPixel();
    if (fused && !dirty_.isEmpty()) {
        // The fused pass rewrites only the new processing rectangle: everything the last
        // application changed has to lie inside it.
        const SelectionArea selection = selectionArea();
        CoverageMask mask;
        Rect limit;
        const CoverageMask* maskPtr;
        const Rect* limitPtr;
        if (!selectionOnLayer(selection, *layer, mask, limit, &maskPtr, &limitPtr)) return 0;
        fused = Filter::processingRect(pixels.bounds(), maskPtr, limitPtr).contains(dirty_);
    }
    if (fused) {
        const int result = applyTo(*layer, Source::Snapshot);
        if (!result) restoreSnapshot();
        return result;
    }
    restoreSnapshot();
    return applyTo(*layer, Source::Layer);
}

void FilterAction::afterExecute(int result) {
    if (result && image_) image_->setModified(true);
}

}  // namespace varnel
