// How a filter reaches a document: FilterAction applies its filter to a layer within the
// selection, keeps a copy of the layer's pixels from before its first application for undo, and
// supports the adjustment dialogs' live preview (apply, put back, apply again, hand over as
// already executed).
#pragma once

#include <memory>
#include <string>

#include "core/geometry.h"
#include "core/surface.h"
#include "document/document.h"
#include "document/selection.h"
#include "document/selection_area.h"
#include "filters/filter.h"
#include "history/history_action.h"

namespace varnel {

// True when a filter command can act now: there is an active layer, it is a visible raster layer
// with pixels, and a selection (when there is one) meets the layer's bounds on the canvas.
bool canTakeFilter(const Document& document, const SelectionArea& selection);

// The selection as a coverage mask placed in the coordinates of `layer` (`mask` gets the plane,
// `limit` the rectangle of a selection without a mask). Returns false when the selection's mask
// does not fit its rectangle; `*maskOut` and `*limitOut` are null when the whole layer is
// concerned.
bool selectionOnLayer(const SelectionArea& selection, const LayerItem& layer, CoverageMask& mask,
                      Rect& limit, const CoverageMask** maskOut, const Rect** limitOut);

class FilterAction : public HistoryAction {
public:
    // The document window's selection is read at every execution (null: nothing selected);
    // `filter` may be null until setFilter gives one.
    FilterAction(Document* document, Selection* selection, std::unique_ptr<Filter> filter);
    ~FilterAction() override;

    // The filter's name.
    std::string name() const override;

    // Applies the filter within the selection. The first execution needs a document that can
    // take a filter now; it keeps the active layer's pixels as they are (the snapshot) and
    // remembers that layer. A filter that can read a separate source takes over the layer's pixel
    // memory as the snapshot and writes into new memory; others filter a copy in place. A failed
    // first execution leaves the layer as it was and keeps no snapshot. A self-inverse filter
    // (Invert) with nothing selected changes the layer in place and keeps nothing: undo applies
    // it again, which gives back every byte. Every execution (redo
    // included) applies the filter to the remembered layer, the one the snapshot protects,
    // whichever layer is active then. Returns the filter's result.
    int execute() override;
    // Puts the copied pixels back into the remembered layer and reports its bounds as changed.
    // 0 when nothing was copied yet.
    int revert() override;
    // Sets the document's modified flag on success.
    void afterExecute(int result) override;
    // The copy of the layer's pixels (none for a self-inverse filter over the whole layer).
    size_t byteSize() const override { return snapshot_ ? snapshot_->imageBytes() : 0; }
    void undoStores(std::vector<SurfaceStore*>& out) override {
        if (snapshot_ && snapshot_->store()) out.push_back(snapshot_->store());
    }
    // Within a selection most filters change the layer only under the selection's bounds: from
    // now on only the part of the copy the filter changed is kept. A redo under a selection
    // reaching beyond the kept part then fails and changes nothing.
    void recorded() override;

    // Replaces the held filter (the preview installs each new set of values this way).
    void setFilter(std::unique_ptr<Filter> filter);
    // Marks the held filter's values as ones that change nothing (a dialog's neutral values):
    // executions then leave the layer as it is and succeed, so that a state recorded for them
    // changes nothing when it is redone either, even where the filter itself would round (the
    // HSL round trip of Hue/Saturation moves some pixels by one).
    void setNeutral(bool neutral) { neutral_ = neutral; }
    bool isNeutral() const { return neutral_; }
    const Filter* filter() const { return filter_.get(); }

    // Puts the copied pixels back without reporting a change (the preview, before applying
    // again). 0 when nothing was copied yet.
    int restoreSnapshot();
    // restoreSnapshot then execute, as one pass over the pixels when the filter can read the
    // copy directly and nothing outside its new processing rectangle differs from the copy.
    // Meant for the preview: nothing else may have changed the layer since this action last
    // executed. On failure the layer is left as the copy.
    int reapply();

    bool hasSnapshot() const { return snapshot_ != nullptr; }
    // The copy: the whole layer, or its part at keptRect() once recorded within a selection.
    const ColorImage* snapshot() const { return snapshot_.get(); }
    // Layer coordinates of the part of the layer the copy holds (its bounds when whole).
    Rect keptRect() const { return cropped_ ? kept_ : snapshot_ ? snapshot_->bounds() : Rect{}; }

private:
    RasterLayer* targetLayer() const;
    // Where an application under the current selection may change `layer` (layer coordinates).
    Rect processingRectOn(const RasterLayer& layer) const;
    SelectionArea selectionArea() const;
    // Where an application reads its pixels: the layer itself (in place), the snapshot (into the
    // layer's memory), or the snapshot into memory that holds nothing yet (the first execution).
    enum class Source { Layer, Snapshot, FreshStore };
    int applyTo(RasterLayer& layer, Source source);
    int executeIntoFreshStore(RasterLayer& layer, int index);
    // Applies a self-inverse filter to the whole remembered layer, in place.
    int applyInPlace();
    // Leaves the in-place mode: the layer gets its pixels back as they were and the next
    // execution starts afresh (with a snapshot).
    int leaveInPlace();
    int copyBack(RasterLayer& layer);
    void report(RasterLayer& layer, Rect layerRect);

    std::unique_ptr<Filter> filter_;
    std::unique_ptr<ColorImage> snapshot_;
    // Layer coordinates: where the layer may differ from the snapshot.
    Rect dirty_;
    // The first execution applied a self-inverse filter to the whole layer in place and kept no
    // snapshot: undo applies it once more (nothing selected, so the same pixels every time).
    bool inPlace_ = false;
    // The copy holds only the part kept_ of a layer of layerSize_.
    bool cropped_ = false;
    Rect kept_;
    Size layerSize_;
    bool neutral_ = false;
};

}  // namespace varnel
