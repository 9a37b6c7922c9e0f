// Steps that stand for what an open document window adds to a document.
#include "cli/edit_steps.h"
#include "document/document.h"

namespace varnel {

void addViewSteps(std::vector<StepInfo>& steps) {
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

}  // namespace varnel
