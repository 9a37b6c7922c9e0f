// The actions of the clipboard commands that change a document: Cut (the copy itself only fills
// the clipboard and records nothing) and Paste.
#pragma once

#include <memory>
#include <string>

#include "core/clipboard_store.h"
#include "core/color.h"
#include "core/geometry.h"
#include "core/surface.h"
#include "history/document_action.h"
#include "history/pixel_actions.h"

namespace varnel {

// "Cut": Copy, then Clear. The first execution copies the layer's selected pixels (with their
// coverage and transparency) and, once the clear has succeeded, puts them into `store` (when
// given); redo clears again without touching the clipboard, and undo puts the pixels back.
class CutAction : public ClearAction {
public:
    CutAction(Document* image, Selection* selection, int index, ColorRef background,
              ClipboardStore* store)
        : ClearAction(image, selection, index, background), store_(store) {}
    std::string name() const override { return "Cut"; }
    int execute() override;

private:
    ClipboardStore* store_;
    bool copied_ = false;
};

// "Paste": the image as a new layer (named by the layer-name rule) above the active one with its
// top-left pixel at `position`, made active, and its pixels selected (the mask, when given, is
// both the layer's transparency and the selection's coverage). Undo takes the layer out, keeping
// it for redo, and puts back the active layer and the selection there were.
class PasteAction : public DocumentAction {
public:
    // Takes over the stores of `pixels` and `mask` (an empty mask: opaque).
    PasteAction(Document* image, Selection* selection, ColorImage& pixels, Channel& mask,
                Point position);
    std::string name() const override { return "Paste"; }
    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;

    // Where the layer went (-1 before the first execution).
    int pastedIndex() const { return layerIndex_; }

private:
    // Selects the layer's pixels.
    int selectPasted(const RasterLayer& layer);

    ColorImage pixels_;  // until the first execution makes the layer
    Channel mask_;
    Point position_;
    int previousActive_ = -1;
    std::unique_ptr<LayerItem> kept_;             // held while undone
    std::unique_ptr<Selection> selectionBefore_;  // held while done
};

// A Paste of the clipboard's current image (with its transparency), placed by pastePosition with
// `visible` the part of the canvas in view; null when the clipboard has no image it can read or
// memory is short.
std::unique_ptr<PasteAction> makePasteAction(Document* image, Selection* selection,
                                             const ClipboardStore& store, Rect visible);

}  // namespace varnel
