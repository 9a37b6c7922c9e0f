#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "core/blend_modes.h"
#include "doc_fixtures.h"
#include "platform/pixel_memory.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;
using testing::Recorder;

// A 7×5 canvas with a noisy background and two offset layers (one half outside the canvas, one
// with a transparency plane), so that every pixel of the composite tells where it came from.
std::unique_ptr<Document> sampleDocument() {
    auto doc = emptyDocument(7, 5);
    std::mt19937 rng(7);
    RasterLayer* layers[3] = {
        addLayer(*doc, 7, 5, grey(0)),
        addLayer(*doc, 4, 3, grey(0), {5, -1}, -1, kBlendMultiply),
        addLayer(*doc, 3, 2, grey(0), {1, 2}, 0, kBlendScreen, 200),
    };
    for (RasterLayer* l : layers) {
        for (int y = 0; y < l->size().height; ++y)
            for (int x = 0; x < l->size().width; ++x) {
                l->pixels().pixels(y)[x] = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng())};
                if (l->transparency()) l->masks()->transparency()->row(y)[x] = uint8_t(rng());
            }
    }
    doc->invalidate(doc->bounds());
    return doc;
}

struct Snapshot {
    Size size;
    std::vector<Bgr> color;
    std::vector<uint8_t> alpha;
    Bgr colorAt(int x, int y) const { return color[size_t(y * size.width + x)]; }
    uint8_t alphaAt(int x, int y) const { return alpha[size_t(y * size.width + x)]; }
};

Snapshot snapshot(Document& doc) {
    DocumentComposite* c = doc.composite();
    EXPECT_NE(c, nullptr);
    Snapshot s{doc.size(), {}, {}};
    for (int y = 0; y < doc.height(); ++y)
        for (int x = 0; x < doc.width(); ++x) {
            s.color.push_back(c->color().pixels(y)[x]);
            s.alpha.push_back(c->alpha().row(y)[x]);
        }
    return s;
}

TEST(Geometry, RotationsAndFlipsMoveTheCompositeWithThem) {
    // For each operation: the new size, and where old pixel (x, y) of a w×h canvas lands.
    using Map = std::function<Point(int x, int y, int w, int h)>;
    struct Case {
        const char* what;
        std::function<int(Document&)> run;
        bool swaps;
        Map to;
    } cases[] = {
        {"rotate 90", [](Document& d) { return d.rotate(90.0); }, true,
         [](int x, int y, int, int h) {
             return Point{h - 1 - y, x};
         }},
        {"rotate 180", [](Document& d) { return d.rotate(180.00005); }, false,
         [](int x, int y, int w, int h) {
             return Point{w - 1 - x, h - 1 - y};
         }},
        {"rotate 270", [](Document& d) { return d.rotate(270.0); }, true,
         [](int x, int y, int w, int) {
             return Point{y, w - 1 - x};
         }},
        {"flip horizontal", [](Document& d) { return d.flip(false); }, false,
         [](int x, int y, int w, int) {
             return Point{w - 1 - x, y};
         }},
        {"flip vertical", [](Document& d) { return d.flip(true); }, false,
         [](int x, int y, int, int h) {
             return Point{x, h - 1 - y};
         }},
    };
    for (const Case& c : cases) {
        auto doc = sampleDocument();
        const Snapshot before = snapshot(*doc);
        Recorder rec;
        doc->addListener(&rec);
        ASSERT_EQ(c.run(*doc), 1) << c.what;
        doc->removeListener(&rec);
        const Size want = c.swaps ? Size{5, 7} : Size{7, 5};
        ASSERT_EQ(doc->size(), want) << c.what;
        ASSERT_EQ(rec.changes.size(), 1u);
        EXPECT_EQ(rec.changes[0].code, kChangeStructure);
        EXPECT_EQ(rec.changes[0].rect, Rect::fromSize(want));
        const Snapshot after = snapshot(*doc);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const Point p = c.to(x, y, 7, 5);
                ASSERT_EQ(after.alphaAt(p.x, p.y), before.alphaAt(x, y)) << c.what;
                ASSERT_EQ(after.colorAt(p.x, p.y), before.colorAt(x, y)) << c.what;
            }
    }
}

