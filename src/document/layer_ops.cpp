#include "document/layer_ops.h"

#include <algorithm>
#include <new>

#include "core/blend_modes.h"
#include "document/compositor.h"
#include "document/layer_names.h"

namespace varnel {

namespace {

bool isVisibleRaster(const LayerItem* layer) {
    return layer && layer->kind() == kLayerKindRaster && layer->isVisible();
}

}  // namespace

// --- enabled states
// -------------------------------------------------------------------------------

bool hasActiveLayer(const Document& document) {
    return document.layers().activeLayer() != nullptr;
}

bool canDeleteLayer(const Document& document) {
    return hasActiveLayer(document) && document.layers().count() > 1;
}

bool canMergeLayers(const Document& document, const std::vector<const LayerItem*>& selected) {
    if (selected.size() < 2) return false;
    const LayerStack& stack = document.layers();
    return std::any_of(selected.begin(), selected.end(),
                       [&](const LayerItem* l) { return stack.contains(l) && l->isVisible(); });
}

bool canMergeDown(const Document& document, int selectedCount) {
    const LayerStack& stack = document.layers();
    const int i = stack.activeIndex();
    return selectedCount == 1 && i > 0 && stack.layerAt(i)->isVisible() &&
           stack.layerAt(i - 1)->isVisible();
}

bool canMergeVisible(const Document& document) {
    const LayerStack& stack = document.layers();
    const LayerItem* active = stack.activeLayer();
    if (!active || !active->isVisible()) return false;
    int visible = 0;
    for (int i = 0; i < stack.count(); ++i) visible += stack.layerAt(i)->isVisible() ? 1 : 0;
    return visible > 1;
}

bool canFlatten(const Document& document) {
    const LayerStack& stack = document.layers();
    return !(stack.count() == 1 && stack.isBackgroundAt(0));
}

bool canClear(const Document& document, const SelectionArea& selection) {
    return !selection.isEmpty() && isVisibleRaster(document.layers().activeLayer());
}

bool canFill(const Document& document) {
    return isVisibleRaster(document.layers().activeLayer());
}

// --- stack and properties
// -------------------------------------------------------------------------

EmptyLayer* newLayer(Document& document, const LayerProperties& properties) {
    return document.layers().newEmptyLayer(&properties);
}

LayerItem* duplicateLayer(Document& document, const std::string& name) {
    LayerStack& stack = document.layers();
    const LayerItem* active = stack.activeLayer();
    if (!active) return nullptr;
    return stack.duplicate(active, name.empty() ? stack.duplicateName(active->name()) : name);
}

DeletedLayer deleteLayer(Document& document) {
    LayerStack& stack = document.layers();
    DeletedLayer out;
    if (!canDeleteLayer(document)) return out;
    const int index = stack.activeIndex();
    out.layer = stack.detachAt(index);
    if (out.layer) out.index = index;
    return out;
}

int renameLayer(Document& document, LayerItem* layer, const std::string& name) {
    return document.layers().setName(layer, name);
}

int changeBlendMode(Document& document, LayerItem* layer, int32_t mode) {
    LayerStack& stack = document.layers();
    if (!stack.contains(layer) || !layer->hasProperties() || !isValidBlendMode(mode)) return 0;
    if (static_cast<const EmptyLayer*>(layer)->blendMode() == mode) return 0;
    return stack.setBlendMode(layer, mode);
}

int changeMasterOpacity(Document& document, LayerItem* layer, uint8_t value) {
    LayerStack& stack = document.layers();
    if (!stack.contains(layer) || !layer->hasProperties()) return 0;
    if (static_cast<const EmptyLayer*>(layer)->masterOpacity() == value) return 0;
    return stack.setMasterOpacity(layer, value);
}

// --- merging
// --------------------------------------------------------------------------------------

namespace {

// Takes the layer out of the stack into the record (room reserved), or deletes it without one.
void takeOut(LayerStack& stack, LayerItem* layer, bool notify, MergedLayers* record) {
    if (!record) {
        stack.remove(layer, notify);
        return;
    }
    const int index = stack.indexOf(layer);
    record->removed.push_back({stack.detach(layer, notify), index});
}

}  // namespace

RasterLayer* mergeLayers(Document& document, std::vector<LayerItem*> layers, MergedLayers* record) {
    LayerStack& stack = document.layers();
    try {
        for (const LayerItem* l : layers) {
            if (!stack.contains(l)) return nullptr;
        }
        std::sort(layers.begin(), layers.end(), [&](const LayerItem* a, const LayerItem* b) {
            return stack.indexOf(a) < stack.indexOf(b);
        });
        layers.erase(std::unique(layers.begin(), layers.end()), layers.end());
        std::vector<CompositeEntry> entries =
            compositeEntries(std::vector<const LayerItem*>(layers.begin(), layers.end()));
        if (entries.empty()) return nullptr;
        if (record) record->removed.reserve(record->removed.size() + layers.size());

        if (entries.size() == 1) {
            // The one layer that shows stays as it is; the others go.
            auto* keep = const_cast<RasterLayer*>(entries[0].layer);
            for (LayerItem* l : layers) {
                if (l != keep) takeOut(stack, l, true, record);
            }
            stack.setActiveLayer(keep);
            return keep;
        }

        const LayerItem* background = stack.firstBackground();
        const bool withBackground =
            std::any_of(entries.begin(), entries.end(),
                        [&](const CompositeEntry& e) { return e.layer == background; });
        Rect area;
        if (withBackground) {
            area = Rect::fromSize(background->size());
        } else {
            for (const CompositeEntry& e : entries) area = area.united(e.bounds);
        }
        rebaseEntries(entries, area.topLeft());

        auto merged = std::make_unique<RasterLayer>(withBackground ? std::string(kBackgroundName)
                                                                   : entries[0].layer->name());
        Channel alpha;
        if (!merged->pixels().createColor(area.width(), area.height()) ||
            !alpha.createGray(area.width(), area.height()) ||
            !compositeInto(entries, merged->pixels(), alpha, Rect::fromSize(area.size()))) {
            return nullptr;
        }
        auto masks = std::make_unique<LayerMaskSet>(area.width(), area.height());
        if (hasNon255(alpha)) {
            auto plane = std::make_unique<Channel>();
            plane->adoptStore(alpha.takeStore());
            masks->setPlane(0, std::move(plane));
        }
        merged->setMasks(std::move(masks));
        merged->setOffset(area.topLeft());
        merged->setBackground(withBackground);

        // The removed layers may reach where the new one does not (outside the background, or a
        // layer that did not take part): that area is brought up to date too.
        Rect changed = area;
        for (const LayerItem* l : layers) {
            if (l->hasProperties() && l->isVisible()) changed = changed.united(l->canvasBounds());
        }
        // The result takes the place of the topmost merged layer: layers between the merged ones
        // (hidden, or not chosen) end up below it, and every layer above them stays above. A
        // background goes to the bottom.
        const int slot = withBackground ? 0 : stack.indexOf(layers.back()) - int(layers.size()) + 1;
        for (LayerItem* l : layers) takeOut(stack, l, false, record);
        // The removals left room in the stack, so the insertion cannot fail for memory.
        std::unique_ptr<LayerItem> item = std::move(merged);
        auto* result = static_cast<RasterLayer*>(stack.insert(std::move(item), slot));
        if (record) record->added = result;
        document.notify(
            {&document, result, changed.intersected(document.bounds()), kChangeStructure});
        return result;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

RasterLayer* mergeDown(Document& document, MergedLayers* record) {
    LayerStack& stack = document.layers();
    const int i = stack.activeIndex();
    if (i < 1) return nullptr;
    return mergeLayers(document, {stack.layerAt(i - 1), stack.layerAt(i)}, record);
}

RasterLayer* mergeVisible(Document& document, MergedLayers* record) {
    LayerStack& stack = document.layers();
    std::vector<LayerItem*> visible;
    try {
        for (int i = 0; i < stack.count(); ++i) {
            if (stack.layerAt(i)->isVisible()) visible.push_back(stack.layerAt(i));
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return mergeLayers(document, std::move(visible), record);
}

int flattenImage(Document& document, MergedLayers* record) {
    DocumentComposite* composite = document.composite();
    if (!composite) return 0;
    try {
        auto layer = std::make_unique<RasterLayer>(std::string(kBackgroundName));
        ColorImage& pixels = layer->pixels();
        if (!pixels.copyFrom(composite->color())) return 0;
        if (hasNon255(composite->alpha())) {
            overBackground(pixels, composite->alpha(), PatternBackground::solidWhite());
        }
        layer->setMasks(std::make_unique<LayerMaskSet>(pixels.width(), pixels.height()));
        layer->setBackground(true);
        LayerStack& stack = document.layers();
        if (record) {
            record->removed.reserve(record->removed.size() + size_t(stack.count()));
            for (int i = stack.count() - 1; i >= 0; --i)
                takeOut(stack, stack.layerAt(i), false, record);
        } else {
            stack.removeAll(false);
        }
        std::unique_ptr<LayerItem> item = std::move(layer);
        LayerItem* added = stack.insert(std::move(item), 0);
        if (record) record->added = added;
        return added ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// --- clear and fill
// -------------------------------------------------------------------------------

int clearSelection(Document& document, const SelectionArea& selection, ColorRef background,
                   ClearRecord& record) {
    if (!canClear(document, selection)) return 0;
    LayerStack& stack = document.layers();
    const int index = stack.activeIndex();
    RasterLayer* layer = stack.rasterAt(index);
    if (!layer || !layer->pixels().isValid()) return 0;
    record.index = index;
    record.rect = selection.rect;
    record.background = layer->isBackground();
    if (record.background) {
        return stack.copyPixelsUnderSelection(index, selection, record.pixels) &&
                       stack.fillColorThroughSelection(index, selection, background)
                   ? 1
                   : 0;
    }
    record.createdMaskSet = layer->masks() == nullptr;
    record.createdPlane = layer->transparency() == nullptr;
    if (!record.createdPlane && !stack.copySelectedAlpha(index, selection, record.alpha)) return 0;
    if (!stack.setAlphaThroughSelection(index, selection, 0)) {
        // Nothing was cleared; do not leave a plane set behind that was not there.
        if (record.createdMaskSet && layer->masks() && !layer->masks()->hasPlanes())
            layer->setMasks(nullptr);
        return 0;
    }
    return 1;
}

int undoClear(Document& document, const ClearRecord& record) {
    LayerStack& stack = document.layers();
    RasterLayer* layer = stack.rasterAt(record.index);
    if (!layer || !layer->pixels().isValid()) return 0;
    const SelectionArea at{record.rect, nullptr};
    if (record.background) return stack.pastePixels(record.index, record.pixels, at);
    if (!record.createdPlane) return stack.pasteAlpha(record.index, record.alpha, at);
    if (!layer->masks()) return 0;
    layer->masks()->takePlane(0);
    if (record.createdMaskSet) layer->setMasks(nullptr);
    const Rect changed = record.rect.intersected(layer->canvasBounds());
    document.notify({&document, layer, changed.intersected(document.bounds()), kChangePixels});
    return 1;
}

int fillSelection(Document& document, const FillSettings& settings, const SelectionArea& selection,
                  std::unique_ptr<LayerItem>* before) {
    if (!canFill(document)) return 0;
    LayerStack& stack = document.layers();
    const int index = stack.activeIndex();
    std::unique_ptr<LayerItem> kept;
    if (before && !(kept = stack.layerAt(index)->clone(nullptr))) return 0;
    if (!stack.fillThroughSelection(index, settings, selection)) return 0;
    if (before) *before = std::move(kept);
    return 1;
}

}  // namespace varnel
