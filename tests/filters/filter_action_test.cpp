// Filters on documents: the conditions for taking a filter, the action's snapshot with undo and
// redo, the selection turned into a mask on an offset layer, change records, the live-preview
// cycle, and the commands with the Last Filter.
#include <gtest/gtest.h>

#include "filter_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/filter_commands.h"
#include "filters/filter_preview.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/kernel_filter.h"
#include "filters/last_filter.h"
#include "filters/tone_adjustments.h"
#include "history/history.h"
#include "platform/pixel_memory.h"

namespace varnel {
namespace {

using testing::documentWith;
using testing::maskImage;
using testing::noiseImage;
using testing::pixelAt;
using testing::Recorder;
using testing::samePixels;
using testing::StepFilter;

Bgr inverted(Bgr c) {
    return {uint8_t(255 - c.b), uint8_t(255 - c.g), uint8_t(255 - c.r)};
}

ColorImage& pixelsOf(Document& doc, int index) {
    return doc.layers().rasterAt(index)->pixels();
}

// Loads a canvas-sized coverage into the selection (which then frames its non-zero values).
void selectCoverage(Selection& selection, Size canvas, Rect rect, const GrayMap& coverage) {
    Channel all;
    ASSERT_EQ(all.createGray(canvas.width, canvas.height), 1);
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            all.row(y)[x] = coverage.row(y - rect.top)[x - rect.left];
        }
    }
    ASSERT_EQ(selection.loadMask(all), 1);
}

LevelsParams gammaLevels(double gamma) {
    LevelsParams p;
    p.gamma[kComposite] = gamma;
    return p;
}

class FilterOnDocument : public ::testing::Test {
protected:
    void SetUp() override {
        clearLastFilter();
        original = noiseImage(12, 10, 11);
        doc = documentWith(*original);
        selection.resetCanvas(doc->size());
        target = {&history, doc.get(), &selection};
    }
    void TearDown() override { clearLastFilter(); }

    std::unique_ptr<ColorImage> original;
    std::unique_ptr<Document> doc;
    History history{10};
    Selection selection;
    FilterTarget target;
};

TEST_F(FilterOnDocument, UndoRestoresBitForBitAndRedoReapplies) {
    ASSERT_EQ(runFilterCommand(target, std::make_unique<InvertFilter>()), 1);
    ASSERT_EQ(history.count(), 1);
    EXPECT_EQ(history.stateAt(0)->name(), "Invert");
    EXPECT_TRUE(doc->isModified());
    EXPECT_EQ(pixelAt(pixelsOf(*doc, 0), 5, 5), inverted(pixelAt(*original, 5, 5)));

    doc->setModified(false);
    ASSERT_EQ(history.undo(), 1);
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
    EXPECT_FALSE(doc->isModified()) << "undo leaves the modified flag alone";

    ASSERT_EQ(history.redo(), 1);
    EXPECT_EQ(pixelAt(pixelsOf(*doc, 0), 11, 9), inverted(pixelAt(*original, 11, 9)));
    ASSERT_EQ(history.undo(), 1);
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
}

TEST_F(FilterOnDocument, NothingHappensWhenTheDocumentCannotTakeAFilter) {
    struct Case {
        const char* what;
        void (*prepare)(Document&, Selection&);
    } cases[] = {
        {"hidden active layer",
         [](Document& d, Selection&) { d.layers().setVisible(d.layers().activeLayer(), false); }},
        {"selection off the layer",
         [](Document& d, Selection& s) {
             // A small layer in the top-left corner, a selection in the bottom-right one.
             auto small = noiseImage(4, 4);
             d.layers().newRasterLayer(*small, nullptr, {0, 0}, "Small", false);
             s.setShape({6, 6, 12, 10}, false);
         }},
        {"empty layer active", [](Document& d, Selection&) { d.layers().newEmptyLayer(); }},
        {"no layer", [](Document& d, Selection&) { d.layers().removeAll(false); }},
    };
    for (const Case& c : cases) {
        SetUp();
        c.prepare(*doc, selection);
        EXPECT_FALSE(canTakeFilter(*doc, selection.area())) << c.what;
        EXPECT_EQ(runFilterCommand(target, std::make_unique<InvertFilter>()), 0) << c.what;
        EXPECT_EQ(runAutoLevels(target), 0) << c.what;
        EXPECT_EQ(runAutoContrast(target), 0) << c.what;
        StepFilter(1, "Blur").apply(*noiseImage(2, 2));  // fills the Last Filter slot
        EXPECT_EQ(runLastFilter(target), 0) << c.what;
        EXPECT_EQ(history.count(), 0) << c.what;
        EXPECT_FALSE(doc->isModified()) << c.what;
        if (doc->layers().count() > 0) {
            EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original)) << c.what;
        }
        selection.deselect();
        TearDown();
    }
}

