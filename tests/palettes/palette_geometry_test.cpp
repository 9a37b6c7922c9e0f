#include "palettes/palette_geometry.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

Rect box(int32_t x, int32_t y, int32_t w, int32_t h) {
    return Rect::fromXYWH(x, y, w, h);
}

// A palette of 220 × 170 dragged near another palette at (500, 100) and inside a work area.
TEST(Snapping, MovedWindowsSnapToNeighboursAndContainers) {
    SnapTargets targets;
    targets.containers = {box(0, 0, 1600, 1000)};
    targets.neighbours = {box(500, 100, 220, 170)};
    const struct {
        const char* label;
        Rect proposed;
        Rect expected;
    } cases[] = {
        {"left edge 12 px right of the neighbour's right edge", box(732, 150, 220, 170),
         box(720, 150, 220, 170)},
        {"left edge 13 px away stays", box(733, 150, 220, 170), box(733, 150, 220, 170)},
        {"left edge overlapping the neighbour by 5", box(715, 150, 220, 170),
         box(720, 150, 220, 170)},
        {"right edge near the neighbour's left edge", box(275, 120, 220, 170),
         box(280, 120, 220, 170)},
        {"no overlap along the other axis: no snap", box(728, 300, 220, 170),
         box(728, 300, 220, 170)},
        {"top edge under the neighbour's bottom", box(520, 278, 220, 170), box(520, 270, 220, 170)},
        {"the work area's inner edges", box(-9, 1000 - 170 + 7, 220, 170),
         box(0, 1000 - 170, 220, 170)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(snapMovedRect(c.proposed, targets), c.expected);
    }
}

TEST(Snapping, NearestTargetWinsAndLeftComesBeforeRight) {
    SnapTargets targets;
    targets.neighbours = {box(0, 0, 100, 500), box(104, 0, 50, 500), box(400, 0, 100, 500)};
    // The left edge at 110 has the right edges at 100 (10 away) and 154 (44): 100 wins.
    EXPECT_EQ(snapMovedRect(box(110, 10, 100, 50), targets), box(100, 10, 100, 50));
    // The left edge at 108 snaps to 100; the right edge at 395 would snap to 400 as well, but
    // the left edge comes first.
    EXPECT_EQ(snapMovedRect(box(108, 10, 287, 50), targets), box(100, 10, 287, 50));
    // With the left edge far from anything, the right edge snaps.
    EXPECT_EQ(snapMovedRect(box(170, 10, 226, 50), targets), box(174, 10, 226, 50));
}

TEST(Snapping, SizingMovesOnlyTheDraggedEdgesAndKeepsTheMinimum) {
    SnapTargets targets;
    targets.neighbours = {box(500, 0, 100, 1000)};
    targets.containers = {box(0, 0, 1000, 800)};
    const Size minimum{220, 170};
    // The right edge dragged to 493 snaps to the neighbour at 500; the left edge stays.
    EXPECT_EQ(snapSizedRect(box(200, 100, 293, 200), kSnapRight, targets, minimum),
              box(200, 100, 300, 200));
    // Dragging the bottom edge near the work area's bottom.
    EXPECT_EQ(snapSizedRect(box(200, 100, 240, 694), kSnapBottom, targets, minimum),
              box(200, 100, 240, 700));
    // A snap that would make the window narrower than the minimum is not taken.
    EXPECT_EQ(snapSizedRect(box(285, 100, 224, 200), kSnapRight, targets, minimum),
              box(285, 100, 224, 200));
    // Undragged edges never snap, however close.
    EXPECT_EQ(snapSizedRect(box(3, 100, 240, 200), kSnapBottom, targets, minimum),
              box(3, 100, 240, 200));
}

TEST(Snapping, SizedRectFollowsThePointerDownToTheMinimum) {
    const Rect start = box(100, 100, 300, 300);
    EXPECT_EQ(sizedRect(start, kSnapLeft | kSnapTop, {-20, 30}, {220, 170}),
              Rect({80, 130, 400, 400}));
    EXPECT_EQ(sizedRect(start, kSnapRight, {-200, 0}, {220, 170}), box(100, 100, 220, 300));
    EXPECT_EQ(sizedRect(start, kSnapTop, {0, 250}, {220, 170}), Rect({100, 230, 400, 400}));
}

TEST(Snapping, BorderZones) {
    const Size s{220, 170};
    const struct {
        Point p;
        uint32_t edges;
    } cases[] = {
        {{100, 80}, kSnapNone},
        {{100, 1}, kSnapTop},
        {{5, 2}, kSnapTop | kSnapLeft},
        {{210, 0}, kSnapTop | kSnapRight},
        {{100, 168}, kSnapBottom},
        {{3, 169}, kSnapBottom | kSnapLeft},
        {{2, 40}, kSnapLeft},  // the upper part of a side sizes horizontally
        {{2, 160}, kSnapLeft | kSnapBottom},
        {{218, 100}, kSnapRight},
        {{219, 155}, kSnapRight | kSnapBottom},
        {{220, 100}, kSnapNone},
    };
    for (const auto& c : cases)
        EXPECT_EQ(borderEdgesAt(s, c.p, 4, 16), c.edges) << c.p.x << "," << c.p.y;
}

TEST(Snapping, AttachedWindowsAreCollectedThroughSharedEdges) {
    const std::vector<Rect> windows = {
        box(0, 0, 220, 170),      // 0
        box(220, 50, 220, 170),   // 1: beside 0
        box(220, 220, 220, 90),   // 2: under 1
        box(600, 0, 220, 170),    // 3: apart
        box(-220, 170, 220, 50),  // 4: touches 0 only at a corner
    };
    EXPECT_EQ(attachedWindows(windows, 0), (std::vector<int>{1, 2}));
    EXPECT_EQ(attachedWindows(windows, 2), (std::vector<int>{0, 1}));
    EXPECT_TRUE(attachedWindows(windows, 3).empty());
    EXPECT_TRUE(attachedWindows(windows, 4).empty());
    EXPECT_TRUE(attachedWindows(windows, 7).empty());
}

TEST(TabStrip, TabsTradePlacesOnceThePointerIsWhereTheDraggedTabWouldGo) {
    // Tabs at 5 … 45 and 45 … 105.
    const std::vector<int32_t> narrowFirst{40, 60};
    EXPECT_EQ(tabAt(narrowFirst, 4), -1);
    EXPECT_EQ(tabAt(narrowFirst, 44), 0);
    EXPECT_EQ(tabAt(narrowFirst, 45), 1);
    // The narrow tab dragged onto the wide one: after the exchange it would lie at 65 … 105.
    EXPECT_EQ(tabSwapTarget(narrowFirst, 0, 50), -1);
    EXPECT_EQ(tabSwapTarget(narrowFirst, 0, 64), -1);
    EXPECT_EQ(tabSwapTarget(narrowFirst, 0, 65), 1);
    // The wide tab dragged onto the narrow one trades at once: it would lie at 45 … 105.
    const std::vector<int32_t> wideFirst{60, 40};
    EXPECT_EQ(tabSwapTarget(wideFirst, 0, 65), 1);
    // Dragging back: the wide tab now second (45 … 105) over the narrow one (5 … 45).
    EXPECT_EQ(tabSwapTarget(narrowFirst, 1, 30), 0);
    // Over itself, outside the strip, or a bad index: nothing.
    EXPECT_EQ(tabSwapTarget(narrowFirst, 0, 20), -1);
    EXPECT_EQ(tabSwapTarget(narrowFirst, 0, 300), -1);
    EXPECT_EQ(tabSwapTarget(narrowFirst, 2, 20), -1);
}

}  // namespace
}  // namespace varnel
