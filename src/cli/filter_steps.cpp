// The filter commands, taken from the filters' own list of options: the Adjust and Filter menus,
// applied to the active layer through the selection and recorded in the history, as the editor
// does.
#include "cli/edit_steps.h"
#include "filters/filter_args.h"
#include "filters/filter_commands.h"

namespace varnel {

void addFilterSteps(std::vector<StepInfo>& steps) {
    for (const FilterOption& option : filterOptions()) {
        const std::string flag(option.flag);
        steps.push_back(
            {flag, std::string(option.argument), std::string(option.description),
             [flag](const std::string& text, std::string& error) -> StepAction {
                 FilterStep step;
                 if (!parseFilterStep(flag, text, step, &error)) return {};
                 return [step, flag](EditSession& session, std::string& failure) {
                     FilterTarget target;
                     target.history = session.history.get();
                     target.document = session.document.get();
                     target.selection = session.selection.get();
                     if (runFilterStep(target, step)) return true;
                     failure = flag == "--last-filter"
                                   ? "no filter has been applied yet"
                                   : "the filter cannot work on the active layer (it must be a "
                                     "visible layer with pixels)";
                     return false;
                 };
             }});
    }
}

}  // namespace varnel
