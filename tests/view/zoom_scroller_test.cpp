#include "view/zoom_scroller.h"

#include <gtest/gtest.h>

#include <cmath>

namespace varnel {
namespace {

// Records what the scroller asks of its view.
struct RecordingHost : ZoomScrollerHost {
    int invalidations = 0;
    int zoomChanges = 0;
    int barChanges = 0;
    Point scrolled;
    void scrollerInvalidate() override { ++invalidations; }
    void scrollerScrolled(int32_t dx, int32_t dy) override {
        scrolled.x += dx;
        scrolled.y += dy;
    }
    void scrollerBarsChanged() override { ++barChanges; }
    void scrollerZoomChanged() override { ++zoomChanges; }
};

ZoomScroller makeScroller(Size image, Size client, float zoom, ZoomScrollerHost* host = nullptr) {
    ZoomScroller s(host);
    s.setImageSize(image.width, image.height);
    s.setClientSize(client.width, client.height);
    s.setZoom(zoom, false, false);
    return s;
}

TEST(ZoomSteps, StepUpAndDown) {
    struct Case {
        float z, up, down;
    } cases[] = {
        {0.75f, 1.0f, 2.0f / 3},      {0.1f, 1.0f / 8, 1.0f / 12}, {16.0f, 16.0f, 12.0f},
        {20.0f, 16.0f, 16.0f},        {1.0f, 2.0f, 2.0f / 3},      {0.0001f, 0.0002f, 0.0001f},
        {0.00005f, 0.0001f, 0.0001f}, {1.0f / 3, 0.5f, 0.25f},     {12.5f, 16.0f, 12.0f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(zoomStepUp(c.z), c.up) << c.z;
        EXPECT_FLOAT_EQ(zoomStepDown(c.z), c.down) << c.z;
    }
}

TEST(ZoomSteps, TableIsStrictlyAscendingFromMinimumToMaximum) {
    EXPECT_FLOAT_EQ(kZoomSteps[0], kAbsoluteMinZoom);
    EXPECT_FLOAT_EQ(kZoomSteps[kZoomStepCount - 1], kDefaultMaxZoom);
    for (int i = 1; i < kZoomStepCount; ++i) EXPECT_LT(kZoomSteps[i - 1], kZoomSteps[i]);
}

TEST(ZoomSteps, MinimumZoomKeepsTheShorterSideVisible) {
    struct Case {
        int32_t w, h;
        float expected;
    } cases[] = {
        {1, 1, 1.0f},           {1, 500, 1.0f},          {500, 1, 1.0f},
        {2, 100, 0.5f},         {10000, 20000, 0.0001f}, {30000, 30000, 0.0001f},
        {6000, 4000, 0.00025f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(minZoomForImage(c.w, c.h), c.expected) << c.w << "x" << c.h;
    }
    // Even at the minimum the shorter side is one pixel, never none.
    ZoomScroller s = makeScroller({10000, 20000}, {300, 300}, 0.0f);
    EXPECT_FLOAT_EQ(s.zoom(), 0.0001f);
    EXPECT_EQ(s.contentSize(), (Size{1, 2}));
}

TEST(ZoomText, PercentTrimsZerosAndPoint) {
    struct Case {
        float zoom;
        const char* text;
    } cases[] = {
        {1.0f, "100%"},       {0.0625f, "6.25%"},   {0.125f, "12.5%"},  {0.5f, "50%"},
        {1.0f / 3, "33.33%"}, {16.0f, "1600%"},     {0.0001f, "0.01%"}, {0.75f, "75%"},
        {0.07f, "7%"},        {1.0f / 12, "8.33%"},
    };
    for (const Case& c : cases) EXPECT_EQ(zoomPercentText(c.zoom), c.text);
}

TEST(ZoomText, TypedZoomIgnoresPercentSignsAndReadsJunkAsZero) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"50%", 50}, {"%25", 25},   {" 12.5 ", 12.5}, {"abc", 0},   {"", 0},
        {"%", 0},    {"200x", 200}, {"nan", 0},       {"1e400", 0}, {"6.25 %", 6.25},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(parseZoomPercent(c.text), c.value) << c.text;
}

TEST(ZoomText, RectCentreRoundsHalves) {
    EXPECT_EQ(rectCentre(Rect{0, 0, 300, 301}), (Point{150, 151}));
    EXPECT_EQ(rectCentre(Rect{10, 20, 11, 21}), (Point{11, 21}));
    EXPECT_EQ(rectCentre(Rect{}), (Point{0, 0}));
}

TEST(AxisMap, EveryContentPixelShowsThePixelWhoseRangeHoldsIt) {
    struct Case {
        int32_t image, content;
    } cases[] = {{1, 1}, {1, 16}, {3, 7}, {7, 3}, {10, 4}, {400, 300}, {999, 1000}, {5, 80}};
    for (const Case& c : cases) {
        AxisMap m{c.image, c.content};
        int32_t previous = -1;
        for (int32_t x = 0; x < c.content; ++x) {
            int32_t i = m.sample(x);
            ASSERT_GE(i, 0);
            ASSERT_LT(i, c.image);
            EXPECT_LE(m.toContent(i), x);
            EXPECT_GT(m.toContent(i + 1), x);
            EXPECT_GE(i, previous);  // never goes backwards
            previous = i;
        }
        // Zoomed in, no image pixel is skipped.
        if (c.content >= c.image) {
            EXPECT_EQ(previous, c.image - 1);
        }
    }
}

TEST(ZoomScroller, FitInWindowFillsTheLimitingSideExactly) {
    struct Case {
        Size image, client;
        float zoom;
        Size content;
    } cases[] = {
        {{400, 100}, {300, 300}, 0.75f, {300, 75}},
        {{100, 400}, {300, 300}, 0.75f, {75, 300}},
        {{300, 300}, {300, 300}, 1.0f, {300, 300}},
        {{6000, 4000}, {1500, 1000}, 0.25f, {1500, 1000}},
        {{3, 3}, {300, 300}, 16.0f, {48, 48}},  // capped at the maximum zoom
        {{7, 3}, {100, 100}, 14.285714f, {100, 43}},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        ZoomScroller s = makeScroller(c.image, c.client, 1.0f, &host);
        host.zoomChanges = 0;
        EXPECT_TRUE(s.fitInWindow());
        EXPECT_FLOAT_EQ(s.zoom(), c.zoom);
        EXPECT_EQ(s.contentSize(), c.content);
        EXPECT_EQ(s.scrollPosition(), (Point{0, 0}));
        EXPECT_EQ(host.zoomChanges, 1);
    }
}

TEST(ZoomScroller, FitInWindowRefusesZoomBelowMinimum) {
    ZoomScroller s = makeScroller({400, 100}, {0, 0}, 2.0f);
    EXPECT_FALSE(s.fitInWindow());
    EXPECT_FLOAT_EQ(s.zoom(), 2.0f);
}

TEST(ZoomScroller, ZoomCommandsStepAndClamp) {
    struct Case {
        float from;
        bool in;
        float to;
    } cases[] = {
        {0.75f, true, 1.0f},  {0.75f, false, 2.0f / 3}, {0.1f, false, 1.0f / 12},
        {16.0f, true, 16.0f}, {1.0f, true, 2.0f},       {12.0f, true, 16.0f},
    };
    for (const Case& c : cases) {
        ZoomScroller s = makeScroller({2000, 2000}, {400, 300}, c.from);
        c.in ? s.zoomInCommand() : s.zoomOutCommand();
        EXPECT_FLOAT_EQ(s.zoom(), c.to) << c.from << (c.in ? " in" : " out");
    }
    // A 1 × 500 image cannot be zoomed out at all.
    ZoomScroller tiny = makeScroller({1, 500}, {400, 300}, 1.0f);
    tiny.zoomOutCommand();
    EXPECT_FLOAT_EQ(tiny.zoom(), 1.0f);
}

TEST(ZoomScroller, SetZoomClampsIntoLimits) {
    struct Case {
        float asked, got;
    } cases[] = {{100.0f, 16.0f}, {0.0f, 0.001f}, {-3.0f, 0.001f}, {NAN, 0.001f}, {0.5f, 0.5f}};
    for (const Case& c : cases) {
        ZoomScroller s = makeScroller({1000, 1000}, {300, 300}, 1.0f);
        EXPECT_TRUE(s.setZoom(c.asked, false, true));
        EXPECT_FLOAT_EQ(s.zoom(), c.got) << c.asked;
    }
}

TEST(ZoomScroller, ZoomToRectFillsViewOrStepsAtAClick) {
    struct Case {
        Size client;
        float zoom;
        Rect drag;
        float expected;
    } cases[] = {
        {{400, 300}, 1.0f, {100, 100, 200, 150}, 4.01f},  // min(401/100, 301/50)
        {{300, 300}, 0.1f, {10, 10, 13, 13}, 0.1f * 301.0f / 3.0f},
        {{300, 300}, 0.1f, {10, 10, 12, 12}, 1.0f / 8},              // 2 × 2 is a click
        {{300, 300}, 0.1f, {13, 13, 10, 10}, 0.1f * 301.0f / 3.0f},  // reversed drag
        {{300, 300}, 1.0f, {10, 10, 110, 10}, 3.01f},                // a flat drag uses its width
    };
    for (const Case& c : cases) {
        ZoomScroller s = makeScroller({4000, 4000}, c.client, c.zoom);
        s.zoomToRect(c.drag, true);
        EXPECT_NEAR(s.zoom(), c.expected, 1e-5);
    }
}

TEST(ZoomScroller, ZoomAtPointKeepsOrCentresTheImagePoint) {
    RecordingHost host;
    ZoomScroller s = makeScroller({1000, 1000}, {200, 200}, 1.0f, &host);
    s.scrollTo(100, 100);
    ASSERT_EQ(s.clientToImage(Point{50, 60}), (Point{150, 160}));
    EXPECT_TRUE(s.zoomAtPoint(50, 60, 4.0f, true));
    EXPECT_EQ(s.clientToImageFloor(Point{50, 60}), (Point{150, 160}));
    EXPECT_EQ(s.imageToClient(Point{150, 160}), (Point{50, 60}));

    EXPECT_TRUE(s.zoomAtPoint(50, 60, 2.0f, false));
    EXPECT_EQ(s.clientToImageFloor(Point{100, 100}), (Point{150, 160}));

    host.zoomChanges = 0;
    EXPECT_FALSE(s.zoomAtPoint(50, 60, 0.0f, true));
    EXPECT_FALSE(s.zoomAtPoint(50, 60, -1.0f, true));
    EXPECT_FLOAT_EQ(s.zoom(), 2.0f);
    EXPECT_EQ(host.zoomChanges, 0);
}

TEST(ZoomScroller, ZoomAtPointClampsTheClickIntoTheImage) {
    // Content 100 × 100 centred in 300 × 300: a click in the grey area left of the image zooms
    // about the nearest image column, here column 0 at client x 100.
    ZoomScroller s = makeScroller({100, 100}, {300, 300}, 1.0f);
    EXPECT_TRUE(s.zoomAtPoint(3, 150, 2.0f, true));
    EXPECT_FLOAT_EQ(s.zoom(), 2.0f);
    ZoomScroller t = makeScroller({400, 400}, {300, 300}, 0.5f);
    t.zoomAtPoint(10, 150, 1.0f, false);  // column 0 is centred as far as the range allows
    EXPECT_EQ(t.scrollPosition().x, 0);
    ZoomScroller u = makeScroller({400, 400}, {300, 300}, 0.5f);
    u.zoomAtPoint(295, 150, 2.0f, false);  // right of the image: the last columns
    EXPECT_EQ(u.scrollPosition().x, u.maxScroll().x);
}

TEST(ZoomScroller, SetZoomKeepsTheCentre) {
    ZoomScroller s = makeScroller({1000, 1000}, {200, 200}, 1.0f);
    s.scrollTo(400, 400);
    ASSERT_EQ(s.clientToImage(Point{100, 100}), (Point{500, 500}));
    s.setZoom(2.0f, true, true);
    EXPECT_EQ(s.scrollPosition(), (Point{900, 900}));
    EXPECT_EQ(s.clientToImage(Point{100, 100}), (Point{500, 500}));
    s.setZoom(0.5f, true, true);
    EXPECT_EQ(s.scrollPosition(), (Point{150, 150}));
    // Without keepCentre the view returns to the top-left.
    s.setZoom(4.0f, false, true);
    EXPECT_EQ(s.scrollPosition(), (Point{0, 0}));
}

TEST(ZoomScroller, ActualPixelsCentresTheVisibleImage) {
    ZoomScroller s = makeScroller({1000, 800}, {200, 200}, 0.5f);
    s.scrollTo(100, 50);
    Point centre = rectCentre(s.visibleImageRect());
    s.actualPixels();
    EXPECT_FLOAT_EQ(s.zoom(), 1.0f);
    EXPECT_EQ(s.clientToImage(Point{100, 100}), centre);
    // Already at 1: nothing moves.
    s.scrollTo(0, 0);
    s.actualPixels();
    EXPECT_EQ(s.scrollPosition(), (Point{0, 0}));
}

TEST(ZoomScroller, PrintSizeUsesTheResolution) {
    struct Case {
        float resolution;
        int32_t unit;
        float zoom;
    } cases[] = {
        {72.0f, 0, 1.0f}, {28.35f, 1, 72.0f / (28.35f * 2.54f)}, {144.0f, 0, 0.5f},
        {36.0f, 0, 2.0f}, {72.0f, 1, 72.0f / (72.0f * 2.54f)},  // 72 per centimetre is not 72 per
                                                                // inch
    };
    for (const Case& c : cases) {
        ZoomScroller s = makeScroller({1000, 1000}, {300, 300}, 3.0f);
        s.printSize(c.resolution, c.unit);
        EXPECT_FLOAT_EQ(s.zoom(), c.zoom) << c.resolution;
    }
    ZoomScroller s = makeScroller({1000, 1000}, {300, 300}, 3.0f);
    s.printSize(28.35f, 1);
    EXPECT_NEAR(s.zoom(), 0.99988f, 0.00001f);
    s.printSize(0.0f, 0);  // a resolution that cannot be divided by changes nothing
    EXPECT_NEAR(s.zoom(), 0.99988f, 0.00001f);
}

TEST(ZoomScroller, SmallContentIsCentredWithDisabledBars) {
    ZoomScroller s = makeScroller({100, 50}, {301, 200}, 1.0f);
    EXPECT_EQ(s.offset(), (Point{100, 75}));
    EXPECT_EQ(s.imageRectInClient(), (Rect{100, 75, 200, 125}));
    EXPECT_FALSE(s.bar(ScrollAxis::Horizontal).enabled);
    EXPECT_FALSE(s.bar(ScrollAxis::Vertical).enabled);
    s.scrollTo(50, 50);
    EXPECT_EQ(s.scrollPosition(), (Point{0, 0}));
}

TEST(ZoomScroller, MappingFloorAndCeilFollowPixelEdges) {
    // Zoom 4, scrolled by (6, 2): image pixel i covers client 4i − 6 … 4i − 3.
    ZoomScroller s = makeScroller({100, 100}, {50, 50}, 4.0f);
    s.scrollTo(6, 2);
    struct Case {
        Point client, image, floor, ceil;
    } cases[] = {
        {{0, 0}, {2, 1}, {1, 0}, {2, 1}},       {{2, 2}, {2, 1}, {2, 1}, {2, 1}},
        {{3, 3}, {2, 1}, {2, 1}, {3, 2}},       {{5, 4}, {3, 2}, {2, 1}, {3, 2}},
        {{-10, -2}, {-1, 0}, {-1, 0}, {-1, 0}},  // left of the image
        {{-11, -2}, {-1, 0}, {-2, 0}, {-1, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(s.clientToImage(c.client), c.image) << c.client.x << "," << c.client.y;
        EXPECT_EQ(s.clientToImageFloor(c.client), c.floor) << c.client.x << "," << c.client.y;
        EXPECT_EQ(s.clientToImageCeil(c.client), c.ceil) << c.client.x << "," << c.client.y;
    }
    EXPECT_EQ(s.imageToClient(Point{2, 1}), (Point{2, 2}));
    EXPECT_EQ(s.imageToClient(Rect{2, 1, 4, 3}), (Rect{2, 2, 10, 10}));
}

TEST(ZoomScroller, SnapToPixelsOnlyAboveZoomOne) {
    ZoomScroller s = makeScroller({100, 100}, {400, 400}, 4.0f);
    EXPECT_EQ(s.snapToPixels(Rect{10, 9, 5, 5}), (Rect{4, 4, 12, 12}));
    EXPECT_EQ(s.snapToPixels(Rect{8, 8, 12, 12}), (Rect{8, 8, 12, 12}));
    s.setZoom(1.0f, false, false);
    EXPECT_EQ(s.snapToPixels(Rect{10, 9, 5, 5}), (Rect{10, 9, 5, 5}));
}

TEST(ZoomScroller, VisibleImageRectIsInflatedAndClipped) {
    ZoomScroller s = makeScroller({1000, 1000}, {200, 100}, 2.0f);
    s.scrollTo(100, 40);
    EXPECT_EQ(s.visibleImageRect(), (Rect{50, 20, 151, 71}));
    s.scrollTo(0, 0);
    EXPECT_EQ(s.visibleImageRect(), (Rect{0, 0, 101, 51}));
}

TEST(ZoomScroller, ScrollBarEventsMoveByLinePageAndEnds) {
    struct Case {
        int32_t from;
        ScrollAction action;
        int32_t track, to;
    } cases[] = {
        {0, ScrollAction::LineDown, 0, 16},    {0, ScrollAction::LineUp, 0, 0},
        {100, ScrollAction::LineUp, 0, 84},    {0, ScrollAction::PageDown, 0, 300},
        {500, ScrollAction::PageDown, 0, 700}, {200, ScrollAction::PageUp, 0, 0},
        {0, ScrollAction::Bottom, 0, 700},     {650, ScrollAction::Top, 0, 0},
        {0, ScrollAction::Thumb, 999, 700},    {0, ScrollAction::Thumb, 123, 123},
        {695, ScrollAction::LineDown, 0, 700},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        ZoomScroller s = makeScroller({1000, 1000}, {300, 300}, 1.0f, &host);
        s.scrollTo(0, c.from);
        host.scrolled = {};
        bool moved = s.scrollAction(ScrollAxis::Vertical, c.action, c.track);
        EXPECT_EQ(s.scrollPosition().y, c.to);
        EXPECT_EQ(moved, c.to != c.from);
        EXPECT_EQ(host.scrolled, (Point{0, c.to - c.from}));
        EXPECT_EQ(s.bar(ScrollAxis::Vertical).position, c.to);
        EXPECT_EQ(s.scrollPosition().x, 0);
    }
}

TEST(ZoomScroller, WheelScrollsOneLinePerEvent) {
    struct Case {
        int32_t lines, delta, to;
        ScrollAxis axis;
    } cases[] = {
        {1, -120, 116, ScrollAxis::Vertical}, {1, 120, 84, ScrollAxis::Vertical},
        {1, -1, 116, ScrollAxis::Vertical},   {1, -960, 116, ScrollAxis::Vertical},
        {3, -120, 148, ScrollAxis::Vertical}, {1, -120, 116, ScrollAxis::Horizontal},
    };
    for (const Case& c : cases) {
        ZoomScroller s = makeScroller({1000, 1000}, {300, 300}, 1.0f);
        s.scrollTo(100, 100);
        s.setWheelLines(c.lines);
        s.wheel(c.axis, c.delta);
        Point p = s.scrollPosition();
        EXPECT_EQ(c.axis == ScrollAxis::Vertical ? p.y : p.x, c.to);
        EXPECT_EQ(c.axis == ScrollAxis::Vertical ? p.x : p.y, 100);
    }
}

TEST(ZoomScroller, ResizeClampsScrollAndRepaintsWhenCentringMoves) {
    RecordingHost host;
    ZoomScroller s = makeScroller({1000, 400}, {300, 300}, 1.0f, &host);
    s.scrollTo(700, 100);
    host = {};
    // Wider client: the horizontal position is clamped; vertically still scrolled content.
    EXPECT_FALSE(s.setClientSize(400, 300));
    EXPECT_EQ(s.scrollPosition(), (Point{600, 100}));
    EXPECT_EQ(host.scrolled, (Point{-100, 0}));
    EXPECT_EQ(host.invalidations, 0);
    // Taller than the content: the image is centred vertically, so everything is repainted.
    EXPECT_TRUE(s.setClientSize(400, 500));
    EXPECT_EQ(s.offset(), (Point{-600, 50}));
    EXPECT_GT(host.invalidations, 0);
    EXPECT_FALSE(s.bar(ScrollAxis::Vertical).enabled);
    EXPECT_TRUE(s.bar(ScrollAxis::Horizontal).enabled);
    EXPECT_EQ(s.bar(ScrollAxis::Horizontal), (ScrollBarState{600, 400, 600, true}));
}

TEST(ZoomScroller, CursorModeFollowsTheLimitsAndComesBack) {
    ZoomScroller s = makeScroller({100, 100}, {300, 300}, 1.0f);
    s.setZoomCursorMode(2);
    EXPECT_EQ(s.zoomCursorMode(), 2);
    s.setZoom(0.0f, false, true);  // at the minimum zooming out is impossible
    EXPECT_EQ(s.zoomCursorMode(), 0);
    s.setZoom(1.0f, false, true);  // and possible again: the zoom-out tool stays a zoom-out tool
    EXPECT_EQ(s.zoomCursorMode(), 2);
    s.setZoomCursorMode(1);
    s.setZoom(16.0f, false, true);
    EXPECT_EQ(s.zoomCursorMode(), 0);
    s.zoomOutCommand();
    EXPECT_EQ(s.zoomCursorMode(), 1);
    s.setZoomCursorMode(-4);
    EXPECT_EQ(s.zoomCursorMode(), 0);
    s.setZoomCursorMode(7);
    EXPECT_EQ(s.zoomCursorMode(), 2);
}

TEST(ZoomScroller, EveryZoomChangeNotifies) {
    RecordingHost host;
    ZoomScroller s = makeScroller({500, 500}, {200, 200}, 1.0f, &host);
    host.zoomChanges = 0;
    s.setZoom(2.0f, true, true);
    s.zoomInCommand();
    s.zoomOutAtPoint(10, 10, false);
    s.fitInWindow();
    s.printSize(144.0f, 0);
    s.actualPixels();
    EXPECT_EQ(host.zoomChanges, 6);
    // The scroll bars always match the scroller.
    EXPECT_EQ(s.bar(ScrollAxis::Horizontal).maximum, s.contentSize().width - 200);
}

}  // namespace
}  // namespace varnel
