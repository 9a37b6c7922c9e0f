#include "view/ve_view.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "document/document.h"
#include "gui_fixtures.h"
#include "view/checker_pattern.h"

namespace varnel {
namespace {

using test::makeDocument;
using test::shown;
using test::solid;

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kGrey = 0xFFCCCCCCu;

QRgb rgb(Bgr c) {
    return qRgb(c.r, c.g, c.b);
}

class VeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        colours.surround = Bgra{0x60, 0x40, 0x20, 0xFF};
        colours.border = Bgra{0x10, 0x10, 0xF0, 0xFF};
        SelectionOutline::setPhase(0);
    }
    void TearDown() override { view.reset(); }

    VeView& show(std::unique_ptr<Document> d, QSize size, float zoom) {
        doc = std::move(d);
        view = std::make_unique<VeView>(doc.get());
        // The host's colours, read at every repaint.
        view->setColorSource([this] { return colours; });
        view->resize(size);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->scroller().setZoom(zoom, false, true);
        return *view;
    }

    std::unique_ptr<Document> doc;
    std::unique_ptr<VeView> view;
    ViewColors colours;
};

TEST_F(VeViewTest, HiddenLayerShowsCheckerboardThatScrollsWithTheImage) {
    VeView& v = show(makeDocument(200, 150, [](int32_t, int32_t) { return solid(9, 9, 9); }),
                     QSize(64, 48), 1.0f);
    doc->layers().setVisible(doc->layers().layerAt(0), false);
    CheckerPattern checker;
    struct Case {
        Point scroll;
    } cases[] = {{{0, 0}}, {{5, 3}}, {{13, 8}}, {{100, 90}}};
    for (const Case& c : cases) {
        v.scroller().scrollTo(c.scroll.x, c.scroll.y);
        QImage img = shown(v);
        ASSERT_EQ(img.size(), QSize(64, 48));
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                ASSERT_EQ(img.pixel(x, y), checker.colourAt(x + c.scroll.x, y + c.scroll.y))
                    << x << "," << y << " scrolled " << c.scroll.x << "," << c.scroll.y;
            }
        }
        EXPECT_EQ(img.pixel(0, 0) == kWhite, ((c.scroll.x / 8 + c.scroll.y / 8) % 2) == 0);
    }
}

TEST_F(VeViewTest, OpaqueDocumentNeverShowsTheCheckerboard) {
    VeView& v = show(makeDocument(40, 30,
                                  [](int32_t x, int32_t y) {
                                      return solid(uint8_t(x * 6), uint8_t(y * 8), 200);
                                  }),
                     QSize(40, 30), 1.0f);
    QImage img = shown(v);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(img.pixel(x, y), qRgb(x * 6, y * 8, 200)) << x << "," << y;
        }
    }
}

TEST_F(VeViewTest, BackgroundAndBorderSurroundASmallImage) {
    // 20 × 10 at zoom 2 in 100 × 60: content 40 × 20 centred at (30, 20).
    VeView& v = show(makeDocument(20, 10, [](int32_t, int32_t) { return solid(1, 2, 3); }),
                     QSize(100, 60), 2.0f);
    QImage img = shown(v);
    const QRgb bg = qRgb(0x20, 0x40, 0x60), border = qRgb(0xF0, 0x10, 0x10);
    struct Case {
        int x, y;
        QRgb colour;
    } cases[] = {
        {0, 0, bg},
        {28, 30, bg},
        {29, 30, border},
        {30, 19, border},
        {30, 20, rgb(solid(1, 2, 3))},
        {69, 39, rgb(solid(1, 2, 3))},
        {70, 39, border},
        {69, 40, border},
        {71, 41, bg},
        {99, 59, bg},
    };
    for (const Case& c : cases) EXPECT_EQ(img.pixel(c.x, c.y), c.colour) << c.x << "," << c.y;

    // A new background colour shows once the background is repainted.
    colours.surround = Bgra{0, 0x80, 0, 0xFF};
    v.invalidateBackground();
    img = shown(v);
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0x80, 0));
    EXPECT_EQ(img.pixel(30, 20), rgb(solid(1, 2, 3)));
}

