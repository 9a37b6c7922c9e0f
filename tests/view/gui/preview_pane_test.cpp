#include "view/ve_preview_pane.h"

#include <gtest/gtest.h>

#include <QTest>

#include "document/layer.h"
#include "document/layer_stack.h"
#include "gui_fixtures.h"

namespace varnel {
namespace {

using namespace preview;

QPoint q(Point p) {
    return {p.x, p.y};
}

Point centreOf(const Rect& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class PreviewPaneTest : public ::testing::Test {
protected:
    // A canvas much larger than the pane: 1200 × 800 gives a fit zoom of about 0.2.
    void make(int32_t w = 1200, int32_t h = 800, Rect visible = {}) {
        doc = test::makeDocument(w, h, [](int32_t x, int32_t y) {
            return Bgr{uint8_t(x), uint8_t(y), uint8_t(x ^ y)};
        });
        const RasterLayer& layer = *doc->layers().rasterAt(0);
        pane = std::make_unique<PreviewPane>(*doc, layer,
                                             visible.isEmpty() ? doc->bounds() : visible, Rect{});
        pane->show();
    }
    void hover(Point p) { QTest::mouseMove(pane.get(), q(p)); }
    void click(Point p) {
        QTest::mouseClick(pane.get(), Qt::LeftButton, {}, q(p));
        QCoreApplication::processEvents();  // the buttons act through a queued call
    }
    void drag(Point from, Point to) {
        QTest::mousePress(pane.get(), Qt::LeftButton, {}, q(from));
        QTest::mouseMove(pane.get(), q(to));
        QTest::mouseRelease(pane.get(), Qt::LeftButton, {}, q(to));
    }

    std::unique_ptr<Document> doc;
    std::unique_ptr<PreviewPane> pane;
};

TEST_F(PreviewPaneTest, OpensAtActualPixelsOnTheCentreOfWhatTheUserSees) {
    make(1200, 800, {600, 400, 1000, 700});
    ZoomScroller& s = pane->scroller();
    EXPECT_FLOAT_EQ(s.zoom(), 1.0f);
    EXPECT_NEAR(s.minZoom(), 242.0f / 1200.0f, 1e-6);
    EXPECT_FLOAT_EQ(s.maxZoom(), 8.0f);
    EXPECT_EQ(pane->sliderPosition(), 42);
    EXPECT_TRUE(pane->navigatorAvailable());
    // The centre of the visible part of the layer is in the middle of the pane.
    EXPECT_EQ(s.clientToImage(Point{121, 121}), (Point{800, 550}));
}

TEST_F(PreviewPaneTest, ToolbarShowsUnderThePointerAndLeavingHidesIt) {
    make();
    EXPECT_EQ(pane->mode(), PreviewMode::Plain);
    const QImage plain = pane->frame();
    hover({100, 100});
    EXPECT_EQ(pane->mode(), PreviewMode::Toolbar);
    EXPECT_NE(pane->frame(), plain);  // the toolbar is drawn over the picture
    hover(centreOf(zoomInRect()));
    EXPECT_EQ(pane->hoverCode(), kHitZoomIn);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(pane.get(), &leave);
    EXPECT_EQ(pane->mode(), PreviewMode::Plain);
    EXPECT_EQ(pane->frame(), plain);
}

TEST_F(PreviewPaneTest, ZoomButtonsAndSliderStayWithinTheRange) {
    make();
    ZoomScroller& s = pane->scroller();
    hover({100, 100});
    // The slider's right end is 800 %, and zoom in does not go beyond it.
    drag({kSliderTrackLeft + 40, 10}, {kSliderTrackRight + 30, 10});
    EXPECT_FLOAT_EQ(s.zoom(), 8.0f);
    EXPECT_EQ(pane->sliderPosition(), 83);
    click(centreOf(zoomInRect()));
    EXPECT_FLOAT_EQ(s.zoom(), 8.0f);
    // Zoom out steps down; actual pixels comes back to 1; the left end is the fit zoom.
    click(centreOf(zoomOutRect()));
    EXPECT_LT(s.zoom(), 8.0f);
    click(centreOf(actualPixelsRect()));
    EXPECT_FLOAT_EQ(s.zoom(), 1.0f);
    EXPECT_EQ(pane->sliderPosition(), 42);
    drag({kSliderTrackLeft + 40, 10}, {0, 10});
    EXPECT_FLOAT_EQ(s.zoom(), s.minZoom());
    EXPECT_FALSE(pane->navigatorAvailable());  // the whole picture fits now
    click(centreOf(zoomOutRect()));
    EXPECT_FLOAT_EQ(s.zoom(), s.minZoom());
    // Keys do the same.
    QTest::keyClick(pane.get(), Qt::Key_Plus);
    EXPECT_GT(s.zoom(), s.minZoom());
    QTest::keyClick(pane.get(), Qt::Key_1);
    EXPECT_FLOAT_EQ(s.zoom(), 1.0f);
}

TEST_F(PreviewPaneTest, ACanvasSmallerThanThePaneNeverOffersTheNavigator) {
    make(100, 80);
    ZoomScroller& s = pane->scroller();
    EXPECT_FLOAT_EQ(s.minZoom(), 1.0f);
    EXPECT_FALSE(pane->navigatorAvailable());
    hover({120, 120});
    const Point button = centreOf(navigatorButtonRect(pane->width()));
    EXPECT_NE(pane->hitTest(button), kHitNavigatorButton);
    // The slider's left half is all 100 %.
    drag({kSliderTrackLeft + 60, 10}, {kSliderTrackLeft + 10, 10});
    EXPECT_FLOAT_EQ(s.zoom(), 1.0f);
    click(centreOf(zoomOutRect()));
    EXPECT_FLOAT_EQ(s.zoom(), 1.0f);
}

TEST_F(PreviewPaneTest, NavigatorMovesTheViewAndAPressOutsideItPans) {
    make();
    ZoomScroller& s = pane->scroller();
    hover({100, 100});
    click(centreOf(navigatorButtonRect(pane->width())));
    ASSERT_EQ(pane->mode(), PreviewMode::Navigator);

    // A press on the thumbnail away from the view rectangle centres the view there.
    const Rect inner = pane->thumbnailRect();
    const Point target{inner.left + 10, inner.top + 8};
    ASSERT_EQ(pane->hitTest(target), kHitThumbnail);
    QTest::mousePress(pane.get(), Qt::LeftButton, {}, q(target));
    const Point content = thumbnailToContent(target, inner, s.contentSize());
    const Point scroll = s.scrollPosition();
    EXPECT_EQ(scroll.x, std::max(0, content.x - 121));
    EXPECT_EQ(scroll.y, std::max(0, content.y - 121));
    // Dragging on moves the rectangle with the pointer.
    const Rect before = pane->viewRect();
    QTest::mouseMove(pane.get(), q({target.x + 20, target.y + 10}));
    const Rect after = pane->viewRect();
    EXPECT_NEAR(after.left - before.left, 20, 1);
    EXPECT_NEAR(after.top - before.top, 10, 1);
    QTest::mouseRelease(pane.get(), Qt::LeftButton, {}, q({target.x + 20, target.y + 10}));

    // Dragging the rectangle itself moves it by as much as the pointer.
    const Point onRect = centreOf(pane->viewRect());
    ASSERT_EQ(pane->hitTest(onRect), kHitViewRect);
    const Rect start = pane->viewRect();
    drag(onRect, {onRect.x + 15, onRect.y + 5});
    EXPECT_NEAR(pane->viewRect().left - start.left, 15, 1);
    EXPECT_NEAR(pane->viewRect().top - start.top, 5, 1);

    // The frame shows the red outline just outside the view rectangle.
    const QImage shown = pane->frame();
    const Rect v = pane->viewRect();
    EXPECT_EQ(shown.pixel(v.left - 1, v.top + 2), 0xFFFF5050u);
    EXPECT_EQ(shown.pixel(v.left - 2, v.top + 2), 0xFFFF5050u);

    // A press outside the box closes the navigator and pans the picture.
    const Point s0 = s.scrollPosition();
    drag({40, 200}, {60, 210});
    EXPECT_EQ(pane->mode(), PreviewMode::Toolbar);
    EXPECT_EQ(s.scrollPosition(), (Point{s0.x - 20, s0.y - 10}));
}

TEST_F(PreviewPaneTest, ChangesOfTheRealLayerDoNotReachThePane) {
    make(300, 200);
    const QImage before = pane->frame();
    ColorImage& px = doc->layers().rasterAt(0)->pixels();
    for (int32_t y = 0; y < px.height(); ++y)
        for (int32_t x = 0; x < px.width(); ++x) px.pixels(y)[x] = Bgr{0, 0, 0};
    doc->notify({doc.get(), doc->layers().rasterAt(0), doc->bounds(), kChangePixels});
    pane->update();
    EXPECT_EQ(pane->frame(), before);
    EXPECT_TRUE(pane->picture()->isPreviewOnly());
}

TEST_F(PreviewPaneTest, CentresOnAnImagePointAndReportsZoomChanges) {
    make();
    float reported = 0;
    QObject::connect(pane.get(), &PreviewPane::zoomChanged, [&](float z) { reported = z; });
    pane->centreOnImagePoint({1000, 100});
    EXPECT_EQ(pane->scroller().clientToImage(Point{121, 121}), (Point{1000, 121}));  // clamped
    pane->zoomIn();
    EXPECT_GT(reported, 1.0f);
    EXPECT_FLOAT_EQ(reported, pane->scroller().zoom());
}

}  // namespace
}  // namespace varnel
