// "Save Selection": stores the selection in a saved channel, new or existing. It changes no
// pixels, so it does not mark the document modified.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/surface.h"
#include "history/history_action.h"

namespace varnel {

class SaveSelectionAction : public HistoryAction {
public:
    // `index` is clamped to 0 … the number of saved channels; that number means a new channel
    // named `channelName` (empty: the channel-name rule). An existing channel takes the selection
    // by `operation` (0 replace, 1 add, 2 subtract, 3 intersect).
    SaveSelectionAction(Document* image, Selection* selection, int index, std::string channelName,
                        int32_t operation);
    std::string name() const override { return "Save Selection"; }
    // Fails (changing nothing) with nothing selected, or when the selection cannot be combined
    // into the channel (a channel of another size, an unknown operation).
    int execute() override;
    int revert() override;
    size_t byteSize() const override;
    void undoStores(std::vector<SurfaceStore*>& out) override;
    int channelIndex() const { return index_; }

private:
    int index_;
    std::string channelName_;
    int32_t operation_;
    bool appended_ = false;
    std::unique_ptr<Channel> kept_;  // the existing channel as it was
};

}  // namespace varnel
