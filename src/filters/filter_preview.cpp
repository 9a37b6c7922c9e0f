#include "filters/filter_preview.h"

namespace varnel {

FilterPreview::~FilterPreview() {
    cancel();
}

int FilterPreview::update(std::unique_ptr<Filter> filter, bool neutral) {
    const bool created = !action_;
    if (created) {
        try {
            action_ = std::make_unique<FilterAction>(document_, selection_, nullptr);
        } catch (...) {
            return 0;
        }
        wasModified_ = document_ && document_->isModified();
    }
    action_->setFilter(std::move(filter));
    action_->setNeutral(neutral);
    if (neutral) {
        // Back to the layer as it was (after earlier previews of other values).
        if (!created && action_->hasSnapshot()) {
            action_->beforeRevert();
            action_->afterRevert(action_->revert());
        }
        return 1;
    }
    action_->beforeExecute();
    const int result = action_->reapply();
    action_->afterExecute(result);
    return result;
}

void FilterPreview::cancel() {
    if (!action_) return;
    action_->beforeRevert();
    const int result = action_->revert();
    action_->afterRevert(result);
    action_.reset();
    if (document_) document_->setModified(wasModified_);
}

}  // namespace varnel
