// Layer commands: adding a layer from a file, the active layer's mode and opacity, visibility,
// new, duplicate, delete, the merges, flatten, fill and clear.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "cli/edit_steps.h"
#include "core/surface_ops.h"
#include "document/document.h"
#include "document/layer_ops.h"
#include "formats/format_registry.h"
#include "history/document_action.h"
#include "history/image_snapshot.h"
#include "history/layer_actions.h"
#include "history/merge_actions.h"
#include "history/pixel_actions.h"

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

// Why Fill or Clear cannot work on the active layer, or empty when they can.
std::string activeRasterProblem(const Document& document) {
    const LayerItem* active = document.layers().activeLayer();
    if (!active) return "there is no layer";
    if (!active->isVisible()) return "the active layer is hidden";
    if (!dynamic_cast<const RasterLayer*>(active)) return "the active layer has no pixels";
    return {};
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

// "Add Layer": a picture from a file as a new layer above the active one, made active. The
// picture is handed over at the first execution; undo detaches the layer and keeps it, redo puts
// the same layer back where it was.
class AddLayerAction : public DocumentAction {
public:
    AddLayerAction(Document* image, Selection* selection, ColorImage&& color, GrayMap&& alpha,
                   int32_t mode, uint8_t opacity)
        : DocumentAction(image, selection, -1), mode_(mode), opacity_(opacity) {
        color_.adoptStore(color.takeStore());
        if (alpha.isValid()) alpha_.adoptStore(alpha.takeStore());
    }
    std::string name() const override { return "Add Layer"; }

    int execute() override {
        LayerStack& stack = image_->layers();
        const int active = stack.activeIndex();
        if (kept_) {
            if (!stack.reinsert(std::move(kept_), layerIndex_)) return 0;
        } else {
            if (layerIndex_ >= 0 || !color_.isValid()) return 0;
            RasterLayer* layer = stack.newRasterLayer(color_, alpha_.isValid() ? &alpha_ : nullptr,
                                                      {0, 0}, std::string(), false);
            if (!layer) return 0;
            stack.setBlendMode(layer, mode_);
            stack.setMasterOpacity(layer, opacity_);
            layerIndex_ = stack.indexOf(layer);
            color_.release();
            alpha_.release();
        }
        previousActive_ = active;
        return 1;
    }

    int revert() override {
        if (kept_ || layerIndex_ < 0) return 0;
        LayerStack& stack = image_->layers();
        std::unique_ptr<LayerItem> layer = stack.detachAt(layerIndex_);
        if (!layer) return 0;
        kept_ = std::move(layer);
        if (LayerItem* previous = stack.layerAt(previousActive_)) stack.setActiveLayer(previous);
        return 1;
    }

    size_t byteSize() const override {
        if (kept_) return layerBytes(*kept_);
        return (color_.isValid() ? color_.imageBytes() : 0) +
               (alpha_.isValid() ? alpha_.imageBytes() : 0);
    }

private:
    ColorImage color_;
    GrayMap alpha_;
    int32_t mode_;
    uint8_t opacity_;
    int previousActive_ = -1;
    std::unique_ptr<LayerItem> kept_;  // held while undone
};

StepAction addLayer(const AddLayer& desc) {
    return [desc](EditSession& session, std::string& failure) {
        std::unique_ptr<Document> source;
        std::string reason;
        if (!openDocument(source, desc.file, nullptr, &reason)) {
            failure = "Cannot open file \"" + desc.file + "\"!";
            if (!reason.empty()) failure += " " + reasonSentence(reason);
            return false;
        }
        ColorImage color;
        GrayMap alpha;
        if (!source->flattenForSave(color, alpha, true)) {
            failure = "not enough memory for the layer";
            return false;
        }
        source.reset();
        return perform(session,
                       std::make_unique<AddLayerAction>(
                           session.document.get(), session.selection.get(), std::move(color),
                           std::move(alpha), desc.mode, opacityPercentToByte(desc.opacity)),
                       failure, "not enough memory for the layer");
    };
}

// RRGGBB[:MODE[:OPACITY[:preserve]]]
bool parseFill(const std::string& text, FillSettings& out, std::string& error) {
    const std::vector<std::string> parts = splitColons(text);
    std::string hex = parts[0];
    if (!hex.empty() && hex[0] == '#') hex.erase(0, 1);
    if (hex.size() != 6 || !std::all_of(hex.begin(), hex.end(), [](char ch) {
            return std::isxdigit(static_cast<unsigned char>(ch)) != 0;
        })) {
        error = "\"" + parts[0] + "\" is not a colour RRGGBB";
        return false;
    }
    if (parts.size() > 4) {
        error = "too many parts: RRGGBB[:MODE[:OPACITY[:preserve]]]";
        return false;
    }
    const unsigned long rgb = std::stoul(hex, nullptr, 16);
    FillSettings s;
    s.color = Bgr{uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16)};
    if (parts.size() > 1 && !parseBlendMode(parts[1], s.mode, error)) return false;
    if (parts.size() > 2 && !parseOpacity(parts[2], s.opacity, error)) return false;
    if (parts.size() > 3) {
        if (parts[3] != "preserve") {
            error = "\"" + parts[3] + "\" should be \"preserve\" (keep the transparency)";
            return false;
        }
        s.preserveTransparency = 1;
    }
    out = s;
    return true;
}