// A feathered selection on a layer placed at (3, 2): the mask is read in canvas coordinates.
TEST_F(FilterOnDocument, SelectionMaskOnAnOffsetLayer) {
    doc->layers().removeAll(false);
    RasterLayer* layer = doc->layers().newRasterLayer(*original, nullptr, {3, 2}, "Moved", false);
    ASSERT_NE(layer, nullptr);
    // Coverage at canvas (4, 3) … (8, 5): columns 0, 128, 255, 255 (the selection frames the last
    // three).
    auto mask = maskImage(4, 2, [](int x, int) { return x == 0 ? 0 : (x == 1 ? 128 : 255); });
    selectCoverage(selection, doc->size(), {4, 3, 8, 5}, *mask);
    ASSERT_EQ(selection.bounds(), (Rect{5, 3, 8, 5}));
    Recorder recorder;
    doc->addListener(&recorder);
    ASSERT_EQ(runFilterCommand(target, std::make_unique<InvertFilter>()), 1);
    doc->removeListener(&recorder);

    const ColorImage& px = layer->pixels();
    // Canvas (4, 3) is layer (1, 1).
    EXPECT_EQ(pixelAt(px, 1, 1), pixelAt(*original, 1, 1)) << "coverage 0";
    const Bgr o = pixelAt(*original, 2, 1);
    auto half = [](uint8_t v) { return uint8_t(v + (((255 - 2 * v) * 128) >> 8)); };
    EXPECT_EQ(pixelAt(px, 2, 1), (Bgr{half(o.b), half(o.g), half(o.r)})) << "coverage 128";
    EXPECT_EQ(pixelAt(px, 3, 2), inverted(pixelAt(*original, 3, 2))) << "coverage 255";
    EXPECT_EQ(pixelAt(px, 4, 1), inverted(pixelAt(*original, 4, 1)));
    EXPECT_EQ(pixelAt(px, 5, 1), pixelAt(*original, 5, 1)) << "outside the selection";
    EXPECT_EQ(pixelAt(px, 2, 0), pixelAt(*original, 2, 0)) << "outside the selection";

    ASSERT_EQ(recorder.changes.size(), 1u);
    EXPECT_EQ(recorder.changes[0].code, kChangePixels);
    EXPECT_EQ(recorder.changes[0].rect, (Rect{5, 3, 8, 5}));
    EXPECT_EQ(recorder.changes[0].layer, layer);
}

TEST_F(FilterOnDocument, ChangeRecordsStayOnTheCanvas) {
    // A layer hanging over the canvas's right and bottom edges.
    doc->layers().removeAll(false);
    RasterLayer* layer = doc->layers().newRasterLayer(*original, nullptr, {6, 5}, "Over", false);
    ASSERT_NE(layer, nullptr);
    Recorder recorder;
    doc->addListener(&recorder);
    ASSERT_EQ(runFilterCommand(target, std::make_unique<DesaturateFilter>()), 1);
    ASSERT_EQ(history.undo(), 1);
    doc->removeListener(&recorder);
    ASSERT_EQ(recorder.changes.size(), 2u);
    EXPECT_EQ(recorder.changes[0].rect, (Rect{6, 5, 12, 10}));
    EXPECT_EQ(recorder.changes[1].rect, (Rect{6, 5, 12, 10}));
    EXPECT_TRUE(samePixels(layer->pixels(), *original));
}

