#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "core/blend_modes.h"
#include "doc_fixtures.h"
#include "document/compositor.h"
#include "platform/parallel.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;

// The composite rule pixel by pixel, straight from its statement: the first layer covering the
// pixel gives colour and alpha, every later one is blended over them with blendPixel.
void referenceComposite(const LayerStack& s, ColorImage& color, GrayMap& alpha) {
    for (int y = 0; y < color.height(); ++y)
        for (int x = 0; x < color.width(); ++x) {
            bool started = false;
            Bgr c{};
            uint8_t a = 0;
            for (int i = 0; i < s.count(); ++i) {
                const LayerItem* item = s.layerAt(i);
                if (!takesPart(*item) || !item->canvasBounds().contains(x, y)) continue;
                const auto& l = static_cast<const RasterLayer&>(*item);
                const int lx = x - l.offset().x;
                const int ly = y - l.offset().y;
                int planes = 255;
                if (l.masks()) {
                    for (int p = 0; p < LayerMaskSet::kPlaneCount; ++p) {
                        if (const Channel* ch = l.masks()->plane(p)) {
                            planes = planes * ch->row(ly)[lx] / 255;
                        }
                    }
                }
                const int opacity = l.masterOpacity() * l.layerOpacity() / 255;
                const uint8_t s8 = uint8_t(planes * opacity / 255);
                const Bgr src = l.pixels().pixels(ly)[lx];
                if (!started) {
                    c = src;
                    a = s8;
                    started = true;
                } else {
                    blendPixel(c, a, src, s8, l.blendMode());
                }
            }
            alpha.row(y)[x] = a;
            if (a != 0) color.pixels(y)[x] = c;
        }
}

void expectMatchesReference(Document& doc, const std::string& what) {
    DocumentComposite* comp = doc.composite();
    ASSERT_NE(comp, nullptr);
    ColorImage color;
    GrayMap alpha;
    ASSERT_TRUE(color.copyFrom(comp->color()));  // colours under alpha 0 are kept as they were
    ASSERT_TRUE(alpha.createGray(doc.width(), doc.height()));
    referenceComposite(doc.layers(), color, alpha);
    for (int y = 0; y < doc.height(); ++y)
        for (int x = 0; x < doc.width(); ++x) {
            ASSERT_EQ(comp->alpha().row(y)[x], alpha.row(y)[x])
                << what << " alpha at " << x << "," << y;
            if (alpha.row(y)[x] != 0) {
                ASSERT_EQ(comp->color().pixels(y)[x], color.pixels(y)[x])
                    << what << " colour at " << x << "," << y;
            }
        }
}

TEST(Composite, MatchesThePerPixelRuleOnRandomStacks) {
    std::mt19937 rng(1234);
    auto pick = [&](int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); };
    for (int round = 0; round < 40; ++round) {
        const std::string what = "round " + std::to_string(round);
        auto doc = emptyDocument(37, 23);
        const int n = pick(1, 6);
        for (int i = 0; i < n; ++i) {
            const int kind = pick(0, 9);
            if (kind == 0) {
                doc->layers().newEmptyLayer();
                continue;
            }
            const int w = pick(1, 45);
            const int h = pick(1, 30);
            RasterLayer* l = addLayer(*doc, w, h, grey(0), {pick(-10, 30), pick(-8, 20)},
                                      pick(0, 2) == 0 ? pick(0, 255) : -1, pick(0, 18),
                                      pick(0, 3) == 0 ? pick(0, 255) : 255);
            ASSERT_NE(l, nullptr);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    l->pixels().pixels(y)[x] = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
                    if (l->transparency()) {
                        l->masks()->transparency()->row(y)[x] =
                            uint8_t(pick(0, 3) == 0 ? 255 : pick(0, 255));
                    }
                }
            if (kind == 1) doc->layers().setVisible(l, false);
            if (kind == 2 && l->transparency()) {
                // A second plane multiplies in like the first.
                l->masks()->setPlane(2, std::make_unique<Channel>(testing::planeStore(w, h, 0)));
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) l->masks()->plane(2)->row(y)[x] = uint8_t(rng());
            }
        }
        expectMatchesReference(*doc, what);
        // A change to one layer updates its rectangle only; the result is still the full rule.
        LayerStack& s = doc->layers();
        const int i = pick(0, s.count() - 1);
        if (s.layerAt(i)->hasProperties()) {
            s.setBlendMode(s.layerAt(i), pick(0, 18));
            expectMatchesReference(*doc, what + " after a mode change");
            s.setMasterOpacity(s.layerAt(i), uint8_t(pick(0, 255)));
            expectMatchesReference(*doc, what + " after an opacity change");
        }
        s.setVisible(s.layerAt(i), !s.layerAt(i)->isVisible());
        expectMatchesReference(*doc, what + " after a visibility change");
        s.removeAt(pick(0, s.count() - 1));
        expectMatchesReference(*doc, what + " after a removal");
    }
}

