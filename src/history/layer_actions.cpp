#include "history/layer_actions.h"

#include <utility>

#include "document/layer_ops.h"
#include "history/image_snapshot.h"

namespace varnel {
namespace {

void setActiveIndex(Document& image, int index) {
    if (LayerItem* layer = image.layers().layerAt(index)) image.layers().setActiveLayer(layer);
}

}  // namespace

// --- Layer Properties ----------------------------------------------------------------------------

LayerPropertiesAction::LayerPropertiesAction(Document* image, Selection* selection, int index,
                                             std::string newName)
    : DocumentAction(image, selection, index), newName_(std::move(newName)) {}

int LayerPropertiesAction::execute() {
    LayerItem* layer = image_->layers().layerAt(layerIndex_);
    if (!layer) return 0;
    std::string old = layer->name();
    if (!renameLayer(*image_, layer, newName_)) return 0;
    oldName_ = std::move(old);
    return 1;
}

int LayerPropertiesAction::revert() {
    LayerItem* layer = image_->layers().layerAt(layerIndex_);
    return layer ? renameLayer(*image_, layer, oldName_) : 0;
}

// --- Blending Change -----------------------------------------------------------------------------

BlendingChangeAction::BlendingChangeAction(Document* image, Selection* selection, int index,
                                           int32_t mode)
    : DocumentAction(image, selection, index), mode_(mode) {}

int BlendingChangeAction::execute() {
    LayerItem* layer = image_->layers().layerAt(layerIndex_);
    if (!layer || !layer->hasProperties()) return 0;
    oldMode_ = static_cast<EmptyLayer*>(layer)->blendMode();
    if (oldMode_ == mode_) return 1;
    return changeBlendMode(*image_, layer, mode_);
}

int BlendingChangeAction::revert() {
    LayerItem* layer = image_->layers().layerAt(layerIndex_);
    if (!layer || !layer->hasProperties()) return 0;
    if (static_cast<EmptyLayer*>(layer)->blendMode() == oldMode_) return 1;
    return changeBlendMode(*image_, layer, oldMode_);
}

// --- Master Opacity Change -----------------------------------------------------------------------

OpacityChangeAction::OpacityChangeAction(Document* image, Selection* selection, int index,
                                         uint8_t opacity)
    : DocumentAction(image, selection, index), opacity_(opacity) {}

int OpacityChangeAction::execute() {
    LayerItem* layer = image_->layers().layerAt(layerIndex_);
    if (!layer || !layer->hasProperties()) return 0;
    oldOpacity_ = static_cast<EmptyLayer*>(layer)->masterOpacity();
    if (oldOpacity_ == opacity_) return 1;
    return changeMasterOpacity(*image_, layer, opacity_);
}

int OpacityChangeAction::revert() {
    LayerItem* layer = image_->layers().layerAt(layerIndex_);
    if (!layer || !layer->hasProperties()) return 0;
    if (static_cast<EmptyLayer*>(layer)->masterOpacity() == oldOpacity_) return 1;
    return changeMasterOpacity(*image_, layer, oldOpacity_);
}

// --- New Layer -----------------------------------------------------------------------------------

NewLayerAction::NewLayerAction(Document* image, Selection* selection, LayerProperties properties)
    : DocumentAction(image, selection, -1), properties_(std::move(properties)) {}

int NewLayerAction::execute() {
    LayerStack& stack = image_->layers();
    const int active = stack.activeIndex();
    if (kept_) {
        if (!stack.reinsert(std::move(kept_), layerIndex_)) return 0;
    } else {
        EmptyLayer* layer = newLayer(*image_, properties_);
        if (!layer) return 0;
        layerIndex_ = stack.indexOf(layer);
    }
    previousActive_ = active;
    return 1;
}

int NewLayerAction::revert() {
    if (kept_ || layerIndex_ < 0) return 0;
    std::unique_ptr<LayerItem> layer = image_->layers().detachAt(layerIndex_);
    if (!layer) return 0;
    kept_ = std::move(layer);
    setActiveIndex(*image_, previousActive_);
    return 1;
}

size_t NewLayerAction::byteSize() const {
    return kept_ ? layerBytes(*kept_) : 0;
}

void NewLayerAction::undoStores(std::vector<SurfaceStore*>& out) {
    if (kept_) addLayerStores(*kept_, out);
}

// --- Duplicate Layer -----------------------------------------------------------------------------

DuplicateLayerAction::DuplicateLayerAction(Document* image, Selection* selection, int sourceIndex,
                                           std::string copyName)
    : DocumentAction(image, selection, sourceIndex), copyName_(std::move(copyName)) {}

int DuplicateLayerAction::execute() {
    LayerStack& stack = image_->layers();
    const int active = stack.activeIndex();
    if (kept_) {
        if (!stack.reinsert(std::move(kept_), copyIndex_)) return 0;
    } else {
        if (!stack.layerAt(layerIndex_)) return 0;
        ActiveLayerGuard guard(*image_, layerIndex_);
        LayerItem* copy = duplicateLayer(*image_, copyName_);
        if (!copy) return 0;
        guard.keep();
        copyIndex_ = stack.indexOf(copy);
    }
    previousActive_ = active;
    return 1;
}

int DuplicateLayerAction::revert() {
    if (kept_ || copyIndex_ < 0) return 0;
    std::unique_ptr<LayerItem> copy = image_->layers().detachAt(copyIndex_);
    if (!copy) return 0;
    kept_ = std::move(copy);
    setActiveIndex(*image_, previousActive_);
    return 1;
}

size_t DuplicateLayerAction::byteSize() const {
    return kept_ ? layerBytes(*kept_) : 0;
}

void DuplicateLayerAction::undoStores(std::vector<SurfaceStore*>& out) {
    if (kept_) addLayerStores(*kept_, out);
}

// --- Delete Layer --------------------------------------------------------------------------------

DeleteLayerAction::DeleteLayerAction(Document* image, Selection* selection, int index)
    : DocumentAction(image, selection, index) {}

int DeleteLayerAction::execute() {
    LayerStack& stack = image_->layers();
    if (kept_ || stack.count() < 2 || !stack.layerAt(layerIndex_)) return 0;
    const int active = stack.activeIndex();
    std::unique_ptr<LayerItem> layer = stack.detachAt(layerIndex_);
    if (!layer) return 0;
    kept_ = std::move(layer);
    previousActive_ = active;
    return 1;
}

int DeleteLayerAction::revert() {
    if (!kept_) return 0;
    if (!image_->layers().reinsert(std::move(kept_), layerIndex_)) return 0;
    setActiveIndex(*image_, previousActive_);
    return 1;
}

size_t DeleteLayerAction::byteSize() const {
    return kept_ ? layerBytes(*kept_) : 0;
}

void DeleteLayerAction::undoStores(std::vector<SurfaceStore*>& out) {
    if (kept_) addLayerStores(*kept_, out);
}

// --- Layer Order ---------------------------------------------------------------------------------

LayerOrderAction::LayerOrderAction(Document* image, Selection* selection, int from, int to)
    : DocumentAction(image, selection, from), to_(to) {}

int LayerOrderAction::execute() {
    return image_->layers().move(layerIndex_, to_);
}

int LayerOrderAction::revert() {
    return image_->layers().move(to_, layerIndex_);
}

}  // namespace varnel
