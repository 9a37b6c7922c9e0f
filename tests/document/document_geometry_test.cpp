// Geometry of whole documents: the saved channels change with the layers, Image Size and Canvas
// Size over layers with offsets and planes, Trim, and failures that leave everything as it was.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/surface_ops.h"
#include "doc_fixtures.h"
#include "document/replaced_parts.h"
#include "platform/pixel_memory.h"
#include "support/pixels.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;
using testing::pixelBytes;

Channel& addChannel(Document& doc, const std::string& name, std::mt19937& rng) {
    auto c = std::make_unique<Channel>();
    EXPECT_EQ(c->createGray(doc.width(), doc.height()), 1);
    c->setName(name);
    testing::fillNoise(*c, rng);
    doc.channels().push_back(std::move(c));
    return *doc.channels().back();
}

RasterLayer* addBackground(Document& doc, Size size, int alpha = -1) {
    ColorImage img(testing::solidStore(size.width, size.height, grey(0)));
    RasterLayer* bg = doc.layers().adoptBackground(img, true, {0, 0});
    EXPECT_NE(bg, nullptr);
    if (bg && alpha >= 0) {
        auto masks = std::make_unique<LayerMaskSet>(size.width, size.height);
        masks->setPlane(
            0, std::make_unique<Channel>(testing::planeStore(size.width, size.height, alpha)));
        bg->setMasks(std::move(masks));
    }
    return bg;
}

// An 8×6 image: a noisy background with a transparency plane, an offset layer with a plane that
// reaches past the top-right corner, an empty layer at an offset, and two saved channels.
std::unique_ptr<Document> sampleDocument() {
    auto doc = emptyDocument(8, 6);
    std::mt19937 rng(11);
    RasterLayer* bg = addBackground(*doc, {8, 6}, 0);
    testing::fillNoise(bg->pixels(), rng);
    testing::fillNoise(*bg->masks()->transparency(), rng);
    RasterLayer* top = addLayer(*doc, 3, 2, grey(0), {6, -1}, 0);
    testing::fillNoise(top->pixels(), rng);
    testing::fillNoise(*top->masks()->transparency(), rng);
    EmptyLayer* empty = doc->layers().newEmptyLayer();
    empty->setOffset({2, 3});
    addChannel(*doc, "Alpha 1", rng);
    addChannel(*doc, "Alpha 2", rng);
    doc->invalidate(doc->bounds());
    return doc;
}

// Everything a geometry operation may change, for before/after comparisons.
struct State {
    Size size;
    std::vector<std::string> layers;
    std::vector<std::vector<uint8_t>> pixels;
    std::vector<std::vector<uint8_t>> channels;

    friend bool operator==(const State&, const State&) = default;
};

State stateOf(const Document& doc) {
    State s{doc.size(), {}, {}, {}};
    const LayerStack& stack = doc.layers();
    for (int i = 0; i < stack.count(); ++i) {
        const LayerItem* l = stack.layerAt(i);
        const Rect b = l->canvasBounds();
        s.layers.push_back(l->name() + " " + std::to_string(b.left) + "," + std::to_string(b.top) +
                           " " + std::to_string(b.width()) + "x" + std::to_string(b.height()));
        if (const RasterLayer* r = stack.rasterAt(i)) {
            if (r->pixels().isValid()) s.pixels.push_back(pixelBytes(r->pixels()));
            if (r->transparency()) s.pixels.push_back(pixelBytes(*r->transparency()));
        }
    }
    for (const auto& c : doc.channels()) {
        s.channels.push_back(pixelBytes(*c));
        s.layers.push_back(c->name() + " " + std::to_string(c->width()) + "x" +
                           std::to_string(c->height()));
    }
    return s;
}

