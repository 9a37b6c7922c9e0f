#include "view/preview_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "document/layer.h"
#include "document/layer_stack.h"
#include "view/display_cache.h"

namespace varnel {
namespace {

using namespace preview;

TEST(PreviewSlider, MapsZeroToMinimumMiddleToOneEndToMaximum) {
    struct Case {
        float minZoom;
        int position;
        float zoom;
    } cases[] = {
        {0.1f, 0, 0.1f},    {0.1f, 42, 1.0f},      {0.1f, 84, 8.0f},
        {0.1f, 21, 0.325f}, {0.1f, 63, 3.916667f},  // 7 × 4 × 63² / (3 × 84²) − 4/3
        {1.0f, 0, 1.0f},    {1.0f, 30, 1.0f},  // a canvas smaller than the pane: the left half is 1
        {0.1f, -5, 0.1f},   {0.1f, 500, 8.0f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(sliderZoom(c.position, c.minZoom, kMaxZoom), c.zoom, 1e-5) << c.position;
}

TEST(PreviewSlider, ZoomGivesTheSliderBack) {
    for (float m : {0.05f, 0.37f, 1.0f}) {
        for (int p = 0; p < kSliderSteps; ++p) {
            const float z = sliderZoom(p, m, kMaxZoom);
            if (m >= 1.0f && p <= kSliderSteps / 2) {
                EXPECT_EQ(sliderPosition(z, m, kMaxZoom), kSliderSteps / 2);
                continue;
            }
            EXPECT_EQ(sliderPosition(z, m, kMaxZoom), p) << m << " " << p;
        }
        // The right end (84) is shown at 83; zooms beyond the range are held.
        EXPECT_EQ(sliderPosition(8.0f, m, kMaxZoom), kSliderSteps - 1);
        EXPECT_EQ(sliderPosition(100.0f, m, kMaxZoom), kSliderSteps - 1);
        EXPECT_EQ(sliderPosition(0.0001f, m, kMaxZoom), m >= 1.0f ? 42 : 0);
        EXPECT_EQ(sliderPosition(NAN, m, kMaxZoom), 42);
    }
    EXPECT_EQ(sliderPositionAtX(0), 0);
    EXPECT_EQ(sliderPositionAtX(kSliderTrackLeft + 10), 10);
    EXPECT_EQ(sliderPositionAtX(1000), 83);
}

TEST(PreviewGeometry, ToolbarElementsAndThumbnailFrame) {
    EXPECT_EQ(zoomOutRect(), (Rect{2, 2, 18, 18}));
    EXPECT_EQ(sliderAreaRect(), (Rect{18, 2, 114, 18}));
    EXPECT_EQ(sliderThumbRect(42), (Rect{62, 2, 71, 18}));
    EXPECT_EQ(zoomInRect(), (Rect{114, 2, 130, 18}));
    EXPECT_EQ(actualPixelsRect(), (Rect{133, 2, 149, 18}));
    EXPECT_EQ(navigatorButtonRect(242), (Rect{224, 2, 240, 18}));
    EXPECT_EQ(navigatorBoxRect(242), (Rect{122, 0, 242, 120}));
    // Wide: full width, height by the aspect ratio, centred; tall: the other way round; square.
    EXPECT_EQ(thumbnailFrame(242, {6000, 4000}), (Rect{132, 26, 232, 93}));
    EXPECT_EQ(thumbnailFrame(242, {1000, 3000}), (Rect{165, 10, 198, 110}));
    EXPECT_EQ(thumbnailFrame(242, {500, 500}), (Rect{132, 10, 232, 110}));
    EXPECT_EQ(thumbnailInner(242, {500, 500}), (Rect{133, 11, 231, 109}));
    // A sliver of a canvas still has a thumbnail.
    EXPECT_FALSE(thumbnailInner(242, {30000, 1}).isEmpty());
}

TEST(PreviewGeometry, HitTestByMode) {
    HitContext c;
    c.clientWidth = 242;
    c.image = {6000, 4000};
    c.sliderPos = 10;
    c.visiblePicture = {0, 0, 242, 242};
    c.viewRect = {150, 40, 170, 60};
    struct Case {
        PreviewMode mode;
        bool navigator;
        Point p;
        int32_t hit;
    } cases[] = {
        {PreviewMode::Plain, true, {5, 5}, kHitPicture},
        {PreviewMode::Toolbar, true, {5, 5}, kHitZoomOut},
        {PreviewMode::Toolbar, true, {32, 5}, kHitSliderThumb},  // 2 + 18 + 10 … + 9
        {PreviewMode::Toolbar, true, {60, 5}, kHitSliderArea},
        {PreviewMode::Toolbar, true, {120, 5}, kHitZoomIn},
        {PreviewMode::Toolbar, true, {140, 5}, kHitActualPixels},
        {PreviewMode::Toolbar, true, {230, 5}, kHitNavigatorButton},
        {PreviewMode::Toolbar, false, {230, 5}, kHitPicture},
        {PreviewMode::Toolbar, true, {100, 100}, kHitPicture},
        {PreviewMode::Navigator, true, {148, 38}, kHitViewRect},  // the 2-pixel ring counts
        {PreviewMode::Navigator, true, {200, 80}, kHitThumbnail},
        {PreviewMode::Navigator, true, {125, 5}, kHitNavigatorBox},
        {PreviewMode::Navigator, true, {5, 5}, kHitPicture},
    };
    for (const Case& k : cases) {
        c.navigatorAvailable = k.navigator;
        EXPECT_EQ(hitTest(k.mode, k.p, c), k.hit) << k.p.x << "," << k.p.y;
    }
    c.visiblePicture = {50, 50, 150, 150};  // a small canvas, centred
    EXPECT_EQ(hitTest(PreviewMode::Plain, {10, 10}, c), kHitNone);
    EXPECT_EQ(hitTest(PreviewMode::Toolbar, {10, 100}, c), kHitNone);
}

TEST(PreviewGeometry, ViewRectangleFollowsTheScrollPosition) {
    ZoomScroller s;
    s.setImageSize(1000, 500);
    s.setClientSize(200, 100);
    s.setZoom(1.0f, false, false);
    const Rect inner{0, 0, 100, 50};
    EXPECT_EQ(viewRectangle(s, inner), (Rect{0, 0, 20, 10}));
    s.scrollTo(500, 250);
    EXPECT_EQ(viewRectangle(s, inner), (Rect{50, 25, 70, 35}));
    EXPECT_EQ(thumbnailToContent({50, 25}, inner, s.contentSize()), (Point{500, 250}));
    // Everything visible: the whole thumbnail.
    s.setZoom(0.1f, false, false);
    EXPECT_EQ(viewRectangle(s, inner), inner);
}

TEST(PreviewGeometry, ThumbnailPlacementOfAPartialLayer) {
    EXPECT_EQ(thumbnailPlacement({100, 50}, {1000, 500}, {0, 0, 1000, 500}), (Rect{0, 0, 100, 50}));
    // Left and top rounded; right and bottom measured from the far edges and truncated.
    EXPECT_EQ(thumbnailPlacement({100, 50}, {1000, 500}, {15, 25, 986, 475}), (Rect{2, 3, 99, 48}));
}

TEST(PreviewGeometry, LightenAndDarken) {
    PixelBuffer32 b;
    b.resize(4, 1);
    b.fill(b.bounds(), packPixel(0, 100, 255));
    lightenOutside(b, b.bounds(), {1, 0, 2, 1});
    EXPECT_EQ(b.pixel(0, 0), packPixel(0 + (255 * 180 >> 8), 100 + (155 * 180 >> 8), 255));
    EXPECT_EQ(b.pixel(1, 0), packPixel(0, 100, 255));
    darken(b, {2, 0, 3, 1}, 128);
    EXPECT_EQ(b.pixel(2, 0), packPixel(89, 104, 127));  // lightened, then halved
}

// --- the pane's picture --------------------------------------------------------------------------

std::unique_ptr<Document> documentWith(int32_t w, int32_t h, bool background) {
    ColorImage px;
    px.createColor(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) px.pixels(y)[x] = Bgr{uint8_t(x), uint8_t(y), 7};
    if (background) return Document::fromImage(px, nullptr, "a.png");
    GrayMap alpha;
    alpha.createGray(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) alpha.row(y)[x] = x < 8 ? 0 : 200;
    return Document::fromImage(px, &alpha, "a.png");
}

TEST(PreviewPicture, IsAPrivatePreviewOnlyCopyOfTheLayerOnTheCanvas) {
    auto doc = documentWith(12, 8, true);
    const RasterLayer& layer = *doc->layers().rasterAt(0);
    auto picture = makePreviewPicture(*doc, layer);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->isPreviewOnly());
    EXPECT_FALSE(picture->transparentBackground());
    EXPECT_EQ(picture->backgroundColor(), 0xFFFFFFu);
    EXPECT_EQ(picture->resolution(), 72.0f);
    EXPECT_EQ(picture->size(), doc->size());
    ASSERT_EQ(picture->layers().count(), 1);
    const RasterLayer* copy = picture->layers().rasterAt(0);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->isBackground());
    EXPECT_NE(copy->pixels().row(0), layer.pixels().row(0));
    EXPECT_EQ(copy->pixels().pixels(5)[9], (Bgr{9, 5, 7}));
    // The source changing later does not reach the copy.
    doc->layers().rasterAt(0)->pixels().pixels(5)[9] = Bgr{1, 1, 1};
    EXPECT_EQ(copy->pixels().pixels(5)[9], (Bgr{9, 5, 7}));
}

TEST(PreviewPicture, KeepsOnlyThePartOnTheCanvasWithItsTransparency) {
    auto doc = documentWith(12, 8, false);
    RasterLayer& layer = *doc->layers().rasterAt(0);
    layer.setOffset({-3, 2});
    auto picture = makePreviewPicture(*doc, layer);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->transparentBackground());
    const RasterLayer* copy = picture->layers().rasterAt(0);
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->isBackground());
    EXPECT_EQ(copy->canvasBounds(), (Rect{0, 2, 9, 8}));
    // Canvas (0, 2) is layer pixel (3, 0).
    EXPECT_EQ(copy->pixels().pixels(0)[0], (Bgr{3, 0, 7}));
    ASSERT_TRUE(copy->transparency());
    EXPECT_EQ(copy->transparency()->row(0)[0], 0);  // layer column 3
    EXPECT_EQ(copy->transparency()->row(0)[6], 200);
}

