#include "imageops/canvas_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "../document/doc_fixtures.h"
#include "core/surface_ops.h"
#include "support/pixels.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::fillNoise;
using testing::grey;
using testing::pixelBytes;

RasterLayer* addBackground(Document& doc, Bgr colour) {
    ColorImage img(testing::solidStore(doc.width(), doc.height(), colour));
    return doc.layers().adoptBackground(img, true, {0, 0});
}

// Layer bounds and every byte of pixels, planes and channels.
struct Content {
    Size size;
    std::vector<Rect> bounds;
    std::vector<std::vector<uint8_t>> bytes;
    friend bool operator==(const Content&, const Content&) = default;
};

Content contentOf(const Document& doc) {
    Content c{doc.size(), {}, {}};
    for (int i = 0; i < doc.layers().count(); ++i) {
        const LayerItem* item = doc.layers().layerAt(i);
        c.bounds.push_back(item->canvasBounds());
        if (const RasterLayer* l = doc.layers().rasterAt(i)) {
            c.bytes.push_back(pixelBytes(l->pixels()));
            if (l->transparency()) c.bytes.push_back(pixelBytes(*l->transparency()));
        }
    }
    for (const auto& ch : doc.channels()) c.bytes.push_back(pixelBytes(*ch));
    return c;
}

// A 300×200 image with a background, offset layers with planes, and a channel.
std::unique_ptr<Document> sampleDocument() {
    auto doc = emptyDocument(300, 200);
    fillNoise(addBackground(*doc, grey(0))->pixels(), 1);
    RasterLayer* small = addLayer(*doc, 10, 20, grey(0), {5, 7}, 0);
    fillNoise(small->pixels(), 2);
    fillNoise(*small->masks()->transparency(), 3);
    RasterLayer* beyond = addLayer(*doc, 100, 30, grey(0), {250, -10}, 0);
    fillNoise(beyond->pixels(), 4);
    fillNoise(*beyond->masks()->transparency(), 5);
    auto ch = std::make_unique<Channel>();
    EXPECT_EQ(ch->createGray(300, 200), 1);
    fillNoise(*ch, 6);
    doc->channels().push_back(std::move(ch));
    return doc;
}

