#include "document/layer_stack.h"

#include <gtest/gtest.h>

#include "core/blend_modes.h"
#include "doc_fixtures.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;
using testing::Recorder;
using testing::solidStore;

std::vector<std::string> namesOf(const LayerStack& s) {
    return s.names();
}

TEST(LayerStack, InsertionPositionsAndActiveLayer) {
    auto doc = emptyDocument(10, 10);
    LayerStack& s = doc->layers();
    EXPECT_EQ(s.activeIndex(), -1);
    s.newEmptyLayer();  // Layer 1, on top of nothing
    s.newEmptyLayer();  // Layer 2, above the active one
    EXPECT_EQ(namesOf(s), (std::vector<std::string>{"Layer 1", "Layer 2"}));
    EXPECT_EQ(s.activeIndex(), 1);

    // With the bottom layer active a new layer goes directly above it, not on top.
    s.setActiveLayer(s.layerAt(0));
    s.newEmptyLayer();
    EXPECT_EQ(namesOf(s), (std::vector<std::string>{"Layer 1", "Layer 3", "Layer 2"}));
    EXPECT_EQ(s.activeIndex(), 1);

    // A background always goes to the bottom.
    s.newBackground(makeRgb(1, 2, 3));
    EXPECT_EQ(s.layerAt(0)->name(), "Background");
    EXPECT_TRUE(s.isBackgroundAt(0));
    EXPECT_EQ(s.activeIndex(), 0);
    EXPECT_TRUE(s.hasBackground());
    EXPECT_EQ(s.firstBackground(), s.layerAt(0));

    // Explicit indices are clamped to the count.
    auto extra = std::make_unique<EmptyLayer>("Top");
    EXPECT_NE(s.insert(std::move(extra), 99), nullptr);
    EXPECT_EQ(s.layerAt(s.count() - 1)->name(), "Top");
    EXPECT_EQ(s.activeLayer()->name(), "Top");
    EXPECT_EQ(s.layerAt(-1), nullptr);
    EXPECT_EQ(s.layerAt(s.count()), nullptr);
    EXPECT_FALSE(s.isRasterAt(99));
}

TEST(LayerStack, RemovalMovesTheActiveLayer) {
    auto doc = emptyDocument(4, 4);
    LayerStack& s = doc->layers();
    for (int i = 0; i < 3; ++i) s.newEmptyLayer();
    // Removing the active top layer makes the new top layer active.
    EXPECT_EQ(s.removeAt(2), 1);
    EXPECT_EQ(s.activeLayer()->name(), "Layer 2");
    // Removing an active middle layer activates the one now at its index.
    s.newEmptyLayer();  // Layer 3 on top
    s.setActiveLayer(s.layerAt(1));
    EXPECT_EQ(s.removeAt(1), 1);
    EXPECT_EQ(s.activeLayer()->name(), "Layer 3");
    // Removing a layer that is not active keeps the active one.
    EXPECT_EQ(s.removeAt(0), 1);
    EXPECT_EQ(s.activeLayer()->name(), "Layer 3");
    // Removing the only layer leaves none active.
    EXPECT_EQ(s.removeAt(0), 1);
    EXPECT_EQ(s.activeLayer(), nullptr);
    EXPECT_EQ(s.activeIndex(), -1);
    EXPECT_EQ(s.removeAt(0), 0);
}

TEST(LayerStack, DetachAndReinsert) {
    auto doc = emptyDocument(4, 4);
    LayerStack& s = doc->layers();
    for (int i = 0; i < 3; ++i) s.newEmptyLayer();
    std::unique_ptr<LayerItem> kept = s.detachAt(1);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->name(), "Layer 2");
    EXPECT_EQ(s.count(), 2);
    LayerItem* raw = kept.get();
    EXPECT_EQ(s.reinsert(std::move(kept), 1), 1);
    EXPECT_EQ(s.layerAt(1), raw);
    EXPECT_EQ(s.activeLayer(), raw);
    EXPECT_EQ(s.layerAt(1)->stack(), &s);
    // A null layer is refused.
    std::unique_ptr<LayerItem> none;
    EXPECT_EQ(s.reinsert(std::move(none), 0), 0);
}

