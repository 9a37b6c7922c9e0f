// The actions' own rules beyond the digest property: the clamps on construction, acting on the
// recorded layer whatever is active at redo, the same layer object leaving and returning, refusals
// that record nothing, and the byte sizes of the undo data.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "action_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "history/channel_actions.h"
#include "history/geometry_actions.h"
#include "history/history.h"
#include "history/layer_actions.h"
#include "history/merge_actions.h"
#include "history/pixel_actions.h"
#include "history/selection_actions.h"
#include "platform/pixel_memory.h"

namespace varnel {
namespace {

using testing::digestOf;
using testing::makeDocument;
using testing::selectSoftEllipse;

class Actions : public ::testing::Test {
protected:
    void SetUp() override {
        doc = makeDocument();
        ASSERT_TRUE(doc);
        selection.resetCanvas(doc->size());
        selectSoftEllipse(selection, doc->size());
    }
    uint64_t digest() const { return digestOf(*doc, selection); }

    std::unique_ptr<Document> doc;
    Selection selection;
    History history{20};
};

TEST_F(Actions, SelectionParametersClampedOnConstruction) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double given;
        double kept;
    } feathers[] = {{0, 0.1},   {-3, 0.1},  {0.1, 0.1}, {0.5, 0.5},
                    {250, 250}, {900, 250}, {nan, 0.1}};
    for (const auto& f : feathers) {
        FeatherAction a(doc.get(), &selection, f.given);
        EXPECT_EQ(a.radius(), f.kept) << f.given;
    }
    const struct {
        int32_t given;
        int32_t kept;
    } pixels[] = {{0, 1}, {-5, 1}, {1, 1}, {37, 37}, {100, 100}, {500, 100}};
    for (const auto& p : pixels) {
        EXPECT_EQ(ExpandAction(doc.get(), &selection, p.given).pixels(), p.kept);
        EXPECT_EQ(ContractAction(doc.get(), &selection, p.given).pixels(), p.kept);
        EXPECT_EQ(BorderAction(doc.get(), &selection, p.given).width(), p.kept);
    }
}

TEST_F(Actions, LayerActionsRedoOnTheRecordedLayerNotTheActiveOne) {
    LayerStack& stack = doc->layers();
    const LayerItem* plain = stack.layerAt(2);
    ASSERT_EQ(history.perform(
                  std::make_unique<OpacityChangeAction>(doc.get(), &selection, 2, uint8_t(10))),
              1);
    ASSERT_EQ(history.perform(std::make_unique<ClearAction>(doc.get(), &selection, 2, ColorRef(0))),
              1);
    const uint64_t after = digest();
    history.undo();
    history.undo();
    stack.setActiveLayer(stack.layerAt(0));  // the palette's choice: not recorded
    history.redo();
    history.redo();
    EXPECT_EQ(static_cast<const EmptyLayer*>(plain)->masterOpacity(), 10);
    EXPECT_NE(static_cast<const RasterLayer*>(plain)->transparency(), nullptr);
    EXPECT_EQ(stack.activeIndex(), 0) << "redo leaves the active layer alone";
    stack.setActiveLayer(stack.layerAt(1));
    EXPECT_EQ(digest(), after);
}

TEST_F(Actions, MergeDownRedoneOnTheRecordedLayer) {
    LayerStack& stack = doc->layers();
    ASSERT_EQ(history.perform(std::make_unique<MergeDownAction>(doc.get(), &selection, 2)), 1);
    const uint64_t after = digest();
    history.undo();
    stack.setActiveLayer(stack.layerAt(3));
    ASSERT_EQ(history.redo(), 1);
    EXPECT_EQ(digest(), after);
}

