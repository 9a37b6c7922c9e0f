#include "history/image_snapshot.h"

#include <new>
#include <utility>

namespace varnel {

size_t maskBytes(const LayerMaskSet* masks) {
    size_t bytes = 0;
    if (masks) {
        for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i)
            if (const Channel* plane = masks->plane(i)) bytes += plane->imageBytes();
    }
    return bytes;
}

void addStores(PixelSurface& surface, std::vector<SurfaceStore*>& out) {
    if (SurfaceStore* store = surface.store()) out.push_back(store);
}

void addMaskStores(LayerMaskSet* masks, std::vector<SurfaceStore*>& out) {
    if (!masks) return;
    for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i)
        if (Channel* plane = masks->plane(i)) addStores(*plane, out);
}

void addLayerStores(LayerItem& layer, std::vector<SurfaceStore*>& out) {
    if (layer.kind() != kLayerKindRaster) return;
    auto& raster = static_cast<RasterLayer&>(layer);
    addStores(raster.pixels(), out);
    addMaskStores(raster.masks(), out);
}

size_t layerBytes(const LayerItem& layer) {
    if (layer.kind() != kLayerKindRaster) return 0;
    const auto& raster = static_cast<const RasterLayer&>(layer);
    return raster.pixels().imageBytes() + maskBytes(raster.masks());
}

std::unique_ptr<ReplacedImage> ReplacedImage::before(const Document& image) {
    try {
        auto record = std::make_unique<ReplacedImage>();
        const LayerStack& stack = image.layers();
        record->offsets_.reserve(size_t(stack.count()));
        for (int i = 0; i < stack.count(); ++i)
            record->offsets_.push_back(stack.layerAt(i)->offset());
        record->size_ = image.size();
        record->resolution_ = image.resolution();
        record->resolutionUnit_ = image.resolutionUnit();
        record->activeIndex_ = stack.activeIndex();
        record->channelCount_ = image.channels().size();
        record->recorded_ = true;
        return record;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool ReplacedImage::fits(const Document& image) const {
    const LayerStack& stack = image.layers();
    if (!recorded_ || size_t(stack.count()) != offsets_.size() ||
        image.channels().size() != channelCount_)
        return false;
    for (const ReplacedParts::Layer& l : parts_.layers) {
        if (!stack.layerAt(l.index)) return false;
        if (l.item) continue;
        const RasterLayer* layer = stack.rasterAt(l.index);
        if (!layer || !l.pixels || !layer->pixels().acceptsStore(l.pixels.get())) return false;
    }
    for (const ReplacedParts::ChannelStore& c : parts_.channels) {
        if (c.index < 0 || size_t(c.index) >= channelCount_ || !c.store ||
            !image.channels()[size_t(c.index)]->acceptsStore(c.store.get()))
            return false;
    }
    return true;
}

int ReplacedImage::putBack(Document& image) {
    if (!fits(image)) return 0;
    // Nothing below allocates or can fail.
    LayerStack& stack = image.layers();
    for (ReplacedParts::Layer& l : parts_.layers) {
        if (l.item) {
            stack.replaceAt(l.index, std::move(l.item));
            continue;
        }
        RasterLayer& layer = *stack.rasterAt(l.index);
        ColorImage old(std::move(l.pixels));
        layer.pixels().swapStores(old);
        layer.setMasks(std::move(l.masks));
    }
    for (int i = 0; i < stack.count(); ++i) {
        LayerItem* layer = stack.layerAt(i);
        if (layer->hasProperties()) static_cast<EmptyLayer*>(layer)->setOffset(offsets_[size_t(i)]);
    }
    for (ReplacedParts::ChannelStore& c : parts_.channels) {
        Channel old(std::move(c.store));
        image.channels()[size_t(c.index)]->swapStores(old);
    }
    parts_.clear();
    recorded_ = false;
    image.setCanvasSize(size_);
    image.setResolution(resolution_, resolutionUnit_);
    if (LayerItem* active = stack.layerAt(activeIndex_)) stack.setActiveLayer(active);
    image.notify({&image, nullptr, image.bounds(), kChangeStructure});
    return 1;
}

void ReplacedImage::addStores(std::vector<SurfaceStore*>& out) {
    for (ReplacedParts::Layer& l : parts_.layers) {
        if (l.pixels) out.push_back(l.pixels.get());
        addMaskStores(l.masks.get(), out);
        if (l.item) addLayerStores(*l.item, out);
    }
    for (ReplacedParts::ChannelStore& c : parts_.channels)
        if (c.store) out.push_back(c.store.get());
}

size_t ReplacedImage::byteSize() const {
    size_t bytes = 0;
    for (const ReplacedParts::Layer& l : parts_.layers) {
        if (l.pixels) bytes += l.pixels->imageBytes();
        bytes += maskBytes(l.masks.get());
        if (l.item) bytes += layerBytes(*l.item);
    }
    for (const ReplacedParts::ChannelStore& c : parts_.channels)
        if (c.store) bytes += c.store->imageBytes();
    return bytes;
}

}  // namespace varnel
