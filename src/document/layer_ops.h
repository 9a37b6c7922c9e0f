// The layer operations of the Layer and Edit menus and the Layers palette: new, duplicate and
// delete, properties, blend mode and master opacity, the merges, flatten, clear and fill. Each is
// what one history action performs; the predicates say when the command is enabled. Every
// operation ends in the change records of the layer stack, so the composite and the views follow,
// and a failed operation changes nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/color.h"
#include "core/surface.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "document/layer_stack.h"
#include "document/selection_area.h"

namespace varnel {

// --- when the commands are enabled ------------------------------------------------------------

bool hasActiveLayer(const Document& document);
// There is an active layer and another layer would remain: an image never loses its last layer.
bool canDeleteLayer(const Document& document);
// At least two layers selected in the palette, one of them visible.
bool canMergeLayers(const Document& document, const std::vector<const LayerItem*>& selected);
// One layer selected; the active layer is visible, not the bottom one, and the layer below it is
// visible.
bool canMergeDown(const Document& document, int selectedCount);
// The active layer is visible and more than one layer is.
bool canMergeVisible(const Document& document);
// The stack is not a single background layer.
bool canFlatten(const Document& document);
// Something is selected and the active layer is a visible raster layer.
bool canClear(const Document& document, const SelectionArea& selection);
// The active layer is a visible raster layer.
bool canFill(const Document& document);

// --- stack and properties -----------------------------------------------------------------------

// An empty layer with the dialog's properties (an empty name: the layer-name rule) above the
// active layer, made active. Undo removes the layer at the index it got.
EmptyLayer* newLayer(Document& document, const LayerProperties& properties);
// A copy of the active layer above it, made active, named `name` (empty: the duplicate-name
// rule); a copy of the background is not a background.
LayerItem* duplicateLayer(Document& document, const std::string& name);

struct DeletedLayer {
    std::unique_ptr<LayerItem> layer;  // null when nothing was deleted
    int index = -1;                    // where it was (LayerStack::reinsert puts it back)
};
// Detaches the active layer; the active layer becomes the one now at its index, or the new top.
// Nothing is deleted (a null layer) unless canDeleteLayer holds.
DeletedLayer deleteLayer(Document& document);

// What a merge took out of the stack and what it put in.
struct MergedLayers {
    // In the order they were taken out, each with its index at that moment: putting them back in
    // the reverse order, each at its index, rebuilds the stack.
    std::vector<DeletedLayer> removed;
    LayerItem* added = nullptr;  // the new layer; null when the merge made none
};

// Renames a layer (change record 1).
int renameLayer(Document& document, LayerItem* layer, const std::string& name);
// Set the blend mode or master opacity of a layer with properties; 0 (nothing to record) when the
// value is already the layer's, is not a valid mode, or the layer has no properties.
int changeBlendMode(Document& document, LayerItem* layer, int32_t mode);
int changeMasterOpacity(Document& document, LayerItem* layer, uint8_t value);

// --- merging
// --------------------------------------------------------------------------------------

// Merges the layers (all in the stack; taken in stack order whatever order they are given in).
// Of the layers that take part in compositing (visible, non-empty raster layers with an effective
// opacity above 0): none — the merge fails; one — it stays as it is and the other layers of the
// list are deleted; more — they are composited into one new raster layer that replaces every
// layer of the list. Its area is the background's when the background takes part (it is then the
// background, named "Background"), otherwise the union of the layers' bounds (named after the
// lowest layer that takes part); its transparency is kept only where it is not opaque. It takes
// the place of the topmost layer of the list (a background goes to the bottom), so the layers
// above the list stay above it and those between its layers end up below it. The result
// becomes the active layer and is returned; null on failure.
//
// With `record`, the layers a merge takes out of the stack are handed to it instead of being
// deleted, so that an undo record can put the same layers back without copying them.
RasterLayer* mergeLayers(Document& document, std::vector<LayerItem*> layers,
                         MergedLayers* record = nullptr);
// The active layer and the one below it.
RasterLayer* mergeDown(Document& document, MergedLayers* record = nullptr);
// Every visible layer.
RasterLayer* mergeVisible(Document& document, MergedLayers* record = nullptr);
// Replaces every layer by one opaque background holding the composite, laid over white where
// the composite is transparent.
int flattenImage(Document& document, MergedLayers* record = nullptr);

// --- clear and fill -----------------------------------------------------------------------------

// What Clear changed, enough to undo it.
struct ClearRecord {
    int index = -1;           // the layer's index
    Rect rect;                // the selection rectangle
    bool background = false;  // the pixels were filled; otherwise the transparency was cleared
    ColorImage pixels;        // background: the pixels under `rect` before
    GrayMap alpha;            // other layers: the transparency under `rect` before
    // The layer had no transparency plane (or no plane set) before: the clear created it, and
    // undo removes it again rather than leaving an opaque plane behind.
    bool createdPlane = false;
    bool createdMaskSet = false;
};

// Clear on the active layer: on a background the selection is filled with `background` through
// the mask; on another layer the transparency is cleared through the mask (the plane is created
// first when missing). `record` receives what undoClear needs.
int clearSelection(Document& document, const SelectionArea& selection, ColorRef background,
                   ClearRecord& record);
int undoClear(Document& document, const ClearRecord& record);

// Fill on the active layer through the selection. `before`, when given, receives a copy of the
// layer as it was (LayerStack::replaceContent puts it back).
int fillSelection(Document& document, const FillSettings& settings, const SelectionArea& selection,
                  std::unique_ptr<LayerItem>* before = nullptr);

}  // namespace varnel
