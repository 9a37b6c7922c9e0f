#include "document/layer_ops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/blend_modes.h"
#include "doc_fixtures.h"
#include "document/selection.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;
using testing::planeStore;
using testing::Recorder;
using testing::solidStore;

// A background of the canvas size in one colour, at the bottom.
RasterLayer* addBackground(Document& doc, Bgr c) {
    ColorImage img(solidStore(doc.width(), doc.height(), c));
    RasterLayer* bg = doc.layers().adoptBackground(img, true, {});
    EXPECT_NE(bg, nullptr);
    return bg;
}

std::vector<std::string> names(const Document& doc) {
    return doc.layers().names();
}

// The composite's colour (where opaque) and alpha at every pixel, to compare before and after.
struct Snapshot {
    std::vector<int> alpha;
    std::vector<Bgr> colour;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};
Snapshot snapshot(Document& doc) {
    Snapshot s;
    const DocumentComposite* c = doc.composite();
    for (int y = 0; y < doc.height(); ++y)
        for (int x = 0; x < doc.width(); ++x) {
            const int a = c->alpha().row(y)[x];
            s.alpha.push_back(a);
            s.colour.push_back(a ? c->color().pixels(y)[x] : Bgr{});
        }
    return s;
}

TEST(LayerOps, NewDuplicateDelete) {
    auto doc = emptyDocument(4, 4);
    RasterLayer* bg = addBackground(*doc, grey(9));
    LayerProperties props{"Clouds", 2, 128};
    EmptyLayer* clouds = newLayer(*doc, props);
    ASSERT_NE(clouds, nullptr);
    EXPECT_EQ(clouds->blendMode(), 2);
    EXPECT_EQ(clouds->masterOpacity(), 128);
    EXPECT_EQ(doc->layers().activeLayer(), clouds);
    EXPECT_NE(newLayer(*doc, {}), nullptr);  // unnamed: the layer-name rule
    EXPECT_EQ(names(*doc), (std::vector<std::string>{"Background", "Clouds", "Layer 1"}));

    // A copy of the background is not a background and goes above the active layer.
    ASSERT_EQ(doc->layers().setActiveLayer(bg), 1);
    LayerItem* copy = duplicateLayer(*doc, "");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->name(), "Background copy");
    EXPECT_FALSE(copy->isBackground());
    EXPECT_EQ(doc->layers().indexOf(copy), 1);
    EXPECT_EQ(duplicateLayer(*doc, "Named")->name(), "Named");

    // Deleting the active layer makes the one now at its index active; undo puts it back.
    ASSERT_EQ(doc->layers().setActiveLayer(copy), 1);
    DeletedLayer gone = deleteLayer(*doc);
    ASSERT_NE(gone.layer, nullptr);
    EXPECT_EQ(gone.index, 1);
    EXPECT_EQ(doc->layers().activeIndex(), 1);
    EXPECT_EQ(doc->layers().activeLayer()->name(), "Named");
    ASSERT_EQ(doc->layers().reinsert(std::move(gone.layer), gone.index), 1);
    EXPECT_EQ(names(*doc), (std::vector<std::string>{"Background", "Background copy", "Named",
                                                     "Clouds", "Layer 1"}));
    // Deleting the top layer makes the new top active.
    ASSERT_EQ(doc->layers().setActiveLayer(doc->layers().layerAt(4)), 1);
    ASSERT_NE(deleteLayer(*doc).layer, nullptr);
    EXPECT_EQ(doc->layers().activeIndex(), 3);
    auto none = emptyDocument(2, 2);
    EXPECT_EQ(deleteLayer(*none).layer, nullptr);
    EXPECT_EQ(duplicateLayer(*none, ""), nullptr);
}