TEST(DocumentGeometry, SavedChannelsTurnFlipAndCropWithTheLayers) {
    // For each operation: the new canvas, and where old canvas pixel (x, y) lands (or {-1, -1}
    // when it is cut away).
    using Map = std::function<Point(int x, int y)>;
    struct Case {
        const char* what;
        std::function<int(Document&)> run;
        Size size;
        Map to;
    } cases[] = {
        {"rotate 90",
         [](Document& d) { return d.rotate(90.0); },
         {6, 8},
         [](int x, int y) {
             return Point{5 - y, x};
         }},
        {"rotate 180",
         [](Document& d) { return d.rotate(180.0); },
         {8, 6},
         [](int x, int y) {
             return Point{7 - x, 5 - y};
         }},
        {"rotate 270",
         [](Document& d) { return d.rotate(270.0); },
         {6, 8},
         [](int x, int y) {
             return Point{y, 7 - x};
         }},
        {"flip horizontal",
         [](Document& d) { return d.flip(false); },
         {8, 6},
         [](int x, int y) {
             return Point{7 - x, y};
         }},
        {"flip vertical",
         [](Document& d) { return d.flip(true); },
         {8, 6},
         [](int x, int y) {
             return Point{x, 5 - y};
         }},
        {"crop",
         [](Document& d) {
             return d.crop({2, 1, 7, 4});
         },
         {5, 3},
         [](int x, int y) {
             return Rect{2, 1, 7, 4}.contains(x, y) ? Point{x - 2, y - 1} : Point{-1, -1};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = sampleDocument();
        std::vector<std::unique_ptr<Channel>> before;
        for (const auto& ch : doc->channels()) before.push_back(cloneOf(*ch));
        ASSERT_EQ(c.run(*doc), 1);
        ASSERT_EQ(doc->size(), c.size);
        ASSERT_EQ(doc->channels().size(), 2u);
        for (size_t i = 0; i < before.size(); ++i) {
            const Channel& now = *doc->channels()[i];
            EXPECT_EQ(now.name(), before[i]->name());
            ASSERT_EQ(now.size(), c.size);  // Load Selection needs the canvas size
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 8; ++x) {
                    const Point p = c.to(x, y);
                    if (p.x < 0) continue;
                    ASSERT_EQ(now.row(p.y)[p.x], before[i]->row(y)[x]) << x << "," << y;
                }
        }
    }
}

TEST(DocumentGeometry, TrimCutsLayerAndChannelsToWhatDiffersFromTheCorner) {
    auto doc = emptyDocument(9, 7);
    RasterLayer* bg = addBackground(*doc, {9, 7});
    fillRectColor(bg->pixels(), bg->pixels().bounds(), grey(255));
    fillRectColor(bg->pixels(), {3, 2, 6, 4}, grey(20));
    std::mt19937 rng(3);
    Channel& ch = addChannel(*doc, "Alpha 1", rng);
    const uint8_t inside = ch.row(2)[3];

    ASSERT_EQ(doc->trim(), 1);
    EXPECT_EQ(doc->size(), (Size{3, 2}));
    EXPECT_EQ(bg->canvasBounds(), (Rect{0, 0, 3, 2}));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(bg->pixels().pixels(y)[x], grey(20));
    ASSERT_EQ(ch.size(), (Size{3, 2}));
    EXPECT_EQ(ch.row(0)[0], inside);

    // Nothing left to trim, and a plain image: unchanged, and that succeeds.
    const State trimmed = stateOf(*doc);
    EXPECT_EQ(doc->trim(), 1);
    EXPECT_EQ(stateOf(*doc), trimmed);

    // Only an image whose one layer is the background can be trimmed.
    auto layered = emptyDocument(5, 5);
    addBackground(*layered, {5, 5});
    addLayer(*layered, 2, 2, grey(9), {1, 1});
    EXPECT_EQ(layered->trim(), 0);
    auto noBackground = emptyDocument(5, 5);
    addLayer(*noBackground, 5, 5, grey(9));
    noBackground->layers().rasterAt(0)->pixels().pixels(2)[2] = grey(1);
    EXPECT_EQ(noBackground->trim(), 0);
    EXPECT_EQ(noBackground->size(), (Size{5, 5}));
}

TEST(DocumentGeometry, ImageSizeScalesLayersPositionsPlanesAndChannels) {
    auto doc = emptyDocument(200, 200);
    addBackground(*doc, {200, 200});
    RasterLayer* wide = addLayer(*doc, 101, 40, grey(7), {3, -5}, 128);
    RasterLayer* thin = addLayer(*doc, 1, 1, grey(8), {150, 150});
    std::mt19937 rng(5);
    addChannel(*doc, "Alpha 1", rng);

    ASSERT_EQ(doc->resizeAll({100, 100}, true), 1);
    EXPECT_EQ(doc->size(), (Size{100, 100}));
    // trunc(101 × 0.5 + 0.5) = 51 wide; x: trunc(0.5 × 3 + 0.5) = 2; y: trunc(−2.5 + 0.5) = −2.
    EXPECT_EQ(wide->canvasBounds(), (Rect{2, -2, 53, 18}));
    ASSERT_NE(wide->transparency(), nullptr);
    EXPECT_EQ(wide->transparency()->size(), (Size{51, 20}));
    EXPECT_EQ(wide->transparency()->row(10)[25], 128);
    // A side never becomes smaller than one pixel.
    EXPECT_EQ(thin->size(), (Size{1, 1}));
    EXPECT_EQ(doc->channels()[0]->size(), (Size{100, 100}));

    ASSERT_EQ(doc->resizeAll({10, 20}, false), 1);
    EXPECT_EQ(thin->canvasBounds(), (Rect{8, 15, 9, 16}));  // 0.1 × 75, 0.2 × 75
    EXPECT_EQ(doc->channels()[0]->size(), (Size{10, 20}));

    // The same size changes nothing; sizes out of range fail.
    const State s = stateOf(*doc);
    EXPECT_EQ(doc->resizeAll({10, 20}, true), 1);
    for (Size bad : {Size{0, 5}, Size{5, -1}, Size{30001, 5}})
        EXPECT_EQ(doc->resizeAll(bad, true), 0);
    EXPECT_EQ(stateOf(*doc), s);
}

// Sizes and positions are the single-precision ratio times the single-precision value, rounded
// half up. A double product lands just below .5 for ratios such as 7/10 (0.7f is a little
// less than 0.7) and rounds the wrong way. Left of or above the canvas the rounding is floor(v +
// 0.5), so positions keep their distances to the layers on the canvas.
TEST(DocumentGeometry, ImageSizeRoundsSingleProductsHalfUp) {
    struct Case {
        const char* what;
        Size from, to;
        Size layer;
        Point at;
        Rect expected;
    } cases[] = {
        {"5 wide at the origin, 10 to 7", {10, 10}, {7, 7}, {5, 5}, {0, 0}, {0, 0, 4, 4}},
        {"at x = 5, 10 to 7", {10, 10}, {7, 10}, {1, 1}, {5, 5}, {4, 5, 5, 6}},
        {"at y = 5, 10 to 7", {10, 10}, {10, 7}, {1, 1}, {5, 5}, {5, 4, 6, 5}},
        {"101 wide at x = 3, halved", {200, 200}, {100, 100}, {101, 40}, {3, 0}, {2, 0, 53, 20}},
        {"left of and above the canvas, doubled",
         {4, 4},
         {8, 8},
         {1, 1},
         {-2, -3},
         {-4, -6, -2, -4}},
        {"above the canvas, halved", {8, 8}, {4, 4}, {2, 2}, {0, -3}, {0, -1, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = emptyDocument(c.from.width, c.from.height);
        RasterLayer* layer = addLayer(*doc, c.layer.width, c.layer.height, grey(9), c.at);
        ASSERT_EQ(doc->resizeAll(c.to, true), 1);
        EXPECT_EQ(layer->canvasBounds(), c.expected);
    }
}

TEST(DocumentGeometry, PlanesShrinkByTheColourRuleNeverByAnd) {
    // Columns alternate 200 and 100 in the transparency plane and in a channel; halving the width
    // keeps one of the two values (replicate) or gives their mean (smooth). A bitwise AND of the
    // eliminated columns would give 200 & 100 = 64.
    for (bool smooth : {false, true}) {
        SCOPED_TRACE(smooth ? "smooth" : "replicate");
        auto doc = emptyDocument(4, 2);
        RasterLayer* layer = addLayer(*doc, 4, 2, grey(0), {}, 0);
        auto ch = std::make_unique<Channel>();
        ASSERT_EQ(ch->createGray(4, 2), 1);
        doc->channels().push_back(std::move(ch));
        for (GrayMap* plane : {static_cast<GrayMap*>(layer->masks()->transparency()),
                               static_cast<GrayMap*>(doc->channels()[0].get())})
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 4; ++x) plane->row(y)[x] = x % 2 ? 100 : 200;
        ASSERT_EQ(doc->resizeAll({2, 2}, smooth), 1);
        for (const GrayMap* plane : {static_cast<const GrayMap*>(layer->transparency()),
                                     static_cast<const GrayMap*>(doc->channels()[0].get())}) {
            ASSERT_EQ(plane->size(), (Size{2, 2}));
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 2; ++x) {
                    if (smooth) {
                        EXPECT_EQ(plane->row(y)[x], 150);
                    } else {
                        EXPECT_TRUE(plane->row(y)[x] == 200 || plane->row(y)[x] == 100);
                    }
                }
        }
    }
}

TEST(DocumentGeometry, CanvasSizeReframesTheBackgroundAndMovesTheRest) {
    auto doc = emptyDocument(4, 3);
    RasterLayer* bg = addBackground(*doc, {4, 3}, 90);
    fillRectColor(bg->pixels(), bg->pixels().bounds(), grey(50));
    RasterLayer* layer = addLayer(*doc, 2, 2, grey(60), {3, 2}, 40);
    EmptyLayer* empty = doc->layers().newEmptyLayer();
    empty->setOffset({1, 1});
    std::mt19937 rng(9);
    Channel& ch = addChannel(*doc, "Alpha 1", rng);
    fillValue(ch, 255);
    const ColorRef extension = makeRgb(1, 2, 3);

    // Grow to 7 × 5 with the old canvas at (2, 1).
    ASSERT_EQ(doc->resizeCanvasAll({7, 5}, {2, 1}, extension), 1);
    EXPECT_EQ(doc->size(), (Size{7, 5}));
    EXPECT_EQ(bg->canvasBounds(), (Rect{0, 0, 7, 5}));
    const Rect old{2, 1, 6, 4};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const bool in = old.contains(x, y);
            SCOPED_TRACE(::testing::Message() << x << "," << y);
            EXPECT_EQ(bg->pixels().pixels(y)[x], in ? grey(50) : (Bgr{3, 2, 1}));
            EXPECT_EQ(bg->transparency()->row(y)[x], in ? 90 : 255);  // the new area is opaque
            EXPECT_EQ(ch.row(y)[x], in ? 255 : 0);                    // and not selected
        }
    EXPECT_EQ(layer->canvasBounds(), (Rect{5, 3, 7, 5}));
    EXPECT_EQ(layer->transparency()->row(0)[0], 40);
    EXPECT_EQ(empty->offset(), (Point{3, 2}));

    // Shrink to 3 × 2 anchored bottom-right: the top-left part is cut away, layers move up-left.
    ASSERT_EQ(doc->resizeCanvasAll({3, 2}, {-4, -3}, extension), 1);
    EXPECT_EQ(doc->size(), (Size{3, 2}));
    EXPECT_EQ(bg->canvasBounds(), (Rect{0, 0, 3, 2}));
    EXPECT_EQ(bg->pixels().pixels(0)[0], grey(50));        // old (4, 3)
    EXPECT_EQ(bg->pixels().pixels(1)[2], (Bgr{3, 2, 1}));  // old (6, 4): extension
    EXPECT_EQ(layer->canvasBounds(), (Rect{1, 0, 3, 2}));
    EXPECT_EQ(ch.size(), (Size{3, 2}));
    EXPECT_EQ(ch.row(0)[1], 255);
    EXPECT_EQ(ch.row(1)[2], 0);

    // The same size changes nothing; sizes out of range fail.
    const State s = stateOf(*doc);
    EXPECT_EQ(doc->resizeCanvasAll({3, 2}, {5, 5}, extension), 1);
    EXPECT_EQ(doc->resizeCanvasAll({0, 2}, {}, extension), 0);
    EXPECT_EQ(doc->resizeCanvasAll({3, 30001}, {}, extension), 0);
    EXPECT_EQ(stateOf(*doc), s);
}

