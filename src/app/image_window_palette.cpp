#include "app/image_window_palette.h"

#include "app/image_window.h"
#include "commands/command_ids.h"
#include "commands/layer_params.h"
#include "core/blend_modes.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "history/history.h"
#include "history/layer_actions.h"
#include "view/ve_child_frame.h"

namespace varnel {

ImageWindowPalette::~ImageWindowPalette() {
    announceGone();
}

Document* ImageWindowPalette::document() {
    return window_.document();
}

VeView* ImageWindowPalette::view() {
    return window_.frame() ? window_.frame()->view() : nullptr;
}

const History* ImageWindowPalette::history() {
    return window_.history();
}

std::string ImageWindowPalette::historyOrigin() {
    return window_.documentName();
}

bool ImageWindowPalette::stepHistoryTo(int index) {
    const History& history = *window_.history();
    if (index < -1 || index >= history.count()) return false;
    // The walk follows the state itself: the budget may drop other states on the way (a redo),
    // which moves the indices.
    const HistoryAction* target = history.stateAt(index);
    auto targetIndex = [&] {
        if (!target) return -1;
        for (int i = 0; i < history.count(); ++i)
            if (history.stateAt(i) == target) return i;
        return -2;  // gone
    };
    bool changed = false;
    // The window's own Undo and Redo, one state at a time; a step that cannot be taken (memory
    // short for a state in the disk cache) ends the walk where it is.
    for (int at = targetIndex(); at >= -1 && history.current() != at; at = targetIndex()) {
        const int id = history.current() > at ? kCmdEditUndo : kCmdEditRedo;
        if (!window_.isCommandEnabled(id)) break;
        const HistoryAction* before = history.stateAt(history.current());
        const int count = history.count();
        window_.runCommand(id);
        if (history.stateAt(history.current()) == before && history.count() == count) break;
        changed = true;
    }
    return changed;
}

namespace {

bool validOpacity(int32_t value) {
    return value >= 0 && value <= 255;
}

}  // namespace

bool ImageWindowPalette::runOn(LayerItem* layer, int id, const CommandParams& params) {
    // The catalogue's layer commands act on the active layer: the row's layer becomes it first
    // (as a click on the row would make it), and is given back when nothing was recorded.
    LayerStack& stack = window_.document()->layers();
    LayerItem* previous = stack.activeLayer();
    if (layer != previous && !stack.setActiveLayer(layer)) return false;
    const bool done = window_.runCommandWith(id, params);
    if (!done && previous && layer != previous && stack.indexOf(previous) >= 0)
        stack.setActiveLayer(previous);
    return done;
}

bool ImageWindowPalette::request(const LayerRequest& r) {
    Document* doc = window_.document();
    if (!doc) return false;
    LayerStack& stack = doc->layers();
    LayerItem* layer = stack.layerAt(r.index);
    auto* props = layer && layer->hasProperties() ? static_cast<EmptyLayer*>(layer) : nullptr;
    bool recorded = false;
    switch (r.kind) {
        case LayerRequest::Kind::Activate:
            if (!layer || !stack.setActiveLayer(layer)) return false;
            // No change record comes of it, but what the menus offer depends on it.
            window_.notifyStateChanged();
            return true;
        case LayerRequest::Kind::ToggleVisibility:
            return layer && stack.setVisible(layer, !layer->isVisible());
        case LayerRequest::Kind::PreviewOpacity:
            if (!props || !validOpacity(r.value)) return false;
            return stack.setMasterOpacity(layer, uint8_t(r.value)) != 0;
        case LayerRequest::Kind::Rename:
            if (!props || r.name.empty() || r.name == layer->name()) return false;
            recorded = runOn(layer, kCmdLayerProperties, LayerNameParams{r.name});
            break;
        case LayerRequest::Kind::BlendMode:
            if (!props || !isValidBlendMode(r.value) || props->blendMode() == r.value) return false;
            recorded = runOn(layer, kCmdLayerBlending, BlendModeParams{r.value});
            break;
        case LayerRequest::Kind::Opacity: {
            if (!props || !validOpacity(r.value)) return false;
            // The field works in percent; the byte it sends is a percent's.
            const int32_t percent = opacityByteToPercent(uint8_t(r.value));
            const uint8_t value = opacityPercentToByte(percent);
            // The preview showed the value already; the step is recorded from the opacity the
            // layer had before it, so that undo goes back there.
            const bool previewed = validOpacity(r.previous);
            if (previewed && props->masterOpacity() != r.previous)
                stack.setMasterOpacity(layer, uint8_t(r.previous), false);
            if (props->masterOpacity() != value)
                recorded = runOn(layer, kCmdLayerOpacity, OpacityParams{percent});
            // Refused or unchanged: the views and palettes are shown the layer as it is.
            if (!recorded && previewed) stack.setMasterOpacity(layer, props->masterOpacity());
            break;
        }
        case LayerRequest::Kind::NewLayer:
            recorded = window_.runCommandWith(kCmdNewLayer, LayerProperties{});
            break;
        case LayerRequest::Kind::DeleteLayer:
            // The catalogue's record keeps the image's last layer.
            if (!layer) return false;
            recorded = runOn(layer, kCmdDeleteLayer, NoParams{});
            break;
        case LayerRequest::Kind::Move:
            if (!layer || !stack.canMove(r.index, r.to)) return false;
            recorded = window_.runCommandWith(kCmdLayerOrder, LayerOrderParams{r.index, r.to});
            break;
    }
    window_.notifyStateChanged();
    return recorded;
}

}  // namespace varnel