TEST(LayerOps, PropertyChangesOnlyWhenTheyDiffer) {
    auto doc = emptyDocument(4, 4);
    RasterLayer* layer = addLayer(*doc, 2, 2, grey(1), {1, 1});
    Recorder rec;
    doc->addListener(&rec);
    EXPECT_EQ(changeBlendMode(*doc, layer, 0), 0);   // already Normal
    EXPECT_EQ(changeBlendMode(*doc, layer, 19), 0);  // no such mode
    EXPECT_EQ(changeMasterOpacity(*doc, layer, 255), 0);
    EXPECT_TRUE(rec.changes.empty());
    EXPECT_EQ(changeBlendMode(*doc, layer, 4), 1);
    EXPECT_EQ(changeMasterOpacity(*doc, layer, 10), 1);
    EXPECT_EQ(renameLayer(*doc, layer, "Sky"), 1);
    ASSERT_EQ(rec.changes.size(), 3u);
    EXPECT_EQ(rec.changes[0].code, kChangeBlendMode);
    EXPECT_EQ(rec.changes[1].code, kChangeOpacity);
    EXPECT_EQ(rec.changes[2].code, kChangeName);
    EXPECT_EQ(rec.changes[0].rect, (Rect{1, 1, 3, 3}));
    EXPECT_EQ(layer->blendMode(), 4);
    EXPECT_EQ(layer->masterOpacity(), 10);
    // A placeholder has no properties.
    auto item = std::make_unique<LayerItem>("Gone");
    LayerItem* placeholder = doc->layers().insert(std::move(item), -1);
    EXPECT_EQ(changeBlendMode(*doc, placeholder, 3), 0);
    EXPECT_EQ(changeMasterOpacity(*doc, placeholder, 3), 0);
    doc->removeListener(&rec);
}

TEST(LayerOps, EnabledStates) {
    auto doc = emptyDocument(4, 4);
    EXPECT_FALSE(hasActiveLayer(*doc));
    EXPECT_FALSE(canFill(*doc));
    EXPECT_FALSE(canDeleteLayer(*doc));
    RasterLayer* bg = addBackground(*doc, grey(0));
    EXPECT_FALSE(canFlatten(*doc));  // a single background
    // The only layer is never deleted.
    EXPECT_FALSE(canDeleteLayer(*doc));
    EXPECT_EQ(deleteLayer(*doc).layer, nullptr);
    EXPECT_EQ(doc->layers().activeLayer(), bg);
    EXPECT_FALSE(canMergeVisible(*doc));
    EXPECT_FALSE(canMergeDown(*doc, 1));  // the bottom layer
    RasterLayer* a = addLayer(*doc, 2, 2, grey(5));
    EXPECT_TRUE(canDeleteLayer(*doc));
    EXPECT_TRUE(canFlatten(*doc));
    EXPECT_TRUE(canMergeVisible(*doc));
    EXPECT_TRUE(canMergeDown(*doc, 1));
    EXPECT_FALSE(canMergeDown(*doc, 2));
    EXPECT_TRUE(canMergeLayers(*doc, {bg, a}));
    EXPECT_FALSE(canMergeLayers(*doc, {a}));
    SelectionArea none;
    GrayMap m(planeStore(2, 2, 255));
    SelectionArea some{{0, 0, 2, 2}, &m};
    EXPECT_FALSE(canClear(*doc, none));
    EXPECT_TRUE(canClear(*doc, some));
    doc->layers().setVisible(bg, false);
    EXPECT_FALSE(canMergeDown(*doc, 1));  // the layer below is hidden
    EXPECT_FALSE(canMergeVisible(*doc));  // only one visible
    doc->layers().setVisible(a, false);
    EXPECT_FALSE(canMergeLayers(*doc, {bg, a}));
    EXPECT_FALSE(canClear(*doc, some));
    EXPECT_FALSE(canFill(*doc));
    // An empty layer is not a raster layer: nothing to clear or fill.
    newLayer(*doc, {});
    EXPECT_FALSE(canFill(*doc));
    EXPECT_FALSE(canClear(*doc, some));
}

