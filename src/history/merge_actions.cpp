#include "history/merge_actions.h"

#include <new>

#include "document/layer_ops.h"

namespace varnel {

int MergeAction::execute() {
    if (!image_ || !canMerge()) return 0;
    if (!snapshot_ && !(snapshot_ = ImageSnapshot::take(*image_))) return 0;
    return merge();
}

int MergeAction::revert() {
    return snapshot_ ? snapshot_->restore(*image_) : 0;
}

size_t MergeAction::byteSize() const {
    return snapshot_ ? snapshot_->byteSize() : 0;
}

std::vector<LayerItem*> MergeLayersAction::layers() const {
    std::vector<LayerItem*> out;
    try {
        for (int index : indices_) {
            LayerItem* layer = image_->layers().layerAt(index);
            if (!layer) return {};
            out.push_back(layer);
        }
    } catch (const std::bad_alloc&) {
        return {};
    }
    return out;
}

int MergeLayersAction::canMerge() {
    const std::vector<LayerItem*> list = layers();
    const std::vector<const LayerItem*> selected(list.begin(), list.end());
    return canMergeLayers(*image_, selected) ? 1 : 0;
}

int MergeLayersAction::merge() {
    return mergeLayers(*image_, layers()) ? 1 : 0;
}

int MergeDownAction::canMerge() {
    if (!image_->layers().layerAt(layerIndex_)) return 0;
    ActiveLayerGuard guard(*image_, layerIndex_);
    return canMergeDown(*image_, 1) ? 1 : 0;
}

int MergeDownAction::merge() {
    ActiveLayerGuard guard(*image_, layerIndex_);
    if (!mergeDown(*image_)) return 0;
    guard.keep();
    return 1;
}

int MergeVisibleAction::canMerge() {
    if (!image_->layers().layerAt(layerIndex_)) return 0;
    ActiveLayerGuard guard(*image_, layerIndex_);
    return canMergeVisible(*image_) ? 1 : 0;
}

int MergeVisibleAction::merge() {
    ActiveLayerGuard guard(*image_, layerIndex_);
    if (!mergeVisible(*image_)) return 0;
    guard.keep();
    return 1;
}

int FlattenImageAction::canMerge() {
    return canFlatten(*image_) ? 1 : 0;
}

int FlattenImageAction::merge() {
    return flattenImage(*image_);
}

}  // namespace varnel