TEST(LayerStack, ReplaceAtAndQuietInsertion) {
    auto doc = emptyDocument(4, 4);
    LayerStack& s = doc->layers();
    for (int i = 0; i < 3; ++i) s.newEmptyLayer();
    s.setActiveLayer(s.layerAt(1));
    Recorder rec;
    doc->addListener(&rec);
    // The slot takes the new item, the active layer follows it, and the old one leaves the stack.
    auto placeholder = std::make_unique<LayerItem>("Stand-in");
    LayerItem* raw = placeholder.get();
    std::unique_ptr<LayerItem> old = s.replaceAt(1, std::move(placeholder));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->name(), "Layer 2");
    EXPECT_EQ(old->stack(), nullptr);
    EXPECT_EQ(s.layerAt(1), raw);
    EXPECT_EQ(s.activeLayer(), raw);
    EXPECT_EQ(raw->stack(), &s);
    // Refusals change nothing: a bad index, no item, an item already in the stack.
    auto spare = std::make_unique<LayerItem>();
    EXPECT_EQ(s.replaceAt(3, std::move(spare)), nullptr);
    EXPECT_NE(spare, nullptr) << "the caller keeps a refused item";
    std::unique_ptr<LayerItem> none;
    EXPECT_EQ(s.replaceAt(0, std::move(none)), nullptr);
    EXPECT_EQ(s.count(), 3);
    EXPECT_EQ(s.layerAt(1), raw);
    // Putting the old layer back without a record, then with one.
    std::unique_ptr<LayerItem> again = s.replaceAt(1, std::move(old));
    EXPECT_EQ(again.get(), raw);
    EXPECT_TRUE(s.reserve(4));
    EXPECT_NE(s.insert(std::move(again), 0, false), nullptr);
    EXPECT_TRUE(rec.changes.empty()) << "replaceAt and a quiet insertion send nothing";
    EXPECT_NE(s.insert(std::make_unique<LayerItem>(), 0), nullptr);
    EXPECT_EQ(rec.changes.size(), 1u);
    doc->removeListener(&rec);
}

TEST(LayerStack, NewLayersAreNamedByTheRule) {
    auto doc = emptyDocument(4, 4);
    LayerStack& s = doc->layers();
    s.newBackground(0);
    ColorImage px(solidStore(2, 2, grey(1)));
    s.newRasterLayer(px, nullptr, {}, "Layer 5", false);
    s.newRasterLayer(px, nullptr, {}, "Layer x", false);
    s.newRasterLayer(px, nullptr, {}, "", false);
    EXPECT_EQ(s.activeLayer()->name(), "Layer 6");
    // With properties the dialog's name, mode and opacity are taken.
    LayerProperties props{"Glow", kBlendScreen, 77};
    EmptyLayer* glow = s.newEmptyLayer(&props);
    ASSERT_NE(glow, nullptr);
    EXPECT_EQ(glow->name(), "Glow");
    EXPECT_EQ(glow->blendMode(), kBlendScreen);
    EXPECT_EQ(glow->masterOpacity(), 77);
    LayerProperties bad{"Bad", 19, 255};
    EXPECT_EQ(s.newEmptyLayer(&bad), nullptr);
}

TEST(LayerStack, NewRasterLayerKeepsTransparencyOnlyWhenPartial) {
    auto doc = emptyDocument(4, 4);
    LayerStack& s = doc->layers();
    ColorImage px(solidStore(3, 2, grey(9)));
    GrayMap opaque(testing::planeStore(3, 2, 255));
    GrayMap partial(testing::planeStore(3, 2, 255));
    partial.row(1)[2] = 10;
    GrayMap wrongSize(testing::planeStore(2, 2, 0));

    RasterLayer* a = s.newRasterLayer(px, &opaque, {1, 1}, "", false);
    RasterLayer* b = s.newRasterLayer(px, &partial, {}, "", false);
    RasterLayer* c = s.newRasterLayer(px, &wrongSize, {}, "", false);
    ASSERT_TRUE(a && b && c);
    EXPECT_FALSE(a->hasTransparency());
    ASSERT_TRUE(b->hasTransparency());
    EXPECT_EQ(b->transparency()->row(1)[2], 10);
    EXPECT_FALSE(c->hasTransparency());
    EXPECT_EQ(a->offset(), (Point{1, 1}));
    EXPECT_EQ(a->canvasBounds(), (Rect{1, 1, 4, 3}));
    // The pixels are a copy.
    px.pixels(0)[0] = grey(200);
    EXPECT_EQ(a->pixels().pixels(0)[0], grey(9));
    // Planes of another size than the pixels are refused on adoption, and nothing is taken.
    auto masks = std::make_unique<LayerMaskSet>(2, 2);
    EXPECT_EQ(s.adoptRasterLayer(px, std::move(masks), {}), nullptr);
    EXPECT_TRUE(px.isValid());
    EXPECT_NE(masks, nullptr);
}