TEST_F(VeViewTest, ImageFillingTheViewPaintsNoBackgroundOrBorder) {
    VeView& v = show(makeDocument(300, 300, [](int32_t, int32_t) { return solid(50, 60, 70); }),
                     QSize(80, 50), 1.0f);
    v.scroller().scrollTo(10, 10);
    QImage img = shown(v);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) ASSERT_EQ(img.pixel(x, y), qRgb(50, 60, 70));
    }
}

TEST_F(VeViewTest, HalfTransparentRedBlendsTowardTheCheckerCells) {
    VeView& v = show(makeDocument(
                         32, 32, [](int32_t, int32_t) { return solid(255, 0, 0); },
                         [](int32_t, int32_t) { return uint8_t(128); }),
                     QSize(32, 32), 1.0f);
    QImage img = shown(v);
    // a = 127: over white (255, 0, 0) → (255, 126, 126); over grey → (229, 101, 101).
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 126, 126));
    EXPECT_EQ(img.pixel(8, 0), qRgb(229, 101, 101));
    EXPECT_EQ(img.pixel(8, 8), qRgb(255, 126, 126));
}

TEST_F(VeViewTest, ScrollingReusesTheCache) {
    VeView& v =
        show(makeDocument(
                 400, 300, [](int32_t x, int32_t y) { return solid(uint8_t(x), uint8_t(y), 7); },
                 [](int32_t x, int32_t) { return uint8_t(x < 200 ? 255 : 60); }),
             QSize(100, 80), 1.0f);
    shown(v);
    int64_t before = v.renderedPixels();
    v.scroller().scrollTo(10, 0);
    QImage img = shown(v);
    EXPECT_EQ(v.renderedPixels() - before, 10 * 80);
    EXPECT_EQ(img.pixel(0, 0), qRgb(10, 0, 7));
    EXPECT_EQ(img.pixel(99, 79), qRgb(109, 79, 7));
    // A repaint without any change renders nothing at all.
    before = v.renderedPixels();
    v.invalidateAll();
    shown(v);
    EXPECT_EQ(v.renderedPixels(), before);
}

TEST_F(VeViewTest, ScrollBarsFollowAndDriveTheScroller) {
    VeView& v = show(makeDocument(400, 300, [](int32_t, int32_t) { return solid(1, 1, 1); }),
                     QSize(100, 80), 1.0f);
    QScrollBar h(Qt::Horizontal), vert(Qt::Vertical);
    v.setScrollBars(&h, &vert);
    EXPECT_EQ(h.maximum(), 300);
    EXPECT_EQ(vert.maximum(), 220);
    EXPECT_EQ(h.pageStep(), 100);
    v.scroller().scrollTo(40, 50);
    EXPECT_EQ(h.value(), 40);
    EXPECT_EQ(vert.value(), 50);
    h.setValue(120);
    EXPECT_EQ(v.scroller().scrollPosition(), (Point{120, 50}));
    vert.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(v.scroller().scrollPosition().y, 66);
    v.scroller().setZoom(0.25f, false, true);  // content fits: both bars disabled
    EXPECT_FALSE(h.isEnabled());
    EXPECT_FALSE(vert.isEnabled());
    v.setScrollBars(nullptr, nullptr);
}

TEST_F(VeViewTest, WheelScrollsOneLinePerEventAlongItsBar) {
    VeView& v = show(makeDocument(400, 300, [](int32_t, int32_t) { return solid(1, 1, 1); }),
                     QSize(100, 80), 1.0f);
    QScrollBar h(Qt::Horizontal), vert(Qt::Vertical);
    v.setScrollBars(&h, &vert);
    auto wheel = [](QWidget* target, QPoint delta) {
        QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &e);
    };
    struct Case {
        QWidget* target;
        QPoint delta;
        Point expected;
    } cases[] = {
        {&v, {0, -120}, {0, 16}},  {&v, {0, -480}, {0, 32}},     {&v, {0, 120}, {0, 16}},
        {&h, {0, -120}, {16, 16}}, {&vert, {0, -120}, {16, 32}}, {&v, {-120, 0}, {32, 32}},
    };
    for (const Case& c : cases) {
        wheel(c.target, c.delta);
        EXPECT_EQ(v.scroller().scrollPosition(), c.expected);
    }
    v.setScrollBars(nullptr, nullptr);
}

