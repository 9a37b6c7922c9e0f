// What the palettes see of one document window: its document and canvas view, and the layer
// requests the Layers palette sends it. The document window carries every request out (each
// change of the document through its history, as one named step, except the visibility toggle,
// the choice of the active layer and the live opacity preview) and the palettes then follow the
// document's change records. A palette never changes a document itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnel {

class Document;
class History;
class VeView;

// One request of the Layers palette. Layer indices count from the bottom of the stack; the
// receiver checks them (and the layer's kind) before use and refuses what does not fit.
struct LayerRequest {
    enum class Kind {
        Rename,            // `name` for the layer at `index`: "Layer Properties"
        ToggleVisibility,  // no history step
        BlendMode,         // `value` 0 … 18: "Blending Change"
        Opacity,           // `value` the opacity byte: "Master Opacity Change"
        PreviewOpacity,    // `value` shown at once while the user is still choosing; no step
        NewLayer,          // above the active layer, named by the rule, Normal, 255: "New Layer"
        DeleteLayer,       // the layer at `index` (asked about already): "Delete Layer"
        Move,              // the layer at `index` to index `to`: "Layer Order"
        Activate,          // makes the layer at `index` the active one; no step
    };
    Kind kind = Kind::Activate;
    int index = -1;
    int to = -1;
    int32_t value = 0;
    std::string name;
    // Opacity: the opacity the layer had before its preview (-1: there was none). The receiver
    // puts it back quietly before it records the step, so that undo returns to it.
    int32_t previous = -1;

    friend bool operator==(const LayerRequest&, const LayerRequest&) = default;
};

class PaletteDocument {
public:
    // Told when a document window goes away, while its document still exists.
    class Watcher {
    public:
        virtual ~Watcher() = default;
        virtual void paletteDocumentGone(PaletteDocument* document) = 0;
    };

    PaletteDocument() = default;
    PaletteDocument(const PaletteDocument&) = delete;
    PaletteDocument& operator=(const PaletteDocument&) = delete;
    virtual ~PaletteDocument();

    virtual Document* document() = 0;
    // The canvas view (null when the window has none).
    virtual VeView* view() = 0;
    // Carries a request out; false when it was refused or changed nothing.
    virtual bool request(const LayerRequest& request) = 0;

    // The document's undo list, which the History palette shows (null: the window keeps none).
    virtual const History* history() { return nullptr; }
    // What the History palette calls the state before the oldest step it lists (the document's
    // name).
    virtual std::string historyOrigin() { return {}; }
    // Undoes or redoes, one state at a time as Undo and Redo would, until `index` is the current
    // state (-1: none applied). False when nothing changed.
    virtual bool stepHistoryTo(int /*index*/) { return false; }

    void addWatcher(Watcher* watcher);
    void removeWatcher(Watcher* watcher);

protected:
    // Tells the watchers that the window goes; an implementation calls it at the start of its
    // destructor, before its document is destroyed. Later calls do nothing.
    void announceGone();

private:
    std::vector<Watcher*> watchers_;
    bool gone_ = false;
};

}  // namespace varnel
