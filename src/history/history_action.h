// The base of every undoable change: an action applies its change, reverts it, and owns whatever
// it keeps in order to do so.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace varnel {

class Document;
class Selection;
class SurfaceStore;

class HistoryAction {
public:
    // `layerIndex` is the layer the action works on, or -1 when it concerns no single layer.
    HistoryAction(Document* image, Selection* selection, int layerIndex = -1)
        : image_(image), selection_(selection), layerIndex_(layerIndex) {}
    // Frees the parameters and undo data the action owns.
    virtual ~HistoryAction();

    // An action belongs to one history and is never copied.
    HistoryAction(const HistoryAction&) = delete;
    HistoryAction& operator=(const HistoryAction&) = delete;

    // Display name, e.g. "Crop" (UTF-8).
    virtual std::string name() const = 0;
    // Applies the change: the first time and on every redo. Nonzero on success.
    virtual int execute() = 0;
    // Undoes the change. Nonzero on success.
    virtual int revert() = 0;

    // Hooks around execute() and revert(). Actions that change pixels, layers or geometry set the
    // document's modified flag in afterExecute() when the result is nonzero; undo never touches
    // that flag.
    virtual void beforeExecute() {}
    virtual void afterExecute(int result) { (void)result; }
    virtual void beforeRevert() {}
    virtual void afterRevert(int result) { (void)result; }

    // The bytes of undo data the action holds now (pixel copies, kept layers, saved selections),
    // so that the history's memory can be measured and bounded.
    virtual size_t byteSize() const { return 0; }

    // Adds the pixel stores of the undo data held now (those byteSize() counts) to `out`, so that
    // the history can move their pixels to its disk cache while the state waits and put them
    // back before the state is undone or redone; meanwhile nothing else reads or changes them.
    // The undo data of an action that adds none stays in memory.
    virtual void undoStores(std::vector<SurfaceStore*>& out) { (void)out; }

    // Called once the history has recorded the action as a state; nothing previews it any more,
    // so it may give up undo data that only a preview needed.
    virtual void recorded() {}

    Document* image() const { return image_; }
    Selection* selection() const { return selection_; }
    int layerIndex() const { return layerIndex_; }

protected:
    Document* image_;
    Selection* selection_;
    int layerIndex_;
};

}  // namespace varnel