TEST(Composite, LowestCoveringLayerIsTakenAsItIs) {
    auto doc = emptyDocument(4, 1);
    // A Difference layer at half opacity alone: its mode is not used and its alpha is its own.
    addLayer(*doc, 2, 1, grey(200), {0, 0}, -1, kBlendDifference, 128);
    addLayer(*doc, 2, 1, grey(50), {1, 0}, -1, kBlendMultiply, 255);
    DocumentComposite* c = doc->composite();
    EXPECT_EQ(c->color().pixels(0)[0], grey(200));
    EXPECT_EQ(c->alpha().row(0)[0], 128);
    // Pixel 1: Multiply at full alpha over the half-covered first layer.
    Bgr want = grey(200);
    uint8_t wantAlpha = 128;
    blendPixel(want, wantAlpha, grey(50), 255, kBlendMultiply);
    EXPECT_EQ(c->color().pixels(0)[1], want);
    EXPECT_EQ(c->alpha().row(0)[1], wantAlpha);
    // Pixel 2: only the upper layer, taken unchanged despite its mode.
    EXPECT_EQ(c->color().pixels(0)[2], grey(50));
    EXPECT_EQ(c->alpha().row(0)[2], 255);
    // Pixel 3: covered by nothing.
    EXPECT_EQ(c->alpha().row(0)[3], 0);
}

TEST(Composite, LayersThatTakeNoPart) {
    auto doc = emptyDocument(3, 3);
    addLayer(*doc, 3, 3, grey(10));
    RasterLayer* hidden = addLayer(*doc, 3, 3, grey(90));
    doc->layers().setVisible(hidden, false);
    addLayer(*doc, 3, 3, grey(90), {}, -1, kBlendNormal, 0);
    doc->layers().newEmptyLayer();
    doc->layers().insert(std::make_unique<LayerItem>("placeholder"), -1);
    DocumentComposite* c = doc->composite();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(c->color().pixels(y)[x], grey(10));
            EXPECT_EQ(c->alpha().row(y)[x], 255);
        }
    EXPECT_EQ(doc->layers().compositeList().entries.size(), 1u);
}

TEST(Composite, LayersReachingOutsideTheCanvas) {
    auto doc = emptyDocument(4, 4);
    RasterLayer* l = addLayer(*doc, 4, 4, grey(0), {-2, 1});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) l->pixels().pixels(y)[x] = grey(x * 10 + y);
    DocumentComposite* c = doc->composite();
    // Canvas pixel (1, 2) is layer pixel (3, 1).
    EXPECT_EQ(c->color().pixels(2)[1], grey(31));
    EXPECT_EQ(c->alpha().row(0)[0], 0);
    EXPECT_EQ(c->alpha().row(3)[1], 255);
    EXPECT_EQ(c->alpha().row(3)[2], 0);
}

TEST(Composite, NoLayerTakingPartClearsTheAlpha) {
    auto doc = emptyDocument(3, 2);
    RasterLayer* l = addLayer(*doc, 3, 2, grey(10));
    ASSERT_NE(doc->composite(), nullptr);
    EXPECT_EQ(doc->composite()->alpha().row(1)[2], 255);
    doc->layers().setVisible(l, false);
    EXPECT_TRUE(isAllZero(doc->composite()->alpha()));
    ColorImage color;
    Mask alpha;
    color.createColor(3, 2);
    alpha.createGray(3, 2);
    EXPECT_EQ(doc->layers().composite(color, alpha, doc->bounds()), 0);
}

TEST(Composite, ListOfGivenLayersIsRebasedToTheirUnion) {
    auto doc = emptyDocument(20, 20);
    RasterLayer* a = addLayer(*doc, 4, 4, grey(10), {5, 6});
    RasterLayer* hidden = addLayer(*doc, 4, 4, grey(20), {0, 0});
    doc->layers().setVisible(hidden, false);
    RasterLayer* b = addLayer(*doc, 3, 3, grey(30), {8, 9}, -1, kBlendScreen);
    const CompositeList list = doc->layers().compositeList({a, hidden, b});
    EXPECT_EQ(list.area, (Rect{5, 6, 11, 12}));
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_EQ(list.entries[0].bounds, (Rect{0, 0, 4, 4}));
    EXPECT_EQ(list.entries[1].offset, (Point{3, 3}));
    // Composited into a target of the area's size, the gap between them is transparent.
    ColorImage color;
    Mask alpha;
    ASSERT_TRUE(color.createColor(6, 6) && alpha.createGray(6, 6));
    EXPECT_EQ(compositeInto(list.entries, color, alpha, color.bounds()), 1);
    EXPECT_EQ(alpha.row(0)[5], 0);
    EXPECT_EQ(color.pixels(0)[0], grey(10));
    EXPECT_EQ(color.pixels(5)[5], grey(30));                        // only b: taken unchanged
    EXPECT_EQ(color.pixels(3)[3], grey(255 - ((245 * 225) >> 8)));  // Screen of 30 over 10
}

