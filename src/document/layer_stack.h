// The layer stack of a document: layers from the bottom (index 0) up, one active layer, the
// naming rules, compositing, the pixel edits of one layer through a selection, and the geometry
// applied to every layer. Every change ends in a change record sent through the document.
//
// Indices count from the bottom, 0-based; a bad index or a layer that is not in the stack makes
// an operation fail (0 or null) without touching anything.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/color.h"
#include "core/geometry.h"
#include "core/surface.h"
#include "core/surface_ops.h"
#include "document/change.h"
#include "document/compositor.h"
#include "document/layer.h"
#include "document/selection_area.h"

namespace varnel {

class Document;
struct ReplacedParts;

// What the New Layer dialog gives a new layer.
struct LayerProperties {
    std::string name;
    int32_t blendMode = 0;
    uint8_t masterOpacity = 255;
};

class LayerStack {
public:
    explicit LayerStack(Document& document) : document_(&document) {}
    LayerStack(const LayerStack&) = delete;
    LayerStack& operator=(const LayerStack&) = delete;
    ~LayerStack();

    Document& document() const { return *document_; }
    Size canvasSize() const;

    // --- queries --------------------------------------------------------------------------
    int count() const { return int(layers_.size()); }
    LayerItem* layerAt(int index) const;
    int indexOf(const LayerItem* layer) const;
    bool contains(const LayerItem* layer) const { return indexOf(layer) >= 0; }
    // -1 when the stack is empty.
    int activeIndex() const { return indexOf(active_); }
    LayerItem* activeLayer() const { return active_; }
    // Chooses the active layer (the Layers palette's choice; no change record).
    int setActiveLayer(LayerItem* layer);
    bool isRasterAt(int index) const;
    bool isBackgroundAt(int index) const;
    bool hasBackground() const { return firstBackground() != nullptr; }
    LayerItem* firstBackground() const;
    RasterLayer* rasterAt(int index) const;

    // The names of the layers, bottom first.
    std::vector<std::string> names() const;
    // The name a new layer without a given name gets ("Layer N+1").
    std::string nextLayerName() const;
    // The name offered for a duplicate of a layer named `name`.
    std::string duplicateName(const std::string& name) const;

    // --- insertion and removal --------------------------------------------------------------

    // Inserts at `index` (clamped to the count); with -1 a background goes to the bottom and any
    // other layer directly above the active layer, or on top when there is none. The layer becomes
    // active; change record 0 for its bounds unless `notify` is false. On failure (null, already
    // in the stack, or no memory for the list) the caller keeps the layer.
    LayerItem* insert(std::unique_ptr<LayerItem>&& layer, int index, bool notify = true);
    // Makes room for `count` layers in all, so that inserting up to that many cannot fail.
    bool reserve(int count);
    // Puts a detached layer back at `index`; fails when it is already in the stack.
    int reinsert(std::unique_ptr<LayerItem>&& layer, int index) {
        return insert(std::move(layer), index < 0 ? 0 : index) ? 1 : 0;
    }
    // Removes the layer (the active layer moves to the layer now at the same index, or to the top
    // one, or to none) with change record 0 for its old bounds, and returns it.
    std::unique_ptr<LayerItem> detach(LayerItem* layer, bool notify = true);
    std::unique_ptr<LayerItem> detachAt(int index) { return detach(layerAt(index)); }
    // As detach, and deletes the layer.
    int remove(LayerItem* layer, bool notify = true) { return detach(layer, notify) ? 1 : 0; }
    int removeAt(int index) { return remove(layerAt(index)); }
    // Moves the layer at `from` so that it lies at index `to` afterwards (the layers between
    // shift by one); the active layer stays the same layer. A background stays under every other
    // layer: moving a background, or moving a layer under one, fails. Change record 0 for the
    // moved layer's bounds, where the composite changes.
    int move(int from, int to, bool notify = true);
    // Whether move(from, to) would succeed and change the order.
    bool canMove(int from, int to) const;
    // Removes and deletes every layer (one change record for the canvas when `notify`).
    void removeAll(bool notify = true);
    // Replaces every layer by `layers` (bottom first; none may be in a stack already), makes the
    // one at `activeIndex` active (none when out of range) and sends one structure record for the
    // canvas. Used to put a whole image back as it was.
    void replaceAll(std::vector<std::unique_ptr<LayerItem>>&& layers, int activeIndex);
    // Puts `item` (not in a stack) in place of the layer at `index` and returns that layer (the
    // active layer follows the slot); no change record. Null, changing nothing, for a bad index or
    // item.
    std::unique_ptr<LayerItem> replaceAt(int index, std::unique_ptr<LayerItem>&& item);

    // --- making layers (each inserted with index -1 and made active) ---------------------------

    // A background layer of the canvas size filled with the colour.
    RasterLayer* newBackground(ColorRef color);
    // An empty layer with the dialog's properties, or named by the layer-name rule.
    EmptyLayer* newEmptyLayer(const LayerProperties* properties = nullptr);
    // A raster layer with a copy of `pixels` and, when given with the same size and not 255
    // everywhere, a copy of `transparency` as its first plane. An empty name means the
    // layer-name rule ("Background" for a background).
    RasterLayer* newRasterLayer(const ColorImage& pixels, const GrayMap* transparency, Point offset,
                                const std::string& name, bool background);
    // As newRasterLayer, taking over the pixels' store (left empty on success) and the planes
    // (null for none), which must have the pixels' size. On failure the caller keeps both.
    RasterLayer* adoptRasterLayer(ColorImage& pixels, std::unique_ptr<LayerMaskSet>&& masks,
                                  Point offset);
    // As adoptRasterLayer without planes; named "Background" when `background` is set.
    RasterLayer* adoptBackground(ColorImage& pixels, bool background, Point offset);
    // A clone of `layer` named `name` (a clone of a background is not a background).
    LayerItem* duplicate(const LayerItem* layer, const std::string& name);
    // The raster layer at `index` takes a deep copy of the source's name, properties, background
    // flag, pixels and planes; change record 0 for the union of old and new bounds.
    int replaceContent(int index, const RasterLayer& source);

