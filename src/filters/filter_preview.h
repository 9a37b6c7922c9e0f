// The live preview of the adjustment dialogs: each change of a value installs a new filter in one
// FilterAction and shows its result on the real layer; Cancel (or switching the preview off)
// puts the layer back and drops the action; OK hands the action over to be recorded as already
// executed.
#pragma once

#include <memory>

#include "document/document.h"
#include "document/selection.h"
#include "filters/filter.h"
#include "filters/filter_action.h"

namespace varnel {

class FilterPreview {
public:
    FilterPreview(Document* document, Selection* selection)
        : document_(document), selection_(selection) {}
    // Puts the layer back if an action is still held.
    ~FilterPreview();
    FilterPreview(const FilterPreview&) = delete;
    FilterPreview& operator=(const FilterPreview&) = delete;

    // Installs a filter built from the dialog's current values. The first call creates the
    // action. For values that are not `neutral` the layer is put back and the filter applied
    // again. Neutral values apply nothing: the layer shows its pixels as they were before the
    // dialog, and the action, marked neutral, leaves them so when recorded, undone and redone
    // (whatever rounding the filter's own identity would show). Returns the application's
    // result (1 for neutral values).
    int update(std::unique_ptr<Filter> filter, bool neutral);
    // Preview off or Cancel: reverts the action (when it was applied) and drops it; the
    // document's modified flag goes back to what it was before the first preview.
    void cancel();
    // OK: the action, already executed, for History::perform(action, true); null when none was
    // made.
    std::unique_ptr<FilterAction> take() { return std::move(action_); }

    bool hasAction() const { return action_ != nullptr; }
    FilterAction* action() const { return action_.get(); }

private:
    Document* document_;
    Selection* selection_;
    std::unique_ptr<FilterAction> action_;
    bool wasModified_ = false;
};

}  // namespace varnel
