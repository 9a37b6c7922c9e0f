#include "history/geometry_actions.h"

#include <cmath>

#include "document/selection.h"

namespace varnel {

GeometryAction::GeometryAction(Document* image, Selection* selection)
    : DocumentAction(image, selection, -1), deselect_(image, selection) {}

int GeometryAction::execute() {
    if (!image_) return 0;
    prepare();
    const bool deselects = selection_ && !keepsSelection();
    const bool deselected = deselects && deselect_.execute();
    const auto undoDeselect = [&] {
        if (deselected) deselect_.revert();
    };
    if (deselects && !deselected) return 0;
    std::unique_ptr<ReplacedImage> undo;
    if (!undoesItself() && !(undo = ReplacedImage::before(*image_))) {
        undoDeselect();
        return 0;
    }
    if (!change(undo ? undo->parts() : nullptr)) {
        undoDeselect();
        return 0;
    }
    undo_ = std::move(undo);
    done_ = true;
    deselected_ = deselected;
    if (selection_ && selection_->canvasSize() != image_->size())
        selection_->resetCanvas(image_->size());
    return 1;
}

int GeometryAction::revert() {
    if (!done_) return 0;
    int r;
    if (undo_) {
        r = undo_->putBack(*image_);
        if (r) undo_.reset();
    } else {
        r = change(nullptr);
    }
    if (!r) return 0;
    done_ = false;
    if (deselected_) deselect_.revert();
    deselected_ = false;
    return r;
}

size_t GeometryAction::byteSize() const {
    return deselect_.byteSize() + (undo_ ? undo_->byteSize() : 0);
}

void GeometryAction::undoStores(std::vector<SurfaceStore*>& out) {
    if (undo_) undo_->addStores(out);
}

bool RotateCanvasAction::undoesItself() const {
    return std::fabs(normalizeRotation(angle_) - 180.0) <= 0.0001;
}

void CropAction::prepare() {
    if (prepared_) return;
    bounds_ = selection_ ? selection_->bounds() : Rect{};
    prepared_ = true;
}

}  // namespace varnel