// Redo applies the filter to the layer its snapshot protects, even when another layer is active
// by then (the active layer is chosen outside the history).
TEST_F(FilterOnDocument, RedoActsOnTheLayerItsSnapshotProtects) {
    auto other = noiseImage(12, 10, 99);
    RasterLayer* top = doc->layers().newRasterLayer(*other, nullptr, {0, 0}, "Top", false);
    ASSERT_NE(top, nullptr);
    RasterLayer* bottom = doc->layers().rasterAt(0);
    ASSERT_EQ(doc->layers().setActiveLayer(bottom), 1);

    ASSERT_EQ(runFilterCommand(target, std::make_unique<InvertFilter>()), 1);
    ASSERT_EQ(history.undo(), 1);
    ASSERT_EQ(doc->layers().setActiveLayer(top), 1);
    ASSERT_EQ(history.redo(), 1);
    EXPECT_EQ(pixelAt(bottom->pixels(), 4, 4), inverted(pixelAt(*original, 4, 4)));
    EXPECT_TRUE(samePixels(top->pixels(), *other));
    ASSERT_EQ(history.undo(), 1);
    EXPECT_TRUE(samePixels(bottom->pixels(), *original));
    EXPECT_TRUE(samePixels(top->pixels(), *other));
}

TEST_F(FilterOnDocument, ActionWithoutFilterOrSnapshot) {
    FilterAction empty(doc.get(), nullptr, nullptr);
    EXPECT_EQ(empty.name(), "Unknown Filter");
    EXPECT_EQ(empty.execute(), 0);
    EXPECT_EQ(empty.revert(), 0);
    EXPECT_EQ(empty.restoreSnapshot(), 0);
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
}

// The first execution of a filter that reads a separate source takes over the layer's memory as
// the snapshot and writes into new memory: the result must equal filtering a copy in place,
// pixels outside the selection and the rows' padding included, and undo and redo must restore
// either state byte for byte. The layer's picture object stays the one views hold. A filter that
// cannot read a separate source (the step filter) takes the copying path.
TEST_F(FilterOnDocument, FirstExecutionMatchesFilteringACopy) {
    struct Selected {
        const char* what;
        Point layerAt;
        void (*select)(Selection&, Size);
    } selections[] = {
        {"no selection", {0, 0}, [](Selection&, Size) {}},
        {"rectangle",
         {0, 0},
         [](Selection& s, Size) {
             s.setShape({2, 3, 9, 8}, false);
         }},
        {"rectangle on an offset layer",
         {2, 1},
         [](Selection& s, Size) {
             s.setShape({1, 0, 8, 6}, false);
         }},
        {"feathered mask",
         {0, 0},
         [](Selection& s, Size canvas) {
             auto m = maskImage(8, 6, [](int x, int y) { return (x * 50 + y * 20) % 256; });
             selectCoverage(s, canvas, {3, 2, 11, 8}, *m);
         }},
    };
    struct Made {
        const char* what;
        std::function<std::unique_ptr<Filter>()> make;
    } filters[] = {
        {"invert", [] { return std::make_unique<InvertFilter>(); }},
        {"levels", [] { return std::make_unique<LevelsFilter>(gammaLevels(0.6)); }},
        {"blur", [] { return std::make_unique<BlurFilter>(); }},
        {"gaussian blur", [] { return std::make_unique<GaussianBlurFilter>(2.0); }},
        {"step", [] { return std::make_unique<StepFilter>(9, "Blur"); }},
    };
    // 13 pixels a row leave a byte of padding at the end of every row.
    const auto picture = noiseImage(13, 10, 21);
    for (const Selected& sel : selections) {
        for (const Made& made : filters) {
            const std::string what = std::string(made.what) + ", " + sel.what;
            SetUp();
            doc->layers().removeAll(false);
            RasterLayer* layer =
                doc->layers().newRasterLayer(*picture, nullptr, sel.layerAt, "Layer", false);
            ASSERT_NE(layer, nullptr);
            sel.select(selection, doc->size());
            const ColorImage* object = &layer->pixels();
            const std::vector<uint8_t> before = layer->pixels().exportPackedBitmap();

            auto expected = cloneOf(*picture);
            CoverageMask mask;
            Rect limit;
            const CoverageMask* maskPtr;
            const Rect* limitPtr;
            ASSERT_TRUE(
                selectionOnLayer(selection.area(), *layer, mask, limit, &maskPtr, &limitPtr));
            ASSERT_EQ(made.make()->apply(*expected, maskPtr, limitPtr), 1) << what;

            ASSERT_EQ(runFilterCommand(target, made.make()), 1) << what;
            EXPECT_EQ(&layer->pixels(), object) << what;
            EXPECT_EQ(layer->pixels().exportPackedBitmap(), expected->exportPackedBitmap()) << what;
            // Invert over the whole layer keeps nothing: undo inverts again.
            const bool inPlace = std::string(made.what) == "invert" && selection.isEmpty();
            // Within a selection only the part the filter changed is kept.
            const auto* recorded =
                static_cast<const FilterAction*>(history.stateAt(history.count() - 1));
            if (inPlace) {
                EXPECT_EQ(recorded->byteSize(), 0u) << what;
            } else if (selection.isEmpty()) {
                EXPECT_EQ(recorded->byteSize(), picture->imageBytes()) << what;
            } else {
                EXPECT_LE(recorded->byteSize(), picture->imageBytes()) << what;
                EXPECT_EQ(recorded->byteSize(), recorded->snapshot()->imageBytes()) << what;
            }
            ASSERT_EQ(history.undo(), 1) << what;
            EXPECT_EQ(layer->pixels().exportPackedBitmap(), before) << what;
            ASSERT_EQ(history.redo(), 1) << what;
            EXPECT_EQ(layer->pixels().exportPackedBitmap(), expected->exportPackedBitmap()) << what;
            EXPECT_EQ(&layer->pixels(), object) << what;
            selection.deselect();
            TearDown();
        }
    }
}

