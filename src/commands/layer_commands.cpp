// The Layer menu and the Layers palette: new, duplicate, delete, properties, blend mode and
// opacity, the merges and Flatten Image; Fill and Clear of the Edit menu; and adding a picture
// from a file as a layer.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "commands/catalogue.h"
#include "commands/command_text.h"
#include "commands/layer_params.h"
#include "core/surface_ops.h"
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

const EmptyLayer* activeLayerWithProperties(const Document& document, std::string* failure) {
    const LayerItem* active = document.layers().activeLayer();
    auto* layer = dynamic_cast<const EmptyLayer*>(active);
    if (!layer && failure)
        *failure = active ? "the active layer has no properties" : "there is no layer";
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

struct AddLayerParams {
    std::string file;
    int32_t mode = 0;
    int32_t opacity = 100;
};

// FILE[:MODE[:OPACITY]]. A path that exists is taken whole, colons and all.
bool parseAddLayer(std::string_view given, AddLayerParams& out, std::string& error) {
    const std::string text(given);
    AddLayerParams p;
    if (text.empty()) {
        error = "a file name is needed";
        return false;
    }
    if (fileExists(text)) {
        p.file = text;
        out = p;
        return true;
    }
    const size_t last = text.rfind(':');
    if (last == std::string::npos) {
        p.file = text;
        out = p;
        return true;
    }
    const size_t before = last == 0 ? std::string::npos : text.rfind(':', last - 1);
    if (before != std::string::npos) {
        // FILE:MODE:OPACITY
        p.file = text.substr(0, before);
        if (!parseBlendMode(text.substr(before + 1, last - before - 1), p.mode, error) ||
            !parseOpacity(text.substr(last + 1), p.opacity, error))
            return false;
    } else {
        p.file = text.substr(0, last);
        if (!parseBlendMode(text.substr(last + 1), p.mode, error)) return false;
    }
    out = p;
    return true;
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

    void undoStores(std::vector<SurfaceStore*>& out) override {
        if (kept_) {
            addLayerStores(*kept_, out);
        } else {
            addStores(color_, out);
            addStores(alpha_, out);
        }
    }

private:
    ColorImage color_;
    GrayMap alpha_;
    int32_t mode_;
    uint8_t opacity_;
    int previousActive_ = -1;
    std::unique_ptr<LayerItem> kept_;  // held while undone
};

// RRGGBB[:MODE[:OPACITY[:preserve]]]
bool parseFill(std::string_view given, FillSettings& out, std::string& error) {
    const std::vector<std::string> parts = splitColons(std::string(given));
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

std::string formatFill(const FillSettings& s) {
    std::string out = formatRgb(s.color.toColorRef()) + ":" + formatBlendMode(s.mode) + ":" +
                      std::to_string(s.opacity);
    if (s.preserveTransparency) out += ":preserve";
    return out;
}

MadeAction fillWith(Document& document, Selection& selection, const FillSettings& settings) {
    std::string failure = activeRasterProblem(document);
    if (!failure.empty()) return {nullptr, failure};
    return guarded([&] {
        return std::make_unique<FillAction>(&document, &selection, document.layers().activeIndex(),
                                            settings);
    });
}

// Fill with a colour of the context: Normal, 100 %, transparency not kept.
DocumentCommand quickFill(int id, const char* name, bool foreground) {
    DocumentCommand c;
    c.id = id;
    c.name = name;
    c.entries = {{id, ""}};
    c.isEnabled = [](const Document& document, const Selection&, const CommandContext&) {
        return canFill(document);
    };
    c.refused = "the fill could not be applied";
    setWithoutParams(c, [foreground](Document& document, Selection& selection,
                                     const CommandContext& context) {
        FillSettings settings;
        settings.color = Bgr::fromColorRef(foreground ? context.foreground : context.background);
        return fillWith(document, selection, settings);
    });
    return c;
}

// NAME[:MODE[:OPACITY]]; the name may hold colons when mode and opacity follow.
bool parseLayerProperties(std::string_view given, LayerProperties& out, std::string& error) {
    const std::string text(given);
    LayerProperties p;
    const std::vector<std::string> parts = splitColons(text);
    int32_t mode = 0, percent = 100;
    if (parts.size() >= 3) {
        const size_t last = text.rfind(':');
        const size_t before = text.rfind(':', last - 1);
        if (!parseBlendMode(text.substr(before + 1, last - before - 1), mode, error) ||
            !parseOpacity(text.substr(last + 1), percent, error))
            return false;
        p.name = text.substr(0, before);
    } else if (parts.size() == 2) {
        if (!parseBlendMode(parts[1], mode, error)) return false;
        p.name = parts[0];
    } else {
        p.name = text;
    }
    p.blendMode = mode;
    p.masterOpacity = opacityPercentToByte(percent);
    out = p;
    return true;
}

std::string formatLayerProperties(const LayerProperties& p) {
    if (p.blendMode == 0 && p.masterOpacity == 255 && p.name.find(':') == std::string::npos)
        return p.name;
    return p.name + ":" + formatBlendMode(p.blendMode) + ":" +
           std::to_string(opacityByteToPercent(p.masterOpacity));
}

// The layers the context names as chosen in the Layers palette, or null when an index names none;
// without a choice, the active layer alone.
std::optional<std::vector<const LayerItem*>> chosenLayers(const Document& document,
                                                          const std::vector<int>& indices) {
    std::vector<const LayerItem*> out;
    for (int index : indices) {
        const LayerItem* layer = document.layers().layerAt(index);
        if (!layer) return std::nullopt;
        out.push_back(layer);
    }
    if (indices.empty()) {
        if (const LayerItem* active = document.layers().activeLayer()) out.push_back(active);
    }
    return out;
}

// Layer numbers counting from 1, bottom first, as stack indices; empty text: none.
bool parseLayerList(std::string_view given, MergeLayersParams& p, std::string& error) {
    p.layers.clear();
    if (given.empty()) return true;
    std::vector<int64_t> numbers;
    const std::string text(given);
    const size_t count = size_t(std::count(text.begin(), text.end(), ',')) + 1;
    if (!parseIntegerList(text, count, 1, INT32_MAX, numbers, error)) return false;
    for (int64_t n : numbers) p.layers.push_back(int(n - 1));
    return true;
}

std::string formatLayerList(const MergeLayersParams& p) {
    std::string out;
    for (int index : p.layers) {
        if (!out.empty()) out += ",";
        out += std::to_string(int64_t(index) + 1);
    }
    return out;
}

bool withActiveLayer(const Document& document, const Selection&, const CommandContext&) {
    return hasActiveLayer(document);
}
bool withLayerProperties(const Document& document, const Selection&, const CommandContext&) {
    return activeLayerWithProperties(document, nullptr) != nullptr;
}

}  // namespace

void addLayerCommands(std::vector<DocumentCommand>& out) {
    DocumentCommand add = makeCommand(
        kCmdAddLayer, "Add Layer", "--add-layer", "FILE[:MODE[:OPACITY]]",
        "adds the picture in FILE as a new layer at the canvas origin, above the active layer, "
        "with blend mode MODE (a name from the mode list, such as Multiply or color-dodge, or "
        "its number 0..18; Normal when left out) and OPACITY percent (100 when left out)",
        "not enough memory for the layer");
    setTyped<AddLayerParams>(
        add, {parseAddLayer,
              [](const AddLayerParams& p) {
                  return p.file + ":" + formatBlendMode(p.mode) + ":" + std::to_string(p.opacity);
              },
              [](Document& document, Selection& selection, const AddLayerParams& p,
                 const CommandContext&) {
                  std::unique_ptr<Document> source;
                  std::string reason;
                  if (!openDocument(source, p.file, nullptr, &reason)) {
                      std::string failure = "Cannot open file \"" + p.file + "\"!";
                      if (!reason.empty()) failure += " " + reasonSentence(reason);
                      return MadeAction{nullptr, failure};
                  }
                  ColorImage color;
                  GrayMap alpha;
                  if (!source->flattenForSave(color, alpha, true))
                      return MadeAction{nullptr, "not enough memory for the layer"};
                  source.reset();
                  return guarded([&] {
                      return std::make_unique<AddLayerAction>(
                          &document, &selection, std::move(color), std::move(alpha), p.mode,
                          opacityPercentToByte(p.opacity));
                  });
              }});
    out.push_back(std::move(add));

    DocumentCommand mode =
        makeCommand(kCmdLayerBlending, "Blending Change", "--layer-mode", "MODE",
                    "sets the blend mode of the active layer", "the blend mode could not be set");
    mode.entries = {{kCmdLayerBlending, std::nullopt}};
    mode.isEnabled = withLayerProperties;
    setTyped<BlendModeParams>(
        mode, {[](std::string_view text, BlendModeParams& p, std::string& error) {
                   return parseBlendMode(std::string(text), p.mode, error);
               },
               [](const BlendModeParams& p) { return formatBlendMode(p.mode); },
               [](Document& document, Selection& selection, const BlendModeParams& p,
                  const CommandContext&) {
                   std::string failure;
                   const EmptyLayer* layer = activeLayerWithProperties(document, &failure);
                   if (!layer) return MadeAction{nullptr, failure};
                   // Setting the mode the layer already has is recorded too.
                   return guarded([&] {
                       return std::make_unique<BlendingChangeAction>(
                           &document, &selection, document.layers().indexOf(layer), p.mode);
                   });
               }});
    out.push_back(std::move(mode));

    DocumentCommand opacity =
        makeCommand(kCmdLayerOpacity, "Master Opacity Change", "--layer-opacity", "P",
                    "sets the opacity of the active layer to P percent (0..100)",
                    "the opacity could not be set");
    opacity.entries = {{kCmdLayerOpacity, std::nullopt}};
    opacity.isEnabled = withLayerProperties;
    setTyped<OpacityParams>(
        opacity, {[](std::string_view text, OpacityParams& p, std::string& error) {
                      return parseOpacity(std::string(text), p.percent, error);
                  },
                  [](const OpacityParams& p) { return std::to_string(p.percent); },
                  [](Document& document, Selection& selection, const OpacityParams& p,
                     const CommandContext&) {
                      std::string failure;
                      const EmptyLayer* layer = activeLayerWithProperties(document, &failure);
                      if (!layer) return MadeAction{nullptr, failure};
                      return guarded([&] {
                          return std::make_unique<OpacityChangeAction>(
                              &document, &selection, document.layers().indexOf(layer),
                              opacityPercentToByte(p.percent));
                      });
                  }});
    out.push_back(std::move(opacity));

    DocumentCommand rename =
        makeCommand(kCmdLayerProperties, "Layer Properties", "--layer-name", "NAME",
                    "renames the active layer", "the layer could not be renamed");
    rename.entries = {{kCmdMenuLayerProperties, std::nullopt}};
    rename.isEnabled = withLayerProperties;
    setTyped<LayerNameParams>(
        rename, {[](std::string_view text, LayerNameParams& p, std::string& error) {
                     if (text.empty()) {
                         error = "a name is needed";
                         return false;
                     }
                     p.name = std::string(text);
                     return true;
                 },
                 [](const LayerNameParams& p) { return p.name; },
                 [](Document& document, Selection& selection, const LayerNameParams& p,
                    const CommandContext&) {
                     std::string failure;
                     const EmptyLayer* layer = activeLayerWithProperties(document, &failure);
                     if (!layer) return MadeAction{nullptr, failure};
                     return guarded([&] {
                         return std::make_unique<LayerPropertiesAction>(
                             &document, &selection, document.layers().indexOf(layer), p.name);
                     });
                 }});
    out.push_back(std::move(rename));

    DocumentCommand added =
        makeCommand(kCmdNewLayer, "New Layer", "--new-layer", "",
                    "adds an empty layer above the active layer, named by the layer-name rule",
                    "the layer could not be made");
    added.entries = {{kCmdMenuNewLayer, std::nullopt}};
    setTyped<LayerProperties>(
        added, {parseLayerProperties, formatLayerProperties,
                [](Document& document, Selection& selection, const LayerProperties& p,
                   const CommandContext&) {
                    return guarded(
                        [&] { return std::make_unique<NewLayerAction>(&document, &selection, p); });
                }});
    out.push_back(std::move(added));

    DocumentCommand duplicate = makeCommand(
        kCmdDuplicateLayer, "Duplicate Layer", "--duplicate-layer", "",
        "duplicates the active layer above it (a copy of the background is an ordinary layer)",
        "not enough memory for the copy");
    duplicate.entries = {{kCmdMenuDuplicateLayer, std::nullopt}};
    duplicate.isEnabled = withActiveLayer;
    setTyped<LayerNameParams>(
        duplicate, {[](std::string_view text, LayerNameParams& p, std::string&) {
                        p.name = std::string(text);
                        return true;
                    },
                    [](const LayerNameParams& p) { return p.name; },
                    [](Document& document, Selection& selection, const LayerNameParams& p,
                       const CommandContext&) {
                        if (!hasActiveLayer(document))
                            return MadeAction{nullptr, "there is no layer"};
                        return guarded([&] {
                            return std::make_unique<DuplicateLayerAction>(
                                &document, &selection, document.layers().activeIndex(), p.name);
                        });
                    }});
    out.push_back(std::move(duplicate));

    DocumentCommand remove = makeCommand(kCmdDeleteLayer, "Delete Layer", "--delete-layer", "",
                                         "deletes the active layer (never the only one)",
                                         "the image's only layer cannot be deleted");
    remove.entries = {{kCmdMenuDeleteLayer, ""}};
    remove.isEnabled = [](const Document& document, const Selection&, const CommandContext&) {
        return canDeleteLayer(document);
    };
    setWithoutParams(remove, [](Document& document, Selection& selection, const CommandContext&) {
        if (!hasActiveLayer(document)) return MadeAction{nullptr, "there is no layer"};
        // An image without a layer would save as nothing but transparency.
        if (!canDeleteLayer(document))
            return MadeAction{nullptr, "the image's only layer cannot be deleted"};
        return guarded([&] {
            return std::make_unique<DeleteLayerAction>(&document, &selection,
                                                       document.layers().activeIndex());
        });
    });
    out.push_back(std::move(remove));

    DocumentCommand order = makeCommand(
        kCmdLayerOrder, "Layer Order", "--layer-order", "FROM,TO",
        "moves layer FROM to place TO (numbered from 1 at the bottom; the layers between shift "
        "by one); a background stays at the bottom",
        "the layer cannot move there");
    order.isEnabled = [](const Document& document, const Selection&, const CommandContext&) {
        return document.layers().count() > 1;
    };
    setTyped<LayerOrderParams>(
        order,
        {[](std::string_view text, LayerOrderParams& p, std::string& error) {
             std::vector<int64_t> values;
             if (!parseIntegerList(std::string(text), 2, 1, INT32_MAX, values, error)) return false;
             p.from = int32_t(values[0] - 1);
             p.to = int32_t(values[1] - 1);
             return true;
         },
         [](const LayerOrderParams& p) {
             return std::to_string(int64_t(p.from) + 1) + "," + std::to_string(int64_t(p.to) + 1);
         },
         [](Document& document, Selection& selection, const LayerOrderParams& p,
            const CommandContext&) {
             const LayerStack& stack = document.layers();
             for (const int32_t index : {p.from, p.to}) {
                 if (index < 0 || index >= stack.count())
                     return MadeAction{
                         nullptr, "the image has no layer " + std::to_string(int64_t(index) + 1) +
                                      " (it has " + std::to_string(stack.count()) + ")"};
             }
             // Moving a layer to where it is changes nothing.
             if (p.from == p.to) return MadeAction{};
             if (!stack.canMove(p.from, p.to))
                 return MadeAction{nullptr, "a background stays at the bottom"};
             return guarded([&] {
                 return std::make_unique<LayerOrderAction>(&document, &selection, p.from, p.to);
             });
         }});
    out.push_back(std::move(order));

    DocumentCommand down = makeCommand(kCmdMergeDown, "Merge Down", "--merge-down", "",
                                       "merges the active layer into the layer below it",
                                       "no layer of the two has pixels to merge");
    down.entries = {{kCmdMergeDown, ""}};
    // Merge Down works on the active layer alone: not while several are chosen in the palette.
    down.isEnabled = [](const Document& document, const Selection&, const CommandContext& context) {
        return canMergeDown(document, std::max<int>(1, int(context.selectedLayers.size())));
    };
    setWithoutParams(down, [](Document& document, Selection& selection, const CommandContext&) {
        if (!canMergeDown(document, 1))
            return MadeAction{nullptr,
                              "the active layer and the layer below it must both be visible"};
        return guarded([&] {
            return std::make_unique<MergeDownAction>(&document, &selection,
                                                     document.layers().activeIndex());
        });
    });
    out.push_back(std::move(down));

    DocumentCommand merge = makeCommand(
        kCmdMergeLayers, "Merge Layers", "--merge-layers", "N,N[,...]",
        "merges the layers numbered N (counting from 1 at the bottom) into one; in the editor, "
        "the layers chosen in the Layers palette",
        "no layer of those has pixels to merge");
    merge.entries = {{kCmdMergeLayers, ""}};
    merge.isEnabled = [](const Document& document, const Selection&,
                         const CommandContext& context) {
        const auto chosen = chosenLayers(document, context.selectedLayers);
        return chosen && canMergeLayers(document, *chosen);
    };
    setTyped<MergeLayersParams>(
        merge,
        {parseLayerList, formatLayerList,
         [](Document& document, Selection& selection, const MergeLayersParams& p,
            const CommandContext& context) {
             std::vector<int> indices = p.layers.empty() ? context.selectedLayers : p.layers;
             std::sort(indices.begin(), indices.end());
             indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
             const auto chosen = chosenLayers(document, indices);
             if (!chosen || indices.empty())
                 return MadeAction{nullptr, "a layer number names no layer"};
             if (!canMergeLayers(document, *chosen))
                 return MadeAction{nullptr, "at least two layers are needed, one of them visible"};
             return guarded([&] {
                 return std::make_unique<MergeLayersAction>(&document, &selection,
                                                            std::move(indices));
             });
         }});
    out.push_back(std::move(merge));

    DocumentCommand visible =
        makeCommand(kCmdMergeVisible, "Merge Visible", "--merge-visible", "",
                    "merges every visible layer into one", "no visible layer has pixels to merge");
    visible.entries = {{kCmdMergeVisible, ""}};
    visible.isEnabled = [](const Document& document, const Selection&, const CommandContext&) {
        return canMergeVisible(document);
    };
    setWithoutParams(visible, [](Document& document, Selection& selection, const CommandContext&) {
        if (!canMergeVisible(document))
            return MadeAction{nullptr, "the active layer must be visible, and another layer too"};
        return guarded([&] {
            return std::make_unique<MergeVisibleAction>(&document, &selection,
                                                        document.layers().activeIndex());
        });
    });
    out.push_back(std::move(visible));

    DocumentCommand flatten = makeCommand(kCmdFlattenImage, "Flatten Image", "--flatten", "",
                                          "flattens the image into one opaque Background layer "
                                          "(white where it was transparent)",
                                          "not enough memory to flatten");
    flatten.entries = {{kCmdFlattenImage, ""}};
    flatten.isEnabled = [](const Document& document, const Selection&, const CommandContext&) {
        return canFlatten(document);
    };
    setWithoutParams(flatten, [](Document& document, Selection& selection, const CommandContext&) {
        // An image that is one background layer already is flat: nothing to change.
        if (!canFlatten(document)) return MadeAction{};
        return guarded([&] { return std::make_unique<FlattenImageAction>(&document, &selection); });
    });
    out.push_back(std::move(flatten));

    DocumentCommand fill = makeCommand(
        kCmdEditFill, "Fill", "--fill", "RRGGBB[:MODE[:OPACITY[:preserve]]]",
        "fills the selection (the whole layer when nothing is selected) on the active layer with "
        "the colour, in blend mode MODE (Normal) at OPACITY percent (100); \"preserve\" keeps the "
        "layer's transparency",
        "the fill could not be applied");
    fill.entries = {{kCmdEditFill, std::nullopt}};
    fill.isEnabled = [](const Document& document, const Selection&, const CommandContext&) {
        return canFill(document);
    };
    setTyped<FillSettings>(
        fill, {parseFill, formatFill,
               [](Document& document, Selection& selection, const FillSettings& settings,
                  const CommandContext&) { return fillWith(document, selection, settings); }});
    out.push_back(std::move(fill));
    out.push_back(quickFill(kCmdFillForeground, "Fill", true));
    out.push_back(quickFill(kCmdFillBackground, "Fill", false));

    DocumentCommand clear =
        makeCommand(kCmdEditClear, "Clear", "--clear", "",
                    "clears the selection on the active layer: transparent, or the "
                    "background colour (white) on the Background layer",
                    "the clear could not be applied");
    clear.entries = {{kCmdEditClear, ""}};
    clear.isEnabled = [](const Document& document, const Selection& selection,
                         const CommandContext&) { return canClear(document, selection.area()); };
    setWithoutParams(
        clear, [](Document& document, Selection& selection, const CommandContext& context) {
            if (selection.isEmpty()) return MadeAction{nullptr, "nothing is selected"};
            std::string failure = activeRasterProblem(document);
            if (!failure.empty()) return MadeAction{nullptr, failure};
            return guarded([&] {
                return std::make_unique<ClearAction>(
                    &document, &selection, document.layers().activeIndex(), context.background);
            });
        });
    out.push_back(std::move(clear));
}

}  // namespace varnel
