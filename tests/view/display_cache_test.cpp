#include "view/display_cache.h"

#include <gtest/gtest.h>

#include <functional>

#include "render_fixtures.h"

namespace varnel {
namespace {

using test::coordColour;
using test::fillGray;
using test::fillImage;

// A 200 × 150 composite with a transparent band and a half-transparent band, shown at zoom 2 in
// a 100 × 80 window.
class DisplayCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        fillImage(image, 200, 150, coordColour);
        fillGray(coverage, 200, 150, [](int32_t x, int32_t) {
            return uint8_t(x < 30 ? 0 : x < 60 ? 100 : 255);
        });
        ASSERT_TRUE(window.resize(100, 80));
    }

    RenderRequest request(Rect dest) const { return {dest, Size{400, 300}, Size{200, 150}}; }
    RenderSource source() const { return {&image, &coverage, false, true}; }

    // The window must equal a fresh render of `dest` placed at `to`.
    void expectMatchesFreshRender(Rect dest, Point to) {
        PixelBuffer32 fresh;
        ASSERT_TRUE(fresh.resize(window.width(), window.height()));
        ZoomRenderer r;
        ASSERT_TRUE(r.render(source(), AxisMap{200, 400}, AxisMap{150, 300}, dest, {}, fresh, to));
        Rect shown = dest.offset(to.x, to.y).intersected(window.bounds());
        for (int32_t y = shown.top; y < shown.bottom; ++y) {
            for (int32_t x = shown.left; x < shown.right; ++x) {
                ASSERT_EQ(window.pixel(x, y), fresh.pixel(x, y)) << x << "," << y;
            }
        }
    }

    ColorImage image;
    GrayMap coverage;
    PixelBuffer32 window;
    DisplayCache cache;
};

TEST_F(DisplayCacheTest, ScrollingRendersOnlyWhatBecameVisible) {
    struct Step {
        Rect dest;
        int64_t rendered;  // content pixels rendered by this draw
    } steps[] = {
        {{0, 0, 100, 80}, 8000},      // first draw: everything
        {{0, 0, 100, 80}, 0},         // repaint: nothing
        {{10, 0, 110, 80}, 10 * 80},  // 10 pixels right
        {{10, 25, 110, 105}, 25 * 100},
        {{3, 20, 103, 100}, 7 * 80 + 5 * 100 - 7 * 5},  // back up-left: an L-shaped strip
        {{300, 200, 400, 280}, 8000},                   // no overlap: everything
        {{290, 190, 390, 270}, 8000 - 90 * 70},
    };
    for (const Step& s : steps) {
        int64_t before = cache.renderedPixels();
        Point to{-s.dest.left, -s.dest.top};
        ASSERT_TRUE(cache.draw(request(s.dest), source(), window, to, window.bounds()));
        EXPECT_EQ(cache.renderedPixels() - before, s.rendered) << s.dest.left << "," << s.dest.top;
        expectMatchesFreshRender(s.dest, to);
    }
}

TEST_F(DisplayCacheTest, ResizedRequestKeepsTheOverlap) {
    ASSERT_TRUE(cache.draw(request({0, 0, 100, 80}), source(), window, {0, 0}, window.bounds()));
    int64_t before = cache.renderedPixels();
    // Narrower and shifted (the window was made smaller, say): only the new column is rendered.
    ASSERT_TRUE(cache.draw(request({20, 0, 110, 60}), source(), window, {-20, 0}, window.bounds()));
    EXPECT_EQ(cache.renderedPixels() - before, 10 * 60);
    expectMatchesFreshRender({20, 0, 110, 60}, {-20, 0});
}

TEST_F(DisplayCacheTest, ChangedRectangleRendersOnlyItsPixels) {
    Rect dest{50, 40, 150, 120};
    Point to{-50, -40};
    ASSERT_TRUE(cache.draw(request(dest), source(), window, to, window.bounds()));
    // Pixels change in image rectangle (70, 30)-(75, 33): content (140, 60)-(150, 66).
    for (int32_t y = 30; y < 33; ++y) {
        for (int32_t x = 70; x < 75; ++x) image.pixels(y)[x] = Bgr{1, 2, 3};
    }
    cache.markDirty(Rect{70, 30, 75, 33});
    int64_t before = cache.renderedPixels();
    ASSERT_TRUE(cache.draw(request(dest), source(), window, to, window.bounds()));
    EXPECT_EQ(cache.renderedPixels() - before, 10 * 6);
    expectMatchesFreshRender(dest, to);
    EXPECT_EQ(window.pixel(140 - 50, 60 - 40), packPixel(3, 2, 1));

    // A change outside the visible part renders nothing.
    cache.markDirty(Rect{0, 0, 5, 5});
    before = cache.renderedPixels();
    ASSERT_TRUE(cache.draw(request(dest), source(), window, to, window.bounds()));
    EXPECT_EQ(cache.renderedPixels() - before, 0);
}

TEST_F(DisplayCacheTest, WholeChangesRenderEverything) {
    Rect dest{0, 0, 100, 80};
    ASSERT_TRUE(cache.draw(request(dest), source(), window, {0, 0}, window.bounds()));
    struct Case {
        const char* what;
        std::function<void(RenderRequest&, RenderSource&)> change;
        int64_t renderedAfter;  // by the following plain request
    } cases[] = {
        {"dirty", [&](RenderRequest&, RenderSource&) { cache.markDirty(); }, 0},
        {"zoom",
         [](RenderRequest& r, RenderSource&) {
             r.content = Size{401, 301};
         },
         8000},
        {"opaque", [](RenderRequest&, RenderSource& s) { s.opaque = true; }, 8000},
        {"no content", [](RenderRequest&, RenderSource& s) { s.hasContent = false; }, 8000},
    };
    for (const Case& c : cases) {
        RenderRequest r = request(dest);
        RenderSource s = source();
        c.change(r, s);
        int64_t before = cache.renderedPixels();
        ASSERT_TRUE(cache.draw(r, s, window, {0, 0}, window.bounds()));
        EXPECT_EQ(cache.renderedPixels() - before, 8000) << c.what;
        before = cache.renderedPixels();
        ASSERT_TRUE(cache.draw(request(dest), source(), window, {0, 0}, window.bounds()));
        EXPECT_EQ(cache.renderedPixels() - before, c.renderedAfter) << c.what;
    }
}

TEST_F(DisplayCacheTest, CopyIsClippedAndFailureLeavesTheWindowAlone) {
    window.fill(window.bounds(), 5);
    Rect dest{0, 0, 100, 80};
    ASSERT_TRUE(cache.draw(request(dest), source(), window, {0, 0}, Rect{0, 0, 10, 10}));
    EXPECT_NE(window.pixel(9, 9), 5u);
    EXPECT_EQ(window.pixel(10, 10), 5u);

    window.fill(window.bounds(), 5);
    cache.markDirty();
    RenderRequest wrong{dest, Size{400, 300}, Size{201, 150}};  // the composite is 200 wide
    EXPECT_FALSE(cache.draw(wrong, source(), window, {0, 0}, window.bounds()));
    EXPECT_EQ(window.pixel(50, 50), 5u);
    EXPECT_TRUE(cache.isDirty());
}

}  // namespace
}  // namespace varnel
