#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "filter_fixtures.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/last_filter.h"
#include "filters/stack_blur_filter.h"

namespace varnel {
namespace {

using testing::maskImage;
using testing::noiseImage;
using testing::samePixels;

std::unique_ptr<PixelSurface> noiseSurface(int depth, int w, int h, uint32_t seed) {
    auto img = noiseImage(w, h, seed);
    if (depth == 24) return img;
    return testing::grayImage(w, h, [&](int x, int y) { return img->row(y)[3 * x + 1]; });
}

// The tables as defined: shift is the largest s with 2^s / (r + 1)² ≤ 512, mul = ceil(2^s /
// (r + 1)²).
void tables(int r, uint64_t& mul, int& shift) {
    const uint64_t area = uint64_t(r + 1) * uint64_t(r + 1);
    shift = 0;
    while ((uint64_t(1) << (shift + 1)) <= 512 * area) ++shift;
    mul = ((uint64_t(1) << shift) + area - 1) / area;
}

// One pass of the definition along rows (or columns): out = (S × mul) >> shift, S the tent sum
// with the edge pixels repeated beyond the ends.
void referencePass(PixelSurface& s, int r, bool vertical) {
    if (r <= 0) return;
    r = std::min(r, 254);
    uint64_t mul;
    int shift;
    tables(r, mul, shift);
    const int bpp = s.bitsPerPixel() / 8;
    const int len = vertical ? s.height() : s.width();
    const int lines = vertical ? s.width() : s.height();
    std::vector<int> line(static_cast<size_t>(len));
    for (int l = 0; l < lines; ++l)
        for (int k = 0; k < bpp; ++k) {
            auto at = [&](int i) -> uint8_t& {
                return vertical ? s.row(i)[l * bpp + k] : s.row(l)[i * bpp + k];
            };
            for (int i = 0; i < len; ++i) line[size_t(i)] = at(i);
            for (int x = 0; x < len; ++x) {
                uint64_t sum = 0;
                for (int d = -r; d <= r; ++d)
                    sum += uint64_t(r + 1 - std::abs(d)) *
                           uint64_t(line[size_t(std::clamp(x + d, 0, len - 1))]);
                at(x) = uint8_t((sum * mul) >> shift);
            }
        }
}

void referenceBlur(PixelSurface& s, int r) {
    referencePass(s, r, false);
    referencePass(s, r, true);
}

TEST(StackBlur, EqualsTheTentFormulaForEveryRadius) {
    uint64_t mul;
    int shift;
    tables(254, mul, shift);
    ASSERT_EQ(mul, 259u);  // the definition of the tables, checked against known entries
    ASSERT_EQ(shift, 24);
    tables(2, mul, shift);
    ASSERT_EQ(mul, 456u);
    ASSERT_EQ(shift, 12);

    const Size sizes[] = {{1, 1}, {1, 5}, {6, 1}, {7, 4}};
    for (int depth : {24, 8}) {
        for (Size sz : sizes) {
            for (uint32_t r = 1; r <= 254; ++r) {
                auto img = noiseSurface(depth, sz.width, sz.height, r);
                auto want = img->clone();
                referenceBlur(*want, int(r));
                ASSERT_EQ(blurWholeSurface(*img, int32_t(r), int32_t(r)), 1);
                ASSERT_TRUE(samePixels(*img, *want))
                    << depth << " bits " << sz.width << "x" << sz.height << " radius " << r;
            }
        }
    }
}

TEST(StackBlurFilter, BlursWithTheWholeNumberOfItsClampedRadius) {
    // The filter keeps its radius within 0.1 … 250, so 253 blurs as 250 and 0 changes nothing.
    struct Case {
        uint32_t radius;
        int blur;
    } cases[] = {{0, 0}, {1, 1}, {7, 7}, {250, 250}, {253, 250}};
    for (const Case& c : cases) {
        for (int depth : {24, 8}) {
            auto img = noiseSurface(depth, 9, 6, c.radius);
            auto want = img->clone();
            referenceBlur(*want, c.blur);
            StackBlurFilter f(c.radius);
            f.setInternal(true);
            ASSERT_EQ(f.apply(*img), 1);
            EXPECT_TRUE(samePixels(*img, *want)) << c.radius << " " << depth;
        }
    }
}

TEST(StackBlurFilter, OneColourStaysForEveryRadius) {
    for (Size sz : {Size{1, 9}, Size{9, 1}, Size{5, 4}}) {
        for (uint32_t r = 1; r <= 254; ++r) {
            auto img = testing::solidImage(sz.width, sz.height, {255, 1, 128});
            StackBlurFilter f(r);
            f.setInternal(true);
            ASSERT_EQ(f.apply(*img), 1);
            for (int y = 0; y < sz.height; ++y)
                for (int x = 0; x < sz.width; ++x)
                    ASSERT_EQ(img->pixels(y)[x], (Bgr{255, 1, 128})) << r;
        }
    }
}

TEST(StackBlurFilter, IgnoresTheMaskAndStaysOutOfTheSlotWhenInternal) {
    clearLastFilter();
    auto mask = maskImage(2, 2, [](int, int) { return 0; });
    const CoverageMask cover{mask.get(), {1, 1}};
    auto img = noiseImage(6, 5, 4);
    auto want = cloneOf(*img);
    referenceBlur(*want, 2);
    StackBlurFilter f(2);
    f.setInternal(true);
    ASSERT_EQ(f.apply(*img, &cover), 1);
    EXPECT_TRUE(samePixels(*img, *want));
    EXPECT_EQ(f.changedRect(), img->bounds());
    EXPECT_EQ(lastFilter(), nullptr);
    StackBlurFilter user(3);
    ASSERT_EQ(user.apply(*img), 1);
    EXPECT_EQ(lastFilterMenuText(), "Stack Blur");
    auto copy = f.clone();
    EXPECT_FALSE(copy->isInternal());
    EXPECT_EQ(dynamic_cast<StackBlurFilter&>(*copy).radius(), 2.0);
    clearLastFilter();
}

TEST(GaussianBlurFilter, RadiusClampAndMargin) {
    struct Case {
        double radius, kept;
        int32_t margin;
    } cases[] = {
        {-5, 0.1, 1},
        {0, 0.1, 1},
        {0.1, 0.1, 1},
        {0.5, 0.5, 2},
        {1, 1, 3},
        {10, 10, 27},
        {2.5, 2.5, 7},
        {3.7, 3.7, 10},
        {250, 250, 675},
        {300, 250, 675},
        {std::numeric_limits<double>::quiet_NaN(), 0.1, 1},
    };
    for (const Case& c : cases) {
        GaussianBlurFilter f(c.radius);
        EXPECT_DOUBLE_EQ(f.radius(), c.kept) << c.radius;
        EXPECT_EQ(f.margin(), c.margin) << c.radius;
        EXPECT_EQ(f.name(), "Gaussian Blur");
        auto copy = f.clone();
        EXPECT_DOUBLE_EQ(dynamic_cast<GaussianBlurFilter&>(*copy).radius(), c.kept);
    }
    EXPECT_DOUBLE_EQ(StackBlurFilter(1000).radius(), 250.0);
    EXPECT_DOUBLE_EQ(StackBlurFilter(0).radius(), 0.1);
}

TEST(GaussianBlurFilter, WholeSurfaceIsStackBlurOfTheWholeNumberRadius) {
    clearLastFilter();
    for (int depth : {24, 8}) {
        // 0.5 changes nothing, yet succeeds and becomes the Last Filter.
        auto img = noiseSurface(depth, 7, 5, 2);
        auto same = img->clone();
        GaussianBlurFilter half(0.5);
        ASSERT_EQ(half.apply(*img), 1);
        EXPECT_TRUE(samePixels(*img, *same));
        EXPECT_EQ(lastFilterMenuText(), "Gaussian Blur");
        // Radius 1 (weights 1, 2, 1) and 3.9 are Stack Blur of radius 1 and 3.
        for (double radius : {1.0, 3.9}) {
            auto want = img->clone();
            referenceBlur(*want, int(radius));
            GaussianBlurFilter f(radius);
            ASSERT_EQ(f.apply(*img), 1);
            EXPECT_TRUE(samePixels(*img, *want)) << radius;
            img = want->clone();
        }
    }
    clearLastFilter();
}

// What the blur through a mask placed at `origin` must give: the rectangle widened by the
// margin and cut to the surface is blurred on its own, then the rectangle is blended back.
void referenceMasked(const PixelSurface& before, PixelSurface& out, double radius,
                     const GrayMap* mask, Point origin, Rect rect) {
    GaussianBlurFilter g(radius);
    const int m = g.margin();
    const Rect region =
        Rect{rect.left - m, rect.top - m, rect.right + m, rect.bottom + m}.intersected(
            before.bounds());
    PixelSurface work;
    ASSERT_EQ(work.copyRectFrom(before, region), 1);
    referenceBlur(work, int(radius));
    const int bpp = before.bitsPerPixel() / 8;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) {
            const int c = mask ? mask->row(y - origin.y)[x - origin.x] : 255;
            for (int k = 0; k < bpp; ++k) {
                const int o = before.row(y)[x * bpp + k];
                const int n = work.row(y - region.top)[(x - region.left) * bpp + k];
                out.row(y)[x * bpp + k] = uint8_t(c == 0     ? o
                                                  : c == 255 ? n
                                                             : o + (((n - o) * c) >> 8));
            }
        }
}

TEST(GaussianBlurFilter, ThroughAFeatheredMask) {
    // A 9×8 mask at (6, 5) of a 24×20 surface: coverage falls from 255 in the middle to 0 at the
    // border, like a feathered selection.
    auto mask = maskImage(9, 8, [](int x, int y) {
        const int d = std::min({x, y, 8 - x, 7 - y});
        return std::min(255, d * 90);
    });
    const CoverageMask cover{mask.get(), {6, 5}};
    const Rect rect{6, 5, 15, 13};
    for (int depth : {24, 8}) {
        for (double radius : {1.0, 2.5, 6.0, 40.0}) {
            SCOPED_TRACE(::testing::Message() << depth << " bits, radius " << radius);
            auto img = noiseSurface(depth, 24, 20, 6);
            auto before = img->clone();
            auto want = img->clone();
            referenceMasked(*before, *want, radius, mask.get(), {6, 5}, rect);
            GaussianBlurFilter f(radius);
            f.setInternal(true);
            ASSERT_EQ(f.apply(*img, &cover), 1);
            EXPECT_TRUE(samePixels(*img, *want));
            EXPECT_EQ(f.changedRect(), rect);
            // Coverage 0 keeps every value exactly, and so does everything outside the mask.
            const int bpp = depth / 8;
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 24; ++x) {
                    const bool kept = !rect.contains(x, y) || mask->row(y - 5)[x - 6] == 0;
                    if (!kept) continue;
                    for (int k = 0; k < bpp; ++k)
                        ASSERT_EQ(img->row(y)[x * bpp + k], before->row(y)[x * bpp + k]);
                }
        }
    }
}

