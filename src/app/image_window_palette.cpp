#include "app/image_window_palette.h"

#include "app/image_window.h"
#include "core/blend_modes.h"
#include "document/document.h"
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

bool ImageWindowPalette::request(const LayerRequest& r) {
    Document* doc = window_.document();
    if (!doc) return false;
    LayerStack& stack = doc->layers();
    LayerItem* layer = stack.layerAt(r.index);
    auto* props = layer && layer->hasProperties() ? static_cast<EmptyLayer*>(layer) : nullptr;
    Selection* selection = &window_.selection();
    int recorded = 0;
    switch (r.kind) {
        case LayerRequest::Kind::Activate:
            if (!layer || !stack.setActiveLayer(layer)) return false;
            // No change record comes of it, but what the menus offer depends on it.
            window_.notifyStateChanged();
            return true;
        case LayerRequest::Kind::ToggleVisibility:
            return layer && stack.setVisible(layer, !layer->isVisible());
        case LayerRequest::Kind::PreviewOpacity:
            if (!props || r.value < 0 || r.value > 255) return false;
            return stack.setMasterOpacity(layer, uint8_t(r.value)) != 0;
        case LayerRequest::Kind::Rename:
            if (!layer || r.name.empty() || r.name == layer->name()) return false;
            recorded = window_.perform(
                std::make_unique<LayerPropertiesAction>(doc, selection, r.index, r.name));
            break;
        case LayerRequest::Kind::BlendMode:
            if (!props || !isValidBlendMode(r.value) || props->blendMode() == r.value) return false;
            recorded = window_.perform(
                std::make_unique<BlendingChangeAction>(doc, selection, r.index, r.value));
            break;
        case LayerRequest::Kind::Opacity: {
            if (!props || r.value < 0 || r.value > 255) return false;
            // The preview showed the value already; the step is recorded from the opacity the
            // layer had before it, so that undo goes back there.
            const bool previewed = r.previous >= 0 && r.previous <= 255;
            if (previewed && props->masterOpacity() != r.previous)
                stack.setMasterOpacity(layer, uint8_t(r.previous), false);
            if (props->masterOpacity() != r.value)
                recorded = window_.perform(std::make_unique<OpacityChangeAction>(
                    doc, selection, r.index, uint8_t(r.value)));
            // Refused or unchanged: the views and palettes are shown the layer as it is.
            if (!recorded && previewed) stack.setMasterOpacity(layer, props->masterOpacity());
            break;
        }
        case LayerRequest::Kind::NewLayer:
            recorded = window_.perform(
                std::make_unique<NewLayerAction>(doc, selection, LayerProperties{}));
            break;
        case LayerRequest::Kind::DeleteLayer:
            // The last layer of an image is never deleted.
            if (!layer || stack.count() < 2) return false;
            recorded =
                window_.perform(std::make_unique<DeleteLayerAction>(doc, selection, r.index));
            break;
        case LayerRequest::Kind::Move:
            if (!stack.canMove(r.index, r.to)) return false;
            recorded =
                window_.perform(std::make_unique<LayerOrderAction>(doc, selection, r.index, r.to));
            break;
    }
    window_.notifyStateChanged();
    return recorded != 0;
}

}  // namespace varnel