TEST(LayerOps, MergeVisibleWithOneLayerShowing) {
    auto doc = emptyDocument(6, 6);
    RasterLayer* lower = addLayer(*doc, 3, 3, grey(50), {1, 1}, -1, 3, 200);
    newLayer(*doc, {});                                                // visible but empty
    RasterLayer* faded = addLayer(*doc, 2, 2, grey(9), {}, -1, 0, 0);  // opacity 0
    ASSERT_EQ(doc->layers().count(), 3);
    RasterLayer* result = mergeVisible(*doc);
    ASSERT_EQ(result, lower);
    EXPECT_EQ(doc->layers().count(), 1);
    EXPECT_EQ(lower->name(), "Layer 1");
    EXPECT_EQ(lower->blendMode(), 3);
    EXPECT_EQ(lower->masterOpacity(), 200);
    EXPECT_EQ(doc->layers().activeLayer(), lower);
    (void)faded;
}

TEST(LayerOps, MergeDownOverTheBackground) {
    auto doc = emptyDocument(5, 4);
    addBackground(*doc, grey(100));
    // Reaches beyond the canvas on the right and the bottom, half transparent.
    addLayer(*doc, 4, 4, grey(200), {3, 2}, 128);
    const Snapshot before = snapshot(*doc);
    Recorder rec;
    doc->addListener(&rec);
    RasterLayer* merged = mergeDown(*doc);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(doc->layers().count(), 1);
    EXPECT_EQ(merged->name(), "Background");
    EXPECT_TRUE(merged->isBackground());
    EXPECT_EQ(doc->layers().indexOf(merged), 0);
    EXPECT_EQ(merged->canvasBounds(), (Rect{0, 0, 5, 4}));
    EXPECT_FALSE(merged->hasTransparency());
    EXPECT_EQ(merged->blendMode(), 0);
    EXPECT_EQ(merged->masterOpacity(), 255);
    EXPECT_EQ(snapshot(*doc), before);
    EXPECT_FALSE(rec.changes.empty());
    doc->removeListener(&rec);
}

TEST(LayerOps, MergeDownOfOffsetLayersCoversTheirUnion) {
    auto doc = emptyDocument(10, 10);
    addLayer(*doc, 3, 2, grey(10), {1, 1});
    doc->layers().setName(doc->layers().layerAt(0), "Lower");
    addLayer(*doc, 2, 3, grey(240), {5, 4}, -1, 1 /* Multiply */);
    const Snapshot before = snapshot(*doc);
    RasterLayer* merged = mergeDown(*doc);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(merged->name(), "Lower");
    EXPECT_FALSE(merged->isBackground());
    EXPECT_EQ(merged->canvasBounds(), (Rect{1, 1, 7, 7}));
    ASSERT_TRUE(merged->hasTransparency());
    EXPECT_EQ(merged->transparency()->row(0)[0], 255);  // the lower layer
    EXPECT_EQ(merged->transparency()->row(0)[5], 0);    // neither covers
    EXPECT_EQ(merged->transparency()->row(5)[5], 255);  // the upper layer
    EXPECT_EQ(snapshot(*doc), before);
}

TEST(LayerOps, MergeKeepsTheCompositeAcrossModesAndOpacities) {
    auto doc = emptyDocument(7, 5);
    addBackground(*doc, {30, 90, 150});
    addLayer(*doc, 4, 3, {200, 20, 70}, {1, 1}, 170, 3 /* Overlay */, 200);
    addLayer(*doc, 5, 5, {5, 250, 128}, {3, -1}, 90, 12 /* Difference */, 255);
    RasterLayer* hidden = addLayer(*doc, 7, 5, grey(0));
    doc->layers().setVisible(hidden, false);
    const Snapshot before = snapshot(*doc);
    // Merge Layers with the hidden layer among them: it is deleted, the picture stays.
    std::vector<LayerItem*> all;
    for (int i = 3; i >= 0; --i) all.push_back(doc->layers().layerAt(i));  // any order
    RasterLayer* merged = mergeLayers(*doc, all);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(doc->layers().count(), 1);
    EXPECT_TRUE(merged->isBackground());
    EXPECT_EQ(snapshot(*doc), before);
}