// Rows split over worker threads composite to the same bytes as on one thread: layers of every
// kind of coverage (offset, partly off the canvas, with one plane and with two, modes and
// opacities) over a canvas big enough for its bands to be cut into parts.
TEST(Composite, SameBytesOnOneAndOnSeveralThreads) {
    auto doc = emptyDocument(520, 1400);
    std::mt19937 rng(77);
    struct LayerPlan {
        int w, h;
        Point at;
        int alpha, mode, opacity;
        bool secondPlane;
    } layers[] = {
        {520, 1400, {0, 0}, -1, kBlendNormal, 255, false},
        {400, 1300, {60, 50}, 128, kBlendMultiply, 200, false},
        {520, 1250, {-30, 100}, 200, kBlendOverlay, 128, true},
        {300, 1500, {250, -40}, -1, kBlendScreen, 90, false},
    };
    for (const LayerPlan& l : layers) {
        RasterLayer* layer = addLayer(*doc, l.w, l.h, grey(0), l.at, l.alpha, l.mode, l.opacity);
        ASSERT_NE(layer, nullptr);
        for (int y = 0; y < l.h; ++y) {
            uint8_t* row = layer->pixels().row(y);
            for (int i = 0; i < 3 * l.w; ++i) row[i] = uint8_t(rng());
            if (layer->transparency()) {
                uint8_t* a = layer->masks()->transparency()->row(y);
                for (int x = 0; x < l.w; ++x) a[x] = uint8_t(rng());
            }
        }
        if (l.secondPlane) {
            layer->masks()->setPlane(2,
                                     std::make_unique<Channel>(testing::planeStore(l.w, l.h, 0)));
            for (int y = 0; y < l.h; ++y)
                for (int x = 0; x < l.w; ++x) layer->masks()->plane(2)->row(y)[x] = uint8_t(rng());
        }
    }
    std::vector<const LayerItem*> items;
    for (int i = 0; i < doc->layers().count(); ++i) items.push_back(doc->layers().layerAt(i));
    const std::vector<CompositeEntry> entries = compositeEntries(items);
    ASSERT_EQ(entries.size(), 4u);

    const int saved = workerThreads();
    std::vector<uint8_t> bytes[2];
    for (int i = 0; i < 2; ++i) {
        setWorkerThreads(i == 0 ? 1 : 4);
        ColorImage color;
        Mask alpha;
        ASSERT_TRUE(color.createColor(520, 1400) && alpha.createGray(520, 1400));
        ASSERT_EQ(compositeInto(entries, color, alpha, {3, 0, 519, 1400}), 1);
        bytes[i] = color.exportPackedBitmap();
        const std::vector<uint8_t> a = alpha.exportPackedBitmap();
        bytes[i].insert(bytes[i].end(), a.begin(), a.end());
    }
    setWorkerThreads(saved);
    EXPECT_EQ(bytes[0], bytes[1]);
}

// A view draws a one-layer image straight from its layer: that holds only where the layer's pixels
// are the composite byte for byte, opaque everywhere. Every other stack keeps the composite.
TEST(Composite, LayerPixelsStandForTheCompositeOnlyWhenTheyAreIt) {
    struct Case {
        const char* what;
        std::function<void(Document&)> build;
        bool layerIsComposite;
    } cases[] = {
        {"one opaque layer on the canvas", [](Document& d) { addLayer(d, 4, 3, grey(9)); }, true},
        {"a hidden layer beside it",
         [](Document& d) {
             addLayer(d, 4, 3, grey(9));
             d.layers().setVisible(addLayer(d, 4, 3, grey(50)), false);
         },
         true},
        {"two layers",
         [](Document& d) {
             addLayer(d, 4, 3, grey(9));
             addLayer(d, 4, 3, grey(50), {}, -1, kBlendMultiply, 128);
         },
         false},
        {"lower opacity", [](Document& d) { addLayer(d, 4, 3, grey(9), {}, -1, 0, 254); }, false},
        {"a transparency plane, opaque", [](Document& d) { addLayer(d, 4, 3, grey(9), {}, 255); },
         false},
        {"moved off the origin",
         [](Document& d) {
             addLayer(d, 4, 3, grey(9), {1, 0});
         },
         false},
        {"smaller than the canvas", [](Document& d) { addLayer(d, 3, 3, grey(9)); }, false},
        {"larger than the canvas", [](Document& d) { addLayer(d, 5, 4, grey(9)); }, false},
        {"no layer", [](Document&) {}, false},
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument(4, 3);
        c.build(*doc);
        const ColorImage* pixels = doc->layers().pixelsAsComposite();
        EXPECT_EQ(pixels != nullptr, c.layerIsComposite) << c.what;
        if (!pixels) continue;
        DocumentComposite* comp = doc->composite();
        ASSERT_NE(comp, nullptr);
        for (int y = 0; y < doc->height(); ++y)
            for (int x = 0; x < doc->width(); ++x) {
                EXPECT_EQ(pixels->pixels(y)[x], comp->color().pixels(y)[x]) << c.what;
                EXPECT_EQ(comp->alpha().row(y)[x], 255) << c.what;
            }
    }
}

}  // namespace
}  // namespace varnel