// A first execution that fails, whether it cannot get memory or the filter gives up part way
// through its pixels, leaves the layer's bytes as they were and records nothing.
TEST_F(FilterOnDocument, FailedFirstExecutionLeavesTheLayer) {
    // Writes its results, then reports failure.
    class GivesUpInvert : public InvertFilter {
    protected:
        int process24(PixelSurface& surface) override {
            InvertFilter::process24(surface);
            return 0;
        }
    };
    const std::vector<uint8_t> before = pixelsOf(*doc, 0).exportPackedBitmap();
    const ColorImage* object = &pixelsOf(*doc, 0);

    // (Invert over the whole layer needs no memory: it is undone by applying it again.)
    platform::failNextAllocations(1);
    EXPECT_EQ(runFilterCommand(target, std::make_unique<LevelsFilter>(gammaLevels(0.6))), 0);
    platform::failNextAllocations(0);
    EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), before);

    FilterAction action(doc.get(), &selection, std::make_unique<GivesUpInvert>());
    EXPECT_EQ(action.execute(), 0);
    EXPECT_FALSE(action.hasSnapshot());
    EXPECT_EQ(action.revert(), 0);
    EXPECT_EQ(&pixelsOf(*doc, 0), object);
    EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), before);
    EXPECT_EQ(history.count(), 0);
    EXPECT_FALSE(doc->isModified());

    // The action can still run once the filter works.
    action.setFilter(std::make_unique<InvertFilter>());
    ASSERT_EQ(action.execute(), 1);
    EXPECT_EQ(pixelAt(pixelsOf(*doc, 0), 3, 4), inverted(pixelAt(*original, 3, 4)));
    ASSERT_EQ(action.revert(), 1);
    EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), before);
}

// Invert over the whole layer changes it in place and keeps no copy; every undo, redo and preview
// sequence still ends on exactly the right bytes, also when another filter takes its place.
TEST_F(FilterOnDocument, InvertOverTheWholeLayerUndoesByInvertingAgain) {
    const std::vector<uint8_t> before = pixelsOf(*doc, 0).exportPackedBitmap();
    auto invertedCopy = cloneOf(*original);
    ASSERT_EQ(InvertFilter().apply(*invertedCopy), 1);
    const std::vector<uint8_t> after = invertedCopy->exportPackedBitmap();
    auto leveledCopy = cloneOf(*original);
    ASSERT_EQ(LevelsFilter(gammaLevels(0.6)).apply(*leveledCopy), 1);
    const std::vector<uint8_t> leveled = leveledCopy->exportPackedBitmap();

    ASSERT_EQ(runFilterCommand(target, std::make_unique<InvertFilter>()), 1);
    EXPECT_EQ(history.byteSize(), 0u);
    EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), after);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(history.undo(), 1);
        EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), before);
        ASSERT_EQ(history.redo(), 1);
        EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), after);
    }
    ASSERT_EQ(history.undo(), 1);

    struct Step {
        bool invert;  // else Levels
        const std::vector<uint8_t>* shows;
    };
    const std::vector<std::vector<Step>> sequences = {
        {{true, &after}},
        {{true, &after}, {true, &after}},
        {{true, &after}, {false, &leveled}},
        {{false, &leveled}, {true, &after}, {false, &leveled}},
    };
    for (size_t i = 0; i < sequences.size(); ++i) {
        SCOPED_TRACE(i);
        {
            FilterPreview preview(doc.get(), &selection);
            for (const Step& step : sequences[i]) {
                std::unique_ptr<Filter> filter;
                if (step.invert) {
                    filter = std::make_unique<InvertFilter>();
                } else {
                    filter = std::make_unique<LevelsFilter>(gammaLevels(0.6));
                }
                ASSERT_EQ(preview.update(std::move(filter), false), 1);
                EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), *step.shows);
            }
            preview.cancel();
        }
        EXPECT_EQ(pixelsOf(*doc, 0).exportPackedBitmap(), before);
    }
}

