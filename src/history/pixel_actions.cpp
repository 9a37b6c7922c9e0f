#include "history/pixel_actions.h"

#include <new>

#include "document/selection.h"
#include "history/image_snapshot.h"

namespace varnel {
namespace {

SelectionArea areaOf(const Selection* selection) {
    return selection ? selection->area() : SelectionArea{};
}

bool rasterWithPixels(const Document& image, int index) {
    const RasterLayer* layer = image.layers().rasterAt(index);
    return layer && layer->pixels().isValid();
}

}  // namespace

// --- Clear ---------------------------------------------------------------------------------------

ClearAction::ClearAction(Document* image, Selection* selection, int index, ColorRef background)
    : DocumentAction(image, selection, index), background_(background) {}

int ClearAction::execute() {
    if (!selection_ || selection_->isEmpty() || !rasterWithPixels(*image_, layerIndex_)) return 0;
    std::unique_ptr<ClearRecord> record(new (std::nothrow) ClearRecord);
    if (!record) return 0;
    ActiveLayerGuard guard(*image_, layerIndex_);
    if (!clearSelection(*image_, selection_->area(), background_, *record)) return 0;
    record_ = std::move(record);
    return 1;
}

int ClearAction::revert() {
    if (!record_) return 1;
    return undoClear(*image_, *record_);
}

size_t ClearAction::byteSize() const {
    if (!record_) return 0;
    return record_->pixels.imageBytes() + record_->alpha.imageBytes();
}

void ClearAction::undoStores(std::vector<SurfaceStore*>& out) {
    if (!record_) return;
    addStores(record_->pixels, out);
    addStores(record_->alpha, out);
}

// --- Fill ----------------------------------------------------------------------------------------

FillAction::FillAction(Document* image, Selection* selection, int index,
                       const FillSettings& settings)
    : DocumentAction(image, selection, index), settings_(settings) {}

int FillAction::execute() {
    if (!rasterWithPixels(*image_, layerIndex_)) return 0;
    ActiveLayerGuard guard(*image_, layerIndex_);
    return fillSelection(*image_, settings_, areaOf(selection_), before_ ? nullptr : &before_);
}

int FillAction::revert() {
    if (!before_) return 0;
    if (!image_->layers().rasterAt(layerIndex_)) return 0;
    return image_->layers().replaceContent(layerIndex_, static_cast<const RasterLayer&>(*before_));
}

size_t FillAction::byteSize() const {
    return before_ ? layerBytes(*before_) : 0;
}

void FillAction::undoStores(std::vector<SurfaceStore*>& out) {
    if (before_) addLayerStores(*before_, out);
}

}  // namespace varnel