TEST_F(Actions, DeleteLayerKeepsTheSameObjectAndNeverCopiesIt) {
    LayerStack& stack = doc->layers();
    LayerItem* layer = stack.layerAt(1);
    auto owned = std::make_unique<DeleteLayerAction>(doc.get(), &selection, 1);
    DeleteLayerAction* action = owned.get();
    ASSERT_EQ(history.perform(std::move(owned)), 1);
    EXPECT_EQ(action->keptLayer(), layer);
    EXPECT_EQ(action->byteSize(), layerBytes(*layer));
    EXPECT_FALSE(stack.contains(layer));
    history.undo();
    EXPECT_EQ(stack.layerAt(1), layer);
    EXPECT_EQ(action->byteSize(), 0u) << "the layer belongs to the document again";
    history.redo();
    EXPECT_EQ(action->keptLayer(), layer);
}

TEST_F(Actions, TheLastLayerIsNeverDeleted) {
    auto single = makeDocument(true);
    Selection none(single->size());
    EXPECT_EQ(history.perform(std::make_unique<DeleteLayerAction>(single.get(), &none, 0)), 0);
    EXPECT_EQ(single->layers().count(), 1);
    EXPECT_EQ(history.count(), 0);
}

TEST_F(Actions, ClearWithoutAPlaneLeavesNoPlaneAfterUndo) {
    const auto* plain = doc->layers().rasterAt(2);
    ASSERT_FALSE(plain->hasTransparency());
    ASSERT_EQ(history.perform(std::make_unique<ClearAction>(doc.get(), &selection, 2, ColorRef(0))),
              1);
    EXPECT_TRUE(plain->hasTransparency());
    history.undo();
    EXPECT_FALSE(plain->hasTransparency());
}

TEST_F(Actions, RefusedActionsRecordNothing) {
    Selection empty(doc->size());
    doc->channels().push_back(std::make_unique<Channel>());
    doc->channels().back()->createGray(5, 5);  // a channel that no longer fits the canvas
    const int misfit = int(doc->channels().size()) - 1;
    const uint64_t before = digest();
    struct {
        const char* label;
        HistoryAction* action;  // handed to the history below
    } refused[] = {
        {"clear with nothing selected", new ClearAction(doc.get(), &empty, 1, ColorRef(0))},
        {"clear on the empty layer", new ClearAction(doc.get(), &selection, 4, ColorRef(0))},
        {"clear on the hidden layer", new ClearAction(doc.get(), &selection, 3, ColorRef(0))},
        {"fill a layer that is not there",
         new FillAction(doc.get(), &selection, 9, FillSettings{})},
        {"blend mode out of range", new BlendingChangeAction(doc.get(), &selection, 2, 19)},
        {"rename a layer that is not there",
         new LayerPropertiesAction(doc.get(), &selection, 7, "x")},
        {"save with nothing selected", new SaveSelectionAction(doc.get(), &empty, 0, "", 0)},
        {"save into a channel of another size",
         new SaveSelectionAction(doc.get(), &selection, misfit, "", 1)},
        {"save with an unknown operation",
         new SaveSelectionAction(doc.get(), &selection, 0, "", 9)},
        {"load a channel that no longer fits",
         new LoadSelectionAction(doc.get(), &selection, misfit, false, 0)},
        {"load with an unknown operation",
         new LoadSelectionAction(doc.get(), &selection, 0, false, 4)},
        {"load a channel that is not there",
         new LoadSelectionAction(doc.get(), &selection, 8, false, 0)},
        {"merge down the bottom layer", new MergeDownAction(doc.get(), &selection, 0)},
        {"merge layers with one layer",
         new MergeLayersAction(doc.get(), &selection, std::vector<int>{1})},
        {"rotate by 45 degrees", new RotateCanvasAction(doc.get(), &selection, 45.0)},
        {"trim with several layers", new TrimAction(doc.get(), &selection)},
        {"order moving the background", new LayerOrderAction(doc.get(), &selection, 0, 2)},
        {"order putting a layer under the background",
         new LayerOrderAction(doc.get(), &selection, 3, 0)},
        {"order onto its own place", new LayerOrderAction(doc.get(), &selection, 2, 2)},
        {"order beyond the top", new LayerOrderAction(doc.get(), &selection, 1, 5)},
    };
    for (auto& r : refused) {
        EXPECT_EQ(history.perform(std::unique_ptr<HistoryAction>(r.action)), 0) << r.label;
        EXPECT_EQ(digest(), before) << r.label;
        EXPECT_EQ(history.count(), 0) << r.label;
    }
    EXPECT_FALSE(doc->isModified());
}

