// Every action class on small documents with offsets, transparency planes, hidden and empty
// layers, saved channels and a soft selection: perform, undo and redo give back exactly the
// document they should, cycles never drift, and seeded random sequences of actions, undos and
// redos agree with a record of the digests.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <vector>

#include "action_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/kernel_filter.h"
#include "history/channel_actions.h"
#include "history/clipboard_actions.h"
#include "history/geometry_actions.h"
#include "history/history.h"
#include "history/layer_actions.h"
#include "history/merge_actions.h"
#include "history/pixel_actions.h"
#include "history/selection_actions.h"

namespace varnel {
namespace {

using testing::digestOf;
using testing::makeDocument;
using testing::selectSoftEllipse;

using Make = std::function<std::unique_ptr<HistoryAction>(Document&, Selection&)>;

template <typename A, typename... Args>
Make make(Args... args) {
    return [=](Document& d, Selection& s) -> std::unique_ptr<HistoryAction> {
        return std::make_unique<A>(&d, &s, args...);
    };
}

FillSettings fillWith(ColorRef color, int32_t mode, int32_t opacity, int32_t preserve = 0) {
    FillSettings f;
    f.color = Bgr::fromColorRef(color);
    f.mode = mode;
    f.opacity = opacity;
    f.preserveTransparency = preserve;
    return f;
}

struct Case {
    const char* label;
    const char* name;  // what name() must say
    Make make;
    bool changes = true;          // the digest after differs from the one before
    bool backgroundOnly = false;  // on the single-background image
    bool select = true;           // with the soft selection
};

std::vector<Case> cases() {
    std::vector<Case> c;
    c.push_back(
        {"invert", "Invert", [](Document& d, Selection& s) -> std::unique_ptr<HistoryAction> {
             return std::make_unique<FilterAction>(&d, &s, std::make_unique<InvertFilter>());
         }});
    c.push_back({"blur whole layer", "Blur",
                 [](Document& d, Selection& s) -> std::unique_ptr<HistoryAction> {
                     return std::make_unique<FilterAction>(&d, &s, std::make_unique<BlurFilter>());
                 },
                 true, false, false});
    c.push_back({"image size smaller", "Image Size", [](Document& d, Selection& s) {
                     ImageSizeParams p = ImageSizeParams::of(d);
                     p.width = 17;
                     p.height = 11;
                     p.resolution = 150;
                     return std::unique_ptr<HistoryAction>(
                         std::make_unique<ImageSizeAction>(&d, &s, p));
                 }});
    c.push_back({"image size larger, replicated", "Image Size", [](Document& d, Selection& s) {
                     ImageSizeParams p = ImageSizeParams::of(d);
                     p.width = 31;
                     p.height = 25;
                     p.method = kResampleNearestNeighbor;
                     return std::unique_ptr<HistoryAction>(
                         std::make_unique<ImageSizeAction>(&d, &s, p));
                 }});
    c.push_back(
        {"canvas size", "Canvas Size", [](Document& d, Selection& s) {
             auto p = CanvasSizeParams::forAnchor(d, {30, 13}, kAnchorBottomRight, 0x123456);
             return std::unique_ptr<HistoryAction>(std::make_unique<CanvasSizeAction>(&d, &s, p));
         }});
    c.push_back({"rotate 90", "Rotate Canvas", make<RotateCanvasAction>(90.0)});
    c.push_back({"rotate 180", "Rotate Canvas", make<RotateCanvasAction>(180.0)});
    c.push_back({"rotate 270", "Rotate Canvas", make<RotateCanvasAction>(270.0)});
    c.push_back({"flip horizontal", "Flip Canvas Horizontal", make<FlipCanvasAction>(true)});
    c.push_back({"flip vertical", "Flip Canvas Vertical", make<FlipCanvasAction>(false)});
    c.push_back({"crop", "Crop", make<CropAction>()});
    c.push_back({"trim", "Trim", make<TrimAction>(), true, true, false});
    c.push_back({"trim with a selection", "Trim", make<TrimAction>(), true, true, true});
    c.push_back({"clear on a plane", "Clear", make<ClearAction>(1, ColorRef(0x0000FF))});
    c.push_back({"clear creating a plane", "Clear", make<ClearAction>(2, ColorRef(0x0000FF))});
    c.push_back({"clear background", "Clear", make<ClearAction>(0, ColorRef(0x00FF00))});
    c.push_back({"fill selection", "Fill", make<FillAction>(1, fillWith(0xFF8000, 0, 70))});
    c.push_back({"fill whole offset layer", "Fill",
                 make<FillAction>(1, fillWith(0x00FF00, 12, 100)), true, false, false});
    c.push_back(
        {"fill keeping transparency", "Fill", make<FillAction>(1, fillWith(0x0080FF, 1, 50, 1))});
    c.push_back({"fill background", "Fill", make<FillAction>(0, fillWith(0x101010, 0, 100))});
    c.push_back(
        {"rename", "Layer Properties", make<LayerPropertiesAction>(3, std::string("Renamed"))});
    c.push_back({"blend mode", "Blending Change", make<BlendingChangeAction>(2, int32_t(5))});
    c.push_back({"blend mode unchanged", "Blending Change",
                 make<BlendingChangeAction>(2, int32_t(1)), false});
    c.push_back({"opacity", "Master Opacity Change", make<OpacityChangeAction>(1, uint8_t(40))});
    c.push_back({"opacity unchanged", "Master Opacity Change",
                 make<OpacityChangeAction>(2, uint8_t(180)), false});
    c.push_back({"new layer", "New Layer", make<NewLayerAction>(LayerProperties{"Fresh", 3, 99})});
    c.push_back({"duplicate", "Duplicate Layer", make<DuplicateLayerAction>(1, std::string())});
    c.push_back({"duplicate background", "Duplicate Layer",
                 make<DuplicateLayerAction>(0, std::string("Copy"))});
    c.push_back({"order up", "Layer Order", make<LayerOrderAction>(1, 4)});
    c.push_back({"order down", "Layer Order", make<LayerOrderAction>(3, 1)});
    c.push_back({"delete", "Delete Layer", make<DeleteLayerAction>(2)});
    c.push_back({"delete background", "Delete Layer", make<DeleteLayerAction>(0)});
    c.push_back({"merge layers", "Merge Layers", make<MergeLayersAction>(std::vector<int>{1, 2})});
    c.push_back({"merge down", "Merge Down", make<MergeDownAction>(2)});
    c.push_back({"merge visible", "Merge Visible", make<MergeVisibleAction>(1)});
    c.push_back({"flatten", "Flatten Image", [](Document& d, Selection& s) {
                     return std::unique_ptr<HistoryAction>(
                         std::make_unique<FlattenImageAction>(&d, &s));
                 }});
    c.push_back({"deselect", "Deselect", make<DeselectAction>()});
    c.push_back({"marquee", "Rectangular Marquee", make<MarqueeAction>(Rect{-4, 3, 9, 30}, false)});
    c.push_back({"ellipse", "Elliptical Marquee", make<MarqueeAction>(Rect{2, 2, 21, 11}, true)});
    c.push_back({"select all", "Select Canvas", make<SelectAllAction>()});
    c.push_back({"inverse", "Select Inverse", make<SelectInverseAction>()});
    c.push_back({"feather", "Feather", make<FeatherAction>(2.5)});
    c.push_back({"expand", "Expand", make<ExpandAction>(int32_t(2))});
    c.push_back({"contract", "Contract", make<ContractAction>(int32_t(1))});
    c.push_back({"border", "Border", make<BorderAction>(int32_t(2))});
    c.push_back({"grow", "Grow", make<GrowSimilarAction>(true, int32_t(60))});
    c.push_back({"similar", "Similar", make<GrowSimilarAction>(false, int32_t(60))});
    c.push_back(
        {"load selection", "Load Selection", make<LoadSelectionAction>(0, false, int32_t(0))});
    c.push_back(
        {"load inverted, added", "Load Selection", make<LoadSelectionAction>(1, true, int32_t(1))});
    c.push_back({"load into nothing, subtracted", "Load Selection",
                 make<LoadSelectionAction>(1, false, int32_t(2)), false, false, false});
    c.push_back({"save new channel", "Save Selection",
                 make<SaveSelectionAction>(2, std::string(), int32_t(0))});
    c.push_back({"save intersected", "Save Selection",
                 make<SaveSelectionAction>(0, std::string(), int32_t(3))});
    c.push_back({"cut", "Cut", [](Document& d, Selection& s) -> std::unique_ptr<HistoryAction> {
                     static ClipboardStore store;
                     return std::make_unique<CutAction>(&d, &s, 1, ColorRef(0x0000FF), &store);
                 }});
    // Pasted images hanging off the canvas's bottom-right and top-left corners.
    c.push_back({"paste with transparency", "Paste",
                 [](Document& d, Selection& s) -> std::unique_ptr<HistoryAction> {
                     std::mt19937 rng(11);
                     auto pixels = testing::noise(9, 6, rng);
                     Channel mask;
                     EXPECT_TRUE(mask.createGray(9, 6));
                     testing::fillNoise(mask, rng);
                     return std::make_unique<PasteAction>(&d, &s, *pixels, mask, Point{18, 14});
                 }});
    c.push_back({"paste opaque", "Paste",
                 [](Document& d, Selection& s) -> std::unique_ptr<HistoryAction> {
                     std::mt19937 rng(12);
                     auto pixels = testing::noise(7, 5, rng);
                     Channel none;
                     return std::make_unique<PasteAction>(&d, &s, *pixels, none, Point{-2, -3});
                 },
                 true, false, false});
    return c;
}

struct Scene {
    std::unique_ptr<Document> doc;
    Selection selection;
};

void prepare(Scene& s, const Case& c) {
    s.doc = makeDocument(c.backgroundOnly);
    ASSERT_TRUE(s.doc);
    s.selection.resetCanvas(s.doc->size());
    if (c.select) selectSoftEllipse(s.selection, s.doc->size());
}

TEST(ActionProperty, PerformUndoRedoGiveBackExactDigests) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.label);
        Scene s;
        prepare(s, c);
        History history(20);
        const uint64_t before = digestOf(*s.doc, s.selection);
        auto action = c.make(*s.doc, s.selection);
        EXPECT_EQ(action->name(), c.name);
        ASSERT_EQ(history.perform(std::move(action)), 1);
        const uint64_t after = digestOf(*s.doc, s.selection);
        EXPECT_EQ(after != before, c.changes);
        for (int cycle = 0; cycle < 3; ++cycle) {
            SCOPED_TRACE(cycle);
            ASSERT_EQ(history.undo(), 1);
            EXPECT_EQ(digestOf(*s.doc, s.selection), before);
            ASSERT_EQ(history.redo(), 1);
            EXPECT_EQ(digestOf(*s.doc, s.selection), after);
        }
    }
}

