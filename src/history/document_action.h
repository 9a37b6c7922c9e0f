// The base of the actions that change pixels, layers or the image's geometry: a successful
// execution marks the document modified (undo never touches that flag).
#pragma once

#include "document/document.h"
#include "history/history_action.h"

namespace varnel {

class DocumentAction : public HistoryAction {
public:
    using HistoryAction::HistoryAction;

    void afterExecute(int result) override {
        if (result && image_) image_->setModified(true);
    }
};

// Makes the layer at `index` active for the lifetime of the guard, so that the document's
// operations on "the active layer" act on the layer an action recorded; the layer that was active
// before is made active again afterwards unless `keep` is called.
class ActiveLayerGuard {
public:
    ActiveLayerGuard(Document& document, int index);
    ~ActiveLayerGuard();
    ActiveLayerGuard(const ActiveLayerGuard&) = delete;
    ActiveLayerGuard& operator=(const ActiveLayerGuard&) = delete;

    // The operation chose the active layer itself; leave it.
    void keep() { previous_ = nullptr; }

private:
    Document& document_;
    LayerItem* previous_;
};

}  // namespace varnel
