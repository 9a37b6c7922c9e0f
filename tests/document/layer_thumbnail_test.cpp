#include "document/layer_thumbnail.h"

#include <gtest/gtest.h>

#include <random>

#include "doc_fixtures.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;

uint32_t rgb(int r, int g, int b) {
    return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

uint32_t checker(int x, int y) {
    return ((x / 4 + y / 4) & 1) ? rgb(204, 204, 204) : rgb(255, 255, 255);
}

TEST(LayerThumbnail, WhatEachKindOfLayerShows) {
    auto doc = emptyDocument(40, 20);
    LayerStack& s = doc->layers();
    RasterLayer* background = s.newBackground(0x0000FF);  // red
    ASSERT_TRUE(background);
    // Black at half transparency over the left half of the canvas.
    RasterLayer* half = addLayer(*doc, 20, 20, grey(0), {0, 0}, 128);
    EmptyLayer* empty = s.newEmptyLayer();

    LayerThumbnail t;
    ASSERT_TRUE(t.render(*background, doc->size(), {20, 10}));
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(t.pixel(x, y), rgb(255, 0, 0));

    ASSERT_TRUE(t.render(*empty, doc->size(), {20, 10}));
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(t.pixel(x, y), checker(x, y)) << x << "," << y;

    // Left half: black at 128/255 over the cell's grey; right half: the plain checkerboard.
    ASSERT_TRUE(t.render(*half, doc->size(), {20, 10}));
    EXPECT_EQ(t.pixel(0, 0), rgb(127, 127, 127));
    EXPECT_EQ(t.pixel(4, 0), rgb(102, 102, 102));
    EXPECT_EQ(t.pixel(12, 0), checker(12, 0));
    EXPECT_EQ(t.pixel(19, 9), checker(19, 9));
}

TEST(LayerThumbnail, LayerPixelsSitAtTheirOffsetAndPlanesMultiply) {
    auto doc = emptyDocument(10, 10);
    // A 4 × 4 white square at (6, 2); its plane holds 255 × 128 / 255 everywhere, and a second
    // plane halves it again.
    RasterLayer* layer = addLayer(*doc, 4, 4, grey(255), {6, 2}, 128);
    auto second = std::make_unique<Channel>(testing::planeStore(4, 4, 128));
    ASSERT_EQ(layer->masks()->setPlane(1, std::move(second)), 1);
    LayerThumbnail t;
    ASSERT_TRUE(t.render(*layer, doc->size(), {10, 10}));  // one sample per canvas pixel
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            const bool inside = x >= 6 && y >= 2 && y < 6;
            // 128 × 128 / 255 = 64 of white over the cell.
            const int cell = checker(x, y) & 0xFF;
            const int v = (255 * 64 + cell * (255 - 64) + 127) / 255;
            EXPECT_EQ(t.pixel(x, y), inside ? rgb(v, v, v) : checker(x, y)) << x << "," << y;
        }
}

// A change to part of a layer is brought in by recomputing the pixels it touches: the result is
// the thumbnail a full rendering gives, for downscaled, upscaled and offset layers.
TEST(LayerThumbnail, UpdatesOfChangedRectanglesMatchAFullRendering) {
    const struct {
        Size canvas;
        Size thumb;
        Point offset;
        Size layer;
    } cases[] = {
        {{300, 170}, {26, 15}, {0, 0}, {300, 170}},
        {{170, 300}, {15, 25}, {-20, 31}, {150, 280}},
        {{7, 5}, {26, 18}, {1, 1}, {5, 3}},
        {{1000, 9}, {26, 2}, {3, 0}, {990, 9}},
    };
    std::mt19937 rng(11);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.canvas.width << "x" << c.canvas.height);
        auto doc = emptyDocument(c.canvas.width, c.canvas.height);
        RasterLayer* layer = addLayer(*doc, c.layer.width, c.layer.height, grey(30), c.offset, 200);
        ColorImage& px = layer->pixels();
        Channel* plane = layer->masks()->transparency();
        LayerThumbnail kept;
        ASSERT_TRUE(kept.render(*layer, doc->size(), c.thumb));
        for (int round = 0; round < 40; ++round) {
            // Paint a random rectangle of the layer, then tell the thumbnail its canvas rect.
            const int32_t x0 = int32_t(rng() % uint32_t(c.layer.width));
            const int32_t y0 = int32_t(rng() % uint32_t(c.layer.height));
            const int32_t x1 = std::min(c.layer.width, x0 + 1 + int32_t(rng() % 40));
            const int32_t y1 = std::min(c.layer.height, y0 + 1 + int32_t(rng() % 40));
            for (int32_t y = y0; y < y1; ++y)
                for (int32_t x = x0; x < x1; ++x) {
                    px.pixels(y)[x] = Bgr{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
                    plane->row(y)[x] = uint8_t(rng());
                }
            ASSERT_TRUE(kept.update(*layer, doc->size(),
                                    Rect{x0, y0, x1, y1}.offset(c.offset.x, c.offset.y)));
            LayerThumbnail fresh;
            ASSERT_TRUE(fresh.render(*layer, doc->size(), c.thumb));
            for (int32_t y = 0; y < c.thumb.height; ++y)
                for (int32_t x = 0; x < c.thumb.width; ++x)
                    ASSERT_EQ(kept.pixel(x, y), fresh.pixel(x, y))
                        << "round " << round << " at " << x << "," << y;
        }
    }
}

TEST(LayerThumbnail, ASmallChangeOfALargeLayerReadsOnlyWhatItTouches) {
    auto doc = emptyDocument(6000, 4000);
    RasterLayer* layer = addLayer(*doc, 6000, 4000, grey(77));
    LayerThumbnail t;
    ASSERT_TRUE(t.render(*layer, doc->size(), {26, 17}));
    const int64_t whole = t.samplesRead();
    const Rect touched = t.affectedPixels({2900, 1900, 3156, 2156});
    EXPECT_LE(touched.width() * touched.height(), 16);
    ASSERT_TRUE(t.update(*layer, doc->size(), {2900, 1900, 3156, 2156}));
    EXPECT_LE(t.samplesRead() - whole, whole / 20);
    // A change outside the canvas touches nothing.
    EXPECT_TRUE(t.affectedPixels({6000, 0, 6100, 50}).isEmpty());
    // A new canvas size renders everything again.
    doc->setCanvasSize({3000, 4000});
    ASSERT_TRUE(t.update(*layer, doc->size(), {0, 0, 1, 1}));
    EXPECT_EQ(t.canvasSize(), (Size{3000, 4000}));
}

TEST(LayerThumbnail, SizesOutsideTheLimitsLeaveItEmpty) {
    auto doc = emptyDocument(10, 10);
    RasterLayer* layer = addLayer(*doc, 10, 10, grey(1));
    LayerThumbnail t;
    for (Size bad : {Size{0, 5}, Size{5, -1}, Size{5000, 5}}) {
        EXPECT_FALSE(t.render(*layer, doc->size(), bad));
        EXPECT_TRUE(t.isEmpty());
        EXPECT_FALSE(t.update(*layer, doc->size(), {0, 0, 10, 10}));
    }
    EXPECT_FALSE(t.render(*layer, {0, 0}, {5, 5}));
}

}  // namespace
}  // namespace varnel