TEST(LayerOps, MergeWithTheUpperLayerAtOpacityZero) {
    auto doc = emptyDocument(4, 4);
    RasterLayer* lower = addLayer(*doc, 2, 2, grey(60));
    addLayer(*doc, 2, 2, grey(70), {}, -1, 0, 0);
    ASSERT_EQ(mergeDown(*doc), lower);
    EXPECT_EQ(doc->layers().count(), 1);
    EXPECT_EQ(lower->pixels().pixels(0)[0], grey(60));
}

TEST(LayerOps, MergeOfLayersThatDoNotShowFails) {
    auto doc = emptyDocument(4, 4);
    RasterLayer* a = addLayer(*doc, 2, 2, grey(60));
    RasterLayer* b = addLayer(*doc, 2, 2, grey(70));
    doc->layers().setVisible(a, false);
    doc->layers().setVisible(b, false);
    EXPECT_EQ(mergeLayers(*doc, {a, b}), nullptr);
    EXPECT_EQ(doc->layers().count(), 2);
    // A layer from another document is refused.
    auto other = emptyDocument(4, 4);
    RasterLayer* stranger = addLayer(*other, 1, 1, grey(1));
    EXPECT_EQ(mergeLayers(*doc, {a, stranger}), nullptr);
    EXPECT_EQ(doc->layers().count(), 2);
}