// --- preview --------------------------------------------------------------------------------

// Each update shows the current values applied once to the original, never on top of the
// previous preview; Cancel leaves the layer byte-identical and records nothing.
TEST_F(FilterOnDocument, PreviewAppliesFreshAndCancelRestores) {
    auto mask = maskImage(6, 5, [](int x, int y) { return (x + y) % 3 == 0 ? 0 : 40 * x + 20; });
    selectCoverage(selection, doc->size(), {2, 3, 8, 8}, *mask);
    auto expectedFor = [&](double gamma) {
        auto img = cloneOf(*original);
        const CoverageMask cover{selection.mask(), selection.bounds().topLeft()};
        EXPECT_EQ(LevelsFilter(gammaLevels(gamma)).apply(*img, &cover), 1);
        return img;
    };
    {
        FilterPreview preview(doc.get(), &selection);
        // The dialog opens with neutral values: nothing is applied.
        EXPECT_EQ(preview.update(std::make_unique<LevelsFilter>(LevelsParams{}), true), 1);
        EXPECT_TRUE(preview.hasAction());
        EXPECT_FALSE(preview.action()->hasSnapshot());
        EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));

        for (double gamma : {1.8, 0.4, 2.5, 1.0}) {
            ASSERT_EQ(preview.update(std::make_unique<LevelsFilter>(gammaLevels(gamma)), false), 1);
            EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *expectedFor(gamma))) << gamma;
        }
        EXPECT_EQ(preview.action()->name(), "Levels");
        preview.cancel();
        EXPECT_FALSE(preview.hasAction());
    }
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
    EXPECT_FALSE(doc->isModified()) << "a cancelled preview leaves the document unmodified";
    EXPECT_EQ(history.count(), 0);
}

TEST_F(FilterOnDocument, PreviewHandedOverAsAlreadyExecuted) {
    FilterPreview preview(doc.get(), &selection);
    ASSERT_EQ(preview.update(std::make_unique<BrightnessContrastFilter>(30, 20), false), 1);
    ASSERT_EQ(preview.update(std::make_unique<BrightnessContrastFilter>(-10, 50), false), 1);
    auto applied = cloneOf(pixelsOf(*doc, 0));
    ASSERT_EQ(history.perform(preview.take(), true), 1);
    EXPECT_FALSE(preview.hasAction());
    EXPECT_EQ(history.count(), 1);
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *applied)) << "recording does not apply again";
    EXPECT_TRUE(doc->isModified());

    ASSERT_EQ(history.undo(), 1);
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
    ASSERT_EQ(history.redo(), 1);
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *applied));
}

// OK straight away: one state that changes nothing, whose undo and redo change nothing.
TEST_F(FilterOnDocument, NeutralPreviewRecordedAtOnce) {
    FilterPreview preview(doc.get(), &selection);
    ASSERT_EQ(preview.update(std::make_unique<LevelsFilter>(LevelsParams{}), true), 1);
    ASSERT_EQ(history.perform(preview.take(), true), 1);
    EXPECT_EQ(history.stateAt(0)->name(), "Levels");
    history.undo();
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
    history.redo();
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
}

