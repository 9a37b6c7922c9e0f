#include "tools/marquee_geometry.h"

#include <gtest/gtest.h>

#include <ostream>

namespace varnel {

std::ostream& operator<<(std::ostream& os, const Rect& r) {
    return os << "[" << r.left << "," << r.top << " - " << r.right << "," << r.bottom << ")";
}

namespace {

ZoomScroller scrollerOf(Size image, Size client, float zoom) {
    ZoomScroller s;
    s.setImageSize(image.width, image.height);
    s.setClientSize(client.width, client.height);
    s.setZoom(zoom, false, false);
    return s;
}

// The image rectangle a marquee drag selects.
Rect selects(const ZoomScroller& s, Point start, Point pointer, bool square = false,
             bool fromCentre = false) {
    const Point from = clampToArea(start, visibleImageArea(s));
    return imageRectOf(s, marqueeRect(s, from, pointer, square, fromCentre));
}

TEST(MarqueeGeometry, DragsTakeThePixelUnderThePointerOnlyTowardsRightAndDown) {
    // A 1600 × 1200 image drawn from client (0, 0) in a 400 × 300 view.
    struct Case {
        float zoom;
        Point start, pointer;
        Rect image;
    } cases[] = {
        // Right and down: the pointer's pixel is in.
        {1.0f, {10, 10}, {13, 13}, {10, 10, 14, 14}},
        {4.0f, {10, 10}, {13, 13}, {2, 2, 4, 4}},
        {0.25f, {10, 10}, {13, 13}, {40, 40, 56, 56}},
        // Left and up: the rectangle ends at the pointer.
        {1.0f, {13, 13}, {10, 10}, {10, 10, 13, 13}},
        {0.25f, {13, 13}, {10, 10}, {40, 40, 52, 52}},
        // Above 100 % the edges follow the image pixels: both end pixels are whole.
        {4.0f, {13, 13}, {10, 10}, {2, 2, 4, 4}},
        {4.0f, {9, 15}, {22, 15}, {2, 3, 6, 4}},
        // Mixed directions.
        {1.0f, {50, 20}, {30, 40}, {30, 20, 50, 41}},
    };
    for (const Case& c : cases) {
        ZoomScroller s = scrollerOf({1600, 1200}, {400, 300}, c.zoom);
        EXPECT_EQ(selects(s, c.start, c.pointer), c.image)
            << "zoom " << c.zoom << " from " << c.start.x << "," << c.start.y;
    }
}

TEST(MarqueeGeometry, ClickAndEdgeDragsSelectNothing) {
    ZoomScroller s = scrollerOf({200, 150}, {400, 300}, 1.0f);  // image at (100, 75)
    EXPECT_TRUE(selects(s, {150, 100}, {150, 100}).isEmpty());
    // Along the right edge: both ends are clamped onto it.
    EXPECT_TRUE(selects(s, {350, 100}, {390, 200}).isEmpty());
    // A drag ending outside the canvas stops at its edge.
    EXPECT_EQ(selects(s, {150, 100}, {380, 290}), (Rect{50, 25, 200, 150}));
    EXPECT_EQ(selects(s, {150, 100}, {5, 5}), (Rect{0, 0, 50, 25}));
}

TEST(MarqueeGeometry, ShiftKeepsTheStartCornerOfASquare) {
    ZoomScroller s = scrollerOf({1600, 1200}, {400, 300}, 1.0f);
    struct Case {
        Point start, pointer;
        Rect image;
    } cases[] = {
        {{100, 100}, {159, 129}, {100, 100, 130, 130}},  // from top-left
        {{100, 100}, {40, 70}, {70, 70, 100, 100}},      // from bottom-right towards top-left
        {{100, 100}, {40, 129}, {70, 100, 100, 130}},    // from top-right
        {{100, 100}, {159, 70}, {100, 70, 130, 100}},    // from bottom-left
    };
    for (const Case& c : cases)
        EXPECT_EQ(selects(s, c.start, c.pointer, true), c.image) << c.pointer.x;
}

TEST(MarqueeGeometry, AltCentresOnTheStartAndClipsSymmetricallyAtTheCanvas) {
    ZoomScroller s = scrollerOf({1600, 1200}, {400, 300}, 1.0f);
    struct Case {
        Point start, pointer;
        bool square;
        Rect image;
    } cases[] = {
        {{100, 100}, {129, 109}, false, {70, 90, 130, 110}},
        {{100, 100}, {71, 91}, false, {71, 91, 129, 109}},
        // Near the left edge: a narrower rectangle, still centred on x = 10.
        {{10, 50}, {59, 59}, false, {0, 40, 20, 60}},
        // Over both edges: shrunk on each axis by its larger overhang.
        {{10, 5}, {40, 60}, false, {0, 0, 20, 10}},
        // With Shift as well: a square about the same centre.
        {{10, 50}, {59, 79}, true, {0, 40, 20, 60}},
        {{100, 100}, {159, 129}, true, {70, 70, 130, 130}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selects(s, c.start, c.pointer, c.square, true), c.image)
            << c.start.x << "," << c.start.y << " to " << c.pointer.x << "," << c.pointer.y;
}

TEST(MarqueeGeometry, CentredRectangleOnTheCanvasEdgeIsEmpty) {
    ZoomScroller s = scrollerOf({200, 150}, {400, 300}, 1.0f);  // image at (100, 75)
    // The start is clamped onto the right edge; about it nothing of the canvas is left.
    EXPECT_TRUE(selects(s, {390, 100}, {200, 200}, false, true).isEmpty());
}

TEST(MarqueeGeometry, SquareAboutCentreTrimsTheLongerSide) {
    EXPECT_EQ(squareAboutCentre({0, 0, 20, 60}), (Rect{0, 20, 20, 40}));
    EXPECT_EQ(squareAboutCentre({0, 0, 25, 10}), (Rect{7, 0, 17, 10}));
    EXPECT_EQ(squareAboutCentre({3, 4, 9, 10}), (Rect{3, 4, 9, 10}));
}

TEST(ZoomDrag, RectangleOfADragAndTheZoomItGives) {
    ZoomScroller s = scrollerOf({1600, 1200}, {400, 300}, 1.0f);
    const Rect area = visibleImageArea(s);
    // A 100 × 50 drag: the pointer's pixel is inside.
    Rect r = dragRect({100, 100}, {199, 149}, area);
    EXPECT_EQ(r, (Rect{100, 100, 200, 150}));
    s.zoomToRect(r, false);
    EXPECT_FLOAT_EQ(s.zoom(), std::min(401.0f / 100, 301.0f / 50));
    // Dragging up and left gives the same kind of rectangle, clamped to what is visible.
    EXPECT_EQ(dragRect({50, 40}, {-20, -9}, visibleImageArea(s)), (Rect{0, 0, 50, 40}));
}

}  // namespace
}  // namespace varnel
