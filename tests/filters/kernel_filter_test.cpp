#include "filters/kernel_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "filter_fixtures.h"
#include "filters/last_filter.h"

namespace varnel {
namespace {

using testing::maskImage;
using testing::noiseImage;
using testing::samePixels;

// A noisy 8-bit surface.
std::unique_ptr<GrayMap> noiseGray(int w, int h, uint32_t seed) {
    auto img = noiseImage(w, h, seed);
    return testing::grayImage(w, h, [&](int x, int y) { return img->row(y)[3 * x]; });
}

// The convolution written out as defined: a padded copy with clamped coordinates, the sum, the
// truncating division, the bias and the clamp, then the coverage rule of each depth.
void referenceConvolve(const PixelSurface& before, PixelSurface& out, const KernelFilter& f,
                       Rect rect, const GrayMap* mask, Point origin) {
    const int bpp = before.bitsPerPixel() / 8;
    const int half = f.half();
    auto at = [&](int x, int y, int k) {
        x = std::clamp(x, 0, before.width() - 1);
        y = std::clamp(y, 0, before.height() - 1);
        return int64_t(before.row(y)[x * bpp + k]);
    };
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            for (int k = 0; k < bpp; ++k) {
                int64_t sum = 0;
                for (int dy = 0; dy < f.size(); ++dy)
                    for (int dx = 0; dx < f.size(); ++dx)
                        sum += f.kernel()[size_t(dy * f.size() + dx)] *
                               at(x + dx - half, y + dy - half, k);
                const int r = int(std::clamp<int64_t>(sum / f.divisor() + f.bias(), 0, 255));
                const int old = int(at(x, y, k));
                int v = r;
                if (mask) {
                    const int c = mask->row(y - origin.y)[x - origin.x];
                    if (c == 0) {
                        v = old;
                    } else if (c != 255) {
                        v = bpp == 3 ? r + (((old - r) * (255 - c)) >> 8)
                                     : old + (((r - old) * c) >> 8);
                    }
                }
                out.row(y)[x * bpp + k] = uint8_t(v);
            }
}

std::vector<std::unique_ptr<KernelFilter>> filtersUnderTest() {
    std::vector<std::unique_ptr<KernelFilter>> out;
    out.push_back(std::make_unique<BlurFilter>());
    out.push_back(std::make_unique<BlurMoreFilter>());
    out.push_back(std::make_unique<SharpenFilter>());
    out.push_back(std::make_unique<SharpenMoreFilter>());
    // Kernels off the fast paths: a 3 × 3 with a bias, and a 5 × 5 with large weights.
    auto biased = std::make_unique<KernelFilter>();
    const int32_t k3[9] = {1, -2, 1, 3, 5, -3, 0, 2, -1};
    biased->setKernel(k3, 3);
    biased->setDivisor(3);
    biased->setBias(-20);
    out.push_back(std::move(biased));
    auto wide = std::make_unique<KernelFilter>();
    int32_t k5[25];
    for (int i = 0; i < 25; ++i) k5[i] = (i * 7919) % 13 - 6 + (i == 12 ? 1000000 : 0);
    wide->setKernel(k5, 5);
    wide->setDivisor(999999);
    out.push_back(std::move(wide));
    for (auto& f : out) f->setInternal(true);
    return out;
}

TEST(KernelFilter, MatchesTheDefinitionOnEverySizeAndDepth) {
    const Size sizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {9, 7}};
    for (const auto& f : filtersUnderTest()) {
        for (Size sz : sizes) {
            for (int depth : {24, 8}) {
                SCOPED_TRACE(::testing::Message() << f->name() << " k" << f->size() << " "
                                                  << sz.width << "x" << sz.height << " " << depth);
                std::unique_ptr<PixelSurface> img;
                if (depth == 24) {
                    img = noiseImage(sz.width, sz.height, 3);
                } else {
                    img = noiseGray(sz.width, sz.height, 3);
                }
                auto want = img->clone();
                referenceConvolve(*img, *want, *f, img->bounds(), nullptr, {});
                ASSERT_EQ(f->apply(*img), 1);
                EXPECT_TRUE(samePixels(*img, *want));
            }
        }
    }
}

TEST(KernelFilter, ThroughAMaskOnlyTheRectangleChanges) {
    // A 5×4 mask at (2, 1) of a 9×7 surface holds 0, 255 and partial values; the neighbours read
    // outside the rectangle are the real pixels, and nothing outside it is written.
    auto mask = maskImage(5, 4, [](int x, int y) { return (x * 61 + y * 97) % 256; });
    mask->row(0)[0] = 0;
    mask->row(1)[1] = 255;
    const CoverageMask cover{mask.get(), {2, 1}};
    const Rect rect{2, 1, 7, 5};
    for (const auto& f : filtersUnderTest()) {
        for (int depth : {24, 8}) {
            SCOPED_TRACE(::testing::Message() << f->name() << " k" << f->size() << " " << depth);
            std::unique_ptr<PixelSurface> img;
            if (depth == 24) {
                img = noiseImage(9, 7, 5);
            } else {
                img = noiseGray(9, 7, 5);
            }
            auto want = img->clone();
            referenceConvolve(*img, *want, *f, rect, mask.get(), {2, 1});
            ASSERT_EQ(f->apply(*img, &cover), 1);
            EXPECT_TRUE(samePixels(*img, *want));
            EXPECT_EQ(f->changedRect(), rect);
        }
    }
}

TEST(KernelFilter, ReadingAnotherSurfaceMatchesApplyingToACopy) {
    auto mask = maskImage(4, 3, [](int x, int y) { return x * 80 + y; });
    const CoverageMask cover{mask.get(), {1, 1}};
    for (const auto& f : filtersUnderTest()) {
        auto source = noiseImage(6, 5, 8);
        auto applied = cloneOf(*source);
        ASSERT_EQ(f->apply(*applied, &cover), 1);
        auto target = noiseImage(6, 5, 9);
        auto outside = cloneOf(*target);
        ASSERT_EQ(f->applyFrom(*source, *target, &cover), 1);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool in = Rect{1, 1, 5, 4}.contains(x, y);
                EXPECT_EQ(target->pixels(y)[x], (in ? *applied : *outside).pixels(y)[x])
                    << f->name() << " " << x << "," << y;
            }
    }
}

