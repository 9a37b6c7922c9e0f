// Selection commands: the marquee shapes with their combinations, all, deselect, inverse, the
// mask operations, grow and similar, and the saved channels.
#include <climits>

#include "cli/edit_steps.h"
#include "core/surface_ops.h"
#include "document/channels.h"
#include "document/selection.h"
#include "history/channel_actions.h"
#include "history/selection_actions.h"

namespace varnel {

namespace {

constexpr int64_t kFar = INT32_MAX / 2;

// 0..3 or replace, add, subtract, intersect.
bool parseCombination(const std::string& text, int32_t& op, std::string& error) {
    static const char* kNames[] = {"replace", "add", "subtract", "intersect"};
    for (int32_t i = 0; i < 4; ++i) {
        if (text == kNames[i]) {
            op = i;
            return true;
        }
    }
    int64_t v = 0;
    if (!parseInteger(text, 0, 3, v, error)) {
        error = "\"" + text + "\" is not a combination (0 replace, 1 add, 2 subtract, 3 intersect)";
        return false;
    }
    op = int32_t(v);
    return true;
}

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

std::function<StepAction(const std::string&, std::string&)> marquee(bool elliptical) {
    return [elliptical](const std::string& text, std::string& error) -> StepAction {
        const std::vector<std::string> parts = splitColons(text);
        std::vector<int64_t> v;
        int32_t op = 0;
        if (parts.size() > 2) {
            error = "L,T,R,B[:OP] has at most one colon";
            return {};
        }
        if (!parseIntegerList(parts[0], 4, -kFar, kFar, v, error)) return {};
        if (parts.size() == 2 && !parseCombination(parts[1], op, error)) return {};
        const Rect rect{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
        return [rect, op, elliptical](EditSession& session, std::string& failure) {
            // A shape that misses the canvas selects nothing.
            std::unique_ptr<MarqueeAction> action;
            if (op == kCombineReplace) {
                action = std::make_unique<MarqueeAction>(session.document.get(),
                                                         session.selection.get(), rect, elliptical);
            } else {
                action = std::make_unique<CombinedMarqueeAction>(
                    session.document.get(), session.selection.get(), rect, elliptical, op);
            }
            return perform(session, std::move(action), failure,
                           "not enough memory for the selection");
        };
    };
}

// A mask command that does nothing without a selection.
template <typename Action>
std::function<StepAction(const std::string&, std::string&)> maskCommand(int64_t low, int64_t high) {
    return [=](const std::string& text, std::string& error) -> StepAction {
        int64_t n = 0;
        if (!parseInteger(text, low, high, n, error)) return {};
        return [n](EditSession& session, std::string& failure) {
            // Without a selection the step changes nothing (and is recorded like the editor's).
            return perform(session,
                           std::make_unique<Action>(session.document.get(), session.selection.get(),
                                                    int32_t(n)),
                           failure, "not enough memory for the selection");
        };
    };
}

// X,Y (a seed pixel that becomes the selection first) or "selection" (the current one).
std::function<StepAction(const std::string&, std::string&)> colourRange(bool connected) {
    return [connected](const std::string& text, std::string& error) -> StepAction {
        bool seed = text != "selection";
        std::vector<int64_t> v = {0, 0};
        if (seed && !parseIntegerList(text, 2, 0, kFar, v, error)) {
            error += " (or \"selection\" to start from the current selection)";
            return {};
        }
        const Point point{int32_t(v[0]), int32_t(v[1])};
        return [seed, point, connected](EditSession& session, std::string& failure) {
            Selection& selection = *session.selection;
            Document& doc = *session.document;
            if (seed && !doc.bounds().contains(point)) {
                failure = std::to_string(point.x) + "," + std::to_string(point.y) +
                          " is outside the " + std::to_string(doc.width()) + "x" +
                          std::to_string(doc.height()) + " canvas";
                return false;
            }
            // Without a seed and without a selection there is nothing to grow: nothing recorded.
            if (!seed && selection.isEmpty()) return true;
            if (!doc.layers().activeLayer()) {
                failure = "there is no layer to sample";
                return false;
            }
            // Nothing to grow from (an empty layer under the seeds) leaves the selection.
            std::unique_ptr<GrowSimilarAction> action;
            if (seed) {
                action = std::make_unique<SeededGrowSimilarAction>(&doc, &selection, connected,
                                                                   session.tolerance, point);
            } else {
                action = std::make_unique<GrowSimilarAction>(&doc, &selection, connected,
                                                             session.tolerance);
            }
            return perform(session, std::move(action), failure,
                           "not enough memory for the selection");
        };
    };
}

std::function<StepAction(const std::string&, std::string&)> noParameter(
    std::function<bool(EditSession&, std::string&)> action) {
    return [action](const std::string&, std::string&) -> StepAction { return action; };
}

}  // namespace

void addSelectionSteps(std::vector<StepInfo>& steps) {
    steps.push_back({"--select", "L,T,R,B[:OP]",
                     "selects the rectangle from (L,T) up to but not including (R,B); OP combines "
                     "it with the selection: 0 replace (the default), 1 add, 2 subtract, "
                     "3 intersect (or those words)",
                     marquee(false)});
    steps.push_back({"--select-ellipse", "L,T,R,B[:OP]",
                     "selects the ellipse inscribed in the rectangle, combined as for --select",
                     marquee(true)});
    steps.push_back({"--select-all", "", "selects the whole canvas",
                     noParameter([](EditSession& session, std::string& failure) {
                         return perform(session,
                                        std::make_unique<SelectAllAction>(session.document.get(),
                                                                          session.selection.get()),
                                        failure, "not enough memory for the selection");
                     })});
    steps.push_back({"--deselect", "", "selects nothing",
                     noParameter([](EditSession& session, std::string& failure) {
                         return perform(session,
                                        std::make_unique<DeselectAction>(session.document.get(),
                                                                         session.selection.get()),
                                        failure, "not enough memory for the selection");
                     })});
    steps.push_back({"--inverse", "", "inverts the selection (nothing happens without one)",
                     noParameter([](EditSession& session, std::string& failure) {
                         return perform(session,
                                        std::make_unique<SelectInverseAction>(
                                            session.document.get(), session.selection.get()),
                                        failure, "not enough memory for the selection");
                     })});
    steps.push_back(
        {"--feather", "R", "softens the selection's edge with radius R pixels (0.1..250)",
         [](const std::string& text, std::string& error) -> StepAction {
             double radius = 0;
             if (!parseDecimal(text, kFeatherMinRadius, kFeatherMaxRadius, radius, error)) {
                 return {};
             }
             return [radius](EditSession& session, std::string& failure) {
                 return perform(session,
                                std::make_unique<FeatherAction>(session.document.get(),
                                                                session.selection.get(), radius),
                                failure, "not enough memory for the selection");
             };
         }});
    steps.push_back({"--border", "N",
                     "replaces the selection by a soft band N pixels wide around its edge "
                     "(1..100)",
                     maskCommand<BorderAction>(kSelectionMinRadius, kSelectionMaxRadius)});
    steps.push_back({"--expand", "N", "grows the selection by N pixels (1..100)",
                     maskCommand<ExpandAction>(kSelectionMinRadius, kSelectionMaxRadius)});
    steps.push_back({"--contract", "N", "shrinks the selection by N pixels (1..100)",
                     maskCommand<ContractAction>(kSelectionMinRadius, kSelectionMaxRadius)});
    steps.push_back({"--tolerance", "T",
                     "sets the colour tolerance of --grow and --similar (0..255; 0 at the start)",
                     [](const std::string& text, std::string& error) -> StepAction {
                         int64_t t = 0;
                         if (!parseInteger(text, 0, 255, t, error)) return {};
                         return [t](EditSession& session, std::string&) {
                             session.tolerance = int32_t(t);
                             return true;
                         };
                     }});
    steps.push_back({"--grow", "X,Y",
                     "selects the pixel at X,Y and grows the selection over the connected pixels "
                     "of the active layer whose colours lie within the tolerance; \"selection\" "
                     "instead of X,Y grows the current selection (the Select menu's Grow)",
                     colourRange(true)});
    steps.push_back({"--similar", "X,Y",
                     "as --grow, but adds every pixel of the layer within the tolerance, connected "
                     "or not (the Select menu's Similar)",
                     colourRange(false)});
    steps.push_back({"--save-selection", "",
                     "saves the selection as a new channel named by the channel-name rule "
                     "(\"Alpha 1\", ...)",
                     noParameter([](EditSession& session, std::string& failure) {
                         if (session.selection->isEmpty()) {
                             failure = "nothing is selected";
                             return false;
                         }
                         Document& doc = *session.document;
                         return perform(
                             session,
                             std::make_unique<SaveSelectionAction>(&doc, session.selection.get(),
                                                                   int(doc.channels().size()),
                                                                   std::string(), kCombineReplace),
                             failure, "not enough memory for the channel");
                     })});
    steps.push_back(
        {"--load-selection", "N[:OP]",
         "loads saved channel N (counting from 1) as the selection, combined as for --select",
         [](const std::string& text, std::string& error) -> StepAction {
             const std::vector<std::string> parts = splitColons(text);
             int64_t n = 0;
             int32_t op = 0;
             if (parts.size() > 2) {
                 error = "N[:OP] has at most one colon";
                 return {};
             }
             if (!parseInteger(parts[0], 1, INT32_MAX, n, error)) return {};
             if (parts.size() == 2 && !parseCombination(parts[1], op, error)) return {};
             return [n, op](EditSession& session, std::string& failure) {
                 const int count = int(session.document->channels().size());
                 if (n > count) {
                     failure = "there is no channel " + std::to_string(n) + " (the document has " +
                               std::to_string(count) + ")";
                     return false;
                 }
                 // An empty channel, or nothing left after combining, leaves nothing selected.
                 return perform(
                     session,
                     std::make_unique<LoadSelectionAction>(
                         session.document.get(), session.selection.get(), int(n - 1), false, op),
                     failure, "the channel could not be loaded as the selection");
             };
         }});
}

}  // namespace varnel