TEST_F(Actions, SaveSelectionIndexClampedAndNewChannelTakenBackOnUndo) {
    const struct {
        int given;
        int kept;
    } indices[] = {{-4, 0}, {0, 0}, {1, 1}, {2, 2}, {7, 2}};
    for (const auto& i : indices)
        EXPECT_EQ(SaveSelectionAction(doc.get(), &selection, i.given, "", 0).channelIndex(),
                  i.kept);
    ASSERT_EQ(
        history.perform(std::make_unique<SaveSelectionAction>(doc.get(), &selection, 5, "Mine", 0)),
        1);
    ASSERT_EQ(doc->channels().size(), 3u);
    EXPECT_EQ(doc->channels()[2]->name(), "Mine");
    history.undo();
    EXPECT_EQ(doc->channels().size(), 2u);
    history.redo();
    EXPECT_EQ(doc->channels()[2]->name(), "Mine");
}

TEST_F(Actions, GeometryRemovesTheSelectionAndUndoBringsItBack) {
    const Rect bounds = selection.bounds();
    ASSERT_EQ(history.perform(std::make_unique<CropAction>(doc.get(), &selection)), 1);
    EXPECT_EQ(doc->size(), bounds.size());
    EXPECT_TRUE(selection.isEmpty());
    EXPECT_EQ(selection.canvasSize(), doc->size());
    history.undo();
    EXPECT_EQ(selection.bounds(), bounds);
    EXPECT_EQ(selection.canvasSize(), (Size{24, 18}));
}

TEST_F(Actions, FilterRecordedLayerAndByteSizes) {
    // A filter keeps the layer's pixels under the selection's bounds; a quarter turn the storage it
    // replaced (every layer's pixels and planes and every channel: the whole image) and the
    // selection; the history adds them up.
    const RasterLayer* offset = doc->layers().rasterAt(1);
    ASSERT_EQ(history.perform(std::make_unique<FilterAction>(doc.get(), &selection,
                                                             std::make_unique<InvertFilter>())),
              1);
    const size_t filterBytes = history.stateAt(0)->byteSize();
    EXPECT_EQ(filterBytes,
              static_cast<const FilterAction*>(history.stateAt(0))->snapshot()->imageBytes());
    EXPECT_LT(filterBytes, offset->pixels().imageBytes());
    size_t image = 0;
    for (int i = 0; i < doc->layers().count(); ++i) image += layerBytes(*doc->layers().layerAt(i));
    for (const auto& c : doc->channels()) image += c->imageBytes();
    ASSERT_TRUE(selection.mask());
    const size_t mask = selection.mask()->imageBytes();
    ASSERT_EQ(history.perform(std::make_unique<RotateCanvasAction>(doc.get(), &selection, 90.0)),
              1);
    const size_t geometryBytes = history.stateAt(1)->byteSize();
    EXPECT_EQ(geometryBytes, image + mask) << "the replaced image and the selection's mask";
    EXPECT_EQ(history.byteSize(), filterBytes + geometryBytes);
    history.undo();
    EXPECT_EQ(history.stateAt(1)->byteSize(), 0u) << "the storage belongs to the image again";
    history.redo();
    EXPECT_EQ(history.stateAt(1)->byteSize(), geometryBytes);
    history.undo();
    history.undo();
    ASSERT_EQ(history.perform(std::make_unique<DeselectAction>(doc.get(), &selection)), 1);
    EXPECT_EQ(history.count(), 1) << "the undone states were discarded";
    EXPECT_EQ(history.byteSize(), selection.isEmpty() ? history.stateAt(0)->byteSize() : 0u);
}

