#include "history/geometry_actions.h"

#include "document/selection.h"

namespace varnel {

GeometryAction::GeometryAction(CommandTarget* owner, Document* image, Selection* selection)
    : DocumentAction(owner, image, selection, -1), deselect_(owner, image, selection) {}

int GeometryAction::execute() {
    if (!image_) return 0;
    prepare();
    const bool deselected = selection_ && deselect_.execute();
    const auto undoDeselect = [&] {
        if (deselected) deselect_.revert();
    };
    if (selection_ && !deselected) return 0;
    if (!snapshot_ && !(snapshot_ = ImageSnapshot::take(*image_))) {
        undoDeselect();
        return 0;
    }
    if (!change()) {
        undoDeselect();
        return 0;
    }
    if (selection_ && selection_->canvasSize() != image_->size())
        selection_->resetCanvas(image_->size());
    return 1;
}

int GeometryAction::revert() {
    if (!snapshot_) return 0;
    const int r = snapshot_->restore(*image_);
    if (selection_) deselect_.revert();
    return r;
}

size_t GeometryAction::byteSize() const {
    return deselect_.byteSize() + (snapshot_ ? snapshot_->byteSize() : 0);
}

void CropAction::prepare() {
    if (prepared_) return;
    bounds_ = selection_ ? selection_->bounds() : Rect{};
    prepared_ = true;
}

}  // namespace varnel
