// The layer family: a placeholder (LayerItem), a layer with properties but no pixels
// (EmptyLayer), and a raster layer with colour pixels and transparency planes (RasterLayer).
//
// The setters here change the layer only; the layer stack's setters also send change records.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

class LayerStack;

enum LayerKind : int32_t {
    kLayerKindEmpty = 0,  // placeholder and empty layer
    kLayerKindRaster = 5,
};

// The transparency planes of a raster layer: up to four 8-bit planes of the layer's size that
// multiply together. Only the first (the layer's transparency) is ever created by an operation;
// a missing plane counts as 255 everywhere.
class LayerMaskSet {
public:
    static constexpr int kPlaneCount = 4;

    LayerMaskSet(int32_t width, int32_t height) : width_(width), height_(height) {}

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    Size size() const { return {width_, height_}; }

    Channel* plane(int i) { return i >= 0 && i < kPlaneCount ? planes_[size_t(i)].get() : nullptr; }
    const Channel* plane(int i) const {
        return i >= 0 && i < kPlaneCount ? planes_[size_t(i)].get() : nullptr;
    }
    Channel* transparency() { return plane(0); }
    const Channel* transparency() const { return plane(0); }
    bool hasPlanes() const;

    // The first plane, created filled with 255 when missing; null when memory is short.
    Channel* ensureTransparency();
    // Installs a plane of the set's size (fails, keeping the old plane, for another size).
    int setPlane(int i, std::unique_ptr<Channel> plane);
    std::unique_ptr<Channel> takePlane(int i);

    // Deep copy; null when memory is short.
    std::unique_ptr<LayerMaskSet> clone() const;

private:
    int32_t width_;
    int32_t height_;
    std::array<std::unique_ptr<Channel>, kPlaneCount> planes_;
};

// Placeholder: a name and a visibility, nothing else (what a layer cropped away becomes).
class LayerItem {
public:
    explicit LayerItem(std::string name = {}) : name_(std::move(name)) {}
    LayerItem(const LayerItem&) = delete;
    LayerItem& operator=(const LayerItem&) = delete;
    virtual ~LayerItem() = default;

    // A deep copy belonging to `stack`; null when memory is short.
    virtual std::unique_ptr<LayerItem> clone(LayerStack* stack) const;
    virtual int32_t kind() const { return kLayerKindEmpty; }
    virtual bool isEmpty() const { return true; }
    virtual bool isBackground() const { return false; }
    virtual bool hasProperties() const { return false; }
    // Size of the layer's pixels (empty without pixels).
    virtual Size size() const { return {}; }
    Rect bounds() const { return Rect::fromSize(size()); }
    // Where the layer's pixel (0, 0) lies on the canvas.
    virtual Point offset() const { return {}; }
    Rect canvasBounds() const {
        const Point o = offset();
        const Size s = size();
        return Rect::fromXYWH(o.x, o.y, s.width, s.height);
    }

    LayerStack* stack() const { return stack_; }
    void setStack(LayerStack* stack) { stack_ = stack; }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    bool isVisible() const { return visible_ != 0; }
    void setVisible(bool visible) { visible_ = visible ? 1 : 0; }

protected:
    void copyItemFields(const LayerItem& other) {
        name_ = other.name_;
        visible_ = other.visible_;
    }

private:
    LayerStack* stack_ = nullptr;
    std::string name_;
    int32_t visible_ = 1;
};

// A layer with properties but no pixels (a new layer before anything is painted on it).
class EmptyLayer : public LayerItem {
public:
    using LayerItem::LayerItem;

    std::unique_ptr<LayerItem> clone(LayerStack* stack) const override;
    bool hasProperties() const override { return true; }
    Point offset() const override { return {xOffset_, yOffset_}; }

    void setOffset(Point p) {
        xOffset_ = p.x;
        yOffset_ = p.y;
    }
    int32_t blendMode() const { return blendMode_; }
    void setBlendMode(int32_t mode) { blendMode_ = mode; }
    int32_t reserved() const { return reserved_; }
    void setReserved(int32_t v) { reserved_ = v; }
    uint8_t masterOpacity() const { return masterOpacity_; }
    void setMasterOpacity(uint8_t v) { masterOpacity_ = v; }
    uint8_t layerOpacity() const { return layerOpacity_; }
    void setLayerOpacity(uint8_t v) { layerOpacity_ = v; }
    // master × layer / 255: the opacity the layer is composited with.
    uint8_t effectiveOpacity() const { return uint8_t(masterOpacity_ * layerOpacity_ / 255); }

protected:
    // Copies the properties (not the stack) of another layer with properties.
    void copyPropertyFields(const EmptyLayer& other);

private:
    int32_t xOffset_ = 0;
    int32_t yOffset_ = 0;
    int32_t blendMode_ = 0;
    int32_t reserved_ = 0;
    uint8_t masterOpacity_ = 255;
    uint8_t layerOpacity_ = 255;
};

// A layer of 24-bit colour pixels with its transparency planes.
class RasterLayer : public EmptyLayer {
public:
    using EmptyLayer::EmptyLayer;

    std::unique_ptr<LayerItem> clone(LayerStack* stack) const override;
    int32_t kind() const override { return kLayerKindRaster; }
    bool isEmpty() const override { return !pixels_.isValid() && !masks_; }
    bool isBackground() const override { return background_ != 0; }
    Size size() const override { return pixels_.isValid() ? pixels_.size() : Size{}; }

    void setBackground(bool on) { background_ = on ? 1 : 0; }
    ColorImage& pixels() { return pixels_; }
    const ColorImage& pixels() const { return pixels_; }
    // The planes; null when the layer has no mask set.
    LayerMaskSet* masks() { return masks_.get(); }
    const LayerMaskSet* masks() const { return masks_.get(); }
    void setMasks(std::unique_ptr<LayerMaskSet> masks) { masks_ = std::move(masks); }
    std::unique_ptr<LayerMaskSet> takeMasks() { return std::move(masks_); }
    // The first plane, or null.
    const Channel* transparency() const { return masks_ ? masks_->transparency() : nullptr; }
    // True when some plane is present (the layer carries transparency of its own).
    bool hasTransparency() const { return masks_ && masks_->hasPlanes(); }

    // This layer takes a deep copy of another raster layer's name, properties, background flag,
    // pixels and planes; its own visibility stays (it is not part of the layer's content). Fails,
    // changing nothing, when memory is short.
    int copyContentFrom(const RasterLayer& other);

private:
    intptr_t background_ = 0;
    ColorImage pixels_;
    std::unique_ptr<LayerMaskSet> masks_;
};

}  // namespace varnel
