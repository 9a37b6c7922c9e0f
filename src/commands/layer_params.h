// The parameter records of the Layer menu's commands that are not records of the document model
// itself (New Layer takes LayerProperties, Fill takes FillSettings), and of the commands the
// Layers palette runs on one layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnel {

// Duplicate Layer's copy name and Layer Properties' new name; empty: the naming rule's (only
// Duplicate Layer takes an empty name).
struct LayerNameParams {
    std::string name;
};

// Merge Layers: the stack indices of the layers to merge, bottom first; empty: the layers chosen
// in the Layers palette (the context's).
struct MergeLayersParams {
    std::vector<int> layers;
};

// Blending Change: a blend mode 0..18.
struct BlendModeParams {
    int32_t mode = 0;
};

// Master Opacity Change, in percent.
struct OpacityParams {
    int32_t percent = 100;
};

// Layer Order: the layer at stack index `from` goes to index `to` (the layers between shift by
// one); on the command line FROM,TO numbered from 1 at the bottom, as Merge Layers numbers them.
struct LayerOrderParams {
    int32_t from = 0;
    int32_t to = 0;
};

}  // namespace varnel