// Neutral values show the layer as it was, also after other values were previewed, and the
// state recorded for them stays so through undo and redo, even for a filter whose identity rounds
// (Hue/Saturation at all zeros moves some pixels by one through the HSL round trip).
TEST_F(FilterOnDocument, NeutralValuesShowAndKeepTheLayerAsItWas) {
    auto roundTrip = cloneOf(*original);
    ASSERT_EQ(HueSaturationFilter(HueSaturationParams{}).apply(*roundTrip, nullptr), 1);
    ASSERT_FALSE(samePixels(*roundTrip, *original)) << "the fixture must show the rounding";

    for (bool previewedFirst : {false, true}) {
        History h(20);
        FilterPreview preview(doc.get(), &selection);
        ASSERT_EQ(
            preview.update(std::make_unique<HueSaturationFilter>(HueSaturationParams{}), true), 1);
        if (previewedFirst) {
            HueSaturationParams p;
            p.hue[kMaster] = 40;
            ASSERT_EQ(preview.update(std::make_unique<HueSaturationFilter>(p), false), 1);
            ASSERT_FALSE(samePixels(pixelsOf(*doc, 0), *original));
            ASSERT_EQ(
                preview.update(std::make_unique<HueSaturationFilter>(HueSaturationParams{}), true),
                1);
        }
        EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original)) << previewedFirst;
        ASSERT_EQ(h.perform(preview.take(), true), 1);
        h.undo();
        EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original)) << previewedFirst;
        h.redo();
        EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original)) << previewedFirst;
    }
}

// The one-pass re-application is only used when the last application changed nothing outside the
// new processing rectangle; an area filter that changed the whole layer forces a full restore.
TEST_F(FilterOnDocument, ReapplyAfterAWholeLayerChange) {
    selection.setShape({1, 1, 5, 5}, false);
    FilterAction action(doc.get(), &selection, nullptr);
    auto step = std::make_unique<StepFilter>(7, "Blur");
    step->setInternal(true);
    action.setFilter(std::move(step));
    ASSERT_EQ(action.reapply(), 1);
    EXPECT_NE(pixelAt(pixelsOf(*doc, 0), 10, 9), pixelAt(*original, 10, 9));

    action.setFilter(std::make_unique<InvertFilter>());
    ASSERT_EQ(action.reapply(), 1);
    EXPECT_EQ(pixelAt(pixelsOf(*doc, 0), 10, 9), pixelAt(*original, 10, 9));
    EXPECT_EQ(pixelAt(pixelsOf(*doc, 0), 2, 2), inverted(pixelAt(*original, 2, 2)));

    // Switching the preview off puts everything back.
    ASSERT_EQ(action.revert(), 1);
    EXPECT_TRUE(samePixels(pixelsOf(*doc, 0), *original));
}

// --- commands ---------------------------------------------------------------------------------

TEST_F(FilterOnDocument, AutoLevelsCountsWithinTheSelection) {
    // Red spans 20 … 200 inside the selection; outside it a red of 0 that must not count.
    ColorImage& px = pixelsOf(*doc, 0);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool inside = x >= 2 && x < 10 && y >= 2 && y < 8;
            px.pixels(y)[x] = {100, 100, uint8_t(inside ? (x < 6 ? 20 : 200) : 0)};
        }
    }
    selection.setShape({2, 2, 10, 8}, false);
    ASSERT_EQ(runAutoLevels(target), 1);
    EXPECT_EQ(history.stateAt(0)->name(), "Auto Levels");
    EXPECT_EQ(px.pixels(3)[3].r, 0);
    EXPECT_EQ(px.pixels(3)[8].r, 255);
    EXPECT_EQ(px.pixels(0)[0].r, 0) << "outside the selection: untouched";
    EXPECT_EQ(px.pixels(3)[3].g, 100) << "green has one value: identity";
}

TEST_F(FilterOnDocument, LastFilterRepeatsTheLastAreaFilter) {
    EXPECT_EQ(runLastFilter(target), 0) << "empty slot";
    ASSERT_EQ(runFilterCommand(target, std::make_unique<StepFilter>(5, "Blur")), 1);
    ASSERT_EQ(runFilterCommand(target, std::make_unique<LevelsFilter>(gammaLevels(1.5))), 1);
    EXPECT_EQ(lastFilterMenuText(), "Blur");
    auto before = cloneOf(pixelsOf(*doc, 0));
    ASSERT_EQ(runLastFilter(target), 1);
    EXPECT_EQ(history.stateAt(2)->name(), "Blur");
    EXPECT_EQ(pixelAt(pixelsOf(*doc, 0), 0, 0).b, uint8_t(pixelAt(*before, 0, 0).b + 5));
    EXPECT_EQ(history.count(), 3);
}

}  // namespace
}  // namespace varnel
