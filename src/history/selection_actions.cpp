#include "history/selection_actions.h"

#include <cmath>

#include "document/channels.h"
#include "document/document.h"

namespace varnel {

int SelectionAction::execute() {
    if (!selection_) return 0;
    const bool copied = !copy_;
    if (copied && !(copy_ = selection_->clone())) return 0;
    if (!applyChange()) {
        // The failed change left the selection as it was; keep no copy of a state never left.
        if (copied) copy_.reset();
        return 0;
    }
    return 1;
}

int SelectionAction::revert() {
    if (!selection_) return 0;
    if (!copy_) return 1;
    const int r = selection_->restore(*copy_);
    copy_.reset();
    return r;
}

size_t SelectionAction::byteSize() const {
    if (!copy_ || !copy_->mask()) return 0;
    return copy_->mask()->imageBytes();
}

int DeselectAction::applyChange() {
    selection_->deselect();  // nothing selected: nothing to do
    return 1;
}

std::string MarqueeAction::name() const {
    return elliptical_ ? "Elliptical Marquee" : "Rectangular Marquee";
}

int MarqueeAction::applyChange() {
    return selection_->setShape(rect_, elliptical_);
}

int SelectAllAction::applyChange() {
    return selection_->selectAll();
}

int SelectInverseAction::applyChange() {
    selection_->invert();
    return 1;
}

FeatherAction::FeatherAction(Document* image, Selection* selection, double radius)
    : SelectionAction(image, selection) {
    if (!(radius > kFeatherMinRadius)) radius = kFeatherMinRadius;
    radius_ = std::fmin(radius, kFeatherMaxRadius);
}

int FeatherAction::applyChange() {
    selection_->feather(radius_);
    return 1;
}

int32_t clampSelectionPixels(int32_t pixels) {
    if (pixels < kSelectionMinRadius) return kSelectionMinRadius;
    return pixels > kSelectionMaxRadius ? kSelectionMaxRadius : pixels;
}

int ExpandAction::applyChange() {
    selection_->expand(pixels_);
    return 1;
}

int ContractAction::applyChange() {
    selection_->contract(pixels_);
    return 1;
}

int BorderAction::applyChange() {
    selection_->border(width_);
    return 1;
}

int GrowSimilarAction::applyChange() {
    if (grow_)
        selection_->grow(*image_, tolerance_);
    else
        selection_->similar(*image_, tolerance_);
    return 1;
}

int LoadSelectionAction::applyChange() {
    if (!image_ || operation_ < 0 || operation_ > 3) return 0;
    const ChannelList& channels = image_->channels();
    if (channel_ < 0 || channel_ >= int(channels.size())) return 0;
    const Channel& channel = *channels[size_t(channel_)];
    if (channel.size() != selection_->canvasSize() || selection_->canvasSize() != image_->size())
        return 0;
    return loadSelectionFromChannel(*selection_, *image_, channel_, invert_, operation_);
}

}  // namespace varnel
