#include "history/merge_actions.h"

#include <new>

#include "document/layer_ops.h"
#include "history/image_snapshot.h"

namespace varnel {

int MergeAction::execute() {
    if (!image_ || !canMerge()) return 0;
    const int active = image_->layers().activeIndex();
    MergedLayers record;
    if (!merge(&record)) return 0;
    record_ = std::move(record);
    activeBefore_ = active;
    done_ = true;
    return 1;
}

int MergeAction::revert() {
    if (!done_) return 0;
    LayerStack& stack = image_->layers();
    LayerItem* added = record_.added;
    if (added && !stack.contains(added)) return 0;
    for (const DeletedLayer& d : record_.removed)
        if (!d.layer) return 0;
    // Room for every layer first: nothing below can fail.
    if (!stack.reserve(stack.count() + int(record_.removed.size()))) return 0;
    if (added) stack.detach(added, false);
    for (auto it = record_.removed.rbegin(); it != record_.removed.rend(); ++it)
        stack.insert(std::move(it->layer), it->index, false);
    record_ = MergedLayers{};
    done_ = false;
    if (LayerItem* active = stack.layerAt(activeBefore_)) stack.setActiveLayer(active);
    image_->notify({image_, nullptr, image_->bounds(), kChangeStructure});
    return 1;
}

size_t MergeAction::byteSize() const {
    size_t bytes = 0;
    for (const DeletedLayer& d : record_.removed)
        if (d.layer) bytes += layerBytes(*d.layer);
    return bytes;
}

void MergeAction::undoStores(std::vector<SurfaceStore*>& out) {
    for (DeletedLayer& d : record_.removed)
        if (d.layer) addLayerStores(*d.layer, out);
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

int MergeLayersAction::merge(MergedLayers* record) {
    return mergeLayers(*image_, layers(), record) ? 1 : 0;
}

int MergeDownAction::canMerge() {
    if (!image_->layers().layerAt(layerIndex_)) return 0;
    ActiveLayerGuard guard(*image_, layerIndex_);
    return canMergeDown(*image_, 1) ? 1 : 0;
}

int MergeDownAction::merge(MergedLayers* record) {
    ActiveLayerGuard guard(*image_, layerIndex_);
    if (!mergeDown(*image_, record)) return 0;
    guard.keep();
    return 1;
}

int MergeVisibleAction::canMerge() {
    if (!image_->layers().layerAt(layerIndex_)) return 0;
    ActiveLayerGuard guard(*image_, layerIndex_);
    return canMergeVisible(*image_) ? 1 : 0;
}

int MergeVisibleAction::merge(MergedLayers* record) {
    ActiveLayerGuard guard(*image_, layerIndex_);
    if (!mergeVisible(*image_, record)) return 0;
    guard.keep();
    return 1;
}

int FlattenImageAction::canMerge() {
    return canFlatten(*image_) ? 1 : 0;
}

int FlattenImageAction::merge(MergedLayers* record) {
    return flattenImage(*image_, record);
}

}  // namespace varnel