TEST_F(VeViewTest, DocumentChangesRepaintOnlyTheirRectangle) {
    VeView& v = show(makeDocument(
                         64, 64, [](int32_t, int32_t) { return solid(0, 0, 255); },
                         [](int32_t, int32_t) { return uint8_t(255); }),
                     QSize(128, 128), 2.0f);
    shown(v);
    int64_t before = v.renderedPixels();
    ColorImage patch;
    patch.createColor(4, 3);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 4; ++x) patch.pixels(y)[x] = Bgr{0, 255, 0};
    }
    GrayMap selected;
    selected.createGray(4, 3);
    ASSERT_TRUE(doc->layers().pastePixels(0, patch, SelectionArea{Rect{10, 20, 14, 23}, nullptr}));
    QImage img = shown(v);
    EXPECT_EQ(v.renderedPixels() - before, 8 * 6);
    EXPECT_EQ(img.pixel(20, 40), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(27, 45), qRgb(0, 255, 0));
    EXPECT_EQ(img.pixel(28, 45), qRgb(0, 0, 255));
    // A rename repaints nothing.
    before = v.renderedPixels();
    doc->layers().setName(doc->layers().layerAt(0), "Sky");
    shown(v);
    EXPECT_EQ(v.renderedPixels(), before);
}

TEST_F(VeViewTest, CanvasSizeChangeKeepsTheZoomAndShowsTheNewSize) {
    VeView& v = show(makeDocument(80, 40,
                                  [](int32_t x, int32_t) {
                                      return x < 40 ? solid(255, 0, 0) : solid(0, 0, 255);
                                  }),
                     QSize(200, 100), 2.0f);
    ASSERT_TRUE(doc->crop(Rect{40, 0, 80, 40}));
    EXPECT_EQ(v.scroller().imageSize(), (Size{40, 40}));
    EXPECT_FLOAT_EQ(v.zoom(), 2.0f);
    EXPECT_EQ(v.scroller().contentSize(), (Size{80, 80}));
    QImage img = shown(v);
    Rect r = v.scroller().imageRectInClient();
    EXPECT_EQ(img.pixel(r.left, r.top), qRgb(0, 0, 255));
}

TEST_F(VeViewTest, ZoomSignalAndZoomToolRequests) {
    VeView& v = show(makeDocument(400, 400, [](int32_t, int32_t) { return solid(5, 5, 5); }),
                     QSize(100, 100), 1.0f);
    std::vector<float> zooms;
    QObject::connect(&v, &VeView::zoomChanged, [&](float z) { zooms.push_back(z); });
    v.zoomToClientRect(QRect(10, 10, 2, 2), true);  // a click: one step in
    v.zoomOutAtClientPoint(QPoint(50, 50), true);
    v.zoomToClientRect(QRect(0, 0, 50, 25), false);  // min(101/50, 101/25) × 1
    ASSERT_EQ(zooms.size(), 3u);
    EXPECT_FLOAT_EQ(zooms[0], 2.0f);
    EXPECT_FLOAT_EQ(zooms[1], 1.0f);
    EXPECT_FLOAT_EQ(zooms[2], 2.02f);
}

// --- marching ants
// --------------------------------------------------------------------------------

