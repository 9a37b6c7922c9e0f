// A copy of a whole image (canvas size, resolution, every layer with its pixels and planes, the
// active layer, the saved channels), taken before an operation that may change any of it and put
// back to undo that operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"
#include "document/document.h"
#include "document/layer.h"

namespace varnel {

class ImageSnapshot {
public:
    // A deep copy of `image`; null when memory is short.
    static std::unique_ptr<ImageSnapshot> take(const Document& image);

    // Puts `image` back as it was when the copy was taken (the copy is kept, so that it can be
    // put back again) and sends one structure record for the canvas. Fails, changing nothing,
    // when memory is short.
    int restore(Document& image) const;

    // The bytes held by the copied pixels, planes and channels.
    size_t byteSize() const { return bytes_; }

private:
    Size size_;
    float resolution_ = 72;
    int32_t resolutionUnit_ = 0;
    std::vector<std::unique_ptr<LayerItem>> layers_;
    int activeIndex_ = -1;
    std::vector<std::unique_ptr<Channel>> channels_;
    size_t bytes_ = 0;
};

// The bytes held by a layer's pixels and planes.
size_t layerBytes(const LayerItem& layer);

}  // namespace varnel