TEST(Geometry, OffsetsAfterRotation) {
    // A 2×1 layer at (1, 0) of a 4×3 canvas.
    struct Case {
        double angle;
        Point offset;
        Size size;
    } cases[] = {
        {90.0, {2, 1}, {1, 2}},   // (H − (y + h), x)
        {180.0, {1, 2}, {2, 1}},  // (W − (x + w), H − (y + h))
        {270.0, {0, 1}, {1, 2}},  // (y, W − (x + w))
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument(4, 3);
        RasterLayer* l = addLayer(*doc, 2, 1, grey(5), {1, 0});
        ASSERT_EQ(doc->rotate(c.angle), 1);
        EXPECT_EQ(l->offset(), c.offset) << c.angle;
        EXPECT_EQ(l->size(), c.size) << c.angle;
    }
    auto doc = emptyDocument(4, 3);
    addLayer(*doc, 2, 1, grey(5), {1, 0});
    for (double bad : {0.0, 45.0, 90.01, -90.0, 360.0}) {
        EXPECT_EQ(doc->rotate(bad), 0) << bad;
        EXPECT_EQ(doc->size(), (Size{4, 3}));
    }
}

TEST(Geometry, CropCutsLayersAndTurnsMissedOnesIntoPlaceholders) {
    auto doc = emptyDocument(10, 10);
    RasterLayer* big = addLayer(*doc, 10, 10, grey(0));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) big->pixels().pixels(y)[x] = grey(10 * y + x);
    RasterLayer* corner = addLayer(*doc, 2, 2, grey(1), {8, 8}, 128);
    doc->layers().setName(corner, "Corner");
    doc->layers().setVisible(corner, false);
    RasterLayer* straddling = addLayer(*doc, 4, 4, grey(2), {-1, 3}, 77);
    doc->layers().newEmptyLayer();
    doc->layers().setActiveLayer(corner);

    ASSERT_EQ(doc->crop(Rect{6, 7, 1, 2}), 1);  // reversed edges are normalised
    EXPECT_EQ(doc->size(), (Size{5, 5}));
    LayerStack& s = doc->layers();
    ASSERT_EQ(s.count(), 4);
    // The big layer is cut to the rectangle and moved to its origin.
    EXPECT_EQ(big->size(), (Size{5, 5}));
    EXPECT_EQ(big->offset(), (Point{0, 0}));
    EXPECT_EQ(big->pixels().pixels(0)[0], grey(21));
    // The corner layer missed the rectangle: a placeholder with its name and visibility, and the
    // active layer follows it.
    const LayerItem* placeholder = s.layerAt(1);
    EXPECT_FALSE(placeholder->hasProperties());
    EXPECT_EQ(placeholder->name(), "Corner");
    EXPECT_FALSE(placeholder->isVisible());
    EXPECT_EQ(s.activeIndex(), 1);
    // The straddling layer keeps the part inside, with its plane cut alike.
    EXPECT_EQ(straddling->canvasBounds(), (Rect{0, 1, 2, 5}));
    EXPECT_EQ(straddling->transparency()->size(), (Size{2, 4}));
    EXPECT_EQ(straddling->transparency()->row(3)[1], 77);
    EXPECT_EQ(doc->composite()->size(), (Size{5, 5}));
    EXPECT_EQ(doc->composite()->color().pixels(0)[4], grey(25));

    EXPECT_EQ(doc->crop(Rect{20, 20, 30, 30}), 0);
    EXPECT_EQ(doc->crop(Rect{2, 2, 2, 4}), 0);
    EXPECT_EQ(doc->size(), (Size{5, 5}));
}

TEST(Geometry, FailuresChangeNothing) {
    auto doc = sampleDocument();
    const Snapshot before = snapshot(*doc);
    const Rect bounds1 = doc->layers().layerAt(1)->canvasBounds();
    platform::failNextAllocations(1);
    EXPECT_EQ(doc->rotate(90.0), 0);
    // Mirroring works in place: it needs no memory, so it cannot fail part-way. Twice restores.
    platform::failNextAllocations(1);
    EXPECT_EQ(doc->flip(false), 1);
    EXPECT_EQ(doc->flip(false), 1);
    platform::failNextAllocations(1);
    EXPECT_EQ(doc->crop(Rect{1, 1, 4, 4}), 0);
    platform::failNextAllocations(0);
    EXPECT_EQ(doc->size(), (Size{7, 5}));
    EXPECT_EQ(doc->layers().layerAt(1)->canvasBounds(), bounds1);
    const Snapshot after = snapshot(*doc);
    EXPECT_EQ(after.color, before.color);
    EXPECT_EQ(after.alpha, before.alpha);
}

}  // namespace
}  // namespace varnel
