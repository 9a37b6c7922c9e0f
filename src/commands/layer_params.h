// The parameter records of the Layer menu's commands that are not records of the document model
// itself (New Layer takes LayerProperties, Fill takes FillSettings).
#pragma once

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

}  // namespace varnel
