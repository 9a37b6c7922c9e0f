// The Select menu: the marquee shapes with their combinations, All, Deselect, Inverse, the mask
// operations (Feather, Border, Expand, Contract), Grow and Similar, and the saved channels.
#include <climits>

#include "commands/catalogue.h"
#include "commands/command_text.h"
#include "commands/selection_params.h"
#include "core/surface_ops.h"
#include "document/channels.h"
#include "document/layer_stack.h"
#include "history/channel_actions.h"
#include "history/selection_actions.h"

namespace varnel {

namespace {

constexpr int64_t kFar = INT32_MAX / 2;
constexpr const char* kNoMemory = "not enough memory for the selection";

// A marquee combined with the selection (add, subtract, intersect), recorded under the
// marquee's name like the replacing one; undo brings back the selection it was combined with.
class CombinedMarqueeAction : public MarqueeAction {
public:
    CombinedMarqueeAction(Document* image, Selection* selection, Rect rect, bool elliptical,
                          int32_t op)
        : MarqueeAction(image, selection, rect, elliptical),
          rect_(rect),
          elliptical_(elliptical),
          op_(op) {}

    int applyChange() override {
        Selection shape(selection_->canvasSize());
        Channel current, added;
        if (!shape.setShape(rect_, elliptical_) || !selection_->toCanvasMask(current) ||
            !shape.toCanvasMask(added) || !combineMasks(current, added, op_))
            return 0;
        // A combination that selects nothing leaves nothing selected.
        return selection_->loadMask(current);
    }

private:
    Rect rect_;
    bool elliptical_;
    int32_t op_;
};

// Grow and Similar from a seed pixel: the pixel becomes the selection first, within the same
// recorded step, so that one undo brings back the selection from before the step.
class SeededGrowSimilarAction : public GrowSimilarAction {
public:
    SeededGrowSimilarAction(Document* image, Selection* selection, bool grow, int32_t tolerance,
                            Point seed)
        : GrowSimilarAction(image, selection, grow, tolerance), seed_(seed) {}

