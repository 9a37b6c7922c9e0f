#include "history/channel_actions.h"

#include <utility>

#include "document/channels.h"
#include "document/document.h"
#include "document/selection.h"
#include "history/image_snapshot.h"

namespace varnel {

SaveSelectionAction::SaveSelectionAction(Document* image, Selection* selection, int index,
                                         std::string channelName, int32_t operation)
    : HistoryAction(image, selection, -1),
      index_(0),
      channelName_(std::move(channelName)),
      operation_(operation) {
    const int count = image ? int(image->channels().size()) : 0;
    index_ = index < 0 ? 0 : (index > count ? count : index);
}

int SaveSelectionAction::execute() {
    if (!image_ || !selection_ || selection_->isEmpty()) return 0;
    // Only replace, add, subtract and intersect combine; anything else would be a silent replace.
    if (operation_ < 0 || operation_ > 3) return 0;
    if (index_ >= int(image_->channels().size())) {
        if (!saveSelectionAsChannel(*image_, *selection_, channelName_)) return 0;
        appended_ = true;
        return 1;
    }
    appended_ = false;
    return saveSelectionToChannel(*image_, *selection_, index_, operation_,
                                  kept_ ? nullptr : &kept_);
}

int SaveSelectionAction::revert() {
    if (!image_) return 0;
    if (appended_) {
        const int last = int(image_->channels().size()) - 1;
        return takeChannel(*image_, last) ? 1 : 0;
    }
    return kept_ ? restoreChannel(*image_, index_, *kept_) : 0;
}

size_t SaveSelectionAction::byteSize() const {
    return kept_ ? kept_->imageBytes() : 0;
}

void SaveSelectionAction::undoStores(std::vector<SurfaceStore*>& out) {
    if (kept_) addStores(*kept_, out);
}

}  // namespace varnel
