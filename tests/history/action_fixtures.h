// Small documents for the action tests, and a digest of everything undo must bring back.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "document/document.h"
#include "document/layer_stack.h"
#include "document/selection.h"
#include "support/pixels.h"

namespace varnel::testing {

// FNV-1a over everything fed to it.
class Digest {
public:
    void bytes(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < n; ++i) hash_ = (hash_ ^ p[i]) * 1099511628211ull;
    }
    template <typename T>
    void value(const T& v) {
        bytes(&v, sizeof v);
    }
    void text(const std::string& s) {
        value(s.size());
        bytes(s.data(), s.size());
    }
    // Size and the visible bytes of every row (never the row padding).
    void surface(const PixelSurface* s, int bytesPerPixel) {
        const bool valid = s && s->isValid();
        value(valid);
        if (!valid) return;
        value(s->width());
        value(s->height());
        for (int32_t y = 0; y < s->height(); ++y)
            bytes(s->row(y), size_t(s->width()) * size_t(bytesPerPixel));
    }
    uint64_t result() const { return hash_; }

private:
    uint64_t hash_ = 1469598103934665603ull;
};

// The document's size and resolution, every layer's properties, pixels and planes, the active
// layer, the saved channels, and the selection. The modified flag is left out: undo never clears
// it.
inline uint64_t digestOf(const Document& doc, const Selection& selection) {
    Digest d;
    d.value(doc.width());
    d.value(doc.height());
    d.value(doc.resolution());
    d.value(doc.resolutionUnit());
    const LayerStack& stack = doc.layers();
    d.value(stack.count());
    d.value(stack.activeIndex());
    for (int i = 0; i < stack.count(); ++i) {
        const LayerItem* layer = stack.layerAt(i);
        d.value(layer->kind());
        d.value(layer->hasProperties());
        d.text(layer->name());
        d.value(layer->isVisible());
        d.value(layer->isBackground());
        d.value(layer->offset());
        d.value(layer->size());
        if (layer->hasProperties()) {
            const auto* props = static_cast<const EmptyLayer*>(layer);
            d.value(props->blendMode());
            d.value(props->masterOpacity());
            d.value(props->layerOpacity());
            d.value(props->reserved());
        }
        if (layer->kind() == kLayerKindRaster) {
            const auto* raster = static_cast<const RasterLayer*>(layer);
            d.surface(&raster->pixels(), 3);
            const LayerMaskSet* masks = raster->masks();
            d.value(masks != nullptr);
            if (masks)
                for (int p = 0; p < LayerMaskSet::kPlaneCount; ++p) d.surface(masks->plane(p), 1);
        }
    }
    d.value(doc.channels().size());
    for (const auto& channel : doc.channels()) {
        d.text(channel->name());
        d.surface(channel.get(), 1);
    }
    d.value(selection.canvasSize());
    d.value(selection.bounds());
    d.surface(selection.mask(), 1);
    return d.result();
}

inline std::unique_ptr<ColorImage> noise(int w, int h, std::mt19937& rng) {
    auto image = std::make_unique<ColorImage>();
    if (!image->createColor(w, h)) return nullptr;
    fillNoise(*image, rng);
    return image;
}

// A 24 × 18 image of five layers, bottom up:
//   0 "Background": noise;
//   1 "Offset": 14 × 10 at (−3, 5), hanging off the left edge, with a transparency plane;
//   2 "Plain": 10 × 8 at (6, 4), no planes, Multiply at opacity 180;
//   3 "Hidden": 8 × 8 at (2, 2), not visible;
//   4 "Empty": a layer without pixels.
// Two saved channels ("Alpha 1", "Alpha 2"), layer 1 active. With `backgroundOnly` the image is
// the background alone (what Trim needs).
inline std::unique_ptr<Document> makeDocument(bool backgroundOnly = false, uint32_t seed = 7) {
    std::mt19937 rng(seed);
    ImageSettings settings;
    settings.width = 24;
    settings.height = 18;
    auto doc = Document::createBlank(settings);
    if (!doc) return nullptr;
    LayerStack& stack = doc->layers();
    fillNoise(stack.rasterAt(0)->pixels(), rng);
    if (backgroundOnly) {
        // A plain border around noise, so that Trim has something to cut.
        ColorImage& px = stack.rasterAt(0)->pixels();
        for (int32_t y = 0; y < px.height(); ++y)
            for (int32_t x = 0; x < px.width() * 3; ++x)
                if (y < 3 || y >= 15 || x < 12 || x >= 60) px.row(y)[x] = 200;
        return doc;
    }
    auto offsetPixels = noise(14, 10, rng);
    GrayMap plane;
    plane.createGray(14, 10);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 14; ++x) plane.row(y)[x] = uint8_t(x * 18 + y);
    stack.newRasterLayer(*offsetPixels, &plane, {-3, 5}, "Offset", false);
    RasterLayer* plain = stack.newRasterLayer(*noise(10, 8, rng), nullptr, {6, 4}, "Plain", false);
    stack.setBlendMode(plain, 1);
    stack.setMasterOpacity(plain, 180);
    RasterLayer* hidden = stack.newRasterLayer(*noise(8, 8, rng), nullptr, {2, 2}, "Hidden", false);
    stack.setVisible(hidden, false);
    LayerProperties empty;
    empty.name = "Empty";
    stack.newEmptyLayer(&empty);
    for (const char* name : {"Alpha 1", "Alpha 2"}) {
        auto channel = std::make_unique<Channel>();
        channel->createGray(24, 18);
        fillNoise(*channel, rng);
        channel->setName(name);
        doc->channels().push_back(std::move(channel));
    }
    stack.setActiveLayer(stack.layerAt(1));
    doc->setModified(false);
    return doc;
}

// An elliptical selection softened by a feather, so that the mask holds partial values.
inline void selectSoftEllipse(Selection& selection, Size canvas) {
    selection.resetCanvas(canvas);
    selection.setShape({3, 2, 17, 13}, true);
    selection.feather(1.5);
}

}  // namespace varnel::testing