class AntsTest : public VeViewTest {
protected:
    // A one-pixel selection at (2, 3) of a grey 10 × 10 image at 400 %: outline (8, 12)-(12, 16).
    VeView& start() {
        VeView& v = show(makeDocument(10, 10, [](int32_t, int32_t) { return solid(90, 90, 90); }),
                         QSize(40, 40), 4.0f);
        v.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&v));
        selection = SelectionArea{Rect{2, 3, 3, 4}, nullptr};
        v.setSelectionProvider([this] { return selection; });
        return v;
    }
    static bool whiteAt(int x, int y, int phase) { return ((x + y + 3 - phase) % 8 + 8) % 8 < 4; }
    void expectAnts(const QImage& img, int phase) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                bool edge = x == 0 || x == 3 || y == 0 || y == 3;
                QRgb expected =
                    !edge ? qRgb(90, 90, 90) : (whiteAt(x, y, phase) ? kWhite : qRgb(0, 0, 0));
                EXPECT_EQ(img.pixel(8 + x, 12 + y), expected)
                    << x << "," << y << " phase " << phase;
            }
        }
    }
    void expectNoAnts(const QImage& img) {
        for (int y = 12; y < 16; ++y) {
            for (int x = 8; x < 12; ++x) EXPECT_EQ(img.pixel(x, y), qRgb(90, 90, 90));
        }
    }
    SelectionArea selection;
};

TEST_F(AntsTest, TicksDrawAMovingStripePattern) {
    VeView& v = start();
    EXPECT_TRUE(v.antsRunning());
    expectNoAnts(shown(v));  // nothing before the first tick
    for (int tick = 0; tick < 3; ++tick) {
        v.antsTick();
        expectAnts(shown(v), tick);
    }
    EXPECT_EQ(SelectionOutline::phase(), 3);
    // Deselecting stops the timer and removes the ants.
    selection = SelectionArea{};
    v.selectionUpdated();
    EXPECT_FALSE(v.antsRunning());
    expectNoAnts(shown(v));
}

TEST_F(AntsTest, HeldLeftButtonFreezesTheAnts) {
    VeView& v = start();
    v.antsTick();
    QTest::mousePress(&v, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    v.antsTick();
    v.antsTick();
    EXPECT_EQ(SelectionOutline::phase(), 1);
    expectAnts(shown(v), 0);
    QTest::mouseRelease(&v, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
    v.antsTick();
    expectAnts(shown(v), 1);
}

TEST_F(AntsTest, ToggleHidesAndANewSelectionShowsAgain) {
    VeView& v = start();
    v.antsTick();
    EXPECT_TRUE(v.handleCommand(32797));
    EXPECT_FALSE(v.selectionShown());
    expectNoAnts(shown(v));
    v.antsTick();
    expectNoAnts(shown(v));
    selection = SelectionArea{Rect{2, 3, 3, 4}, nullptr};
    v.selectionUpdated();
    EXPECT_TRUE(v.selectionShown());
    v.antsTick();
    expectAnts(shown(v), 1);
    EXPECT_FALSE(v.handleCommand(12345));
}

TEST_F(AntsTest, RepaintAndScrollRebuildTheOutline) {
    VeView& v = start();
    v.antsTick();
    // A zoom change repaints: the next tick outlines the pixel at its new place.
    v.scroller().setZoom(2.0f, false, true);
    shown(v);
    EXPECT_FALSE(v.outline().prepared());
    v.antsTick();
    EXPECT_EQ(v.outline().rect(), (Rect{14, 16, 16, 18}));
    EXPECT_EQ(v.outline().points().size(), 4u);
}

TEST_F(AntsTest, InactiveWindowOrSelectionOutOfSightDrawsNothing) {
    VeView& v = start();
    v.setActiveQuery([] { return false; });
    v.antsTick();
    EXPECT_EQ(SelectionOutline::phase(), 0);
    v.setActiveQuery(nullptr);
    selection = SelectionArea{Rect{50, 50, 60, 60}, nullptr};  // off the canvas and the view
    v.selectionUpdated();
    v.antsTick();
    EXPECT_EQ(SelectionOutline::phase(), 0);
}

}  // namespace
}  // namespace varnel
