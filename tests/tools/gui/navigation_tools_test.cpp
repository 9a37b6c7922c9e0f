// The hand and zoom tools on a document window, the temporary hand of Space, and how choosing a
// tool sets up every view.
#include <cmath>

#include "document/selection.h"
#include "tool_fixture.h"

namespace varnel {
namespace {

class Navigation : public test::ToolFixture {
protected:
    // A 1600 × 1200 image in a 400 × 300 view: larger than the view at every zoom from 1 on.
    VeView& openWith(unsigned tool, float zoom = 1.0f) {
        VeView& v = open({1600, 1200}, QSize(400, 300), zoom);
        tools.setActiveToolId(tool);
        view->setFocus();
        return v;
    }
    Point scroll() const { return view->scroller().scrollPosition(); }
    float zoom() const { return view->scroller().zoom(); }
};

TEST_F(Navigation, SpaceLendsTheHandAndGivesTheToolBackOnRelease) {
    openWith(kToolMarquee);
    QCursor::setPos(view->mapToGlobal(QPoint(200, 150)));
    keyDown(Qt::Key_Space);
    EXPECT_TRUE(tools.spaceHeld());
    EXPECT_TRUE(showsCursor(ToolCursor::HandOpen));
    press({200, 150});
    EXPECT_TRUE(showsCursor(ToolCursor::HandClosed));
    move({180, 140});
    move({160, 120});
    release({160, 120});
    // The image followed the pointer; nothing was selected.
    EXPECT_EQ(scroll(), (Point{40, 30}));
    EXPECT_TRUE(showsCursor(ToolCursor::HandOpen));
    keyUp(Qt::Key_Space);
    EXPECT_FALSE(tools.spaceHeld());
    EXPECT_TRUE(showsCursor(ToolCursor::Marquee));
    EXPECT_EQ(history.count(), 0);
    EXPECT_TRUE(selection().isEmpty());

    // Letting Space go in the middle of a drag ends the scrolling, and the marquee does not
    // take the rest of the drag up.
    keyDown(Qt::Key_Space);
    press({200, 150});
    move({190, 140});
    EXPECT_EQ(scroll(), (Point{50, 40}));
    keyUp(Qt::Key_Space);
    move({100, 100});
    release({100, 100});
    EXPECT_EQ(scroll(), (Point{50, 40}));
    EXPECT_EQ(history.count(), 0);
    EXPECT_TRUE(view->invertMask().isEmpty());
}

TEST_F(Navigation, HandDragsScrollOnlyWhereThereIsSomewhereToGo) {
    openWith(kToolHand);
    drag({300, 200}, {100, 50});
    EXPECT_EQ(scroll(), (Point{200, 150}));
    drag({100, 50}, {300, 200});
    EXPECT_EQ(scroll(), (Point{0, 0}));
    drag({100, 50}, {300, 200});
    EXPECT_EQ(scroll(), (Point{0, 0}));
    // An image that fits in the view does not move at all.
    TearDown();
    open({200, 150}, QSize(400, 300), 1.0f);
    tools.setActiveToolId(kToolHand);
    const Point before = view->scroller().offset();
    drag({200, 150}, {250, 200});
    EXPECT_EQ(view->scroller().offset(), before);
    EXPECT_EQ(scroll(), (Point{0, 0}));
}

TEST_F(Navigation, ZoomInClickKeepsThePointUnlessShiftCentresIt) {
    openWith(kToolZoomIn);
    drag({100, 80}, {100, 80});
    EXPECT_FLOAT_EQ(zoom(), 2.0f);
    EXPECT_EQ(view->scroller().clientToImage(Point{100, 80}), (Point{100, 80}));

    TearDown();
    openWith(kToolZoomIn);
    drag({100, 80}, {100, 80}, Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(zoom(), 2.0f);
    EXPECT_EQ(view->scroller().imageToClient(Point{100, 80}), (Point{200, 150}));
}

TEST_F(Navigation, ZoomInDragFillsTheViewWithTheRectangle) {
    openWith(kToolZoomIn);
    press({100, 100});
    move({150, 120});
    move({199, 149});
    EXPECT_FALSE(view->invertMask().isEmpty());
    release({199, 149});
    // min((400 + 1) / 100, (300 + 1) / 50) at zoom 1.
    EXPECT_FLOAT_EQ(zoom(), 4.01f);
    EXPECT_TRUE(view->invertMask().isEmpty());
    EXPECT_EQ(history.count(), 0);
}

TEST_F(Navigation, ZoomOutClickStepsOutAndAltSwapsTheDirections) {
    openWith(kToolZoomOut);
    EXPECT_TRUE(showsCursor(ToolCursor::ZoomOut));
    drag({200, 150}, {200, 150});
    EXPECT_FLOAT_EQ(zoom(), 2.0f / 3);

    tools.setActiveToolId(kToolZoomIn);
    keyDown(Qt::Key_Alt);
    EXPECT_EQ(view->scroller().zoomCursorMode(), 2);
    EXPECT_TRUE(showsCursor(ToolCursor::ZoomOut));
    drag({200, 150}, {200, 150}, Qt::AltModifier);
    EXPECT_FLOAT_EQ(zoom(), 0.5f);
    keyUp(Qt::Key_Alt);
    EXPECT_EQ(view->scroller().zoomCursorMode(), 1);
    EXPECT_TRUE(showsCursor(ToolCursor::ZoomIn));
}

TEST_F(Navigation, AtTheLimitTheZoomToolShowsThePlainCursorAndClicksDoNothing) {
    openWith(kToolZoomIn, 16.0f);
    EXPECT_EQ(view->scroller().zoomCursorMode(), 0);
    EXPECT_TRUE(showsCursor(ToolCursor::ZoomLimit));
    drag({200, 150}, {200, 150});
    EXPECT_FLOAT_EQ(zoom(), 16.0f);
    // Alt still zooms out from there.
    keyDown(Qt::Key_Alt);
    EXPECT_TRUE(showsCursor(ToolCursor::ZoomOut));
    drag({200, 150}, {200, 150}, Qt::AltModifier);
    EXPECT_FLOAT_EQ(zoom(), 12.0f);
    keyUp(Qt::Key_Alt);
    EXPECT_TRUE(showsCursor(ToolCursor::ZoomIn));

    // And the zoom-out tool at the smallest zoom.
    tools.setActiveToolId(kToolZoomOut);
    view->scroller().setZoom(view->scroller().minZoom(), false, true);
    EXPECT_TRUE(showsCursor(ToolCursor::ZoomLimit));
    const float smallest = zoom();
    drag({200, 150}, {200, 150});
    EXPECT_FLOAT_EQ(zoom(), smallest);
}

TEST_F(Navigation, EscapeOrSpaceDropsAZoomDrag) {
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Space}) {
        openWith(kToolZoomIn);
        press({100, 100});
        move({199, 149});
        ASSERT_TRUE(tools.zoomIn().rubberBand().isRunning());
        keyDown(key);
        EXPECT_FALSE(tools.zoomIn().rubberBand().isRunning()) << key;
        EXPECT_TRUE(view->invertMask().isEmpty()) << key;
        keyUp(key);
        move({250, 200});
        release({250, 200});
        EXPECT_FLOAT_EQ(zoom(), 1.0f) << key;
        TearDown();
    }
}

TEST_F(Navigation, ChoosingAToolSetsEveryViewsZoomCursorMode) {
    openWith(kToolHand);
    VeChildFrame second(
        test::makeDocument(1600, 1200, [](int32_t, int32_t) { return test::solid(1, 2, 3); }));
    ZoomScroller& other = second.view()->scroller();
    other.setZoom(other.minZoom(), false, false);

    tools.setActiveToolId(kToolZoomOut);
    EXPECT_EQ(view->scroller().zoomCursorMode(), 2);
    EXPECT_EQ(other.zoomCursorMode(), 0);  // nothing further out
    other.setZoom(1.0f, false, false);
    EXPECT_EQ(other.zoomCursorMode(), 2);

    tools.setActiveToolId(kToolZoomIn);
    EXPECT_EQ(view->scroller().zoomCursorMode(), 1);
    EXPECT_EQ(other.zoomCursorMode(), 1);
    // A window opened now starts with the tool's mode.
    VeChildFrame third(
        test::makeDocument(10, 10, [](int32_t, int32_t) { return test::solid(1, 2, 3); }));
    EXPECT_EQ(third.view()->scroller().zoomCursorMode(), 1);

    tools.setActiveToolId(kToolMarquee);
    EXPECT_EQ(view->scroller().zoomCursorMode(), 0);
    // An identifier without a tool of its own is the hand.
    tools.setActiveToolId(5);
    EXPECT_EQ(&tools.currentTool(), &tools.hand());
    EXPECT_EQ(view->scroller().zoomCursorMode(), 0);
}

}  // namespace
}  // namespace varnel
