// Small builders shared by the document tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/surface.h"
#include "core/surface_ops.h"
#include "document/document.h"

namespace varnel::testing {

inline Bgr grey(int v) {
    return {uint8_t(v), uint8_t(v), uint8_t(v)};
}

// A colour image of one colour, as a store (surfaces are not movable).
inline std::unique_ptr<SurfaceStore> solidStore(int w, int h, Bgr c) {
    ColorImage img;
    EXPECT_EQ(img.createColor(w, h), 1);
    fillRectColor(img, img.bounds(), c);
    return img.takeStore();
}

inline std::unique_ptr<SurfaceStore> planeStore(int w, int h, int v) {
    GrayMap m;
    EXPECT_EQ(m.createGray(w, h), 1);
    fillValue(m, uint8_t(v));
    return m.takeStore();
}

// A document of the given size with no layers.
inline std::unique_ptr<Document> emptyDocument(int w, int h) {
    ImageSettings s;
    s.width = w;
    s.height = h;
    auto doc = Document::createBlank(s);
    doc->layers().removeAll(false);
    return doc;
}

// Adds a raster layer of one colour at `offset`, with an optional transparency plane value.
inline RasterLayer* addLayer(Document& doc, int w, int h, Bgr c, Point offset = {}, int alpha = -1,
                             int mode = 0, int opacity = 255) {
    ColorImage img(solidStore(w, h, c));
    std::unique_ptr<LayerMaskSet> masks;
    if (alpha >= 0) {
        masks = std::make_unique<LayerMaskSet>(w, h);
        masks->setPlane(0, std::make_unique<Channel>(planeStore(w, h, alpha)));
    }
    RasterLayer* layer = doc.layers().adoptRasterLayer(img, std::move(masks), offset);
    EXPECT_NE(layer, nullptr);
    if (layer) {
        doc.layers().setBlendMode(layer, mode);
        doc.layers().setMasterOpacity(layer, uint8_t(opacity));
    }
    return layer;
}

// Records every change a document sends.
class Recorder : public DocumentListener {
public:
    std::vector<ChangeRecord> changes;
    void documentChanged(const ChangeRecord& c) override { changes.push_back(c); }
};

}  // namespace varnel::testing
