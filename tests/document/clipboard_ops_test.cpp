// What Copy takes out of a document (which rectangle, which coverage) and where Paste puts an
// image.
#include "document/clipboard_ops.h"

#include <gtest/gtest.h>

#include "../history/action_fixtures.h"
#include "document/selection.h"

namespace varnel {
namespace {

using testing::makeDocument;
using testing::selectSoftEllipse;

// The fixture: a 24 x 18 canvas; layer 1 "Offset" is 14 x 10 at (-3, 5) with a plane, layer 3
// is hidden, layer 4 has no pixels.
TEST(CopyRect, SelectionBoundsOrTheLayerCutToTheCanvasAndNothingWithoutPixels) {
    struct Case {
        const char* name;
        int active;
        Rect selected;  // empty: nothing selected
        bool merged;
        Rect expected;
    };
    const Case cases[] = {
        {"the layer hanging off the left edge", 1, {}, false, {0, 5, 11, 15}},
        {"the selection, also where the layer has no pixels",
         1,
         {2, 1, 20, 9},
         false,
         {2, 1, 20, 9}},
        {"a selection that misses the layer", 1, {15, 0, 24, 4}, false, {}},
        {"a hidden layer still has pixels", 3, {}, false, {2, 2, 10, 10}},
        {"a layer without pixels", 4, {}, false, {}},
        {"merged: the whole canvas", 4, {}, true, {0, 0, 24, 18}},
        {"merged: the selection", 4, {15, 0, 24, 4}, true, {15, 0, 24, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = makeDocument();
        doc->layers().setActiveLayer(doc->layers().layerAt(c.active));
        Selection selection(doc->size());
        if (!c.selected.isEmpty()) selection.setShape(c.selected, false);
        EXPECT_EQ(copyRect(*doc, selection.area(), c.merged), c.expected);
        EXPECT_EQ(canCopy(*doc, selection.area(), c.merged), !c.expected.isEmpty());
    }

    // Copy Merged has nothing to copy when no layer shows.
    auto doc = makeDocument();
    for (int i = 0; i < doc->layers().count(); ++i)
        doc->layers().setVisible(doc->layers().layerAt(i), false);
    EXPECT_FALSE(canCopy(*doc, {}, true));
    CopiedArea area;
    EXPECT_FALSE(copyMergedArea(*doc, {}, area));
    EXPECT_FALSE(area.pixels.isValid());
}

TEST(CopyLayerArea, MaskIsCoverageTimesTransparencyAndZeroBesideTheLayer) {
    auto doc = makeDocument();
    Selection selection;
    selectSoftEllipse(selection, doc->size());
    const RasterLayer& layer = *doc->layers().rasterAt(1);
    CopiedArea area;
    ASSERT_TRUE(copyLayerArea(*doc, selection.area(), area));
    ASSERT_EQ(area.rect, selection.bounds());
    ASSERT_TRUE(area.mask.isValid());
    ASSERT_EQ(area.pixels.size(), area.rect.size());
    ASSERT_EQ(area.mask.size(), area.rect.size());
    int partial = 0, outside = 0;
    for (int32_t y = area.rect.top; y < area.rect.bottom; ++y) {
        for (int32_t x = area.rect.left; x < area.rect.right; ++x) {
            const int lx = x + 3, ly = y - 5;  // the layer's pixel
            const bool inLayer = lx >= 0 && lx < 14 && ly >= 0 && ly < 10;
            const uint8_t got = area.mask.row(y - area.rect.top)[x - area.rect.left];
            const Bgr pixel = area.pixels.pixels(y - area.rect.top)[x - area.rect.left];
            if (!inLayer) {
                ++outside;
                EXPECT_EQ(got, 0) << x << "," << y;
                continue;
            }
            const int expected =
                selection.coverageAt(x, y) * layer.transparency()->row(ly)[lx] / 255;
            EXPECT_EQ(got, expected) << x << "," << y;
            EXPECT_EQ(pixel, layer.pixels().pixels(ly)[lx]) << x << "," << y;
            partial += expected > 0 && expected < 255;
        }
    }
    EXPECT_GT(partial, 10);
    EXPECT_GT(outside, 10);
}

TEST(CopyLayerArea, FullyCoveredOpaquePixelsCarryNoMask) {
    auto doc = makeDocument();
    doc->layers().setActiveLayer(doc->layers().layerAt(0));
    Selection selection(doc->size());
    selection.setShape({4, 3, 9, 7}, false);
    CopiedArea area;
    ASSERT_TRUE(copyLayerArea(*doc, selection.area(), area));
    EXPECT_EQ(area.rect, (Rect{4, 3, 9, 7}));
    EXPECT_FALSE(area.mask.isValid());
    EXPECT_EQ(area.pixels.pixels(0)[0], doc->layers().rasterAt(0)->pixels().pixels(3)[4]);
}

TEST(CopyMergedArea, TakesTheCompositeWithItsAlphaUnderTheCoverage) {
    auto doc = makeDocument();
    // Without the opaque background the composite is transparent in places.
    doc->layers().setVisible(doc->layers().layerAt(0), false);
    Selection selection;
    selectSoftEllipse(selection, doc->size());
    CopiedArea area;
    ASSERT_TRUE(copyMergedArea(*doc, selection.area(), area));
    ASSERT_EQ(area.rect, selection.bounds());
    ASSERT_TRUE(area.mask.isValid());
    const DocumentComposite& composite = *doc->composite();
    for (int32_t y = area.rect.top; y < area.rect.bottom; ++y) {
        for (int32_t x = area.rect.left; x < area.rect.right; ++x) {
            const int alpha = composite.alpha().row(y)[x];
            EXPECT_EQ(area.mask.row(y - area.rect.top)[x - area.rect.left],
                      selection.coverageAt(x, y) * alpha / 255)
                << x << "," << y;
            EXPECT_EQ(area.pixels.pixels(y - area.rect.top)[x - area.rect.left],
                      composite.color().pixels(y)[x]);
        }
    }
}

TEST(PastePosition, BackInPlaceOnlyOnACanvasOfTheSameSizeWhereItFits) {
    const Size canvas{24, 18};
    const Rect visible{5, 4, 30, 30};  // scrolled: the view starts at (5, 4)
    struct Case {
        const char* name;
        Size size;
        std::optional<ClipboardOrigin> origin;
        Rect visible;
        Point expected;
    };
    const Case cases[] = {
        {"same canvas, fits", {6, 4}, ClipboardOrigin{{18, 14}, canvas}, visible, {18, 14}},
        {"same canvas, does not fit", {7, 4}, ClipboardOrigin{{18, 14}, canvas}, visible, {5, 4}},
        {"another canvas", {6, 4}, ClipboardOrigin{{1, 1}, {24, 19}}, visible, {5, 4}},
        {"another program's image", {6, 4}, std::nullopt, visible, {5, 4}},
        {"the view shows everything", {30, 30}, std::nullopt, {-40, -20, 64, 38}, {0, 0}},
        {"no view", {3, 3}, std::nullopt, {}, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pastePosition(c.size, c.origin, canvas, c.visible), c.expected) << c.name;
}

}  // namespace
}  // namespace varnel
