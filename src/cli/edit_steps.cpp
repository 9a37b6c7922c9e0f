#include "cli/edit_steps.h"

#include <climits>

#include "commands/catalogue.h"
#include "document/layer_ops.h"
#include "filters/last_filter.h"

namespace varnel {

namespace {

// What the commands read of the session.
CommandContext contextOf(const EditSession& session) {
    CommandContext context;
    context.foreground = session.foreground;
    context.background = session.background;
    context.tolerance = session.tolerance;
    context.lastFilter = lastFilter();
    return context;
}

// A catalogue command as a step: its text parsed before any file is touched, its action made
// and performed when the step runs.
StepInfo stepOf(const DocumentCommand& command) {
    StepInfo step;
    step.name = command.option;
    step.parameter = command.syntax;
    step.help = command.help;
    step.parse = [&command](const std::string& text, std::string& error) -> StepAction {
        CommandParams params;
        if (!command.parse(text, params, error)) return {};
        return [&command, params](EditSession& session, std::string& failure) {
            Document& document = *session.document;
            MadeAction made =
                command.makeAction(document, *session.selection, params, contextOf(session));
            if (!made.action) {
                failure = made.failure;
                return failure.empty();
            }
            return perform(session, std::move(made.action), failure, command.refused.c_str());
        };
    };
    return step;
}

}  // namespace

const std::vector<StepInfo>& editSteps() {
    static const std::vector<StepInfo> steps = [] {
        std::vector<StepInfo> all;
        for (const DocumentCommand& command : documentCommands()) {
            if (!command.option.empty()) all.push_back(stepOf(command));
        }
        addSessionSteps(all);
        return all;
    }();
    return steps;
}

EditSession::EditSession(std::unique_ptr<Document> opened)
    : document(std::move(opened)),
      selection(std::make_unique<Selection>(document ? document->size() : Size{})),
      history(std::make_unique<History>(kHistoryStates)) {}

bool perform(EditSession& session, std::unique_ptr<HistoryAction> action, std::string& failure,
             const char* why) {
    if (session.history->perform(std::move(action))) return true;
    failure = why;
    return false;
}

void addSessionSteps(std::vector<StepInfo>& steps) {
    steps.push_back({"--undo", "", "undoes the last recorded step",
                     [](const std::string&, std::string&) -> StepAction {
                         return [](EditSession& session, std::string& failure) {
                             if (!session.history->canUndo()) {
                                 failure = "there is nothing to undo";
                                 return false;
                             }
                             session.history->undo();
                             return true;
                         };
                     }});
    steps.push_back({"--redo", "", "redoes the last undone step",
                     [](const std::string&, std::string&) -> StepAction {
                         return [](EditSession& session, std::string& failure) {
                             if (!session.history->canRedo()) {
                                 failure = "there is nothing to redo";
                                 return false;
                             }
                             session.history->redo();
                             return true;
                         };
                     }});
    steps.push_back({"--history-limit", "N",
                     "keeps at most N recorded steps (1..100; 20 at the start), dropping the "
                     "oldest",
                     [](const std::string& text, std::string& error) -> StepAction {
                         int64_t n = 0;
                         if (!parseInteger(text, 1, 100, n, error)) return {};
                         return [n](EditSession& session, std::string&) {
                             session.history->setLimit(int(n));
                             return true;
                         };
                     }});
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
    steps.push_back(
        {"--composite", "",
         "keeps the composite of the visible layers from here on, as an open document window "
         "does: made now, then brought up to date by every later step for the area it changes "
         "(a step's timing then includes that update)",
         [](const std::string&, std::string&) -> StepAction {
             return [](EditSession& session, std::string& failure) {
                 if (session.document->composite()) return true;
                 failure = "there is not enough memory for the composite";
                 return false;
             };
         }});
}

const StepInfo* findStep(const std::string& name) {
    for (const StepInfo& s : editSteps()) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

}  // namespace varnel