// Every merge puts its result where the topmost merged layer was: layers above it stay above,
// and layers between the merged ones (hidden, or not chosen) end up below it. The layers overlap,
// each opaque over the one below, so a result placed above an unmerged visible layer would cover
// it and change the picture.
TEST(LayerOps, MergedLayerTakesThePlaceOfTheTopmostMergedLayer) {
    enum class Merge { Down, Visible, Layers };
    struct LayerSetup {
        const char* name;
        int grey;
        bool visible = true;
        bool background = false;
    };
    struct Case {
        const char* what;
        std::vector<LayerSetup> stack;  // bottom first
        int active;
        Merge merge;
        std::vector<int> chosen;  // Merge Layers
        std::vector<std::string> after;
        const char* activeAfter;
        bool pictureKept;
    } cases[] = {
        {"merge down below the top",
         {{"Base", 10}, {"A", 50}, {"B", 100}, {"C", 200}},
         2,
         Merge::Down,
         {},
         {"Base", "A", "C"},
         "A",
         true},
        {"merge down under a hidden layer",
         {{"Base", 10}, {"A", 50}, {"B", 100}, {"H", 150, false}, {"C", 200}},
         2,
         Merge::Down,
         {},
         {"Base", "A", "H", "C"},
         "A",
         true},
        {"merge down onto the background below a layer",
         {{"Background", 10, true, true}, {"A", 50}, {"C", 200}},
         1,
         Merge::Down,
         {},
         {"Background", "C"},
         "Background",
         true},
        {"merge visible, active at the bottom, hidden layers between and on top",
         {{"Base", 10}, {"A", 50}, {"H", 150, false}, {"B", 100}, {"T", 250, false}},
         0,
         Merge::Visible,
         {},
         {"H", "Base", "T"},
         "Base",
         true},
        {"merge visible onto the background: the hidden layers stay above it",
         {{"Background", 10, true, true}, {"H", 150, false}, {"A", 50}, {"T", 250, false}},
         2,
         Merge::Visible,
         {},
         {"Background", "H", "T"},
         "Background",
         true},
        {"merge layers with a hidden layer between, below the top",
         {{"Base", 10}, {"H", 150, false}, {"B", 100}, {"C", 200}},
         3,
         Merge::Layers,
         {0, 2},
         {"H", "Base", "C"},
         "Base",
         true},
        {"merge layers apart: the layer between goes below the result",
         {{"Base", 10}, {"A", 50}, {"B", 100}, {"C", 200}, {"D", 220}},
         0,
         Merge::Layers,
         {1, 3},
         {"Base", "B", "A", "D"},
         "A",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = emptyDocument(8, 1);
        std::vector<LayerItem*> layers;
        for (size_t i = 0; i < c.stack.size(); ++i) {
            const LayerSetup& l = c.stack[i];
            RasterLayer* layer = l.background ? addBackground(*doc, grey(l.grey))
                                              : addLayer(*doc, 4, 1, grey(l.grey), {int(i), 0});
            ASSERT_NE(layer, nullptr);
            doc->layers().setName(layer, l.name);
            doc->layers().setVisible(layer, l.visible);
            layers.push_back(layer);
        }
        ASSERT_EQ(doc->layers().setActiveLayer(layers[size_t(c.active)]), 1);
        const Snapshot before = snapshot(*doc);
        RasterLayer* merged = nullptr;
        switch (c.merge) {
            case Merge::Down:
                merged = mergeDown(*doc);
                break;
            case Merge::Visible:
                merged = mergeVisible(*doc);
                break;
            case Merge::Layers: {
                std::vector<LayerItem*> chosen;
                for (int i : c.chosen) chosen.push_back(layers[size_t(i)]);
                merged = mergeLayers(*doc, chosen);
                break;
            }
        }
        ASSERT_NE(merged, nullptr);
        EXPECT_EQ(names(*doc), c.after);
        EXPECT_EQ(doc->layers().activeLayer(), merged);
        EXPECT_EQ(merged->name(), c.activeAfter);
        if (c.pictureKept) {
            EXPECT_EQ(snapshot(*doc), before);
        }
    }
}

TEST(LayerOps, FlattenLaysTransparencyOverWhite) {
    auto doc = emptyDocument(3, 2);
    RasterLayer* only = addLayer(*doc, 3, 2, grey(40), {}, 255);
    only->masks()->transparency()->row(0)[0] = 0;
    only->masks()->transparency()->row(0)[1] = 128;
    addLayer(*doc, 1, 1, grey(90), {2, 1});
    doc->invalidate(doc->bounds());
    ASSERT_EQ(flattenImage(*doc), 1);
    ASSERT_EQ(doc->layers().count(), 1);
    const RasterLayer* bg = doc->layers().rasterAt(0);
    ASSERT_NE(bg, nullptr);
    EXPECT_TRUE(bg->isBackground());
    EXPECT_EQ(bg->name(), "Background");
    EXPECT_FALSE(bg->hasTransparency());
    EXPECT_EQ(bg->pixels().pixels(0)[0], grey(255));
    EXPECT_EQ(bg->pixels().pixels(0)[1], grey(40 + ((127 * (255 - 40)) >> 8)));
    EXPECT_EQ(bg->pixels().pixels(1)[2], grey(90));
    EXPECT_TRUE(doc->isOpaque());
    EXPECT_FALSE(canFlatten(*doc));
}

TEST(LayerOps, ClearOnTheBackgroundMixesTheColourAndUndoes) {
    auto doc = emptyDocument(6, 4);
    addBackground(*doc, grey(0));
    // A feathered selection: full at (4, 1), half at (5, 1).
    Selection sel(doc->size());
    GrayMap m(planeStore(6, 4, 0));
    m.row(1)[4] = 255;
    m.row(1)[5] = 128;
    ASSERT_EQ(sel.loadMask(m), 1);
    ClearRecord record;
    ASSERT_EQ(clearSelection(*doc, sel.area(), makeRgb(255, 255, 255), record), 1);
    const RasterLayer* bg = doc->layers().rasterAt(0);
    EXPECT_EQ(bg->pixels().pixels(1)[4], grey(255));
    EXPECT_EQ(bg->pixels().pixels(1)[5], grey((128 * 255) >> 8));
    EXPECT_EQ(bg->pixels().pixels(1)[3], grey(0));
    EXPECT_FALSE(bg->hasTransparency());
    ASSERT_EQ(undoClear(*doc, record), 1);
    EXPECT_EQ(bg->pixels().pixels(1)[4], grey(0));
    EXPECT_EQ(bg->pixels().pixels(1)[5], grey(0));
}

TEST(LayerOps, ClearOnALayerClearsItsTransparencyAndUndoes) {
    for (bool hadPlane : {false, true}) {
        SCOPED_TRACE(hadPlane);
        auto doc = emptyDocument(6, 6);
        // The layer hangs over the canvas's top-left corner.
        RasterLayer* layer = addLayer(*doc, 4, 4, grey(80), {-2, -2}, hadPlane ? 200 : -1);
        Selection sel(doc->size());
        ASSERT_EQ(sel.setShape({-3, -3, 1, 1}, false), 1);  // cut to (0, 0, 1, 1)
        ClearRecord record;
        ASSERT_EQ(clearSelection(*doc, sel.area(), 0, record), 1);
        ASSERT_TRUE(layer->hasTransparency());
        EXPECT_EQ(layer->transparency()->row(2)[2], 0);
        EXPECT_EQ(layer->transparency()->row(3)[3], hadPlane ? 200 : 255);
        EXPECT_EQ(doc->composite()->alpha().row(0)[0], 0);
        EXPECT_EQ(record.createdPlane, !hadPlane);
        ASSERT_EQ(undoClear(*doc, record), 1);
        EXPECT_EQ(layer->hasTransparency(), hadPlane);
        if (hadPlane) {
            EXPECT_EQ(layer->transparency()->row(2)[2], 200);
        }
        EXPECT_EQ(doc->composite()->alpha().row(0)[0], hadPlane ? 200 : 255);
    }
    // A selection that misses the layer clears nothing and fails.
    auto doc = emptyDocument(6, 6);
    RasterLayer* layer = addLayer(*doc, 2, 2, grey(80));
    Selection sel(doc->size());
    ASSERT_EQ(sel.setShape({4, 4, 6, 6}, false), 1);
    ClearRecord record;
    EXPECT_EQ(clearSelection(*doc, sel.area(), 0, record), 0);
    EXPECT_FALSE(layer->hasTransparency());
    EXPECT_EQ(layer->masks() != nullptr, true);
}

TEST(LayerOps, FillKeepsTheLayerForUndo) {
    auto doc = emptyDocument(5, 5);
    RasterLayer* layer = addLayer(*doc, 2, 2, grey(10), {1, 1});
    Selection sel(doc->size());
    ASSERT_EQ(sel.setShape({0, 0, 3, 3}, false), 1);
    FillSettings fill;
    fill.color = grey(250);
    std::unique_ptr<LayerItem> before;
    ASSERT_EQ(fillSelection(*doc, fill, sel.area(), &before), 1);
    ASSERT_NE(before, nullptr);
    // The layer grew to the canvas to take the fill.
    EXPECT_EQ(layer->canvasBounds(), (Rect{0, 0, 5, 5}));
    EXPECT_EQ(doc->composite()->color().pixels(0)[0], grey(250));
    EXPECT_EQ(doc->composite()->alpha().row(4)[4], 0);
    ASSERT_EQ(doc->layers().replaceContent(0, static_cast<const RasterLayer&>(*before)), 1);
    EXPECT_EQ(layer->canvasBounds(), (Rect{1, 1, 3, 3}));
    EXPECT_EQ(doc->composite()->alpha().row(0)[0], 0);
    EXPECT_EQ(doc->composite()->color().pixels(1)[1], grey(10));

    // A layer hanging over the canvas's corner, filled through a selection cut by the canvas:
    // its part off the canvas keeps its pixels.
    auto off = emptyDocument(5, 5);
    RasterLayer* hanging = addLayer(*off, 4, 4, grey(10), {-2, -2});
    Selection corner(off->size());
    ASSERT_EQ(corner.setShape({-1, -1, 3, 3}, false), 1);
    ASSERT_EQ(fillSelection(*off, fill, corner.area()), 1);
    EXPECT_EQ(hanging->canvasBounds(), (Rect{-2, -2, 5, 5}));
    EXPECT_EQ(hanging->pixels().pixels(0)[0], grey(10));
    EXPECT_EQ(hanging->pixels().pixels(2)[2], grey(250));
    EXPECT_EQ(off->composite()->color().pixels(2)[2], grey(250));
}

}  // namespace
}  // namespace varnel
