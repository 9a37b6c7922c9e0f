// Copy, Cut and Paste through the clipboard store: what Copy takes comes back from Paste pixel for
// pixel with its transparency, in its place or at the corner of the view, selected; Cut is one
// step whose redo leaves the clipboard alone; images of other programs keep their alpha.
#include "history/clipboard_actions.h"

#include <gtest/gtest.h>

#include "../support/fake_system_clipboard.h"
#include "action_fixtures.h"
#include "core/surface_ops.h"
#include "document/clipboard_ops.h"
#include "history/history.h"

namespace varnel {
namespace {

using testing::digestOf;
using testing::makeDocument;
using testing::selectSoftEllipse;

uint8_t alphaAt(const RasterLayer& layer, int32_t x, int32_t y) {
    const Channel* plane = layer.transparency();
    return plane ? plane->row(y)[x] : 255;
}

// Copy (or Copy Merged) of the given layer and selection, then Paste into the same document:
// the pasted layer holds exactly what was visible through the selection, where it was.
TEST(CopyPaste, RoundTripKeepsPixelsAndTransparencyInPlace) {
    struct Case {
        const char* name;
        int active;
        bool softSelection;
        bool merged;
    };
    const Case cases[] = {
        {"layer with a plane, soft selection", 1, true, false},
        {"layer with a plane, nothing selected", 1, false, false},
        {"layer without a plane, soft selection", 2, true, false},
        {"merged, soft selection", 1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = makeDocument();
        if (c.merged) doc->layers().setVisible(doc->layers().layerAt(0), false);
        doc->layers().setActiveLayer(doc->layers().layerAt(c.active));
        Selection selection(doc->size());
        if (c.softSelection) selectSoftEllipse(selection, doc->size());
        std::unique_ptr<Selection> before = selection.clone();

        // What each canvas pixel of the copied rectangle should come back as.
        const Rect rect = copyRect(*doc, selection.area(), c.merged);
        ASSERT_FALSE(rect.isEmpty());
        const RasterLayer& source = *doc->layers().rasterAt(c.active);
        auto expectedAlpha = [&](int32_t x, int32_t y) {
            const int coverage = selection.isEmpty() ? 255 : selection.coverageAt(x, y);
            if (c.merged) return coverage * doc->composite()->alpha().row(y)[x] / 255;
            const Rect placed = source.canvasBounds();
            if (!placed.contains(x, y)) return 0;
            return coverage * alphaAt(source, x - placed.left, y - placed.top) / 255;
        };
        auto expectedPixel = [&](int32_t x, int32_t y) {
            if (c.merged) return doc->composite()->color().pixels(y)[x];
            const Rect placed = source.canvasBounds();
            return source.pixels().pixels(y - placed.top)[x - placed.left];
        };
        std::vector<int> alphas;
        std::vector<Bgr> pixels;
        for (int32_t y = rect.top; y < rect.bottom; ++y)
            for (int32_t x = rect.left; x < rect.right; ++x) {
                alphas.push_back(expectedAlpha(x, y));
                pixels.push_back(alphas.back() ? expectedPixel(x, y) : Bgr{});
            }

        FakeSystemClipboard system;
        ClipboardStore store(&system);
        ASSERT_TRUE(copyToClipboard(*doc, selection.area(), c.merged, store));
        EXPECT_EQ(system.writes, 1) << "Copy publishes at once";

        History history(10);
        const uint64_t digestBefore = digestOf(*doc, selection);
        const int active = doc->layers().activeIndex();
        auto paste = makePasteAction(doc.get(), &selection, store, Rect{7, 7, 20, 20});
        ASSERT_TRUE(paste);
        ASSERT_EQ(history.perform(std::move(paste)), 1);
        ASSERT_EQ(history.stateAt(0)->name(), "Paste");

        const LayerStack& stack = doc->layers();
        ASSERT_EQ(stack.activeIndex(), active + 1) << "above the layer that was active";
        const RasterLayer& pasted = *stack.rasterAt(active + 1);
        EXPECT_EQ(pasted.name(), "Layer 1");
        EXPECT_EQ(pasted.canvasBounds(), rect) << "back where it was copied from";
        EXPECT_EQ(pasted.blendMode(), 0);
        EXPECT_EQ(pasted.masterOpacity(), 255);
        size_t i = 0;
        for (int32_t y = rect.top; y < rect.bottom; ++y)
            for (int32_t x = rect.left; x < rect.right; ++x, ++i) {
                const int32_t px = x - rect.left, py = y - rect.top;
                ASSERT_EQ(alphaAt(pasted, px, py), alphas[i]) << x << "," << y;
                if (alphas[i]) {
                    ASSERT_EQ(pasted.pixels().pixels(py)[px], pixels[i]) << x << "," << y;
                }
                // The pasted pixels are what is selected now.
                ASSERT_EQ(selection.coverageAt(x, y), alphas[i]) << x << "," << y;
            }

        // Undo takes the layer out and gives back the selection; redo brings the same layer.
        const LayerItem* layer = &pasted;
        ASSERT_EQ(history.undo(), 1);
        EXPECT_EQ(digestOf(*doc, selection), digestBefore);
        EXPECT_EQ(selection.bounds(), before->bounds());
        ASSERT_EQ(history.redo(), 1);
        EXPECT_EQ(stack.layerAt(active + 1), layer);
        EXPECT_EQ(selection.coverageAt(rect.left + rect.width() / 2, rect.top + rect.height() / 2),
                  alphas[size_t(rect.height() / 2 * rect.width() + rect.width() / 2)]);
    }
}

TEST(CopyPaste, ElsewhereThePasteGoesToTheTopLeftOfTheView) {
    auto from = makeDocument();
    from->layers().setActiveLayer(from->layers().layerAt(0));
    Selection selection(from->size());
    selection.setShape({10, 8, 16, 12}, false);
    ClipboardStore store;
    ASSERT_TRUE(copyToClipboard(*from, selection.area(), false, store));

    ImageSettings settings;
    settings.width = 40;
    settings.height = 30;
    auto other = Document::createBlank(settings);
    Selection otherSelection(other->size());
    auto paste = makePasteAction(other.get(), &otherSelection, store, Rect{12, 9, 50, 50});
    ASSERT_TRUE(paste);
    ASSERT_TRUE(paste->execute());
    EXPECT_EQ(other->layers().activeLayer()->canvasBounds(), (Rect{12, 9, 18, 13}));
    EXPECT_EQ(otherSelection.bounds(), (Rect{12, 9, 18, 13}));
}

// Another program offers an image with an alpha channel (as a browser or xclip hands over a PNG),
// or one without.
TEST(CopyPaste, ImagesOfOtherProgramsPasteWithTheirTransparency) {
    ColorImage image;
    ASSERT_TRUE(image.createColor(4, 3));
    image.fillAll(0x00FF00);
    image.pixels(1)[2] = Bgr{1, 2, 3};
    Channel alpha;
    ASSERT_TRUE(alpha.createGray(4, 3));
    fillValue(alpha, 255);
    alpha.row(0)[0] = 0;
    alpha.row(1)[2] = 128;

    for (bool withAlpha : {true, false}) {
        SCOPED_TRACE(withAlpha ? "with alpha" : "without");
        FakeSystemClipboard system;
        system.block = withAlpha ? packedBitmapWithAlpha(image, alpha) : image.exportPackedBitmap();
        ClipboardStore store(&system);
        auto doc = makeDocument();
        Selection selection(doc->size());
        auto paste = makePasteAction(doc.get(), &selection, store, Rect{2, 3, 20, 20});
        ASSERT_TRUE(paste);
        ASSERT_TRUE(paste->execute());
        const auto& layer = static_cast<const RasterLayer&>(*doc->layers().activeLayer());
        EXPECT_EQ(layer.canvasBounds(), (Rect{2, 3, 6, 6}));
        EXPECT_EQ(layer.pixels().pixels(1)[2], (Bgr{1, 2, 3}));
        EXPECT_EQ(layer.hasTransparency(), withAlpha);
        EXPECT_EQ(alphaAt(layer, 0, 0), withAlpha ? 0 : 255);
        EXPECT_EQ(alphaAt(layer, 2, 1), withAlpha ? 128 : 255);
        EXPECT_EQ(alphaAt(layer, 3, 2), 255);
        // A pixel with no alpha is not selected.
        EXPECT_EQ(selection.bounds(), (Rect{2, 3, 6, 6}));
        EXPECT_EQ(selection.coverageAt(2, 3), withAlpha ? 0 : 255);
    }

    // Nothing on the clipboard: no action.
    ClipboardStore empty;
    auto doc = makeDocument();
    Selection selection(doc->size());
    EXPECT_FALSE(makePasteAction(doc.get(), &selection, empty, {}));
}

TEST(Cut, OneStepThatCopiesOnceAndClears) {
    auto doc = makeDocument();
    Selection selection;
    selectSoftEllipse(selection, doc->size());
    CopiedArea expected;
    ASSERT_TRUE(copyLayerArea(*doc, selection.area(), expected));
    const uint64_t before = digestOf(*doc, selection);

    FakeSystemClipboard system;
    ClipboardStore store(&system);
    History history(10);
    ASSERT_EQ(
        history.perform(std::make_unique<CutAction>(doc.get(), &selection, 1, ColorRef(0), &store)),
        1);
    EXPECT_EQ(history.count(), 1);
    EXPECT_EQ(history.stateAt(0)->name(), "Cut");
    // The layer is transparent where it was fully selected.
    const RasterLayer& layer = *doc->layers().rasterAt(1);
    EXPECT_EQ(layer.transparency()->row(5 - 5)[8 + 3], 0);

    ClipboardImage got;
    ASSERT_TRUE(store.paste(got));
    ASSERT_TRUE(got.mask.isValid());
    EXPECT_EQ(got.origin, (ClipboardOrigin{expected.rect.topLeft(), doc->size()}));
    for (int32_t y = 0; y < expected.rect.height(); ++y)
        for (int32_t x = 0; x < expected.rect.width(); ++x) {
            ASSERT_EQ(got.mask.row(y)[x], expected.mask.row(y)[x]);
            if (expected.mask.row(y)[x]) {
                ASSERT_EQ(got.image.pixels(y)[x], expected.pixels.pixels(y)[x]);
            }
        }
    EXPECT_EQ(system.writes, 1);

    const uint64_t after = digestOf(*doc, selection);
    ASSERT_EQ(history.undo(), 1);
    EXPECT_EQ(digestOf(*doc, selection), before);
    // Something else is copied meanwhile: redoing the Cut leaves it there.
    ASSERT_TRUE(store.put(expected.pixels));
    ASSERT_EQ(history.redo(), 1);
    EXPECT_EQ(digestOf(*doc, selection), after);
    EXPECT_FALSE(store.hasMask());
    EXPECT_EQ(system.writes, 1);

    // A cut where the selection misses the layer records nothing and copies nothing.
    selection.setShape({16, 0, 24, 4}, false);
    ASSERT_TRUE(store.put(expected.pixels));
    EXPECT_EQ(
        history.perform(std::make_unique<CutAction>(doc.get(), &selection, 1, ColorRef(0), &store)),
        0);
    EXPECT_EQ(history.count(), 1);
    EXPECT_FALSE(store.hasMask());
}

}  // namespace
}  // namespace varnel
