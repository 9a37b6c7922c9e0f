// Compositing a list of layers into a colour image and an alpha plane: the lowest layer covering a
// pixel is taken as it is, every later one is blended over it with its mode and effective alpha.
#pragma once

#include <cstdint>
#include <vector>

#include "core/geometry.h"
#include "core/surface.h"

namespace varnel {

class LayerItem;
class RasterLayer;

struct CompositeEntry {
    const RasterLayer* layer = nullptr;
    Rect bounds;   // where the layer's pixels lie in the target
    Point offset;  // the target position of the layer's pixel (0, 0)
};

struct CompositeList {
    std::vector<CompositeEntry> entries;
    // The area the entries are expressed in (canvas coordinates of the target's pixel (0, 0) and
    // the target's size).
    Rect area;
};

// True when a layer takes part in a composite: a visible, non-empty raster layer with pixels and
// a non-zero effective opacity.
bool takesPart(const LayerItem& layer);

// The entries of the layers that take part, in the given order, at their canvas positions.
std::vector<CompositeEntry> compositeEntries(const std::vector<const LayerItem*>& layers);

// Re-expresses entries relative to `origin` (which becomes the target's pixel (0, 0)).
void rebaseEntries(std::vector<CompositeEntry>& entries, Point origin);

// Composites the entries into `color` and `alpha` (same size) over `rect` ∩ their bounds. A pixel
// no entry covers gets alpha 0 and keeps its colour; elsewhere the colour is written only where
// the resulting alpha is not 0. Returns 0, changing nothing, when there is no entry or the
// targets are invalid or of different sizes; returns 0 when memory for its working lists is short
// (the area may then be partly written).
int compositeInto(const std::vector<CompositeEntry>& entries, ColorImage& color, GrayMap& alpha,
                  Rect rect);

}  // namespace varnel
