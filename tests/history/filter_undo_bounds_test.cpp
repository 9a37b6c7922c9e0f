// What a filter step keeps for its undo, and that undo and redo stay exact with it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "action_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/kernel_filter.h"
#include "filters/stack_blur_filter.h"
#include "filters/tone_adjustments.h"
#include "history/history.h"

namespace varnel {
namespace {

using testing::digestOf;

struct FilterCase {
    const char* label;
    std::function<std::unique_ptr<Filter>()> make;
    bool wholeSurface = false;  // changes the whole layer whatever the selection
};

std::vector<FilterCase> filters() {
    LevelsParams levels;
    levels.gamma[0] = 1.6;
    levels.inBlack[0] = 20;
    HueSaturationParams hue;
    hue.hue[0] = 40;
    hue.saturation[0] = -30;
    ColorBalanceParams balance;
    balance.cyanRed[1] = 40;
    CurvesParams curves;
    curves.points[0] = {{0, 20}, {128, 90}, {255, 240}};
    return {
        {"Invert", [] { return std::make_unique<InvertFilter>(); }},
        {"Desaturate", [] { return std::make_unique<DesaturateFilter>(); }},
        {"Levels", [=] { return std::make_unique<LevelsFilter>(levels); }},
        {"Curves", [=] { return std::make_unique<CurvesFilter>(curves); }},
        {"Brightness/Contrast", [] { return std::make_unique<BrightnessContrastFilter>(30, 25); }},
        {"Hue/Saturation", [=] { return std::make_unique<HueSaturationFilter>(hue); }},
        {"Colorize", [] { return std::make_unique<ColorizeFilter>(200, 60, 10); }},
        {"Color Balance", [=] { return std::make_unique<ColorBalanceFilter>(balance); }},
        {"Blur", [] { return std::make_unique<BlurFilter>(); }},
        {"Blur More", [] { return std::make_unique<BlurMoreFilter>(); }},
        {"Sharpen", [] { return std::make_unique<SharpenFilter>(); }},
        {"Sharpen More", [] { return std::make_unique<SharpenMoreFilter>(); }},
        {"Gaussian Blur", [] { return std::make_unique<GaussianBlurFilter>(2.5); }},
        {"Stack Blur", [] { return std::make_unique<StackBlurFilter>(3); }, true},
    };
}

// Every filter within a rectangle and within a soft ellipse, on the background and on a layer
// hanging off the canvas's left edge: the step keeps only the selection's bounds on the layer
// (all of it for a filter that ignores the selection), and undo, redo and undo again give back
// every byte.
TEST(FilterUndoData, WithinASelectionOnlyTheSelectionsBoundsAreKept) {
    struct Selecting {
        const char* label;
        std::function<void(Selection&, Size)> select;
    } selections[] = {
        {"rectangle",
         [](Selection& s, Size canvas) {
             s.resetCanvas(canvas);
             s.setShape({4, 6, 13, 12}, false);
         }},
        {"soft ellipse", [](Selection& s, Size canvas) { testing::selectSoftEllipse(s, canvas); }},
    };
    for (const FilterCase& f : filters()) {
        for (const Selecting& sel : selections) {
            for (int layerIndex : {0, 1}) {
                SCOPED_TRACE(std::string(f.label) + ", " + sel.label + ", layer " +
                             std::to_string(layerIndex));
                auto doc = testing::makeDocument();
                Selection selection;
                sel.select(selection, doc->size());
                LayerStack& stack = doc->layers();
                stack.setActiveLayer(stack.layerAt(layerIndex));
                const size_t wholeLayer = stack.rasterAt(layerIndex)->pixels().imageBytes();
                const Point offset = stack.layerAt(layerIndex)->offset();
                const Rect expected =
                    Rect{selection.bounds().left - offset.x, selection.bounds().top - offset.y,
                         selection.bounds().right - offset.x, selection.bounds().bottom - offset.y}
                        .intersected(stack.rasterAt(layerIndex)->pixels().bounds());

                History history(20);
                const uint64_t before = digestOf(*doc, selection);
                auto action = std::make_unique<FilterAction>(doc.get(), &selection, f.make());
                const FilterAction* raw = action.get();
                ASSERT_EQ(history.perform(std::move(action)), 1);
                const uint64_t after = digestOf(*doc, selection);
                if (f.wholeSurface) {
                    EXPECT_EQ(raw->byteSize(), wholeLayer);
                } else {
                    EXPECT_EQ(raw->keptRect(), expected);
                    EXPECT_LT(raw->byteSize(), wholeLayer);
                    EXPECT_GE(raw->byteSize(), size_t(expected.width()) * expected.height() * 3);
                }

                ASSERT_EQ(history.undo(), 1);
                EXPECT_EQ(digestOf(*doc, selection), before);
                ASSERT_EQ(history.redo(), 1);
                EXPECT_EQ(digestOf(*doc, selection), after);
                ASSERT_EQ(history.undo(), 1);
                EXPECT_EQ(digestOf(*doc, selection), before);
            }
        }
    }
}

// A repeated Invert with nothing selected keeps nothing at all; an Invert within a selection
// keeps its part, and nothing else adds up.
TEST(FilterUndoData, RepeatedInvertWithNothingSelectedKeepsNothing) {
    auto doc = testing::makeDocument();
    Selection selection;
    selection.resetCanvas(doc->size());
    doc->layers().setActiveLayer(doc->layers().layerAt(0));
    History history(20);
    const uint64_t start = digestOf(*doc, selection);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(history.perform(std::make_unique<FilterAction>(doc.get(), &selection,
                                                                 std::make_unique<InvertFilter>())),
                  1);
    EXPECT_EQ(history.byteSize(), 0u);
    EXPECT_NE(digestOf(*doc, selection), start);
    while (history.canUndo()) history.undo();
    EXPECT_EQ(digestOf(*doc, selection), start);
}

// A step kept within one selection is not redone over a wider one: the layer stays as it is
// rather than holding changes its undo could not take back.
TEST(FilterUndoData, RedoUnderAWiderSelectionChangesNothing) {
    auto doc = testing::makeDocument();
    Selection selection;
    selection.resetCanvas(doc->size());
    selection.setShape({4, 6, 13, 12}, false);
    doc->layers().setActiveLayer(doc->layers().layerAt(0));
    History history(20);
    ASSERT_EQ(history.perform(std::make_unique<FilterAction>(doc.get(), &selection,
                                                             std::make_unique<BlurFilter>())),
              1);
    ASSERT_EQ(history.undo(), 1);
    selection.setShape({0, 0, 20, 15}, false);
    const uint64_t undone = digestOf(*doc, selection);
    EXPECT_EQ(history.redo(), 0);
    EXPECT_EQ(digestOf(*doc, selection), undone);
}

}  // namespace
}  // namespace varnel