TEST(ActionProperty, ModifiedFlagOnlyForPixelsLayersAndGeometry) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.label);
        Scene s;
        prepare(s, c);
        s.doc->setModified(false);
        History history(20);
        ASSERT_EQ(history.perform(c.make(*s.doc, s.selection)), 1);
        auto* state = history.stateAt(0);
        const bool selectionOnly = dynamic_cast<const SelectionAction*>(state) ||
                                   dynamic_cast<const SaveSelectionAction*>(state);
        EXPECT_EQ(s.doc->isModified(), !selectionOnly);
        s.doc->setModified(false);
        history.undo();
        EXPECT_FALSE(s.doc->isModified()) << "undo never sets the flag";
    }
}

// Random sequences: each step performs one of the cases' actions (built on the current
// document), undoes or redoes. The digest after every step must equal the one recorded when the
// history was last at that position.
TEST(ActionProperty, SeededRandomSequencesAgreeWithTheRecordedDigests) {
    const std::vector<Case> all = cases();
    for (uint32_t seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        std::mt19937 rng(seed);
        Scene s;
        s.doc = makeDocument(false, seed);
        s.selection.resetCanvas(s.doc->size());
        selectSoftEllipse(s.selection, s.doc->size());
        History history(100);
        std::vector<uint64_t> digests{digestOf(*s.doc, s.selection)};  // index = current + 1
        std::ostringstream log;
        int performed = 0;
        for (int step = 0; step < 30; ++step) {
            const int roll = int(rng() % 10);
            if (roll < 2) {
                log << " undo";
                const bool could = history.canUndo();
                EXPECT_EQ(history.undo(), could ? 1 : 0);
            } else if (roll < 4) {
                log << " redo";
                const bool could = history.canRedo();
                EXPECT_EQ(history.redo(), could ? 1 : 0);
            } else {
                const Case& c = all[rng() % all.size()];
                log << " [" << c.label << "]";
                if (history.perform(c.make(*s.doc, s.selection)) == 1) {
                    ++performed;
                    digests.resize(size_t(history.current() + 1));
                    digests.push_back(digestOf(*s.doc, s.selection));
                } else {
                    log << "(refused)";
                }
            }
            ASSERT_EQ(digestOf(*s.doc, s.selection), digests[size_t(history.current() + 1)])
                << "seed " << seed << ", sequence:" << log.str();
        }
        EXPECT_GE(performed, 8) << "seed " << seed << ": too few actions applied:" << log.str();
        // Everything undone is the document the sequence started from.
        while (history.canUndo()) ASSERT_EQ(history.undo(), 1) << "seed " << seed << log.str();
        EXPECT_EQ(digestOf(*s.doc, s.selection), digests[0])
            << "seed " << seed << ", sequence:" << log.str();
    }
}

}  // namespace
}  // namespace varnel
