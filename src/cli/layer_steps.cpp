// Layer commands: adding a layer from a file, the active layer's mode and opacity, visibility,
// new, duplicate and delete.
#include <sys/stat.h>

#include "cli/edit_steps.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "formats/format_registry.h"

namespace varnel {

namespace {

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

EmptyLayer* activeLayerWithProperties(EditSession& session, std::string& failure) {
    LayerItem* active = session.document->layers().activeLayer();
    auto* layer = dynamic_cast<EmptyLayer*>(active);
    if (!layer) failure = active ? "the active layer has no properties" : "there is no layer";
    return layer;
}

struct AddLayer {
    std::string file;
    int32_t mode = 0;
    int32_t opacity = 100;
};

// FILE[:MODE[:OPACITY]]. A path that exists is taken whole, colons and all.
bool parseAddLayer(const std::string& text, AddLayer& out, std::string& error) {
    out = AddLayer{};
    if (text.empty()) {
        error = "a file name is needed";
        return false;
    }
    if (fileExists(text)) {
        out.file = text;
        return true;
    }
    const size_t last = text.rfind(':');
    if (last == std::string::npos) {
        out.file = text;
        return true;
    }
    const size_t before = last == 0 ? std::string::npos : text.rfind(':', last - 1);
    if (before != std::string::npos) {
        // FILE:MODE:OPACITY
        out.file = text.substr(0, before);
        return parseBlendMode(text.substr(before + 1, last - before - 1), out.mode, error) &&
               parseOpacity(text.substr(last + 1), out.opacity, error);
    }
    out.file = text.substr(0, last);
    return parseBlendMode(text.substr(last + 1), out.mode, error);
}

StepAction addLayer(const AddLayer& spec) {
    return [spec](EditSession& session, std::string& failure) {
        std::unique_ptr<Document> source;
        if (!openDocument(source, spec.file)) {
            failure = "Cannot open file \"" + spec.file + "\"!";
            return false;
        }
        ColorImage color;
        GrayMap alpha;
        if (!source->flattenForSave(color, alpha, true)) {
            failure = "not enough memory for the layer";
            return false;
        }
        LayerStack& layers = session.document->layers();
        RasterLayer* layer = layers.newRasterLayer(color, alpha.isValid() ? &alpha : nullptr,
                                                   {0, 0}, std::string(), false);
        if (!layer) {
            failure = "not enough memory for the layer";
            return false;
        }
        layers.setBlendMode(layer, spec.mode);
        layers.setMasterOpacity(layer, opacityPercentToByte(spec.opacity));
        return true;
    };
}

}  // namespace

void addLayerSteps(std::vector<StepSpec>& steps) {
    steps.push_back(
        {"--add-layer", "FILE[:MODE[:OPACITY]]",
         "adds the picture in FILE as a new layer at the canvas origin, above the active layer, "
         "with blend mode MODE (a name from the mode list, such as Multiply or color-dodge, or "
         "its number 0..18; Normal when left out) and OPACITY percent (100 when left out)",
         [](const std::string& text, std::string& error) -> StepAction {
             AddLayer spec;
             if (!parseAddLayer(text, spec, error)) return {};
             return addLayer(spec);
         }});

    steps.push_back({"--layer-mode", "MODE", "sets the blend mode of the active layer",
                     [](const std::string& text, std::string& error) -> StepAction {
                         int32_t mode = 0;
                         if (!parseBlendMode(text, mode, error)) return {};
                         return [mode](EditSession& session, std::string& failure) {
                             EmptyLayer* layer = activeLayerWithProperties(session, failure);
                             return layer &&
                                    session.document->layers().setBlendMode(layer, mode) != 0;
                         };
                     }});

    steps.push_back({"--layer-opacity", "P",
                     "sets the opacity of the active layer to P percent (0..100)",
                     [](const std::string& text, std::string& error) -> StepAction {
                         int32_t percent = 0;
                         if (!parseOpacity(text, percent, error)) return {};
                         return [percent](EditSession& session, std::string& failure) {
                             EmptyLayer* layer = activeLayerWithProperties(session, failure);
                             return layer && session.document->layers().setMasterOpacity(
                                                 layer, opacityPercentToByte(percent)) != 0;
                         };
                     }});

    steps.push_back({"--hide-layer", "N",
                     "hides layer N, counting from 1 at the bottom of the stack",
                     [](const std::string& text, std::string& error) -> StepAction {
                         int64_t n = 0;
                         if (!parseInteger(text, 1, INT32_MAX, n, error)) return {};
                         return [n](EditSession& session, std::string& failure) {
                             LayerStack& layers = session.document->layers();
                             LayerItem* layer = layers.layerAt(int(n - 1));
                             if (!layer) {
                                 failure = "there is no layer " + std::to_string(n) + " (the " +
                                           "document has " + std::to_string(layers.count()) + ")";
                                 return false;
                             }
                             return layers.setVisible(layer, false) != 0;
                         };
                     }});

    steps.push_back({"--new-layer", "",
                     "adds an empty layer above the active layer, named by the layer-name rule",
                     [](const std::string&, std::string&) -> StepAction {
                         return [](EditSession& session, std::string& failure) {
                             LayerStack& layers = session.document->layers();
                             LayerProperties properties;
                             properties.name = layers.nextLayerName();
                             if (!layers.newEmptyLayer(&properties)) {
                                 failure = "the layer could not be made";
                                 return false;
                             }
                             return true;
                         };
                     }});

    steps.push_back({"--duplicate-layer", "",
                     "duplicates the active layer above it (a copy of the background is an "
                     "ordinary layer)",
                     [](const std::string&, std::string&) -> StepAction {
                         return [](EditSession& session, std::string& failure) {
                             LayerStack& layers = session.document->layers();
                             LayerItem* active = layers.activeLayer();
                             if (!active) {
                                 failure = "there is no layer";
                                 return false;
                             }
                             if (!layers.duplicate(active, layers.duplicateName(active->name()))) {
                                 failure = "not enough memory for the copy";
                                 return false;
                             }
                             return true;
                         };
                     }});

    steps.push_back({"--delete-layer", "", "deletes the active layer",
                     [](const std::string&, std::string&) -> StepAction {
                         return [](EditSession& session, std::string& failure) {
                             LayerStack& layers = session.document->layers();
                             if (!layers.activeLayer()) {
                                 failure = "there is no layer";
                                 return false;
                             }
                             return layers.remove(layers.activeLayer()) != 0;
                         };
                     }});
}

}  // namespace varnel