StepAction simple(std::function<bool(EditSession&, std::string&)> action) {
    return
        [action](EditSession& session, std::string& failure) { return action(session, failure); };
}

std::function<StepAction(const std::string&, std::string&)> noParameter(
    std::function<bool(EditSession&, std::string&)> action) {
    return [action](const std::string&, std::string&) -> StepAction { return simple(action); };
}

}  // namespace

void addLayerSteps(std::vector<StepInfo>& steps) {
    steps.push_back(
        {"--add-layer", "FILE[:MODE[:OPACITY]]",
         "adds the picture in FILE as a new layer at the canvas origin, above the active layer, "
         "with blend mode MODE (a name from the mode list, such as Multiply or color-dodge, or "
         "its number 0..18; Normal when left out) and OPACITY percent (100 when left out)",
         [](const std::string& text, std::string& error) -> StepAction {
             AddLayer desc;
             if (!parseAddLayer(text, desc, error)) return {};
             return addLayer(desc);
         }});

    steps.push_back({"--layer-mode", "MODE", "sets the blend mode of the active layer",
                     [](const std::string& text, std::string& error) -> StepAction {
                         int32_t mode = 0;
                         if (!parseBlendMode(text, mode, error)) return {};
                         return [mode](EditSession& session, std::string& failure) {
                             EmptyLayer* layer = activeLayerWithProperties(session, failure);
                             if (!layer) return false;
                             // Setting the mode the layer already has is recorded too.
                             Document& doc = *session.document;
                             return perform(session,
                                            std::make_unique<BlendingChangeAction>(
                                                &doc, session.selection.get(),
                                                doc.layers().indexOf(layer), mode),
                                            failure, "the blend mode could not be set");
                         };
                     }});

    steps.push_back(
        {"--layer-opacity", "P", "sets the opacity of the active layer to P percent (0..100)",
         [](const std::string& text, std::string& error) -> StepAction {
             int32_t percent = 0;
             if (!parseOpacity(text, percent, error)) return {};
             return [percent](EditSession& session, std::string& failure) {
                 EmptyLayer* layer = activeLayerWithProperties(session, failure);
                 if (!layer) return false;
                 const uint8_t value = opacityPercentToByte(percent);
                 Document& doc = *session.document;
                 return perform(
                     session,
                     std::make_unique<OpacityChangeAction>(&doc, session.selection.get(),
                                                           doc.layers().indexOf(layer), value),
                     failure, "the opacity could not be set");
             };
         }});

    steps.push_back({"--hide-layer", "N",
                     "hides layer N, counting from 1 at the bottom of the stack (as the Layers "
                     "palette's eye does, not recorded in the history)",
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
                     noParameter([](EditSession& session, std::string& failure) {
                         return perform(session,
                                        std::make_unique<NewLayerAction>(session.document.get(),
                                                                         session.selection.get(),
                                                                         LayerProperties{}),
                                        failure, "the layer could not be made");
                     })});

    steps.push_back({"--duplicate-layer", "",
                     "duplicates the active layer above it (a copy of the background is an "
                     "ordinary layer)",
                     noParameter([](EditSession& session, std::string& failure) {
                         if (!hasActiveLayer(*session.document)) {
                             failure = "there is no layer";
                             return false;
                         }
                         Document& doc = *session.document;
                         return perform(session,
                                        std::make_unique<DuplicateLayerAction>(
                                            &doc, session.selection.get(),
                                            doc.layers().activeIndex(), std::string()),
                                        failure, "not enough memory for the copy");
                     })});

    steps.push_back({"--delete-layer", "", "deletes the active layer (never the only one)",
                     noParameter([](EditSession& session, std::string& failure) {
                         if (!hasActiveLayer(*session.document)) {
                             failure = "there is no layer";
                             return false;
                         }
                         // An image without a layer would save as nothing but transparency.
                         if (!canDeleteLayer(*session.document)) {
                             failure = "the image's only layer cannot be deleted";
                             return false;
                         }
                         Document& doc = *session.document;
                         return perform(
                             session,
                             std::make_unique<DeleteLayerAction>(&doc, session.selection.get(),
                                                                 doc.layers().activeIndex()),
                             failure, "the image's only layer cannot be deleted");
                     })});

    steps.push_back(
        {"--merge-down", "", "merges the active layer into the layer below it",
         noParameter([](EditSession& session, std::string& failure) {
             if (!canMergeDown(*session.document, 1)) {
                 failure = "the active layer and the layer below it must both be visible";
                 return false;
             }
             Document& doc = *session.document;
             return perform(session,
                            std::make_unique<MergeDownAction>(&doc, session.selection.get(),
                                                              doc.layers().activeIndex()),
                            failure, "no layer of the two has pixels to merge");
         })});

    steps.push_back({"--merge-visible", "", "merges every visible layer into one",
                     noParameter([](EditSession& session, std::string& failure) {
                         if (!canMergeVisible(*session.document)) {
                             failure = "the active layer must be visible, and another layer too";
                             return false;
                         }
                         Document& doc = *session.document;
                         return perform(
                             session,
                             std::make_unique<MergeVisibleAction>(&doc, session.selection.get(),
                                                                  doc.layers().activeIndex()),
                             failure, "no visible layer has pixels to merge");
                     })});

    steps.push_back({"--flatten", "",
                     "flattens the image into one opaque Background layer (white where it was "
                     "transparent)",
                     noParameter([](EditSession& session, std::string& failure) {
                         // An image that is one background layer already is flat.
                         if (!canFlatten(*session.document)) return true;
                         return perform(session,
                                        std::make_unique<FlattenImageAction>(
                                            session.document.get(), session.selection.get()),
                                        failure, "not enough memory to flatten");
                     })});

    steps.push_back(
        {"--fill", "RRGGBB[:MODE[:OPACITY[:preserve]]]",
         "fills the selection (the whole layer when nothing is selected) on the active layer with "
         "the colour, in blend mode MODE (Normal) at OPACITY percent (100); \"preserve\" keeps the "
         "layer's transparency",
         [](const std::string& text, std::string& error) -> StepAction {
             FillSettings settings;
             if (!parseFill(text, settings, error)) return {};
             return [settings](EditSession& session, std::string& failure) {
                 failure = activeRasterProblem(*session.document);
                 if (!failure.empty()) return false;
                 Document& doc = *session.document;
                 return perform(session,
                                std::make_unique<FillAction>(&doc, session.selection.get(),
                                                             doc.layers().activeIndex(), settings),
                                failure, "the fill could not be applied");
             };
         }});

    steps.push_back({"--clear", "",
                     "clears the selection on the active layer: transparent, or the background "
                     "colour (white) on the Background layer",
                     noParameter([](EditSession& session, std::string& failure) {
                         if (session.selection->isEmpty()) {
                             failure = "nothing is selected";
                             return false;
                         }
                         failure = activeRasterProblem(*session.document);
                         if (!failure.empty()) return false;
                         Document& doc = *session.document;
                         return perform(session,
                                        std::make_unique<ClearAction>(&doc, session.selection.get(),
                                                                      doc.layers().activeIndex(),
                                                                      session.background),
                                        failure, "the clear could not be applied");
                     })});
}

}  // namespace varnel