TEST_F(Actions, GeometryUndoDataIsWhatTheChangeReplaced) {
    // Bytes of the layers and channels, as the image holds them now.
    const auto imageBytes = [&](bool withBackground, bool withOthers, bool withChannels) {
        size_t bytes = 0;
        for (int i = 0; i < doc->layers().count(); ++i) {
            const bool background = doc->layers().isBackgroundAt(i);
            if (background ? withBackground : withOthers)
                bytes += layerBytes(*doc->layers().layerAt(i));
        }
        if (withChannels)
            for (const auto& c : doc->channels()) bytes += c->imageBytes();
        return bytes;
    };
    const size_t mask = selection.mask()->imageBytes();
    ImageSizeParams resolutionOnly = ImageSizeParams::of(*doc);
    resolutionOnly.resolution = 300;
    const struct {
        const char* label;
        std::function<std::unique_ptr<HistoryAction>()> make;
        size_t kept;  // besides the selection's mask
        bool deselects = true;
    } cases[] = {
        {"flip: undone by flipping again",
         [&] { return std::make_unique<FlipCanvasAction>(doc.get(), &selection, false); }, 0},
        {"half turn: undone by turning again",
         [&] { return std::make_unique<RotateCanvasAction>(doc.get(), &selection, -180.0); }, 0},
        {"image size: every layer and channel resampled",
         [&] {
             ImageSizeParams p = ImageSizeParams::of(*doc);
             p.width = 12;
             p.height = 30;
             return std::make_unique<ImageSizeAction>(doc.get(), &selection, p);
         },
         imageBytes(true, true, true)},
        {"resolution only: no pixels",
         [&] { return std::make_unique<ImageSizeAction>(doc.get(), &selection, resolutionOnly); },
         0, false},
        {"canvas size: the background and the channels, other layers only move",
         [&] {
             auto p = CanvasSizeParams::forAnchor(*doc, {40, 20}, kAnchorCenter, 0);
             return std::make_unique<CanvasSizeAction>(doc.get(), &selection, p);
         },
         imageBytes(true, false, true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const uint64_t before = digest();
        const size_t kept = c.kept;
        ASSERT_EQ(history.perform(c.make()), 1);
        EXPECT_EQ(history.stateAt(history.current())->byteSize(), kept + (c.deselects ? mask : 0));
        history.undo();
        EXPECT_EQ(digest(), before);
        EXPECT_EQ(history.stateAt(history.current() + 1)->byteSize(), 0u)
            << "everything belongs to the image again";
    }
}

// Image Size removes the selection when the pixel size changes (it would no longer fit the
// pixels) and keeps it when only the resolution or its unit changes; undo and redo follow.
TEST_F(Actions, ImageSizeDeselectsOnlyWhenThePixelSizeChanges) {
    const struct {
        const char* label;
        int32_t width;
        float resolution;
        int32_t unit;
        bool deselects;
    } cases[] = {
        {"resolution", doc->width(), 300, 0, false},
        {"resolution unit", doc->width(), 72, 1, false},
        {"width", doc->width() + 3, 72, 0, true},
        {"width and resolution", doc->width() - 2, 150, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        SetUp();
        ASSERT_FALSE(selection.isEmpty());
        const Rect selected = selection.bounds();
        const uint64_t before = digest();
        ImageSizeParams p = ImageSizeParams::of(*doc);
        p.width = c.width;
        p.resolution = c.resolution;
        p.resolutionUnit = c.unit;
        ASSERT_EQ(history.perform(std::make_unique<ImageSizeAction>(doc.get(), &selection, p)), 1);
        EXPECT_EQ(doc->resolution(), c.resolution);
        EXPECT_EQ(doc->resolutionUnit(), c.unit);
        EXPECT_EQ(selection.isEmpty(), c.deselects);
        if (!c.deselects) {
            EXPECT_EQ(selection.bounds(), selected);
        }
        ASSERT_EQ(history.undo(), 1);
        EXPECT_EQ(digest(), before);
        ASSERT_EQ(history.redo(), 1);
        EXPECT_EQ(selection.isEmpty(), c.deselects);
        EXPECT_EQ(doc->resolution(), c.resolution);
        history.clear();
    }
}

TEST_F(Actions, FailedGeometryChangesRecordAndKeepNothing) {
    // A shortage of memory at the change's first new surface (nothing selected, so that nothing
    // else allocates before it), and a layer whose position would overflow once the background
    // has been re-framed: the action fails, the image and the selection stay as they were, and
    // nothing is recorded.
    Selection none(doc->size());
    EmptyLayer* far = doc->layers().newEmptyLayer();
    ASSERT_TRUE(far);
    far->setOffset({std::numeric_limits<int32_t>::max() - 1, 0});
    doc->layers().setActiveLayer(doc->layers().layerAt(1));
    ImageSizeParams smaller = ImageSizeParams::of(*doc);
    smaller.width = 12;
    const struct {
        const char* label;
        bool failMemory;
        std::function<std::unique_ptr<HistoryAction>()> make;
    } cases[] = {
        {"image size", true,
         [&] { return std::make_unique<ImageSizeAction>(doc.get(), &none, smaller); }},
        {"rotate 270", true,
         [&] { return std::make_unique<RotateCanvasAction>(doc.get(), &none, 270.0); }},
        {"canvas size", false,
         [&] {
             auto p = CanvasSizeParams::forAnchor(*doc, {30, 20}, kAnchorRight, 0);
             return std::make_unique<CanvasSizeAction>(doc.get(), &selection, p);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const uint64_t before = digest();
        const uint64_t beforeNone = digestOf(*doc, none);
        auto action = c.make();
        if (c.failMemory) platform::failNextAllocations(1);
        EXPECT_EQ(history.perform(std::move(action)), 0);
        platform::failNextAllocations(0);
        EXPECT_EQ(digest(), before);
        EXPECT_EQ(digestOf(*doc, none), beforeNone);
        EXPECT_EQ(history.count(), 0);
    }
    EXPECT_FALSE(doc->isModified());
}

TEST_F(Actions, MergesKeepTheRemovedLayersThemselves) {
    LayerStack& stack = doc->layers();
    LayerItem* offset = stack.layerAt(1);
    LayerItem* plain = stack.layerAt(2);
    const size_t bytes = layerBytes(*offset) + layerBytes(*plain);
    const uint64_t before = digest();
    auto owned = std::make_unique<MergeLayersAction>(doc.get(), &selection, std::vector<int>{2, 1});
    MergeLayersAction* action = owned.get();
    ASSERT_EQ(history.perform(std::move(owned)), 1);
    EXPECT_EQ(action->byteSize(), bytes);
    EXPECT_FALSE(stack.contains(offset));
    history.undo();
    EXPECT_EQ(stack.layerAt(1), offset) << "the same objects come back";
    EXPECT_EQ(stack.layerAt(2), plain);
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(action->byteSize(), 0u);
    // Flatten takes every layer out, the empty one and the hidden one included.
    std::vector<const LayerItem*> all;
    for (int i = 0; i < stack.count(); ++i) all.push_back(stack.layerAt(i));
    ASSERT_EQ(history.perform(std::make_unique<FlattenImageAction>(doc.get(), &selection)), 1);
    EXPECT_EQ(stack.count(), 1);
    history.undo();
    ASSERT_EQ(stack.count(), int(all.size()));
    for (int i = 0; i < stack.count(); ++i) EXPECT_EQ(stack.layerAt(i), all[size_t(i)]) << i;
    EXPECT_EQ(digest(), before);
}

}  // namespace
}  // namespace varnel
