#include "history/clipboard_actions.h"

#include <new>
#include <utility>

#include "document/clipboard_ops.h"
#include "document/layer_stack.h"
#include "document/selection.h"
#include "history/image_snapshot.h"

namespace varnel {

int CutAction::execute() {
    if (copied_ || !store_) return ClearAction::execute();
    if (!selection_ || selection_->isEmpty()) return 0;
    CopiedArea area;
    {
        ActiveLayerGuard guard(*image_, layerIndex_);
        if (!copyLayerArea(*image_, selection_->area(), area)) return 0;
    }
    if (!ClearAction::execute()) return 0;
    copied_ = true;
    putOnClipboard(*store_, area, image_->size());
    return 1;
}

PasteAction::PasteAction(Document* image, Selection* selection, ColorImage& pixels, Channel& mask,
                         Point position)
    : DocumentAction(image, selection, -1), position_(position) {
    pixels_.swapStores(pixels);
    mask_.swapStores(mask);
}

int PasteAction::selectPasted(const RasterLayer& layer) {
    if (!selection_) return 1;
    return selection_->setCoverage(layer.canvasBounds(), layer.transparency());
}

int PasteAction::execute() {
    if (!kept_ && !pixels_.isValid()) return 0;
    if (selection_ && !selectionBefore_) {
        selectionBefore_ = selection_->clone();
        if (!selectionBefore_) return 0;
    }
    LayerStack& stack = image_->layers();
    const int active = stack.activeIndex();
    if (kept_) {
        if (!stack.reinsert(std::move(kept_), layerIndex_)) return 0;
    } else {
        std::unique_ptr<LayerMaskSet> masks;
        if (mask_.isValid()) {
            masks = std::make_unique<LayerMaskSet>(pixels_.width(), pixels_.height());
            auto plane = std::make_unique<Channel>();
            if (!plane->swapStores(mask_) || !masks->setPlane(0, std::move(plane))) return 0;
        }
        RasterLayer* layer = stack.adoptRasterLayer(pixels_, std::move(masks), position_);
        if (!layer) return 0;
        layerIndex_ = stack.indexOf(layer);
    }
    previousActive_ = active;
    if (!selectPasted(*stack.rasterAt(layerIndex_))) {
        // Without its selection the paste is not done: the layer goes out again.
        kept_ = stack.detachAt(layerIndex_);
        if (LayerItem* before = stack.layerAt(previousActive_)) stack.setActiveLayer(before);
        selectionBefore_.reset();
        return 0;
    }
    return 1;
}

int PasteAction::revert() {
    if (kept_ || layerIndex_ < 0) return 0;
    LayerStack& stack = image_->layers();
    std::unique_ptr<LayerItem> layer = stack.detachAt(layerIndex_);
    if (!layer) return 0;
    kept_ = std::move(layer);
    if (LayerItem* before = stack.layerAt(previousActive_)) stack.setActiveLayer(before);
    if (selection_ && selectionBefore_) {
        selection_->restore(*selectionBefore_);
        selectionBefore_.reset();
    }
    return 1;
}

size_t PasteAction::byteSize() const {
    size_t bytes = pixels_.imageBytes() + mask_.imageBytes();
    if (kept_) bytes += layerBytes(*kept_);
    if (selectionBefore_ && selectionBefore_->mask())
        bytes += selectionBefore_->mask()->imageBytes();
    return bytes;
}

void PasteAction::undoStores(std::vector<SurfaceStore*>& out) {
    // The selection's copy stays in memory: its plane may be shared with the live selection.
    addStores(pixels_, out);
    addStores(mask_, out);
    if (kept_) addLayerStores(*kept_, out);
}

std::unique_ptr<PasteAction> makePasteAction(Document* image, Selection* selection,
                                             const ClipboardStore& store, Rect visible) {
    if (!image) return nullptr;
    ClipboardImage pasted;
    if (!store.paste(pasted)) return nullptr;
    const Point at = pastePosition(pasted.image.size(), pasted.origin, image->size(), visible);
    try {
        return std::make_unique<PasteAction>(image, selection, pasted.image, pasted.mask, at);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace varnel