    // --- properties -------------------------------------------------------------------------
    int setName(LayerItem* layer, const std::string& name, bool notify = true);
    // Only for layers with properties; the mode must be a valid id.
    int setBlendMode(LayerItem* layer, int32_t mode, bool notify = true);
    int setMasterOpacity(LayerItem* layer, uint8_t value, bool notify = true);
    int setVisible(LayerItem* layer, bool visible, bool notify = true);

    // --- compositing --------------------------------------------------------------------------

    // The layers that take part, bottom first, over the canvas.
    CompositeList compositeList() const;
    // The layers of `layers` that take part, in that order, re-expressed relative to the union of
    // their bounds (the list's area).
    CompositeList compositeList(const std::vector<const LayerItem*>& layers) const;
    // Composites the whole stack into canvas-sized targets over `rect`; 0 when no layer takes
    // part (the targets are then left unchanged).
    int composite(ColorImage& color, GrayMap& alpha, Rect rect) const;
    // True when some visible raster layer, fully opaque and without planes, covers the canvas:
    // the composite then has no transparency.
    bool isOpaque() const;
    // The pixels of the only layer taking part when they are the composite as they stand: the
    // layer lies exactly on the canvas, opaque, without planes, at full opacity. A view draws them
    // directly, so that a one-layer image needs no second full-size copy. Null otherwise.
    const ColorImage* pixelsAsComposite() const;

    // --- pixel edits of one layer through a selection ----------------------------------------
    // Each ends with change record 5 for the selection rectangle, or for the layer's bounds when
    // the selection is empty.

    // Moves the pixels under the selection towards the colour by the mask (the whole layer
    // without a selection).
    int fillColorThroughSelection(int index, const SelectionArea& selection, ColorRef color);
    // Blends the first plane (created if missing) towards `value` through the mask; without a
    // selection the whole plane is set to the value.
    int setAlphaThroughSelection(int index, const SelectionArea& selection, uint8_t value);
    // Copies a surface into the pixels (or the first plane) with its top-left pixel at the
    // selection's top-left corner (the layer's origin without a selection); the parts outside the
    // layer are dropped.
    int pastePixels(int index, const ColorImage& pixels, const SelectionArea& selection);
    int pasteAlpha(int index, const GrayMap& alpha, const SelectionArea& selection);
    // Extracts the pixels (or first plane) under the selection rectangle into `out`, which takes
    // the rectangle's size; parts outside the layer read as 0 (and as 255 for a missing plane).
    // Pasting the result back with the same selection restores the layer.
    int copyPixelsUnderSelection(int index, const SelectionArea& selection, ColorImage& out) const;
    int copySelectedAlpha(int index, const SelectionArea& selection, GrayMap& out) const;
    // The Fill command: the layer is first grown to cover the canvas, then filled through the
    // selection with the settings' colour, mode and opacity.
    int fillThroughSelection(int index, const FillSettings& settings,
                             const SelectionArea& selection);

    // --- geometry of every layer --------------------------------------------------------------
    // These change the layers only; the document updates its size and sends the records. A
    // failure (memory, an unsupported angle) leaves every layer as it was. With `replaced`, the
    // storage that new storage took the place of is added to it instead of being freed.

    // Crops to `rect` ∩ canvas: layers that miss it become placeholders, the others are cut and
    // placed relative to its top-left corner.
    int cropAll(Rect rect, ReplacedParts* replaced = nullptr);
    // Rotates by 90, 180 or 270 degrees (clockwise, within 0.0001); other angles fail.
    // The half turn and the flips work in place and cannot fail.
    int rotateAll(double angle, ReplacedParts* replaced = nullptr);
    int flipAll(bool vertical);
    // Image Size: every raster layer's size and position are scaled by new canvas / current
    // canvas (ratios and products in single precision, rounded half up, sides at least 1) and its
    // pixels and planes resampled, smoothed or replicated.
    int resizeAll(Size size, bool smooth, ReplacedParts* replaced = nullptr);
    // Canvas Size: the old canvas lands at `shift` in the new one. Background layers are re-framed
    // to the new canvas (the area their pixels leave uncovered takes the extension colour, and
    // their planes are opaque there); every other layer keeps its pixels and moves by `shift`.
    int resizeCanvasAll(Size size, Point shift, ColorRef extension,
                        ReplacedParts* replaced = nullptr);

private:
    // The canvas rectangle a change to `layer` concerns.
    Rect changeRect(const LayerItem* layer, bool regardlessOfVisibility) const;
    void send(LayerItem* layer, Rect rect, int32_t code) const;
    // Grows a raster layer so that its pixels and planes cover the canvas.
    int growToCanvas(RasterLayer& layer);
    RasterLayer* insertRaster(std::unique_ptr<RasterLayer> layer);

    Document* document_;
    std::vector<std::unique_ptr<LayerItem>> layers_;
    LayerItem* active_ = nullptr;
};

}  // namespace varnel
