// The merges: Merge Layers, Merge Down, Merge Visible and Flatten Image. Each checks that it can
// merge and keeps the very layers the merge takes out of the stack (never a copy); undo takes the
// merged layer out and puts those layers back where they were.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document/layer_ops.h"
#include "history/document_action.h"

namespace varnel {

class MergeAction : public DocumentAction {
public:
    using DocumentAction::DocumentAction;

    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;

    // Whether the merge is possible now.
    virtual int canMerge() = 0;
    // Merges, handing the layers taken out (and the one made) to `record`.
    virtual int merge(MergedLayers* record) = 0;

private:
    MergedLayers record_;
    int activeBefore_ = -1;
    bool done_ = false;
};

// "Merge Layers": the layers at the given indices (those chosen in the Layers palette).
class MergeLayersAction : public MergeAction {
public:
    MergeLayersAction(Document* image, Selection* selection, std::vector<int> indices)
        : MergeAction(image, selection, -1), indices_(std::move(indices)) {}
    std::string name() const override { return "Merge Layers"; }
    int canMerge() override;
    int merge(MergedLayers* record) override;

private:
    // The layers, or an empty list when an index names none.
    std::vector<LayerItem*> layers() const;
    std::vector<int> indices_;
};

// "Merge Down": the layer at the index (the active one when the command ran) with the one below.
class MergeDownAction : public MergeAction {
public:
    using MergeAction::MergeAction;
    std::string name() const override { return "Merge Down"; }
    int canMerge() override;
    int merge(MergedLayers* record) override;
};

// "Merge Visible": every visible layer; the index is the active layer when the command ran.
class MergeVisibleAction : public MergeAction {
public:
    using MergeAction::MergeAction;
    std::string name() const override { return "Merge Visible"; }
    int canMerge() override;
    int merge(MergedLayers* record) override;
};

// "Flatten Image": one background holding the composite.
class FlattenImageAction : public MergeAction {
public:
    FlattenImageAction(Document* image, Selection* selection) : MergeAction(image, selection, -1) {}
    std::string name() const override { return "Flatten Image"; }
    int canMerge() override;
    int merge(MergedLayers* record) override;
};

}  // namespace varnel