    int applyChange() override {
        if (!selection_->setShape({seed_.x, seed_.y, seed_.x + 1, seed_.y + 1}, false)) return 0;
        return GrowSimilarAction::applyChange();
    }

private:
    Point seed_;
};

bool withSelection(const Document&, const Selection& selection, const CommandContext&) {
    return !selection.isEmpty();
}

DocumentCommand command(int id, const char* name, const char* option, const char* syntax,
                        const char* help) {
    return makeCommand(id, name, option, syntax, help, kNoMemory);
}

template <typename A>
DocumentCommand simple(int id, const char* name, const char* option, const char* help,
                       bool needsSelection) {
    DocumentCommand c = command(id, name, option, "", help);
    c.entries = {{id, ""}};
    if (needsSelection) c.isEnabled = withSelection;
    setWithoutParams(c, [](Document& document, Selection& selection, const CommandContext&) {
        return guarded([&] { return std::make_unique<A>(&document, &selection); });
    });
    return c;
}

// L,T,R,B[:OP]
struct MarqueeParams {
    Rect rect;
    int32_t op = kCombineReplace;
};

DocumentCommand marquee(int id, const char* name, const char* option, const char* help,
                        bool elliptical) {
    DocumentCommand c = command(id, name, option, "L,T,R,B[:OP]", help);
    setTyped<MarqueeParams>(
        c, {[](std::string_view text, MarqueeParams& p, std::string& error) {
                const std::vector<std::string> parts = splitColons(std::string(text));
                std::vector<int64_t> v;
                int32_t op = 0;
                if (parts.size() > 2) {
                    error = "L,T,R,B[:OP] has at most one colon";
                    return false;
                }
                if (!parseIntegerList(parts[0], 4, -kFar, kFar, v, error)) return false;
                if (parts.size() == 2 && !parseCombination(parts[1], op, error)) return false;
                p.rect = Rect{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
                p.op = op;
                return true;
            },
            [](const MarqueeParams& p) {
                std::string out = std::to_string(p.rect.left) + "," + std::to_string(p.rect.top) +
                                  "," + std::to_string(p.rect.right) + "," +
                                  std::to_string(p.rect.bottom);
                if (p.op != kCombineReplace) out += ":" + formatCombination(p.op);
                return out;
            },
            [elliptical](Document& document, Selection& selection, const MarqueeParams& p,
                         const CommandContext&) {
                // A shape that misses the canvas selects nothing.
                return guarded([&]() -> std::unique_ptr<HistoryAction> {
                    if (p.op == kCombineReplace)
                        return std::make_unique<MarqueeAction>(&document, &selection, p.rect,
                                                               elliptical);
                    return std::make_unique<CombinedMarqueeAction>(&document, &selection, p.rect,
                                                                   elliptical, p.op);
                });
            }});
    return c;
}

// Border, Expand and Contract: a whole number of pixels. Without a selection the step changes
// nothing (and is recorded like the editor's).
template <typename A>
DocumentCommand maskCommand(int id, const char* name, const char* option, const char* help) {
    DocumentCommand c = command(id, name, option, "N", help);
    c.entries = {{id, std::nullopt}};
    c.isEnabled = withSelection;
    setTyped<MaskWidthParams>(
        c,
        {[](std::string_view text, MaskWidthParams& p, std::string& error) {
             int64_t n = 0;
             if (!parseInteger(std::string(text), kSelectionMinRadius, kSelectionMaxRadius, n,
                               error))
                 return false;
             p.pixels = int32_t(n);
             return true;
         },
         [](const MaskWidthParams& p) { return std::to_string(p.pixels); },
         [](Document& document, Selection& selection, const MaskWidthParams& p,
            const CommandContext&) {
             return guarded([&] { return std::make_unique<A>(&document, &selection, p.pixels); });
         }});
    return c;
}

// X,Y (a seed pixel that becomes the selection first) or "selection" (the current one).
struct ColourRangeParams {
    bool fromSelection = true;
    Point seed;
};

DocumentCommand colourRange(int id, const char* name, const char* option, const char* help,
                            bool connected) {
    DocumentCommand c = command(id, name, option, "X,Y", help);
    c.entries = {{id, "selection"}};
    c.isEnabled = withSelection;
    setTyped<ColourRangeParams>(
        c, {[](std::string_view given, ColourRangeParams& p, std::string& error) {
                const std::string text(given);
                const bool seed = text != "selection";
                std::vector<int64_t> v = {0, 0};
                if (seed && !parseIntegerList(text, 2, 0, kFar, v, error)) {
                    error += " (or \"selection\" to start from the current selection)";
                    return false;
                }
                p.fromSelection = !seed;
                p.seed = Point{int32_t(v[0]), int32_t(v[1])};
                return true;
            },
            [](const ColourRangeParams& p) {
                return p.fromSelection ? std::string("selection")
                                       : std::to_string(p.seed.x) + "," + std::to_string(p.seed.y);
            },
            [connected](Document& document, Selection& selection, const ColourRangeParams& p,
                        const CommandContext& context) {
                if (!p.fromSelection && !document.bounds().contains(p.seed)) {
                    return MadeAction{nullptr, std::to_string(p.seed.x) + "," +
                                                   std::to_string(p.seed.y) + " is outside the " +
                                                   std::to_string(document.width()) + "x" +
                                                   std::to_string(document.height()) + " canvas"};
                }
                // Without a seed and without a selection there is nothing to grow.
                if (p.fromSelection && selection.isEmpty()) return MadeAction{};
                if (!document.layers().activeLayer())
                    return MadeAction{nullptr, "there is no layer to sample"};
                // Nothing to grow from (an empty layer under the seeds) leaves the selection.
                return guarded([&]() -> std::unique_ptr<HistoryAction> {
                    if (p.fromSelection)
                        return std::make_unique<GrowSimilarAction>(&document, &selection, connected,
                                                                   context.tolerance);
                    return std::make_unique<SeededGrowSimilarAction>(
                        &document, &selection, connected, context.tolerance, p.seed);
                });
            }});
    return c;
}

// "#N[:OP]": saved channel N counting from 1, combined by OP (replace when left out).
bool parseChannelTarget(const std::string& text, SaveSelectionParams& p, std::string& error) {
    const std::vector<std::string> parts = splitColons(text.substr(1));
    int64_t n = 0;
    int32_t op = kCombineReplace;
    if (parts.size() > 2) {
        error = "#N[:OP] has at most one colon";
        return false;
    }
    if (!parseInteger(parts[0], 1, INT32_MAX, n, error)) return false;
    if (parts.size() == 2 && !parseCombination(parts[1], op, error)) return false;
    p.index = int(n - 1);
    p.name.clear();
    p.operation = op;
    return true;
}

// NAME (a new channel; empty: the channel-name rule) or #N[:OP] (into saved channel N).
bool parseSaveSelection(std::string_view given, SaveSelectionParams& p, std::string& error) {
    const std::string text(given);
    if (!text.empty() && text[0] == '#') return parseChannelTarget(text, p, error);
    p = SaveSelectionParams{-1, text, kCombineReplace};
    return true;
}

std::string formatSaveSelection(const SaveSelectionParams& p) {
    if (p.index < 0) return p.name;
    std::string out = "#" + std::to_string(int64_t(p.index) + 1);
    if (p.operation != kCombineReplace) out += ":" + formatCombination(p.operation);
    return out;
}

// N[:OP[:invert]]: channel N counting from 1.
bool parseLoadSelection(std::string_view given, LoadSelectionParams& p, std::string& error) {
    const std::vector<std::string> parts = splitColons(std::string(given));
    int64_t n = 0;
    int32_t op = kCombineReplace;
    if (parts.size() > 3) {
        error = "N[:OP[:invert]] has at most two colons";
        return false;
    }
    if (!parseInteger(parts[0], 1, INT32_MAX, n, error)) return false;
    if (parts.size() >= 2 && !parseCombination(parts[1], op, error)) return false;
    if (parts.size() == 3 && parts[2] != "invert") {
        error = "\"" + parts[2] + "\" should be \"invert\"";
        return false;
    }
    p.index = int(n - 1);
    p.operation = op;
    p.invert = parts.size() == 3;
    return true;
}

std::string formatLoadSelection(const LoadSelectionParams& p) {
    std::string out = std::to_string(int64_t(p.index) + 1);
    if (p.operation != kCombineReplace || p.invert) out += ":" + formatCombination(p.operation);
    if (p.invert) out += ":invert";
    return out;
}

}  // namespace

void addSelectionCommands(std::vector<DocumentCommand>& out) {
    out.push_back(marquee(kCmdSelectRectangle, "Rectangular Marquee", "--select",
                          "selects the rectangle from (L,T) up to but not including (R,B); OP "
                          "combines it with the selection: 0 replace (the default), 1 add, "
                          "2 subtract, 3 intersect (or those words)",
                          false));
    out.push_back(
        marquee(kCmdSelectEllipse, "Elliptical Marquee", "--select-ellipse",
                "selects the ellipse inscribed in the rectangle, combined as for --select", true));
    out.push_back(simple<SelectAllAction>(kCmdSelectAll, "Select Canvas", "--select-all",
                                          "selects the whole canvas", false));
    out.push_back(
        simple<DeselectAction>(kCmdSelectNone, "Deselect", "--deselect", "selects nothing", true));
    out.push_back(simple<SelectInverseAction>(kCmdSelectInverse, "Select Inverse", "--inverse",
                                              "inverts the selection (nothing happens without one)",
                                              true));

    DocumentCommand feather =
        command(kCmdSelectFeather, "Feather", "--feather", "R",
                "softens the selection's edge with radius R pixels (0.1..250)");
    feather.entries = {{kCmdSelectFeather, std::nullopt}};
    feather.isEnabled = withSelection;
    setTyped<FeatherParams>(
        feather, {[](std::string_view text, FeatherParams& p, std::string& error) {
                      return parseDecimal(std::string(text), kFeatherMinRadius, kFeatherMaxRadius,
                                          p.radius, error);
                  },
                  [](const FeatherParams& p) { return formatDecimal(p.radius); },
                  [](Document& document, Selection& selection, const FeatherParams& p,
                     const CommandContext&) {
                      return guarded([&] {
                          return std::make_unique<FeatherAction>(&document, &selection, p.radius);
                      });
                  }});
    out.push_back(std::move(feather));
    out.push_back(maskCommand<BorderAction>(
        kCmdSelectBorder, "Border", "--border",
        "replaces the selection by a soft band N pixels wide around its edge (1..100)"));
    out.push_back(maskCommand<ExpandAction>(kCmdSelectExpand, "Expand", "--expand",
                                            "grows the selection by N pixels (1..100)"));
    out.push_back(maskCommand<ContractAction>(kCmdSelectContract, "Contract", "--contract",
                                              "shrinks the selection by N pixels (1..100)"));
    out.push_back(colourRange(
        kCmdSelectGrow, "Grow", "--grow",
        "selects the pixel at X,Y and grows the selection over the connected pixels of the "
        "active layer whose colours lie within the tolerance; \"selection\" instead of X,Y grows "
        "the current selection (the Select menu's Grow)",
        true));
    out.push_back(colourRange(kCmdSelectSimilar, "Similar", "--similar",
                              "as --grow, but adds every pixel of the layer within the tolerance, "
                              "connected or not (the Select menu's Similar)",
                              false));

    // The command line gives no text (the new channel takes the channel-name rule's name); the
    // text form also holds a name and, as #N[:OP], a saved channel to combine into.
    DocumentCommand save = command(
        kCmdSelectSave, "Save Selection", "--save-selection", "",
        "saves the selection as a new channel named by the channel-name rule (\"Alpha 1\", ...)");
    save.refused = "not enough memory for the channel";
    save.entries = {{kCmdSelectSave, std::nullopt}};
    save.isEnabled = withSelection;
    setTyped<SaveSelectionParams>(
        save, {parseSaveSelection, formatSaveSelection,
               [](Document& document, Selection& selection, const SaveSelectionParams& p,
                  const CommandContext&) {
                   if (selection.isEmpty()) return MadeAction{nullptr, "nothing is selected"};
                   const int count = int(document.channels().size());
                   if (p.index > count) {
                       return MadeAction{nullptr,
                                         "there is no channel " + std::to_string(p.index + 1) +
                                             " (the document has " + std::to_string(count) + ")"};
                   }
                   if (p.operation < kCombineReplace || p.operation > kCombineIntersect)
                       return MadeAction{nullptr, "unknown channel operation"};
                   // A negative index, like the channel count, asks for a new channel.
                   const int index = p.index < 0 ? count : p.index;
                   return guarded([&] {
                       return std::make_unique<SaveSelectionAction>(
                           &document, &selection, index, index == count ? p.name : std::string(),
                           index == count ? kCombineReplace : p.operation);
                   });
               }});
    out.push_back(std::move(save));

    DocumentCommand load =
        command(kCmdSelectLoad, "Load Selection", "--load-selection", "N[:OP[:invert]]",
                "loads saved channel N (counting from 1) as the selection, inverted with "
                "\"invert\", combined as for --select");
    load.refused = "the channel could not be loaded as the selection";
    load.entries = {{kCmdSelectLoad, std::nullopt}};
    load.isEnabled = [](const Document& document, const Selection&, const CommandContext&) {
        return document.channels().size() > 0;
    };
    setTyped<LoadSelectionParams>(
        load, {parseLoadSelection, formatLoadSelection,
               [](Document& document, Selection& selection, const LoadSelectionParams& p,
                  const CommandContext&) {
                   const int count = int(document.channels().size());
                   if (p.index < 0 || p.index >= count) {
                       return MadeAction{nullptr,
                                         "there is no channel " + std::to_string(p.index + 1) +
                                             " (the document has " + std::to_string(count) + ")"};
                   }
                   if (p.operation < kCombineReplace || p.operation > kCombineIntersect)
                       return MadeAction{nullptr, "unknown selection operation"};
                   // An empty channel, or nothing left after combining, leaves nothing selected.
                   return guarded([&] {
                       return std::make_unique<LoadSelectionAction>(&document, &selection, p.index,
                                                                    p.invert, p.operation);
                   });
               }});
    out.push_back(std::move(load));
}

}  // namespace varnel
