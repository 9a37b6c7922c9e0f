// The steps of `varnel-cli edit`: each is one editor command applied to the open document. The
// table is built from groups (layers, selection, filters, ...); a subsystem adds its commands by
// providing a group function and listing it in editSteps().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Groups of steps.
void addLayerSteps(std::vector<StepInfo>& steps);
void addSelectionSteps(std::vector<StepInfo>& steps);
void addFilterSteps(std::vector<StepInfo>& steps);
void addHistorySteps(std::vector<StepInfo>& steps);
// Image Size, Canvas Size, rotations, flips, Crop and Trim.
void addGeometrySteps(std::vector<StepInfo>& steps);
// What an open document window adds (the kept composite).
void addViewSteps(std::vector<StepInfo>& steps);

// Parameter parsing shared by the groups. Each returns false (with a reason) for bad text.
bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value,
                  std::string& error);
// A blend mode by its name as the mode list shows it (case and blanks or hyphens ignored:
// "color-dodge", "ColorDodge") or by its id 0..18.
bool parseBlendMode(const std::string& text, int32_t& mode, std::string& error);
// An opacity in percent, 0..100.
bool parseOpacity(const std::string& text, int32_t& percent, std::string& error);
// `count` whole numbers separated by commas, each within low..high.
bool parseIntegerList(const std::string& text, size_t count, int64_t low, int64_t high,
                      std::vector<int64_t>& values, std::string& error);
// A number with an optional fraction within low..high.
bool parseDecimal(const std::string& text, double low, double high, double& value,
                  std::string& error);
// Splits "A:B:C" at colons.
std::vector<std::string> splitColons(const std::string& text);

}  // namespace varnel
