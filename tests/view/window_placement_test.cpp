#include "view/window_placement.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

const WindowChrome kChrome{Size{8, 30}, 16, 16, 30};

TEST(InitialPlacement, LargestStepWhoseWindowFits) {
    const Rect area{0, 0, 1000, 800};
    const Rect candidate{5, 5, 995, 795};
    struct Case {
        Size image;
        float zoom;
        Rect outer;
    } cases[] = {
        {{400, 300}, 1.0f, {5, 5, 430, 352}},
        {{3000, 2000}, 0.25f, {5, 5, 780, 552}},    // 750 + 25 by 500 + 47
        {{100, 50}, 1.0f, {5, 5, 180, 172}},        // content raised to 150 × 120
        {{1, 1}, 1.0f, {5, 5, 180, 172}},           // a side below 2 stops at once
        {{30000, 30000}, 0.02f, {5, 5, 630, 652}},  // 600 + 25 by 600 + 47
    };
    for (const Case& c : cases) {
        InitialPlacement p = planInitialPlacement(area, candidate, c.image, kChrome);
        EXPECT_FLOAT_EQ(p.zoom, c.zoom) << c.image.width;
        EXPECT_EQ(p.outer, c.outer) << c.image.width;
    }
}

TEST(InitialPlacement, WindowIsLimitedToTheArea) {
    const Rect area{0, 0, 300, 260};
    InitialPlacement p = planInitialPlacement(area, Rect{5, 5, 295, 255}, {1000, 1000}, kChrome);
    EXPECT_LE(p.outer.right, 295);
    EXPECT_LE(p.outer.bottom, 255);
    // A candidate of the minimum 250 × 220 in an even smaller area: the zoom steps down until
    // the window and its margin of 30 fit (1/8: content 125 × 125, its width raised to 150).
    InitialPlacement q =
        planInitialPlacement(Rect{0, 0, 200, 200}, Rect{5, 5, 255, 225}, {1000, 1000}, kChrome);
    EXPECT_FLOAT_EQ(q.zoom, 0.125f);
    EXPECT_EQ(q.outer, (Rect{5, 5, 180, 177}));
}

TEST(CascadePlacer, StepsDownAndRightThenStartsColumns) {
    CascadePlacer placer;
    const Rect area{0, 0, 400, 350};
    std::vector<Point> offsets;
    for (int i = 0; i < 7; ++i) {
        Rect c = placer.next(area, 30, i > 0);
        offsets.push_back(c.topLeft());
        EXPECT_GE(c.width(), 250);
        EXPECT_GE(c.height(), 220);
    }
    const std::vector<Point> expected = {{5, 5},    {20, 35}, {35, 65}, {50, 95},
                                         {65, 125}, {15, 15}, {30, 45}};
    EXPECT_EQ(offsets, expected);
    // With no window open the cascade starts over.
    EXPECT_EQ(placer.next(area, 30, false).topLeft(), (Point{5, 5}));
}

TEST(CascadePlacer, TinyAreaRestartsInsteadOfRunningAway) {
    CascadePlacer placer;
    const Rect area{0, 0, 260, 230};
    for (int i = 0; i < 5; ++i) {
        Rect c = placer.next(area, 30, i > 0);
        EXPECT_EQ(c.topLeft(), (Point{5, 5})) << i;
    }
}

TEST(FitOnScreen, PlansTheLargestFittingWindow) {
    const Rect area{0, 0, 1000, 800};
    // Available 926 × 790 with the toolbox: the view may be 901 × 743.
    FitOnScreenPlan p = planFitOnScreen(area, true, Rect{}, kChrome, {1802, 1000}, 0.0001f);
    ASSERT_TRUE(p.apply);
    EXPECT_EQ(p.clientSize, (Size{918, 517}));
    EXPECT_EQ(p.topLeft, (Point{69, 5}));
    FitOnScreenPlan q = planFitOnScreen(area, false, Rect{}, kChrome, {10, 10}, 0.1f);
    ASSERT_TRUE(q.apply);
    EXPECT_EQ(q.clientSize, (Size{161 + 16, 161 + 16}));  // capped at 16x, 151 × 121 at least
    EXPECT_EQ(q.topLeft, (Point{5, 5}));
}

TEST(FitOnScreen, DoesNothingWhenItCannot) {
    EXPECT_FALSE(
        planFitOnScreen(Rect{0, 0, 150, 120}, false, Rect{}, kChrome, {10, 10}, 0.1f).apply);
    EXPECT_FALSE(
        planFitOnScreen(Rect{0, 0, 1000, 800}, false, Rect{5, 5, 995, 795}, kChrome, {10, 10}, 0.1f)
            .apply);
    // A 1 × 5000 image (minimum zoom 1) cannot fit 743 pixels high.
    EXPECT_FALSE(
        planFitOnScreen(Rect{0, 0, 1000, 800}, false, Rect{}, kChrome, {1, 5000}, 1.0f).apply);
}

}  // namespace
}  // namespace varnel