TEST(GaussianBlurFilter, AFullySelectedRectangleLeavesTheRestAlone) {
    // A rectangular selection gives a mask of 255 everywhere: only the rectangle is blurred (with
    // its real neighbours), never the whole layer.
    auto mask = maskImage(5, 4, [](int, int) { return 255; });
    const CoverageMask cover{mask.get(), {3, 2}};
    auto img = noiseImage(14, 10, 7);
    auto before = cloneOf(*img);
    auto want = cloneOf(*img);
    referenceMasked(*before, *want, 3.0, nullptr, {}, {3, 2, 8, 6});
    GaussianBlurFilter f(3.0);
    f.setInternal(true);
    ASSERT_EQ(f.apply(*img, &cover), 1);
    EXPECT_TRUE(samePixels(*img, *want));
    EXPECT_EQ(f.changedRect(), (Rect{3, 2, 8, 6}));

    // A mask over the whole surface at 255 is no mask: the whole surface is blurred.
    auto all = maskImage(14, 10, [](int, int) { return 255; });
    const CoverageMask whole{all.get(), {0, 0}};
    auto img2 = cloneOf(*before);
    auto want2 = cloneOf(*before);
    referenceBlur(*want2, 3);
    ASSERT_EQ(f.apply(*img2, &whole), 1);
    EXPECT_TRUE(samePixels(*img2, *want2));
    EXPECT_EQ(f.changedRect(), img2->bounds());
}

TEST(GaussianBlurFilter, ReadingAnotherSurfaceMatchesApplyingToACopy) {
    auto mask = maskImage(6, 5, [](int x, int y) { return (x * 50 + y * 20) % 256; });
    const CoverageMask cover{mask.get(), {2, 3}};
    for (const CoverageMask* m : {static_cast<const CoverageMask*>(nullptr), &cover}) {
        for (double radius : {0.5, 4.0}) {
            auto source = noiseImage(12, 10, 1);
            auto applied = cloneOf(*source);
            GaussianBlurFilter f(radius);
            f.setInternal(true);
            ASSERT_EQ(f.apply(*applied, m), 1);
            const Rect changed = f.changedRect();
            auto target = noiseImage(12, 10, 2);
            auto untouched = cloneOf(*target);
            ASSERT_EQ(f.applyFrom(*source, *target, m), 1);
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 12; ++x)
                    ASSERT_EQ(target->pixels(y)[x],
                              (changed.contains(x, y) ? *applied : *untouched).pixels(y)[x])
                        << radius << " " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace varnel
