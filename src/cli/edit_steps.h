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

namespace varnel {

class Document;

// What the steps work on.
struct EditSession {
    std::unique_ptr<Document> document;
    // The colours the editor's Fill and Clear call Foreground and Background (the settings'
    // defaults).
    ColorRef foreground = 0x000000;
    ColorRef background = 0xFFFFFF;
};

// Applies one parsed step; on failure returns false with a sentence saying why.
using StepAction = std::function<bool(EditSession& session, std::string& failure)>;

struct StepSpec {
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

// Every step, in the order the help lists them.
const std::vector<StepSpec>& editSteps();
const StepSpec* findStep(const std::string& name);

// Groups of steps.
void addLayerSteps(std::vector<StepSpec>& steps);

// Parameter parsing shared by the groups. Each returns false (with a reason) for bad text.
bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value,
                  std::string& error);
// A blend mode by its name as the mode list shows it (case and blanks or hyphens ignored:
// "color-dodge", "ColorDodge") or by its id 0..18.
bool parseBlendMode(const std::string& text, int32_t& mode, std::string& error);
// An opacity in percent, 0..100.
bool parseOpacity(const std::string& text, int32_t& percent, std::string& error);

}  // namespace varnel