TEST(LayerStack, DuplicateIsNeverABackground) {
    auto doc = emptyDocument(4, 4);
    LayerStack& s = doc->layers();
    RasterLayer* bg = s.newBackground(makeRgb(5, 6, 7));
    s.setMasterOpacity(bg, 200);
    EXPECT_EQ(s.duplicateName("Background"), "Background copy");
    LayerItem* copy = s.duplicate(bg, s.duplicateName(bg->name()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->name(), "Background copy");
    EXPECT_FALSE(copy->isBackground());
    EXPECT_EQ(s.indexOf(copy), 1);
    auto* raster = static_cast<RasterLayer*>(copy);
    EXPECT_EQ(raster->masterOpacity(), 200);
    EXPECT_EQ(raster->pixels().pixels(3)[3], (Bgr{7, 6, 5}));
    // The clone owns its pixels.
    raster->pixels().pixels(0)[0] = grey(0);
    EXPECT_EQ(bg->pixels().pixels(0)[0], (Bgr{7, 6, 5}));
}

TEST(LayerStack, ReplaceContentCopiesEverythingButVisibility) {
    auto doc = emptyDocument(8, 8);
    LayerStack& s = doc->layers();
    RasterLayer* target = addLayer(*doc, 2, 2, grey(1), {0, 0});
    RasterLayer* source = addLayer(*doc, 3, 3, grey(2), {4, 4}, 128, kBlendDifference, 90);
    s.setName(source, "Source");
    s.setVisible(target, false);
    Recorder rec;
    doc->addListener(&rec);
    EXPECT_EQ(s.replaceContent(0, *source), 1);
    EXPECT_EQ(target->name(), "Source");
    EXPECT_EQ(target->offset(), (Point{4, 4}));
    EXPECT_EQ(target->blendMode(), kBlendDifference);
    EXPECT_EQ(target->masterOpacity(), 90);
    EXPECT_EQ(target->size(), (Size{3, 3}));
    EXPECT_EQ(target->transparency()->row(0)[0], 128);
    EXPECT_FALSE(target->isVisible());
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].code, kChangeStructure);
    // An empty layer is not a raster layer: nothing to replace.
    s.newEmptyLayer();
    EXPECT_EQ(s.replaceContent(s.count() - 1, *source), 0);
    doc->removeListener(&rec);
}

TEST(LayerStack, PropertySettersSendTheirCodes) {
    auto doc = emptyDocument(10, 10);
    LayerStack& s = doc->layers();
    RasterLayer* layer = addLayer(*doc, 4, 4, grey(1), {8, 8});
    LayerItem placeholder_owner;
    Recorder rec;
    doc->addListener(&rec);
    EXPECT_EQ(s.setName(layer, "A"), 1);
    EXPECT_EQ(s.setBlendMode(layer, kBlendScreen), 1);
    EXPECT_EQ(s.setMasterOpacity(layer, 10), 1);
    EXPECT_EQ(s.setVisible(layer, false), 1);
    EXPECT_EQ(s.setVisible(layer, true, false), 1);
    EXPECT_EQ(s.setBlendMode(layer, 19), 0);
    EXPECT_EQ(s.setBlendMode(layer, -1), 0);
    EXPECT_EQ(s.setName(&placeholder_owner, "x"), 0);  // not in this stack
    ASSERT_EQ(rec.changes.size(), 4u);
    const int32_t codes[] = {kChangeName, kChangeBlendMode, kChangeOpacity, kChangeVisibility};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(rec.changes[i].code, codes[i]);
        EXPECT_EQ(rec.changes[i].layer, layer);
        EXPECT_EQ(rec.changes[i].document, doc.get());
        // The layer's bounds clipped to the canvas, even when it is being hidden.
        EXPECT_EQ(rec.changes[i].rect, (Rect{8, 8, 10, 10}));
    }
    doc->removeListener(&rec);
}

TEST(LayerStack, PlaceholdersHaveNoProperties) {
    auto doc = emptyDocument(4, 4);
    LayerStack& s = doc->layers();
    LayerItem* p = s.insert(std::make_unique<LayerItem>("Gone"), -1);
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->hasProperties());
    EXPECT_TRUE(p->isEmpty());
    EXPECT_EQ(p->kind(), kLayerKindEmpty);
    EXPECT_EQ(s.setBlendMode(p, kBlendScreen), 0);
    EXPECT_EQ(s.setMasterOpacity(p, 3), 0);
    EXPECT_EQ(s.setVisible(p, false), 1);
    EXPECT_FALSE(p->isVisible());
}