TEST(CanvasGeometry, AnchorOffsets) {
    struct Case {
        int anchor;
        Size from, to;
        Point want;
    } cases[] = {
        {kAnchorCenter, {100, 100}, {101, 100}, {0, 0}},  // 1 / 2 truncated
        {kAnchorTopLeft, {10, 10}, {20, 16}, {0, 0}},
        {kAnchorTop, {10, 10}, {20, 16}, {5, 0}},
        {kAnchorTopRight, {10, 10}, {20, 16}, {10, 0}},
        {kAnchorLeft, {10, 10}, {20, 16}, {0, 3}},
        {kAnchorCenter, {10, 10}, {20, 16}, {5, 3}},
        {kAnchorRight, {10, 10}, {20, 16}, {10, 3}},
        {kAnchorBottomLeft, {10, 10}, {20, 16}, {0, 6}},
        {kAnchorBottom, {10, 10}, {20, 16}, {5, 6}},
        {kAnchorBottomRight, {10, 10}, {20, 16}, {10, 6}},
        {kAnchorBottomRight, {10, 10}, {7, 4}, {-3, -6}},  // shrinking: negative
        {kAnchorCenter, {10, 10}, {7, 5}, {-1, -2}},       // −3 / 2 truncates toward zero
        {9, {10, 10}, {20, 16}, {5, 3}},                   // unknown anchors count as the centre
        {-1, {10, 10}, {20, 16}, {5, 3}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(anchorOffset(c.anchor, c.from, c.to), c.want)
            << c.anchor << " " << c.to.width << "x" << c.to.height;
    }
}

TEST(CanvasGeometry, CanvasSizeOneColumnWiderWithTheCentreAnchor) {
    auto doc = emptyDocument(100, 100);
    RasterLayer* bg = addBackground(*doc, grey(40));
    RasterLayer* layer = addLayer(*doc, 10, 10, grey(9), {95, 3});
    const ColorRef red = makeRgb(255, 0, 0);
    const CanvasSizeParams p = CanvasSizeParams::forAnchor(*doc, {101, 100}, kAnchorCenter, red);
    EXPECT_EQ(p.offsetX, 0);
    EXPECT_EQ(p.offsetY, 0);
    EXPECT_EQ(p.oldWidth, 100);
    ASSERT_EQ(resizeCanvas(*doc, p), 1);
    EXPECT_EQ(doc->size(), (Size{101, 100}));
    EXPECT_EQ(bg->size(), (Size{101, 100}));
    for (int y = 0; y < 100; ++y) {
        ASSERT_EQ(bg->pixels().pixels(y)[99], grey(40));
        ASSERT_EQ(bg->pixels().pixels(y)[100], (Bgr{0, 0, 255}));
    }
    EXPECT_EQ(layer->offset(), (Point{95, 3}));

    // The old size must be the image's; the same size changes nothing.
    CanvasSizeParams stale = p;
    stale.width = 120;
    EXPECT_EQ(resizeCanvas(*doc, stale), 0);
    const Content before = contentOf(*doc);
    EXPECT_EQ(resizeCanvas(*doc, CanvasSizeParams::forAnchor(*doc, {101, 100}, 0, red)), 1);
    EXPECT_EQ(contentOf(*doc), before);
}

TEST(CanvasGeometry, CanvasSizeSmallerWithTheBottomRightAnchor) {
    auto doc = sampleDocument();
    RasterLayer* bg = doc->layers().rasterAt(0);
    const Bgr keptCorner = bg->pixels().pixels(50)[100];
    ASSERT_EQ(resizeCanvas(*doc, CanvasSizeParams::forAnchor(*doc, {200, 150}, kAnchorBottomRight,
                                                             0xFFFFFF)),
              1);
    EXPECT_EQ(bg->canvasBounds(), (Rect{0, 0, 200, 150}));
    EXPECT_EQ(bg->pixels().pixels(0)[0], keptCorner);  // the top-left part is cut away
    EXPECT_EQ(doc->layers().layerAt(1)->offset(), (Point{-95, -43}));
    EXPECT_EQ(doc->layers().layerAt(2)->offset(), (Point{150, -60}));
    EXPECT_EQ(doc->channels()[0]->size(), (Size{200, 150}));
}

TEST(CanvasGeometry, NormalizedAngles) {
    struct Case {
        double in, out;
    } cases[] = {{0, 0}, {90, 90}, {-90, 270}, {450, 90}, {360, 0}, {-720, 0}, {-0.5, 359.5}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(normalizeRotation(c.in), c.out) << c.in;
    EXPECT_TRUE(std::isnan(normalizeRotation(std::nan(""))));
}

TEST(CanvasGeometry, RotateNinetyClockwiseMovesLayersAndSwapsTheCanvas) {
    auto doc = sampleDocument();
    ASSERT_EQ(rotateCanvas(*doc, 90), 1);
    EXPECT_EQ(doc->size(), (Size{200, 300}));
    // A 10 × 20 layer at (5, 7) moves to (200 − 7 − 20, 5).
    EXPECT_EQ(doc->layers().layerAt(1)->canvasBounds(), (Rect{173, 5, 193, 15}));
    EXPECT_EQ(doc->channels()[0]->size(), (Size{200, 300}));
}

TEST(CanvasGeometry, TurnsAndFlipsComposeToTheIdentity) {
    struct Case {
        const char* what;
        std::vector<int (*)(Document&)> steps;
    } cases[] = {
        {"180 twice",
         {[](Document& d) { return rotateCanvas(d, 180); },
          [](Document& d) { return rotateCanvas(d, 180); }}},
        {"90 then −90",
         {[](Document& d) { return rotateCanvas(d, 90); },
          [](Document& d) { return rotateCanvas(d, -90); }}},
        {"270 then 90",
         {[](Document& d) { return rotateCanvas(d, 270); },
          [](Document& d) { return rotateCanvas(d, 90); }}},
        {"four quarter turns",
         {[](Document& d) { return rotateCanvas(d, 90); },
          [](Document& d) { return rotateCanvas(d, 450); },
          [](Document& d) { return rotateCanvas(d, -270); },
          [](Document& d) { return rotateCanvas(d, 90); }}},
        {"horizontal twice",
         {[](Document& d) { return flipCanvas(d, true); },
          [](Document& d) { return flipCanvas(d, true); }}},
        {"both flips then 180",
         {[](Document& d) { return flipCanvas(d, true); },
          [](Document& d) { return flipCanvas(d, false); },
          [](Document& d) { return rotateCanvas(d, 180); }}},
        {"no turn",
         {[](Document& d) { return rotateCanvas(d, 0); },
          [](Document& d) { return rotateCanvas(d, 360); },
          [](Document& d) { return rotateCanvas(d, -720.00001); }}},
    };
    for (const Case& c : cases) {
        auto doc = sampleDocument();
        const Content before = contentOf(*doc);
        for (auto step : c.steps) ASSERT_EQ(step(*doc), 1) << c.what;
        EXPECT_EQ(contentOf(*doc), before) << c.what;
    }
    auto doc = sampleDocument();
    const Content before = contentOf(*doc);
    for (double bad : {45.0, 90.01, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(rotateCanvas(*doc, bad), 0) << bad;
    EXPECT_EQ(contentOf(*doc), before);
}

TEST(CanvasGeometry, FlipHorizontalOfALayerPastTheRightEdge) {
    auto doc = sampleDocument();
    ASSERT_EQ(flipCanvas(*doc, true), 1);
    EXPECT_EQ(doc->layers().layerAt(2)->offset(), (Point{-50, -10}));  // 300 − 250 − 100
    ASSERT_EQ(flipCanvas(*doc, false), 1);
    EXPECT_EQ(doc->layers().layerAt(2)->offset(), (Point{-50, 180}));  // 200 + 10 − 30
    EXPECT_EQ(doc->size(), (Size{300, 200}));
}

TEST(CanvasGeometry, CropToTheSelection) {
    auto doc = emptyDocument(200, 200);
    addBackground(*doc, grey(1));
    RasterLayer* layer = addLayer(*doc, 100, 100, grey(0), {100, 20});
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) layer->pixels().pixels(y)[x] = {uint8_t(x), uint8_t(y), 0};
    RasterLayer* outside = addLayer(*doc, 10, 10, grey(3), {180, 180});
    doc->layers().setName(outside, "Outside");
    const Rect selection{50, 50, 150, 150};
    ASSERT_TRUE(canCrop(*doc, selection));
    ASSERT_EQ(cropCanvas(*doc, selection), 1);
    EXPECT_EQ(doc->size(), (Size{100, 100}));
    // The layer keeps its part (0, 30)–(50, 100) and moves to (50, 0).
    EXPECT_EQ(layer->canvasBounds(), (Rect{50, 0, 100, 70}));
    EXPECT_EQ(layer->pixels().pixels(0)[0], (Bgr{0, 30, 0}));
    EXPECT_EQ(layer->pixels().pixels(69)[49], (Bgr{49, 99, 0}));
    // A layer wholly outside becomes empty and keeps its name.
    const LayerItem* item = doc->layers().layerAt(2);
    EXPECT_TRUE(item->isEmpty());
    EXPECT_EQ(item->name(), "Outside");

    // A selection that misses the canvas: not offered, and nothing changes.
    const Content before = contentOf(*doc);
    EXPECT_FALSE(canCrop(*doc, {300, 300, 400, 400}));
    EXPECT_FALSE(canCrop(*doc, {}));
    EXPECT_EQ(cropCanvas(*doc, {300, 300, 400, 400}), 1);
    EXPECT_EQ(contentOf(*doc), before);
}

TEST(CanvasGeometry, TrimKeepsExactlyTheContent) {
    auto doc = emptyDocument(40, 30);
    RasterLayer* bg = addBackground(*doc, grey(255));
    ASSERT_TRUE(canTrim(*doc));
    // A plain image: nothing changes.
    EXPECT_EQ(trimCanvas(*doc), 1);
    EXPECT_EQ(doc->size(), (Size{40, 30}));
    // A dark square in a white border.
    fillRectColor(bg->pixels(), {12, 5, 20, 13}, grey(30));
    ASSERT_EQ(trimCanvas(*doc), 1);
    EXPECT_EQ(doc->size(), (Size{8, 8}));
    EXPECT_EQ(bg->canvasBounds(), (Rect{0, 0, 8, 8}));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(bg->pixels().pixels(y)[x], grey(30));
    // Only a lone background can be trimmed.
    addLayer(*doc, 2, 2, grey(9));
    EXPECT_FALSE(canTrim(*doc));
    EXPECT_EQ(trimCanvas(*doc), 0);
}

}  // namespace
}  // namespace varnel
