#include "document/layer.h"

#include <cstring>

namespace varnel {

namespace {

std::unique_ptr<Channel> cloneChannel(const Channel& c) {
    return cloneOf(c);
}

}  // namespace

bool LayerMaskSet::hasPlanes() const {
    for (const auto& p : planes_) {
        if (p) return true;
    }
    return false;
}

Channel* LayerMaskSet::ensureTransparency() {
    if (planes_[0]) return planes_[0].get();
    auto plane = std::make_unique<Channel>();
    if (!plane->createGray(width_, height_)) return nullptr;
    for (int32_t y = 0; y < height_; ++y) std::memset(plane->row(y), 255, size_t(width_));
    planes_[0] = std::move(plane);
    return planes_[0].get();
}

int LayerMaskSet::setPlane(int i, std::unique_ptr<Channel> plane) {
    if (i < 0 || i >= kPlaneCount) return 0;
    if (plane && (!plane->isValid() || plane->size() != size())) return 0;
    planes_[size_t(i)] = std::move(plane);
    return 1;
}

std::unique_ptr<Channel> LayerMaskSet::takePlane(int i) {
    if (i < 0 || i >= kPlaneCount) return nullptr;
    return std::move(planes_[size_t(i)]);
}

std::unique_ptr<LayerMaskSet> LayerMaskSet::clone() const {
    auto out = std::make_unique<LayerMaskSet>(width_, height_);
    for (size_t i = 0; i < planes_.size(); ++i) {
        if (!planes_[i]) continue;
        out->planes_[i] = cloneChannel(*planes_[i]);
        if (!out->planes_[i]) return nullptr;
    }
    return out;
}

std::unique_ptr<LayerItem> LayerItem::clone(LayerStack* stack) const {
    auto out = std::make_unique<LayerItem>();
    out->copyItemFields(*this);
    out->setStack(stack);
    return out;
}

void EmptyLayer::copyPropertyFields(const EmptyLayer& other) {
    copyItemFields(other);
    xOffset_ = other.xOffset_;
    yOffset_ = other.yOffset_;
    blendMode_ = other.blendMode_;
    reserved_ = other.reserved_;
    masterOpacity_ = other.masterOpacity_;
    layerOpacity_ = other.layerOpacity_;
}

std::unique_ptr<LayerItem> EmptyLayer::clone(LayerStack* stack) const {
    auto out = std::make_unique<EmptyLayer>();
    out->copyPropertyFields(*this);
    out->setStack(stack);
    return out;
}

std::unique_ptr<LayerItem> RasterLayer::clone(LayerStack* stack) const {
    auto out = std::make_unique<RasterLayer>();
    if (!out->copyContentFrom(*this)) return nullptr;
    out->setVisible(isVisible());
    out->setStack(stack);
    return out;
}

int RasterLayer::copyContentFrom(const RasterLayer& other) {
    if (&other == this) return 1;
    // Build the copies first so that a shortage of memory changes nothing.
    ColorImage pixels;
    if (other.pixels_.isValid() && !pixels.copyFrom(other.pixels_)) return 0;
    std::unique_ptr<LayerMaskSet> masks;
    if (other.masks_) {
        masks = other.masks_->clone();
        if (!masks) return 0;
    }
    const bool visible = isVisible();
    copyPropertyFields(other);
    setVisible(visible);
    background_ = other.background_;
    if (pixels.isValid()) {
        pixels_.swapStores(pixels);
    } else {
        pixels_.release();
    }
    masks_ = std::move(masks);
    return 1;
}

}  // namespace varnel
