// The actions that change the pixels of one layer through the selection: Clear and Fill. Both
// act on the layer they were built for, whichever layer is active when they are redone.
#pragma once

#include <memory>
#include <string>

#include "core/color.h"
#include "core/surface_ops.h"
#include "document/layer_ops.h"
#include "history/document_action.h"

namespace varnel {

// "Clear": on the background the selected pixels take the background colour; on any other layer
// they become fully transparent. Undo puts back exactly what was under the selection's bounds,
// and removes the transparency plane again when the clear had to create it.
class ClearAction : public DocumentAction {
public:
    // `background` is the settings' background colour at the time of the command.
    ClearAction(Document* image, Selection* selection, int index, ColorRef background);
    std::string name() const override { return "Clear"; }
    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;

private:
    ColorRef background_;
    std::unique_ptr<ClearRecord> record_;
};

// "Fill": fills the selection of the layer (all of it when nothing is selected) with the
// settings' colour, mode and opacity. Undo gives the layer back the copy kept at the first
// execution.
class FillAction : public DocumentAction {
public:
    FillAction(Document* image, Selection* selection, int index, const FillSettings& settings);
    std::string name() const override { return "Fill"; }
    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;

private:
    FillSettings settings_;
    std::unique_ptr<LayerItem> before_;
};

}  // namespace varnel
