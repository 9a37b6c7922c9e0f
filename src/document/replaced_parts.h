// The storage a change of the whole image's geometry replaced, handed to the caller instead of
// being freed. An undo record that keeps it can put the image back by moving that storage back in,
// without ever copying pixels: the change itself had to build new storage anyway.
#pragma once

#include <memory>
#include <vector>

#include "core/surface_store.h"
#include "document/layer.h"

namespace varnel {

struct ReplacedParts {
    // A layer whose pixels and planes were replaced; or, with `item` set, a layer replaced as a
    // whole by another item (Crop turns a layer it cuts away into a placeholder).
    struct Layer {
        int index = -1;
        std::unique_ptr<SurfaceStore> pixels;
        std::unique_ptr<LayerMaskSet> masks;  // null: the layer had no plane set
        std::unique_ptr<LayerItem> item;
    };
    // A saved channel whose pixels were replaced (its name stays with the channel).
    struct ChannelStore {
        int index = -1;
        std::unique_ptr<SurfaceStore> store;
    };

    std::vector<Layer> layers;
    std::vector<ChannelStore> channels;

    bool empty() const { return layers.empty() && channels.empty(); }
    void clear() {
        layers.clear();
        channels.clear();
    }
};

}  // namespace varnel