TEST(LayerStack, IsOpaque) {
    struct Case {
        const char* what;
        Size size;
        Point offset;
        int alpha, opacity;
        bool visible, expected;
    } cases[] = {
        {"covering, opaque", {6, 6}, {0, 0}, -1, 255, true, true},
        {"larger than the canvas", {8, 8}, {-1, -1}, -1, 255, true, true},
        {"short of the canvas", {6, 5}, {0, 0}, -1, 255, true, false},
        {"shifted", {6, 6}, {1, 0}, -1, 255, true, false},
        {"with a transparency plane", {6, 6}, {0, 0}, 255, 255, true, false},
        {"below full opacity", {6, 6}, {0, 0}, -1, 254, true, false},
        {"hidden", {6, 6}, {0, 0}, -1, 255, false, false},
    };
    for (const Case& c : cases) {
        auto doc = emptyDocument(6, 6);
        addLayer(*doc, 3, 3, grey(0));  // a small layer that never makes it opaque
        RasterLayer* l = addLayer(*doc, c.size.width, c.size.height, grey(9), c.offset, c.alpha,
                                  kBlendNormal, c.opacity);
        doc->layers().setVisible(l, c.visible);
        EXPECT_EQ(doc->isOpaque(), c.expected) << c.what;
        if (c.expected) {
            EXPECT_FALSE(hasNon255(doc->composite()->alpha())) << c.what;
        }
    }
}

TEST(LayerStackMove, OrderAfterAMoveAndWhatIsRefused) {
    // Bottom first: a background and three layers.
    const struct {
        int from, to;
        bool moved;
        std::vector<std::string> names;
    } cases[] = {
        {1, 3, true, {"Background", "B", "C", "A"}},
        {3, 1, true, {"Background", "C", "A", "B"}},
        {2, 3, true, {"Background", "A", "C", "B"}},
        {0, 2, false, {"Background", "A", "B", "C"}},  // the background stays at the bottom
        {2, 0, false, {"Background", "A", "B", "C"}},  // nothing goes under the background
        {2, 2, false, {"Background", "A", "B", "C"}},
        {1, 4, false, {"Background", "A", "B", "C"}},
        {-1, 1, false, {"Background", "A", "B", "C"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from << " -> " << c.to);
        auto doc = emptyDocument(8, 8);
        LayerStack& s = doc->layers();
        ASSERT_TRUE(s.newBackground(0xFFFFFF));
        for (const char* name : {"A", "B", "C"}) s.setName(addLayer(*doc, 2, 2, grey(9)), name);
        LayerItem* active = s.layerAt(2);
        s.setActiveLayer(active);
        EXPECT_EQ(s.canMove(c.from, c.to), c.moved);
        EXPECT_EQ(s.move(c.from, c.to), c.moved ? 1 : 0);
        EXPECT_EQ(namesOf(s), c.names);
        EXPECT_EQ(s.activeLayer(), active) << "the active layer is the same layer";
    }
}

TEST(LayerStackMove, OneRecordForTheMovedLayerAndTheCompositeFollows) {
    auto doc = emptyDocument(12, 10);
    LayerStack& s = doc->layers();
    addLayer(*doc, 12, 10, grey(40));
    RasterLayer* multiply = addLayer(*doc, 6, 5, grey(200), {1, 2}, -1, kBlendMultiply);
    RasterLayer* top = addLayer(*doc, 5, 4, grey(90), {4, 3}, 128);
    ASSERT_TRUE(doc->composite());
    Recorder rec;
    doc->addListener(&rec);
    ASSERT_EQ(s.move(s.indexOf(multiply), 2), 1);
    EXPECT_EQ(s.indexOf(top), 1);
    ASSERT_EQ(rec.changes.size(), 1u);
    EXPECT_EQ(rec.changes[0].code, kChangeStructure);
    EXPECT_EQ(rec.changes[0].layer, multiply);
    EXPECT_EQ(rec.changes[0].rect, (Rect{1, 2, 7, 7}));
    doc->removeListener(&rec);

    // The composite kept up to date is the composite of the new order.
    ColorImage color;
    GrayMap alpha;
    ASSERT_EQ(color.createColor(12, 10), 1);
    ASSERT_EQ(alpha.createGray(12, 10), 1);
    ASSERT_EQ(s.composite(color, alpha, doc->bounds()), 1);
    const DocumentComposite* kept = doc->composite();
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            ASSERT_EQ(kept->color().pixels(y)[x], color.pixels(y)[x]) << x << "," << y;
            ASSERT_EQ(kept->alpha().row(y)[x], alpha.row(y)[x]) << x << "," << y;
        }
}

}  // namespace
}  // namespace varnel
