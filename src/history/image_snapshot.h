// What the geometry actions keep to undo a change of the whole image, and the byte counts the
// actions report for the layers and planes they hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"
#include "document/document.h"
#include "document/layer.h"
#include "document/replaced_parts.h"

namespace varnel {

// What undoes a change of a whole image's geometry without copying its pixels: the canvas size,
// resolution, active layer and every layer's position as they were before the change, and the
// storage the change replaced, which the change hands over (ReplacedParts) instead of freeing.
// Storage the change left alone stays in the image. Putting the image back moves the kept storage
// into it again, so it is done once; the next execution records anew.
class ReplacedImage {
public:
    // The state of `image` before a change; null when memory is short.
    static std::unique_ptr<ReplacedImage> before(const Document& image);

    // Where the change puts what it replaces.
    ReplacedParts* parts() { return &parts_; }

    // Puts `image` back as it was before the change and sends one structure record for the
    // canvas; afterwards nothing is kept. The image must still have the layers and channels the
    // change left it with; otherwise, or when nothing was recorded, it fails and changes nothing.
    int putBack(Document& image);

    // The bytes held by the kept pixels, planes and channels.
    size_t byteSize() const;
    // Adds the stores of the kept pixels, planes and channels.
    void addStores(std::vector<SurfaceStore*>& out);

private:
    bool fits(const Document& image) const;

    Size size_;
    float resolution_ = 72;
    int32_t resolutionUnit_ = 0;
    int activeIndex_ = -1;
    std::vector<Point> offsets_;  // every layer's, bottom first
    size_t channelCount_ = 0;
    ReplacedParts parts_;
    bool recorded_ = false;
};

// The bytes held by a layer's pixels and planes.
size_t layerBytes(const LayerItem& layer);
// The bytes held by the planes of a set (0 for null).
size_t maskBytes(const LayerMaskSet* masks);

// These add the pixel stores that a surface, a set of planes (null: none) or a layer holds, those
// the byte counts above count, for HistoryAction::undoStores.
void addStores(PixelSurface& surface, std::vector<SurfaceStore*>& out);
void addMaskStores(LayerMaskSet* masks, std::vector<SurfaceStore*>& out);
void addLayerStores(LayerItem& layer, std::vector<SurfaceStore*>& out);

}  // namespace varnel