// The stores of every layer's pixels and planes and of every channel.
std::set<const SurfaceStore*> storesOf(const Document& doc) {
    std::set<const SurfaceStore*> out;
    for (int i = 0; i < doc.layers().count(); ++i) {
        const RasterLayer* layer = doc.layers().rasterAt(i);
        if (!layer) continue;
        if (layer->pixels().store()) out.insert(layer->pixels().store());
        if (const LayerMaskSet* masks = layer->masks())
            for (int p = 0; p < LayerMaskSet::kPlaneCount; ++p)
                if (masks->plane(p)) out.insert(masks->plane(p)->store());
    }
    for (const auto& c : doc.channels()) out.insert(c->store());
    return out;
}

TEST(DocumentGeometry, ReplacedStorageIsHandedOverNotFreed) {
    // Every store the change no longer uses is in the record (the very objects, never copies),
    // and no store the image still uses is. The in-place operations hand over nothing.
    const struct {
        const char* what;
        std::function<int(Document&, ReplacedParts*)> run;
        size_t layers, channels;  // entries expected
    } cases[] = {
        {"rotate 90", [](Document& d, ReplacedParts* r) { return d.rotate(90, r); }, 2, 2},
        {"rotate 180", [](Document& d, ReplacedParts* r) { return d.rotate(180, r); }, 0, 0},
        {"image size",
         [](Document& d, ReplacedParts* r) {
             return d.resizeAll({5, 9}, true, r);
         },
         2, 2},
        {"canvas size: the background only",
         [](Document& d, ReplacedParts* r) {
             return d.resizeCanvasAll({10, 7}, {1, 1}, 0, r);
         },
         1, 2},
        {"crop: the top layer cut away whole",
         [](Document& d, ReplacedParts* r) {
             return d.crop({0, 2, 4, 6}, r);
         },
         2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = sampleDocument();
        const std::set<const SurfaceStore*> before = storesOf(*doc);
        ReplacedParts replaced;
        ASSERT_EQ(c.run(*doc, &replaced), 1);
        EXPECT_EQ(replaced.layers.size(), c.layers);
        EXPECT_EQ(replaced.channels.size(), c.channels);
        std::set<const SurfaceStore*> kept;
        for (const auto& l : replaced.layers) {
            if (l.item) {
                const auto& layer = static_cast<const RasterLayer&>(*l.item);
                EXPECT_EQ(l.item->stack(), nullptr);
                kept.insert(layer.pixels().store());
                kept.insert(layer.masks()->transparency()->store());
                continue;
            }
            kept.insert(l.pixels.get());
            if (l.masks) kept.insert(l.masks->transparency()->store());
        }
        for (const auto& ch : replaced.channels) kept.insert(ch.store.get());
        const std::set<const SurfaceStore*> after = storesOf(*doc);
        for (const SurfaceStore* s : before) EXPECT_TRUE(after.count(s) + kept.count(s) == 1);
        for (const SurfaceStore* s : kept) EXPECT_TRUE(before.count(s) && !after.count(s));
    }
}

TEST(DocumentGeometry, FailuresPartWayLeaveTheDocumentAsItWas) {
    auto trimmable = [] {
        auto doc = emptyDocument(6, 5);
        RasterLayer* bg = addBackground(*doc, {6, 5}, 30);
        bg->pixels().pixels(2)[3] = grey(9);
        std::mt19937 rng(1);
        addChannel(*doc, "Alpha 1", rng);
        return doc;
    };
    auto withTopLayer = [](Size size, Point at) {
        return [=] {
            auto doc = sampleDocument();
            addLayer(*doc, size.width, size.height, grey(1), at, 5);
            return doc;
        };
    };
    struct Case {
        const char* what;
        std::function<std::unique_ptr<Document>()> make;
        bool failAllocation;  // else the operation fails on its own part-way
        std::function<int(Document&)> run;
    } cases[] = {
        // The first allocation fails: a channel's new pixels.
        {"crop", sampleDocument, true,
         [](Document& d) {
             return d.crop({1, 1, 5, 5});
         }},
        {"rotate 90", sampleDocument, true, [](Document& d) { return d.rotate(90.0); }},
        {"image size", sampleDocument, true,
         [](Document& d) {
             return d.resizeAll({16, 3}, true);
         }},
        {"canvas size", sampleDocument, true,
         [](Document& d) {
             return d.resizeCanvasAll({9, 9}, {1, 1}, 0);
         }},
        {"trim", trimmable, true, [](Document& d) { return d.trim(); }},
        // The channels and the lower layers are done when the top layer fails: scaled, it would
        // be wider than any surface may be.
        {"image size, top layer too large", withTopLayer({20000, 1}, {0, 0}), false,
         [](Document& d) {
             return d.resizeAll({16, 6}, true);
         }},
        // The background is re-framed when the top layer's position would overflow.
        {"canvas size, top layer beyond reach", withTopLayer({1, 1}, {INT32_MAX - 1, 0}), false,
         [](Document& d) {
             return d.resizeCanvasAll({10, 6}, {2, 0}, 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = c.make();
        const State before = stateOf(*doc);
        testing::Recorder rec;
        doc->addListener(&rec);
        if (c.failAllocation) platform::failNextAllocations(1);
        EXPECT_EQ(c.run(*doc), 0);
        platform::failNextAllocations(0);
        doc->removeListener(&rec);
        EXPECT_EQ(stateOf(*doc), before);
        EXPECT_TRUE(rec.changes.empty());  // no record for a failure
    }
}

}  // namespace
}  // namespace varnel