TEST(PreviewPicture, ThumbnailOfAnOpaqueLayerCoversItAndOfATransparentOneShowsChecks) {
    auto doc = documentWith(40, 40, true);
    auto picture = makePreviewPicture(*doc, *doc->layers().rasterAt(0));
    ASSERT_TRUE(picture);
    PixelBuffer32 thumb;
    ASSERT_TRUE(drawThumbnail(*picture, {10, 10}, thumb));
    EXPECT_EQ(thumb.size(), (Size{10, 10}));
    EXPECT_EQ(pixelRed(thumb.pixel(0, 0)), 7);  // layer colour, not a checker square

    auto clear = documentWith(40, 40, false);  // transparency 0 in columns 0 … 7
    auto clearPicture = makePreviewPicture(*clear, *clear->layers().rasterAt(0));
    ASSERT_TRUE(drawThumbnail(*clearPicture, {10, 10}, thumb));
    EXPECT_EQ(thumb.pixel(0, 0), packPixel(255, 255, 255));
    EXPECT_EQ(thumb.pixel(0, 4), packPixel(204, 204, 204));
}

TEST(PreviewRender, AveragesTheFootprintOfEachScreenPixel) {
    // Stripes of 0 and 200 one pixel wide: picking would show one of them; averaging shows 100.
    ColorImage px;
    px.createColor(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint8_t v = x % 2 ? 200 : 0;
            px.pixels(y)[x] = Bgr{v, v, v};
        }
    auto doc = Document::fromImage(px, nullptr, "s.png");
    RenderSource source = renderSourceOf(*doc);
    const AxisMap m{8, 4};
    PixelBuffer32 out;
    out.resize(4, 4);
    ASSERT_TRUE(renderAveraged(source, m, m, {0, 0, 4, 4}, CheckerPattern{}, out, {0, 0}));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(out.pixel(x, y), packPixel(100, 100, 100));
    // A source that does not match the maps draws nothing.
    EXPECT_FALSE(
        renderAveraged(source, AxisMap{9, 4}, m, {0, 0, 4, 4}, CheckerPattern{}, out, {0, 0}));
}

}  // namespace
}  // namespace varnel
