// The marquee on a document window: the rectangles it selects at each zoom, the steps it records,
// the rubber band it shows, and what is left when a drag is cut short.
#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <memory>

#include "document/selection.h"
#include "tool_fixture.h"

namespace varnel {
namespace {

using Steps = std::vector<std::string>;

class Marquee : public test::ToolFixture {
protected:
    VeView& openAt(float zoom, Size image = {1600, 1200}) {
        VeView& v = open(image, QSize(400, 300), zoom);
        tools.setActiveToolId(kToolMarquee);
        return v;
    }

public:
    // A window that takes the mouse or the keyboard away in the middle of a drag.
    std::unique_ptr<QWidget> other;
};

TEST_F(Marquee, DragsSelectTheImagePixelsTheyCoverAtEveryZoom) {
    // The image is drawn from client (0, 0) at each zoom (at 25 % it fills the view exactly).
    struct Case {
        float zoom;
        QPoint from, to;
        Rect selected;
    } cases[] = {
        {4.0f, {10, 10}, {13, 13}, {2, 2, 4, 4}},
        {4.0f, {13, 13}, {10, 10}, {2, 2, 4, 4}},
        {4.0f, {9, 30}, {101, 47}, {2, 7, 26, 12}},
        {1.0f, {10, 10}, {13, 13}, {10, 10, 14, 14}},
        {1.0f, {13, 13}, {10, 10}, {10, 10, 13, 13}},
        {0.25f, {10, 10}, {13, 13}, {40, 40, 56, 56}},
        {0.25f, {100, 50}, {10, 10}, {40, 40, 400, 200}},
    };
    for (const Case& c : cases) {
        openAt(c.zoom);
        drag(c.from, c.to);
        EXPECT_EQ(steps(), Steps{"Rectangular Marquee"}) << "zoom " << c.zoom;
        EXPECT_EQ(selection().bounds(), c.selected) << "zoom " << c.zoom;
        EXPECT_EQ(selection().coverageAt(c.selected.left, c.selected.top), 255);
        TearDown();
    }
}

TEST_F(Marquee, ShiftAndAltShapeTheRectangleAndTheCanvasEdgeClipsIt) {
    struct Case {
        const char* name;
        QPoint from, to;
        Qt::KeyboardModifiers modifiers;
        Rect selected;
    } cases[] = {
        {"Shift from the bottom right keeps that corner",
         {100, 100},
         {40, 70},
         Qt::ShiftModifier,
         {70, 70, 100, 100}},
        {"Shift from the top left",
         {100, 100},
         {159, 129},
         Qt::ShiftModifier,
         {100, 100, 130, 130}},
        {"Alt draws from the centre", {100, 100}, {129, 109}, Qt::AltModifier, {70, 90, 130, 110}},
        {"Alt near the edge stays centred", {10, 50}, {59, 59}, Qt::AltModifier, {0, 40, 20, 60}},
        {"Shift and Alt: a centred square",
         {10, 50},
         {59, 79},
         Qt::ShiftModifier | Qt::AltModifier,
         {0, 40, 20, 60}},
    };
    for (const Case& c : cases) {
        openAt(1.0f);
        drag(c.from, c.to, c.modifiers);
        EXPECT_EQ(selection().bounds(), c.selected) << c.name;
        TearDown();
    }
}

TEST_F(Marquee, ADragEndingOutsideTheCanvasStopsAtItsEdge) {
    // A 200 × 150 image centred in the view: drawn from client (100, 75).
    openAt(1.0f, {200, 150});
    drag({150, 100}, {-30, -40});
    EXPECT_EQ(selection().bounds(), (Rect{0, 0, 50, 25}));
    drag({150, 100}, {395, 290});
    EXPECT_EQ(selection().bounds(), (Rect{50, 25, 200, 150}));
    // A press beside the canvas starts on its edge.
    drag({20, 20}, {120, 95});
    EXPECT_EQ(selection().bounds(), (Rect{0, 0, 21, 21}));
}

TEST_F(Marquee, PressInsideTheSelectionDoesNothingAndOutsideRecordsDeselect) {
    openAt(1.0f);
    drag({100, 100}, {199, 149});
    ASSERT_EQ(selection().bounds(), (Rect{100, 100, 200, 150}));

    // Inside: no step, no rubber band, the selection stays.
    press({150, 120});
    move({300, 250});
    EXPECT_FALSE(tools.marquee().rubberBand().isRunning());
    release({300, 250});
    EXPECT_EQ(steps(), Steps{"Rectangular Marquee"});
    EXPECT_EQ(selection().bounds(), (Rect{100, 100, 200, 150}));

    // A click outside: exactly one "Deselect".
    press({20, 20});
    release({20, 20});
    EXPECT_EQ(steps(), (Steps{"Rectangular Marquee", "Deselect"}));
    EXPECT_TRUE(selection().isEmpty());
    // A click with nothing selected records nothing at all.
    press({20, 20});
    release({20, 20});
    EXPECT_EQ(history.current(), 1);

    // A drag outside a new selection: "Deselect", then the new rectangle.
    drag({100, 100}, {199, 149});
    drag({10, 10}, {29, 29});
    EXPECT_EQ(steps(), (Steps{"Rectangular Marquee", "Deselect", "Rectangular Marquee", "Deselect",
                              "Rectangular Marquee"}));
    EXPECT_EQ(selection().bounds(), (Rect{10, 10, 30, 30}));

    // Each is one undoable step.
    history.undo();
    EXPECT_TRUE(selection().isEmpty());
    history.undo();
    EXPECT_EQ(selection().bounds(), (Rect{100, 100, 200, 150}));
    history.redo();
    history.redo();
    EXPECT_EQ(selection().bounds(), (Rect{10, 10, 30, 30}));
}

TEST_F(Marquee, AZeroAreaDragRecordsOnlyTheDeselect) {
    openAt(1.0f, {200, 150});  // canvas from client (100, 75) to (300, 225)
    drag({120, 100}, {159, 139});
    // Along the canvas's right edge: both ends land on it.
    drag({350, 100}, {390, 200});
    EXPECT_EQ(steps(), (Steps{"Rectangular Marquee", "Deselect"}));
    EXPECT_TRUE(selection().isEmpty());
}

TEST_F(Marquee, TheSizesBeingDraggedAndTheNewSelectionsSizeReachTheInfoPalette) {
    openAt(4.0f);
    std::vector<QSize> reported;
    QObject::connect(view, &VeView::sizeReported, [&](QSize s) { reported.push_back(s); });
    press({10, 10});
    move({13, 13});
    move({25, 13});
    release({25, 13});
    // The two rectangles dragged, then the selection that was made.
    EXPECT_EQ(reported, (std::vector<QSize>{{2, 2}, {5, 2}, {5, 2}}));
    EXPECT_EQ(view->reportedSize(), QSize(5, 2));
    press({200, 200});  // outside: Deselect
    EXPECT_EQ(view->reportedSize(), QSize(0, 0));
    release({200, 200});
}

// The colour the opaque test document shows, and that colour inverted.
constexpr QRgb kPlain = 0xFF0A141Eu;
constexpr QRgb kInverted = 0xFFF5EBE1u;

// Whether the view shows the band's stripes for `r` at `phase` and nothing inverted elsewhere.
::testing::AssertionResult showsBand(VeView& view, const QRect& r, int phase) {
    const QImage shot = test::shown(view);
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const bool edge = r.contains(x, y) &&
                              (x == r.left() || x == r.right() || y == r.top() || y == r.bottom());
            const bool marked = edge && (((x - phase + y + 3) % 8 + 8) % 8) < 4;
            if (shot.pixel(x, y) != (marked ? kInverted : kPlain))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST_F(Marquee, TheRubberBandInvertsTheFrameAndMarchesWithItsTimer) {
    openAt(1.0f);
    press({10, 10});
    move({29, 19});
    EXPECT_TRUE(showsBand(*view, QRect(10, 10, 20, 10), 0));
    // One tick of its timer moves the stripes on by one pixel.
    ToolEvent tick;
    tick.timerId = tools.marquee().rubberBand().timerId();
    ASSERT_NE(tick.timerId, 0);
    tools.marquee().onTimer(*view, tick);
    EXPECT_TRUE(showsBand(*view, QRect(10, 10, 20, 10), 1));
    // Moving redraws it elsewhere at the same phase, leaving nothing of the old one.
    move({39, 49});
    EXPECT_TRUE(showsBand(*view, QRect(10, 10, 30, 40), 1));
    // A repaint of the frame beneath it keeps it whole.
    view->invalidateAll();
    EXPECT_TRUE(showsBand(*view, QRect(10, 10, 30, 40), 1));
    release({39, 49});
    EXPECT_TRUE(view->invertMask().isEmpty());
}

TEST_F(Marquee, LosingTheMouseMidDragEndsItWithNothingDrawnOrRecorded) {
    struct Case {
        const char* name;
        std::function<void(Marquee&)> interrupt;
    } cases[] = {
        {"another window becomes active",
         [](Marquee& t) {
             t.other = std::make_unique<QWidget>();
             t.other->show();
             t.other->activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(t.other.get()));
         }},
        {"a modal dialog opens",
         [](Marquee& t) {
             auto* dialog = new QDialog(t.frame.get());
             dialog->setModal(true);
             dialog->show();
             EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
         }},
        {"another widget grabs the mouse",
         [](Marquee& t) {
             t.other = std::make_unique<QWidget>();
             t.other->show();
             EXPECT_TRUE(QTest::qWaitForWindowExposed(t.other.get()));
             t.other->grabMouse();
             // Noticed at the band's next tick.
             QTest::qWait(250);
             t.other->releaseMouse();
         }},
        {"the window is hidden", [](Marquee& t) { t.frame->hide(); }},
    };
    for (const Case& c : cases) {
        openAt(1.0f);
        drag({100, 100}, {199, 149});
        press({10, 10});
        move({60, 60});
        ASSERT_FALSE(view->invertMask().isEmpty());
        c.interrupt(*this);
        EXPECT_FALSE(view->hasCapture()) << c.name;
        EXPECT_FALSE(tools.marquee().rubberBand().isRunning()) << c.name;
        EXPECT_TRUE(view->invertMask().isEmpty()) << c.name;
        move({90, 90});
        release({90, 90});
        EXPECT_EQ(steps(), (Steps{"Rectangular Marquee", "Deselect"})) << c.name;
        EXPECT_TRUE(view->invertMask().isEmpty()) << c.name;
        other.reset();
        TearDown();
    }
}

TEST_F(Marquee, ClosingTheWindowMidDragLeavesNoStep) {
    openAt(1.0f);
    press({10, 10});
    move({60, 60});
    frame.reset();
    view = nullptr;
    EXPECT_FALSE(tools.marquee().rubberBand().isRunning());
    EXPECT_TRUE(tools.views().empty());
    EXPECT_EQ(history.count(), 0);
}

TEST_F(Marquee, CursorFollowsTheSelectionAltAndCapsLock) {
    openAt(1.0f);
    drag({100, 100}, {199, 149});
    auto hover = [&](QPoint p) {
        QCursor::setPos(view->mapToGlobal(p));
        QCoreApplication::processEvents();
        view->refreshToolCursor();
    };
    hover({20, 20});
    EXPECT_TRUE(showsCursor(ToolCursor::Marquee));
    hover({150, 120});
    EXPECT_TRUE(showsCursor(ToolCursor::MarqueeSelection));
    // Never the selection's cursor while dragging over it.
    press({20, 20});
    move({150, 120});
    EXPECT_TRUE(showsCursor(ToolCursor::Marquee));
    release({150, 120});

    hover({5, 5});
    tools.setCapsLockOn(true);
    EXPECT_TRUE(showsCursor(ToolCursor::MarqueePrecise));
    tools.setCapsLockOn(false);
    // Alt toggles the alternate cursor on a press; its release changes nothing.
    view->setFocus();
    keyDown(Qt::Key_Alt);
    keyUp(Qt::Key_Alt);
    EXPECT_TRUE(tools.marquee().alternateCursor());
    EXPECT_TRUE(showsCursor(ToolCursor::MarqueeAlternate));
    keyDown(Qt::Key_Alt);
    keyUp(Qt::Key_Alt);
    EXPECT_FALSE(tools.marquee().alternateCursor());
    EXPECT_TRUE(showsCursor(ToolCursor::Marquee));
}

TEST_F(Marquee, KeysReachTheToolOnlyWhileThePointerIsOverTheView) {
    openAt(1.0f);
    // The keyboard focus is elsewhere in the window.
    auto* field = new QLineEdit(frame.get());
    field->setGeometry(0, 0, 1, 1);
    field->show();
    field->setFocus();
    ASSERT_TRUE(field->hasFocus());

    QCursor::setPos(view->mapToGlobal(QPoint(200, 150)));
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::widgetAt(QCursor::pos()), view);
    keyDown(Qt::Key_Alt);
    keyUp(Qt::Key_Alt);
    EXPECT_TRUE(tools.marquee().alternateCursor());

    // Outside the view the key goes only to the focus.
    QCursor::setPos(frame->mapToGlobal(QPoint(-50, -50)));
    QCoreApplication::processEvents();
    keyDown(Qt::Key_Alt);
    keyUp(Qt::Key_Alt);
    EXPECT_TRUE(tools.marquee().alternateCursor());
    EXPECT_TRUE(field->hasFocus());
}

}  // namespace
}  // namespace varnel
