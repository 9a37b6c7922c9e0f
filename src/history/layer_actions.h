// The actions of the Layers palette and the Layer menu that change one layer or the stack: rename,
// blend mode, master opacity, new, duplicate, delete and the order of the layers. Each acts on the
// layer it was built for (by index), never on whatever layer happens to be active when it is
// redone, and puts the active layer back as it was when it is undone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "document/layer_stack.h"
#include "history/document_action.h"

namespace varnel {

// "Layer Properties": renames the layer.
class LayerPropertiesAction : public DocumentAction {
public:
    LayerPropertiesAction(Document* image, Selection* selection, int index, std::string newName);
    std::string name() const override { return "Layer Properties"; }
    int execute() override;
    int revert() override;

private:
    std::string newName_;
    std::string oldName_;
};

// "Blending Change": sets the layer's blend mode (0 … 18). Setting the mode the layer already
// has is recorded too; its undo and redo change nothing.
class BlendingChangeAction : public DocumentAction {
public:
    BlendingChangeAction(Document* image, Selection* selection, int index, int32_t mode);
    std::string name() const override { return "Blending Change"; }
    int execute() override;
    int revert() override;

private:
    int32_t mode_;
    int32_t oldMode_ = 0;
};

// "Master Opacity Change": sets the layer's master opacity; the same value is recorded too.
class OpacityChangeAction : public DocumentAction {
public:
    OpacityChangeAction(Document* image, Selection* selection, int index, uint8_t opacity);
    std::string name() const override { return "Master Opacity Change"; }
    int execute() override;
    int revert() override;

private:
    uint8_t opacity_;
    uint8_t oldOpacity_ = 255;
};

// "New Layer": an empty layer with the given properties above the active layer. Undo detaches it
// and keeps it; redo puts the same layer back where it was.
class NewLayerAction : public DocumentAction {
public:
    NewLayerAction(Document* image, Selection* selection, LayerProperties properties);
    std::string name() const override { return "New Layer"; }
    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;

private:
    LayerProperties properties_;
    int previousActive_ = -1;
    std::unique_ptr<LayerItem> kept_;  // held while undone
};

// "Duplicate Layer": a copy of the layer at the index, named `copyName` (empty: the duplicate-name
// rule), above it. Undo detaches the copy and keeps it; redo puts the same copy back.
class DuplicateLayerAction : public DocumentAction {
public:
    DuplicateLayerAction(Document* image, Selection* selection, int sourceIndex,
                         std::string copyName);
    std::string name() const override { return "Duplicate Layer"; }
    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;
    // Where the copy went (-1 before the first execution).
    int copyIndex() const { return copyIndex_; }

private:
    std::string copyName_;
    int copyIndex_ = -1;
    int previousActive_ = -1;
    std::unique_ptr<LayerItem> kept_;  // held while undone
};

// "Delete Layer": detaches the layer at the index and keeps it (its pixels are never copied);
// undo gives the same layer back at the same index. The last layer of an image is never deleted.
class DeleteLayerAction : public DocumentAction {
public:
    DeleteLayerAction(Document* image, Selection* selection, int index);
    std::string name() const override { return "Delete Layer"; }
    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;
    const LayerItem* keptLayer() const { return kept_.get(); }

private:
    int previousActive_ = -1;
    std::unique_ptr<LayerItem> kept_;  // held while the deletion is applied
};

// "Layer Order": moves the layer at `from` to index `to` (the layers between shift by one), as a
// drag in the Layers palette does. Undo moves it back. A background stays at the bottom: an order
// that would move it, or put a layer under it, is refused.
class LayerOrderAction : public DocumentAction {
public:
    LayerOrderAction(Document* image, Selection* selection, int from, int to);
    std::string name() const override { return "Layer Order"; }
    int execute() override;
    int revert() override;
    int from() const { return layerIndex_; }
    int to() const { return to_; }

private:
    int to_;
};

}  // namespace varnel