TEST(KernelFilter, EdgeCasesOfTheFourFilters) {
    // Blur and Blur More leave one colour alone, edges and corners included.
    for (auto f : std::initializer_list<std::function<std::unique_ptr<KernelFilter>()>>{
             [] { return std::make_unique<BlurFilter>(); },
             [] { return std::make_unique<BlurMoreFilter>(); }}) {
        auto filter = f();
        filter->setInternal(true);
        auto img = testing::solidImage(4, 3, {10, 200, 77});
        auto same = cloneOf(*img);
        ASSERT_EQ(filter->apply(*img), 1);
        EXPECT_TRUE(samePixels(*img, *same)) << filter->name();
    }
    // Sharpen of a white dot on black: the dot stays 255 (clamped), its four neighbours become 0
    // (clamped from −63), the diagonals stay 0.
    SharpenFilter sharpen;
    sharpen.setInternal(true);
    auto img = testing::solidImage(5, 5, {0, 0, 0});
    img->pixels(2)[2] = {255, 255, 255};
    ASSERT_EQ(sharpen.apply(*img), 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(img->pixels(y)[x].g, x == 2 && y == 2 ? 255 : 0) << x << "," << y;
}

TEST(KernelFilter, KernelSettersAndClones) {
    KernelFilter k;
    EXPECT_EQ(k.size(), 3);
    const int32_t even[4] = {1, 1, 1, 1};
    EXPECT_EQ(k.setKernel(even, 2), 0);
    EXPECT_EQ(k.setKernel(nullptr, 3), 0);
    EXPECT_EQ(k.setKernel(even, -1), 0);
    EXPECT_EQ(k.size(), 3);
    EXPECT_EQ(k.kernel()[4], 1);  // the identity stays
    for (int d : {0, -5}) {
        k.setDivisor(d);
        EXPECT_EQ(k.divisor(), 1);
    }
    const int32_t one[1] = {2};
    ASSERT_EQ(k.setKernel(one, 1), 1);
    EXPECT_EQ(k.half(), 0);

    struct Case {
        std::unique_ptr<KernelFilter> filter;
        const char* name;
        int32_t divisor;
        int32_t centre;
    };
    Case cases[] = {
        {std::make_unique<BlurFilter>(), "Blur", 8, 4},
        {std::make_unique<BlurMoreFilter>(), "Blur More", 14, 2},
        {std::make_unique<SharpenFilter>(), "Sharpen", 4, 8},
        {std::make_unique<SharpenMoreFilter>(), "Sharpen More", 4, 12},
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.filter->name(), c.name);
        EXPECT_EQ(c.filter->divisor(), c.divisor);
        EXPECT_EQ(c.filter->kernel()[4], c.centre);
        c.filter->setBias(9);
        c.filter->setInternal(true);
        std::unique_ptr<AreaFilter> copy = c.filter->clone();
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->name(), c.name);
        EXPECT_FALSE(copy->isInternal());
        auto* k2 = dynamic_cast<KernelFilter*>(copy.get());
        ASSERT_NE(k2, nullptr);
        EXPECT_EQ(k2->kernel(), c.filter->kernel());
        EXPECT_EQ(k2->divisor(), c.divisor);
        EXPECT_EQ(k2->bias(), 9);
    }
}

TEST(KernelFilter, ApplyingRegistersTheLastFilter) {
    clearLastFilter();
    auto img = noiseImage(3, 3);
    SharpenMoreFilter f;
    ASSERT_EQ(f.apply(*img), 1);
    EXPECT_EQ(lastFilterMenuText(), "Sharpen More");
    BlurFilter internal;
    internal.setInternal(true);
    ASSERT_EQ(internal.apply(*img), 1);
    EXPECT_EQ(lastFilterMenuText(), "Sharpen More");
    clearLastFilter();
}

}  // namespace
}  // namespace varnel
