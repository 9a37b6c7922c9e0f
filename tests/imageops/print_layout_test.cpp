#include "imageops/print_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace varnel {
namespace {

TEST(PrintLayout, PlacementOfImagesThatFitAndOfImagesThatDoNot) {
    struct Case {
        Size image, printable;
        int factor;
        bool reduced;
        Rect destination;  // x, y, width, height
    } cases[] = {
        // A small image grows by the largest whole factor within three quarters of the width.
        {{100, 100}, {4800, 6600}, 36, false, Rect::fromXYWH(600, 1500, 3600, 3600)},
        {{1800, 10}, {4800, 6600}, 2, false, Rect::fromXYWH(600, 3290, 3600, 20)},
        {{1801, 10}, {4800, 6600}, 1, false, Rect::fromXYWH(1499, 3295, 1801, 10)},
        // Three quarters of the width is rounded to the nearest pixel, not cut: 3601.5 → 3602.
        {{1801, 10}, {4802, 6600}, 2, false, Rect::fromXYWH(600, 3290, 3602, 20)},
        {{1, 1}, {4801, 6600}, 3601, false, Rect::fromXYWH(600, 1499, 3601, 3601)},
        // Wider than three quarters but within the area: its own size, centred.
        {{4000, 100}, {4800, 6600}, 1, false, Rect::fromXYWH(400, 3250, 4000, 100)},
        {{4800, 6600}, {4800, 6600}, 1, false, Rect::fromXYWH(0, 0, 4800, 6600)},
        // A tall image: the height limits the factor, so it stays on the page.
        {{100, 1000}, {4800, 6600}, 6, false, Rect::fromXYWH(2100, 300, 600, 6000)},
        {{100, 200}, {4800, 6600}, 33, false, Rect::fromXYWH(750, 0, 3300, 6600)},
        // Landscape paper.
        {{100, 100}, {6600, 4800}, 48, false, Rect::fromXYWH(900, 0, 4800, 4800)},
        // Larger than the area: reduced uniformly to fit, centred.
        {{6000, 1000}, {4800, 6600}, 1, true, Rect::fromXYWH(0, 2900, 4800, 800)},
        {{1000, 9000}, {4800, 6600}, 1, true, Rect::fromXYWH(2033, 0, 733, 6600)},
        {{4000, 7000}, {4800, 6600}, 1, true, Rect::fromXYWH(514, 0, 3771, 6600)},
        {{9600, 13200}, {4800, 6600}, 1, true, Rect::fromXYWH(0, 0, 4800, 6600)},
        // A hairline keeps at least one pixel across.
        {{30000, 1}, {4800, 6600}, 1, true, Rect::fromXYWH(0, 3299, 4800, 1)},
        {{30000, 30000}, {1, 1}, 1, true, Rect::fromXYWH(0, 0, 1, 1)},
        // Extremes of size do not overflow.
        {{1, 1}, {40000, 40000}, 30000, false, Rect::fromXYWH(5000, 5000, 30000, 30000)},
        // Odd leftovers round the position towards the top-left.
        {{3, 3}, {11, 11}, 2, false, Rect::fromXYWH(2, 2, 6, 6)},
        // Nothing to print, or nowhere to print it.
        {{0, 10}, {4800, 6600}, 0, false, Rect{}},
        {{10, 10}, {0, 6600}, 0, false, Rect{}},
        {{10, 10}, {4800, -1}, 0, false, Rect{}},
    };
    for (const Case& c : cases) {
        const PagePlacement p = placeOnPage(c.image, c.printable);
        const Rect& d = p.destination;
        const Rect& want = c.destination;
        EXPECT_EQ(p.factor, c.factor) << c.image.width << "x" << c.image.height;
        EXPECT_EQ(p.reduced, c.reduced) << c.image.width << "x" << c.image.height;
        EXPECT_TRUE(d.left == want.left && d.top == want.top && d.right == want.right &&
                    d.bottom == want.bottom)
            << c.image.width << "x" << c.image.height << " on " << c.printable.width << "x"
            << c.printable.height << ": got " << d.left << "," << d.top << " " << d.width() << "x"
            << d.height();
    }
}

// Over a spread of image and page sizes: the image is never cut, never distorted beyond the
// rounding of one pixel, centred, and as large as the rule allows.
TEST(PrintLayout, EveryPlacementFitsIsCentredAndKeepsTheAspect) {
    const int32_t sides[] = {1, 2, 3, 7, 99, 100, 101, 640, 1799, 3600, 4799, 4800, 4801, 9999};
    const Size pages[] = {{4800, 6600}, {6600, 4800}, {575, 822}, {1, 1}, {7, 3}};
    for (Size page : pages) {
        for (int32_t w : sides) {
            for (int32_t h : sides) {
                const PagePlacement p = placeOnPage({w, h}, page);
                const Rect& d = p.destination;
                SCOPED_TRACE(testing::Message()
                             << w << "x" << h << " on " << page.width << "x" << page.height);
                ASSERT_TRUE(Rect::fromSize(page).contains(d));
                const int32_t gapX = (page.width - d.right) - d.left;
                const int32_t gapY = (page.height - d.bottom) - d.top;
                EXPECT_TRUE(gapX == 0 || gapX == 1);
                EXPECT_TRUE(gapY == 0 || gapY == 1);
                EXPECT_EQ(p.reduced, w > page.width || h > page.height);
                if (!p.reduced) {
                    EXPECT_EQ(d.width(), int64_t(w) * p.factor);
                    EXPECT_EQ(d.height(), int64_t(h) * p.factor);
                    // One step more would leave three quarters of the width or the height.
                    const int64_t next = p.factor + 1;
                    EXPECT_TRUE(next * w * 4 > int64_t(page.width) * 3 + 2 ||
                                next * h > page.height);
                } else {
                    // One side fills the area; the other follows the image's proportions to
                    // within half a pixel (or is the one pixel a hairline keeps).
                    EXPECT_TRUE(d.width() == page.width || d.height() == page.height);
                    const int64_t skew =
                        std::llabs(int64_t(d.width()) * h - int64_t(d.height()) * w);
                    const bool hairline = d.width() == 1 || d.height() == 1;
                    EXPECT_TRUE(hairline || 2 * skew <= std::max(w, h))
                        << d.width() << "x" << d.height();
                }
            }
        }
    }
}

}  // namespace
}  // namespace varnel
