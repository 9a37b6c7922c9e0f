// The steps of `varnel-cli edit`: the document commands of the catalogue (commands/catalogue.h),
// each applied to the open document through its history as the editor's command is, and the
// steps of the session itself (undo, redo, the history's length, the tolerance, hiding a layer,
// the kept composite).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_text.h"
#include "core/color.h"
#include "document/document.h"
#include "document/selection.h"
#include "history/history.h"
#include "history/history_action.h"

namespace varnel {

// What the steps work on: the open document with the selection and history its window would
// have, and the settings the commands read (at their defaults).
struct EditSession {
    // Takes the opened document; the selection starts empty on its canvas.
    explicit EditSession(std::unique_ptr<Document> opened);

    std::unique_ptr<Document> document;
    std::unique_ptr<Selection> selection;
    std::unique_ptr<History> history;
    // The colours the editor's Fill and Clear call Foreground and Background.
    ColorRef foreground = 0x000000;
    ColorRef background = 0xFFFFFF;
    // The pixel similarity tolerance of Grow and Similar, 0..255.
    int32_t tolerance = 0;

    static constexpr int kHistoryStates = 20;
};

// Applies one parsed step; on failure returns false with a sentence saying why.
using StepAction = std::function<bool(EditSession& session, std::string& failure)>;

struct StepInfo {
    // The option as typed, "--new-layer".
    std::string name;
    // The parameter's syntax for the help ("FILE[:MODE[:OPACITY]]"); empty when the step takes
    // none.
    std::string parameter;
    std::string help;
    // Turns the parameter text (empty for steps without one) into an action; on a bad parameter
    // returns an empty action and says why in `error`.
    std::function<StepAction(const std::string& parameter, std::string& error)> parse;
};

// Hands the action to the session's history, which executes and records it as the editor's
// command would; on refusal says `why` in `failure` and returns false.
bool perform(EditSession& session, std::unique_ptr<HistoryAction> action, std::string& failure,
             const char* why);

// Every step, in the order the help lists them.
const std::vector<StepInfo>& editSteps();
const StepInfo* findStep(const std::string& name);

// The steps of the session: --undo, --redo, --history-limit, --tolerance, --hide-layer and
// --composite.
void addSessionSteps(std::vector<StepInfo>& steps);

}  // namespace varnel
