#include <gtest/gtest.h>

#include "core/blend_modes.h"
#include "doc_fixtures.h"
#include "platform/pixel_memory.h"

namespace varnel {
namespace {

using testing::addLayer;
using testing::emptyDocument;
using testing::grey;
using testing::planeStore;
using testing::Recorder;
using testing::solidStore;

// A document 8×6 with one layer 4×4 at (2, 1) whose pixel (x, y) is grey(10 x + y).
struct EditFixture {
    std::unique_ptr<Document> doc = emptyDocument(8, 6);
    RasterLayer* layer = nullptr;
    Recorder rec;
    EditFixture(int alpha = -1) {
        layer = addLayer(*doc, 4, 4, grey(0), {2, 1}, alpha);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) layer->pixels().pixels(y)[x] = grey(10 * x + y);
        doc->addListener(&rec);
    }
    ~EditFixture() { doc->removeListener(&rec); }
    LayerStack& stack() { return doc->layers(); }
};

TEST(LayerEdits, FillColourThroughAFeatheredSelection) {
    EditFixture f;
    // Selection over canvas (3, 2)-(5, 3): a 2×1 mask of 255 and 128.
    GrayMap mask(planeStore(2, 1, 255));
    mask.row(0)[1] = 128;
    SelectionArea sel{{3, 2, 5, 3}, &mask};
    EXPECT_EQ(f.stack().fillColorThroughSelection(0, sel, makeRgb(255, 255, 255)), 1);
    // Canvas (3, 2) is layer (1, 1); canvas (4, 2) is layer (2, 1).
    EXPECT_EQ(f.layer->pixels().pixels(1)[1], grey(255));
    EXPECT_EQ(f.layer->pixels().pixels(1)[2], grey(21 + ((128 * (255 - 21)) >> 8)));
    EXPECT_EQ(f.layer->pixels().pixels(1)[3], grey(31));
    ASSERT_EQ(f.rec.changes.size(), 1u);
    EXPECT_EQ(f.rec.changes[0].code, kChangePixels);
    EXPECT_EQ(f.rec.changes[0].rect, (Rect{3, 2, 5, 3}));
    EXPECT_EQ(f.doc->composite()->color().pixels(2)[3], grey(255));

    // Without a selection the whole layer is filled; the record is the layer's bounds.
    EXPECT_EQ(f.stack().fillColorThroughSelection(0, {}, makeRgb(1, 1, 1)), 1);
    EXPECT_EQ(f.layer->pixels().pixels(3)[3], grey(1));
    EXPECT_EQ(f.rec.changes.back().rect, (Rect{2, 1, 6, 5}));

    // A selection that misses the layer fails and tells no one.
    SelectionArea away{{0, 0, 2, 1}, nullptr};
    EXPECT_EQ(f.stack().fillColorThroughSelection(0, away, 0), 0);
    EXPECT_EQ(f.rec.changes.size(), 2u);
    // A mask that does not match the rectangle is refused.
    SelectionArea mismatched{{3, 2, 6, 3}, &mask};
    EXPECT_EQ(f.stack().fillColorThroughSelection(0, mismatched, 0), 0);
    EXPECT_EQ(f.stack().fillColorThroughSelection(5, sel, 0), 0);
}

TEST(LayerEdits, ClearingAlphaCreatesThePlaneFirst) {
    EditFixture f;
    ASSERT_FALSE(f.layer->hasTransparency());
    GrayMap mask(planeStore(2, 2, 255));
    mask.row(1)[1] = 128;
    SelectionArea sel{{2, 1, 4, 3}, &mask};
    EXPECT_EQ(f.stack().setAlphaThroughSelection(0, sel, 0), 1);
    const Channel* plane = f.layer->transparency();
    ASSERT_NE(plane, nullptr);
    EXPECT_EQ(plane->row(0)[0], 0);
    EXPECT_EQ(plane->row(1)[1], (127 * 255) >> 8);
    EXPECT_EQ(plane->row(0)[2], 255);  // outside the selection: untouched
    EXPECT_EQ(f.doc->composite()->alpha().row(1)[2], 0);
    // Without a selection the whole plane takes the value.
    EXPECT_EQ(f.stack().setAlphaThroughSelection(0, {}, 40), 1);
    EXPECT_TRUE(f.layer->transparency()->row(3)[3] == 40 && plane->row(0)[0] == 40);
    EXPECT_EQ(f.doc->composite()->alpha().row(4)[5], 40);
}

TEST(LayerEdits, CopyAndPasteRoundTripEvenPastTheLayerEdge) {
    EditFixture f(200);
    // The selection reaches one column left of the layer.
    SelectionArea sel{{1, 2, 4, 4}, nullptr};
    ColorImage pixels;
    GrayMap alpha;
    ASSERT_EQ(f.stack().copyPixelsUnderSelection(0, sel, pixels), 1);
    ASSERT_EQ(f.stack().copySelectedAlpha(0, sel, alpha), 1);
    EXPECT_EQ(pixels.size(), (Size{3, 2}));
    EXPECT_EQ(pixels.pixels(0)[0], grey(0));   // outside the layer
    EXPECT_EQ(pixels.pixels(0)[1], grey(1));   // layer (0, 1)
    EXPECT_EQ(pixels.pixels(1)[2], grey(12));  // layer (1, 2)
    EXPECT_EQ(alpha.row(0)[1], 200);

    f.stack().fillColorThroughSelection(0, {}, makeRgb(7, 7, 7));
    f.stack().setAlphaThroughSelection(0, {}, 9);
    EXPECT_EQ(f.stack().pastePixels(0, pixels, sel), 1);
    EXPECT_EQ(f.stack().pasteAlpha(0, alpha, sel), 1);
    EXPECT_EQ(f.layer->pixels().pixels(1)[0], grey(1));
    EXPECT_EQ(f.layer->pixels().pixels(2)[1], grey(12));
    EXPECT_EQ(f.layer->pixels().pixels(0)[0], grey(7));  // outside the selection
    EXPECT_EQ(f.layer->transparency()->row(1)[0], 200);
    EXPECT_EQ(f.layer->transparency()->row(0)[0], 9);
    EXPECT_EQ(f.rec.changes.back().code, kChangePixels);

    // Without a plane the copied alpha is opaque.
    EditFixture g;
    ASSERT_EQ(g.stack().copySelectedAlpha(0, sel, alpha), 1);
    EXPECT_TRUE(isAll255(alpha));
    // Pasting where nothing overlaps fails.
    SelectionArea away{{7, 5, 8, 6}, nullptr};
    EXPECT_EQ(g.stack().pastePixels(0, pixels, away), 0);
}

TEST(LayerEdits, FillGrowsTheLayerToTheCanvas) {
    EditFixture f;
    FillSettings fill{grey(200), kBlendNormal, 50, 0};
    SelectionArea sel{{0, 0, 3, 2}, nullptr};
    EXPECT_EQ(f.stack().fillThroughSelection(0, fill, sel), 1);
    EXPECT_EQ(f.layer->offset(), (Point{0, 0}));
    EXPECT_EQ(f.layer->size(), (Size{8, 6}));
    const Channel* plane = f.layer->transparency();
    ASSERT_NE(plane, nullptr);
    // New area that was filled: the colour over nothing, at the fill's opacity.
    EXPECT_EQ(f.layer->pixels().pixels(0)[0], grey(200));
    EXPECT_EQ(plane->row(0)[0], 128);
    // Old area under the selection: blended over the opaque old pixel (layer (0, 0) was 0).
    EXPECT_EQ(f.layer->pixels().pixels(1)[2], grey(100));
    EXPECT_EQ(plane->row(1)[2], 255);
    // Old area outside the selection keeps its pixels; new area outside it is transparent.
    EXPECT_EQ(f.layer->pixels().pixels(4)[5], grey(33));
    EXPECT_EQ(plane->row(4)[5], 255);
    EXPECT_EQ(plane->row(5)[7], 0);
    EXPECT_EQ(f.rec.changes.back().rect, (Rect{0, 0, 3, 2}));
}

TEST(LayerEdits, FillKeepsWhatLiesBeyondTheCanvas) {
    auto doc = emptyDocument(4, 4);
    RasterLayer* l = addLayer(*doc, 3, 3, grey(50), {2, -1});
    FillSettings fill{grey(0), kBlendNormal, 100, 0};
    EXPECT_EQ(doc->layers().fillThroughSelection(0, fill, {}), 1);
    EXPECT_EQ(l->canvasBounds(), (Rect{0, -1, 5, 4}));
    // The whole grown layer is filled without a selection.
    EXPECT_EQ(l->pixels().pixels(0)[4], grey(0));
    EXPECT_EQ(l->transparency()->row(0)[4], 255);
}

TEST(LayerEdits, FillMaskZeroAndPreserveTransparency) {
    EditFixture f(100);
    GrayMap mask(planeStore(2, 1, 255));
    mask.row(0)[1] = 0;
    SelectionArea sel{{2, 1, 4, 2}, &mask};
    FillSettings fill{grey(255), kBlendNormal, 100, 0};
    // The layer grows first (to the canvas) but a zero mask value leaves that pixel entirely.
    EXPECT_EQ(f.stack().fillThroughSelection(0, fill, sel), 1);
    const Point o = f.layer->offset();
    auto px = [&](int cx, int cy) { return f.layer->pixels().pixels(cy - o.y)[cx - o.x]; };
    auto al = [&](int cx, int cy) { return f.layer->transparency()->row(cy - o.y)[cx - o.x]; };
    EXPECT_EQ(px(2, 1), grey(255));
    EXPECT_EQ(al(2, 1), 255);
    EXPECT_EQ(px(3, 1), grey(10));
    EXPECT_EQ(al(3, 1), 100);

    FillSettings keep{grey(0), kBlendNormal, 100, 1};
    EXPECT_EQ(f.stack().fillThroughSelection(0, keep, {}), 1);
    EXPECT_EQ(px(3, 1), grey(0));
    EXPECT_EQ(al(3, 1), 100);  // transparency preserved
    EXPECT_EQ(al(0, 0), 0);
}

TEST(LayerEdits, FillOnTheBackgroundChangesColourOnly) {
    auto doc = emptyDocument(3, 3);
    RasterLayer* bg = doc->layers().newBackground(makeRgb(100, 100, 100));
    FillSettings fill{grey(200), kBlendMultiply, 100, 0};
    EXPECT_EQ(doc->layers().fillThroughSelection(0, fill, {}), 1);
    EXPECT_EQ(bg->pixels().pixels(2)[2], grey((200 * 100) >> 8));
    EXPECT_FALSE(bg->hasTransparency());
}

TEST(LayerEdits, FailedGrowthChangesNothing) {
    EditFixture f;
    FillSettings fill{grey(200), kBlendNormal, 100, 0};
    platform::failNextAllocations(1);
    EXPECT_EQ(f.stack().fillThroughSelection(0, fill, {}), 0);
    platform::failNextAllocations(0);
    EXPECT_EQ(f.layer->canvasBounds(), (Rect{2, 1, 6, 5}));
    EXPECT_EQ(f.layer->pixels().pixels(0)[0], grey(0));
    EXPECT_FALSE(f.layer->hasTransparency());
    EXPECT_TRUE(f.rec.changes.empty());
}

}  // namespace
}  // namespace varnel
