// Filters split over worker threads give the same bytes as on one thread: every family, in place
// and reading a separate source, over the whole surface, through a feathered mask and within a
// rectangle. The pictures are just big enough for the rows to be cut into several parts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filter_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/kernel_filter.h"
#include "filters/last_filter.h"
#include "filters/tone_adjustments.h"
#include "platform/parallel.h"

namespace varnel {
namespace {

using testing::maskImage;
using testing::noiseImage;
using testing::samePixels;

// Sets the worker count for one scope.
class WorkerCount {
public:
    explicit WorkerCount(int n) : saved_(workerThreads()) { setWorkerThreads(n); }
    ~WorkerCount() { setWorkerThreads(saved_); }

private:
    int saved_;
};

// How an application is made: in place or from a separate source, over the whole surface, through
// a feathered mask (columns 20 … 579), or within a rectangle.
enum class Via { InPlace, InPlaceMasked, FromSourceLimited, FromSourceMasked };

// One filter of each family, with the ways of applying it that take different paths through its
// cut into parts.
struct Family {
    const char* name;
    std::function<std::unique_ptr<Filter>()> make;
    std::vector<Via> vias;
};

std::vector<Family> families() {
    static const int32_t k5[25] = {1, 0,  -2, 0, 1, 3, 1, 4, 1,  3, -1, 2, 9,
                                   2, -1, 0,  1, 5, 1, 0, 2, -3, 1, -3, 2};
    return {
        // Every adjustment runs through the same loop over rows with its own row kernel.
        {"levels",
         [] {
             LevelsParams p;
             p.gamma[kComposite] = 1.7;
             p.inBlack[kRed] = 20;
             return std::make_unique<LevelsFilter>(p);
         },
         {Via::InPlace, Via::InPlaceMasked, Via::FromSourceLimited}},
        {"hue/saturation",
         [] {
             HueSaturationParams p;
             p.hue[0] = 40;
             p.saturation[2] = -30;
             return std::make_unique<HueSaturationFilter>(p);
         },
         {Via::FromSourceMasked}},
        // In place, the bands of a convolution read rows their neighbours write.
        {"blur",
         [] { return std::make_unique<BlurFilter>(); },
         {Via::InPlace, Via::InPlaceMasked, Via::FromSourceLimited}},
        {"5x5 kernel",
         [] {
             auto f = std::make_unique<KernelFilter>();
             f->setKernel(k5, 5);
             f->setDivisor(7);
             f->setBias(3);
             return f;
         },
         {Via::InPlaceMasked}},
        // The whole surface in place or into the target, part of it through a working copy.
        {"gaussian blur",
         [] { return std::make_unique<GaussianBlurFilter>(4.0); },
         {Via::InPlace, Via::FromSourceMasked}},
    };
}

constexpr int kWidth = 600;
constexpr int kHeight = 1000;

std::unique_ptr<PixelSurface> picture(int depth) {
    auto img = noiseImage(kWidth, kHeight, 5);
    if (depth == 24) return img;
    return testing::grayImage(kWidth, kHeight, [&](int x, int y) { return img->row(y)[3 * x]; });
}

std::unique_ptr<PixelSurface> run(const Family& family, const PixelSurface& original, Via via,
                                  int threads) {
    WorkerCount count(threads);
    auto target = original.clone();
    auto plane =
        maskImage(kWidth - 40, kHeight, [](int x, int y) { return (x * 7 + y * 3) % 256; });
    const CoverageMask mask{plane.get(), {20, 0}};
    const Rect limit{10, 3, kWidth - 10, kHeight - 2};
    auto filter = family.make();
    int result = 0;
    switch (via) {
        case Via::InPlace:
            result = filter->apply(*target);
            break;
        case Via::InPlaceMasked:
            result = filter->apply(*target, &mask);
            break;
        case Via::FromSourceLimited:
            result = filter->applyFrom(original, *target, nullptr, &limit);
            break;
        case Via::FromSourceMasked:
            result = filter->applyFrom(original, *target, &mask);
            break;
    }
    EXPECT_EQ(result, 1) << family.name;
    return target;
}

TEST(FilterThreads, SameBytesOnOneAndOnSeveralThreads) {
    clearLastFilter();
    const auto original = picture(24);
    for (const Family& family : families()) {
        for (Via via : family.vias) {
            auto one = run(family, *original, via, 1);
            auto several = run(family, *original, via, 4);
            EXPECT_TRUE(samePixels(*one, *several)) << family.name << " via " << int(via);
        }
    }
    clearLastFilter();
}

// 8-bit planes go through the same cuts with one byte per pixel.
TEST(FilterThreads, EightBitPlanesToo) {
    clearLastFilter();
    const auto original = picture(8);
    for (const Family& family : families()) {
        if (!family.make()->isAreaFilter()) continue;
        const Via via = family.vias.front();
        auto one = run(family, *original, via, 1);
        auto several = run(family, *original, via, 4);
        EXPECT_TRUE(samePixels(*one, *several)) << family.name << " via " << int(via);
    }
    clearLastFilter();
}

}  // namespace
}  // namespace varnel
