#include "history/image_snapshot.h"

#include <new>
#include <utility>

namespace varnel {
namespace {

std::unique_ptr<Channel> copyChannel(const Channel& channel) {
    std::unique_ptr<PixelSurface> copy = channel.clone();
    if (!copy) return nullptr;
    return std::unique_ptr<Channel>(static_cast<Channel*>(copy.release()));
}

// Deep copies of every layer and channel, all or nothing.
bool copyParts(const std::vector<std::unique_ptr<LayerItem>>* fromLayers, const LayerStack* stack,
               const std::vector<std::unique_ptr<Channel>>& fromChannels,
               std::vector<std::unique_ptr<LayerItem>>& layers,
               std::vector<std::unique_ptr<Channel>>& channels) {
    try {
        const int n = fromLayers ? int(fromLayers->size()) : stack->count();
        layers.reserve(size_t(n));
        for (int i = 0; i < n; ++i) {
            const LayerItem* layer =
                fromLayers ? (*fromLayers)[size_t(i)].get() : stack->layerAt(i);
            std::unique_ptr<LayerItem> copy = layer->clone(nullptr);
            if (!copy) return false;
            layers.push_back(std::move(copy));
        }
        channels.reserve(fromChannels.size());
        for (const auto& channel : fromChannels) {
            std::unique_ptr<Channel> copy = copyChannel(*channel);
            if (!copy) return false;
            channels.push_back(std::move(copy));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

size_t layerBytes(const LayerItem& layer) {
    if (layer.kind() != kLayerKindRaster) return 0;
    const auto& raster = static_cast<const RasterLayer&>(layer);
    size_t bytes = raster.pixels().imageBytes();
    if (const LayerMaskSet* masks = raster.masks()) {
        for (int i = 0; i < LayerMaskSet::kPlaneCount; ++i)
            if (const Channel* plane = masks->plane(i)) bytes += plane->imageBytes();
    }
    return bytes;
}

std::unique_ptr<ImageSnapshot> ImageSnapshot::take(const Document& image) {
    std::unique_ptr<ImageSnapshot> snapshot(new (std::nothrow) ImageSnapshot);
    if (!snapshot) return nullptr;
    const LayerStack& stack = image.layers();
    if (!copyParts(nullptr, &stack, image.channels(), snapshot->layers_, snapshot->channels_))
        return nullptr;
    snapshot->size_ = image.size();
    snapshot->resolution_ = image.resolution();
    snapshot->resolutionUnit_ = image.resolutionUnit();
    snapshot->activeIndex_ = stack.activeIndex();
    for (const auto& layer : snapshot->layers_) snapshot->bytes_ += layerBytes(*layer);
    for (const auto& channel : snapshot->channels_) snapshot->bytes_ += channel->imageBytes();
    return snapshot;
}

int ImageSnapshot::restore(Document& image) const {
    std::vector<std::unique_ptr<LayerItem>> layers;
    std::vector<std::unique_ptr<Channel>> channels;
    if (!copyParts(&layers_, nullptr, channels_, layers, channels)) return 0;
    image.setCanvasSize(size_);
    image.setResolution(resolution_, resolutionUnit_);
    image.channels() = std::move(channels);
    image.layers().replaceAll(std::move(layers), activeIndex_);
    return 1;
}

}  // namespace varnel
