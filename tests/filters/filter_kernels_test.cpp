// The per-pixel kernels in each compiled variant (baseline, and AVX2 where the processor has it)
// against the defining double-precision helpers, on rows whose length is not a multiple of the
// vector width and on the extreme colours.
#include <gtest/gtest.h>

#include <cstring>

#include "filter_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/color_space.h"
#include "filters/filter_kernels.h"
#include "filters/tone_adjustments.h"
#include "platform/cpu_features.h"

namespace varnel {
namespace {

using filter_kernels::CodePath;
using testing::noiseImage;
using testing::pixelAt;
using testing::str;

Bgr bgrOf(const Rgb& c) {
    return {uint8_t(c.b), uint8_t(c.g), uint8_t(c.r)};
}

class KernelVariant : public ::testing::TestWithParam<CodePath> {
protected:
    void SetUp() override {
        if (!filter_kernels::use(GetParam())) GTEST_SKIP() << "the processor lacks this variant";
        // Noise, then a row of the colours where the formulas have their edges: greys, the
        // primaries and secondaries, ties between maxima, black and white.
        image = noiseImage(61, 23, 17);
        const Bgr edges[] = {{0, 0, 0},       {255, 255, 255}, {0, 0, 255},    {0, 255, 0},
                             {255, 0, 0},     {0, 255, 255},   {255, 0, 255},  {255, 255, 0},
                             {128, 128, 128}, {127, 128, 128}, {1, 0, 0},      {0, 1, 1},
                             {200, 200, 10},  {10, 200, 200},  {200, 10, 200}, {254, 255, 255}};
        for (int x = 0; x < 61; ++x) image->pixels(0)[x] = edges[x % std::size(edges)];
        before = cloneOf(*image);
    }
    void TearDown() override { filter_kernels::use(CodePath::Best); }

    template <typename Want>
    void expectEveryPixel(PointFilter&& filter, Want want) {
        ASSERT_EQ(filter.apply(*image), 1);
        for (int y = 0; y < image->height(); ++y) {
            for (int x = 0; x < image->width(); ++x) {
                const Bgr o = pixelAt(*before, x, y);
                ASSERT_EQ(pixelAt(*image, x, y), want(o)) << x << "," << y << " " << str(o);
            }
        }
        // Rows of every length from 1 to 17 go through the vector body and the tail alike.
        for (int n = 1; n <= 17; ++n) {
            uint8_t row[17 * 3];
            for (int i = 0; i < n; ++i) {
                const Bgr o = pixelAt(*before, 30 + i, 5);
                row[3 * i] = o.b, row[3 * i + 1] = o.g, row[3 * i + 2] = o.r;
            }
            filter.transformRow24(row, row, n);
            for (int i = 0; i < n; ++i) {
                ASSERT_EQ((Bgr{row[3 * i], row[3 * i + 1], row[3 * i + 2]}),
                          want(pixelAt(*before, 30 + i, 5)))
                    << "row of " << n << ", pixel " << i;
            }
        }
    }

    std::unique_ptr<ColorImage> image;
    std::unique_ptr<ColorImage> before;
};

TEST_P(KernelVariant, Desaturate) {
    auto want = [](Bgr o) {
        const uint8_t v = uint8_t((std::max({o.r, o.g, o.b}) + std::min({o.r, o.g, o.b})) >> 1);
        return Bgr{v, v, v};
    };
    expectEveryPixel(DesaturateFilter(), want);
    // Rows crossing the vector blocks at every length, in place and into other memory, never
    // touching the byte past their end.
    DesaturateFilter f;
    for (int n = 1; n <= 70; ++n) {
        uint8_t row[70 * 3 + 1], out[70 * 3 + 1];
        for (int i = 0; i < 3 * n; ++i) row[i] = uint8_t(i * 89 + n * 7);
        row[3 * n] = out[3 * n] = 0xA5;
        uint8_t copy[70 * 3 + 1];
        std::memcpy(copy, row, sizeof copy);
        f.transformRow24(row, out, n);
        f.transformRow24(copy, copy, n);
        for (int i = 0; i < n; ++i) {
            const Bgr w = want({row[3 * i], row[3 * i + 1], row[3 * i + 2]});
            ASSERT_EQ((Bgr{out[3 * i], out[3 * i + 1], out[3 * i + 2]}), w) << n << ":" << i;
            ASSERT_EQ((Bgr{copy[3 * i], copy[3 * i + 1], copy[3 * i + 2]}), w) << n << ":" << i;
        }
        ASSERT_EQ(out[3 * n], 0xA5) << "row of " << n << ": wrote past its end";
        ASSERT_EQ(copy[3 * n], 0xA5) << "row of " << n << ": wrote past its end";
    }
}

TEST_P(KernelVariant, Colorize) {
    ColorizeFilter f(200, 70, 35);
    expectEveryPixel(ColorizeFilter(200, 70, 35),
                     [&](Bgr o) { return f.colorAt(f.lightnessFor(lightnessOf(o.r, o.g, o.b))); });
}

TEST_P(KernelVariant, HueSaturation) {
    HueSaturationParams p;
    p.hue[kMaster] = -40;
    p.saturation[kMaster] = 45;
    p.lightness[kReds] = -30;
    p.hue[kYellows] = 100;
    p.saturation[kCyans] = -80;
    p.lightness[kMagentas] = 60;
    HueSaturationFilter f(p);
    expectEveryPixel(HueSaturationFilter(p), [&](Bgr o) {
        const Hsl hsl = rgbToHsl(o.r, o.g, o.b);
        const int k = hueRangeOf(hsl.h);
        return bgrOf(hslToRgb(f.hueTable(k, hsl.h), f.satTable(k, hsl.s), f.lightTable(k, hsl.l)));
    });
}

TEST_P(KernelVariant, ColorBalancePreservingLuminosity) {
    ColorBalanceParams p;
    p.preserveLuminosity = 1;
    p.cyanRed[kHighlights] = -45;
    p.magentaGreen[kShadows] = 80;
    p.yellowBlue[kMidtones] = 25;
    ColorBalanceFilter f(p);
    expectEveryPixel(ColorBalanceFilter(p), [&](Bgr o) {
        const Hsl hsl = rgbToHsl(f.lutR()[o.r], f.lutG()[o.g], f.lutB()[o.b]);
        return bgrOf(hslToRgb(hsl.h, hsl.s, lightnessOf(o.r, o.g, o.b)));
    });
}

// Table lookups: every channel through its own table, over rows whose byte counts cross the
// 64-byte blocks at every channel phase, and 8-bit rows through the value table.
TEST_P(KernelVariant, TableLookups) {
    CurvesParams p;
    p.points[kComposite] = {{0, 20}, {90, 140}, {255, 230}};
    p.points[kRed] = {{0, 255}, {255, 0}};
    p.points[kBlue] = {{30, 0}, {200, 255}};
    CurvesFilter curves(p);
    expectEveryPixel(CurvesFilter(p), [&](Bgr o) {
        return Bgr{curves.lutB()[o.b], curves.lutG()[o.g], curves.lutR()[o.r]};
    });
    for (int n = 1; n <= 90; ++n) {
        uint8_t row[90 * 3], want[90 * 3];
        for (int i = 0; i < n * 3; ++i) row[i] = uint8_t(i * 97 + n);
        for (int i = 0; i < n; ++i) {
            want[3 * i] = curves.lutB()[row[3 * i]];
            want[3 * i + 1] = curves.lutG()[row[3 * i + 1]];
            want[3 * i + 2] = curves.lutR()[row[3 * i + 2]];
        }
        uint8_t out[90 * 3 + 1];
        out[n * 3] = 0xA5;  // a guard byte past the row
        curves.transformRow24(row, out, n);
        ASSERT_EQ(std::memcmp(out, want, size_t(n) * 3), 0) << "row of " << n;
        ASSERT_EQ(out[n * 3], 0xA5) << "row of " << n << ": wrote past its end";
    }
    BrightnessContrastFilter bc(-30, 60);
    for (int n = 1; n <= 130; n += 3) {
        uint8_t row[130], out[131];
        for (int i = 0; i < n; ++i) row[i] = uint8_t(i * 31 + 7);
        out[n] = 0x5A;
        bc.transformRow8(row, out, n);
        for (int i = 0; i < n; ++i) ASSERT_EQ(out[i], bc.valueTable()[row[i]]) << n << ":" << i;
        ASSERT_EQ(out[n], 0x5A);
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, KernelVariant,
                         ::testing::Values(CodePath::Baseline, CodePath::Avx2, CodePath::Avx512),
                         [](const ::testing::TestParamInfo<CodePath>& info) {
                             switch (info.param) {
                                 case CodePath::Baseline:
                                     return std::string("Baseline");
                                 case CodePath::Avx2:
                                     return std::string("Avx2");
                                 default:
                                     return std::string("Avx512");
                             }
                         });

// The fastest variant is taken only where the CPU setting allows it (the baseline test runs set
// VARNEL_CPU=baseline).
TEST(KernelDispatch, FollowsTheCpuSetting) {
    const platform::CpuFeatures& cpu = platform::cpuFeatures();
    ASSERT_TRUE(filter_kernels::use(CodePath::Best));
    EXPECT_EQ(&filter_kernels::current(), cpu.avx512 ? &filter_kernels::avx512()
                                          : cpu.avx2 ? &filter_kernels::avx2()
                                                     : &filter_kernels::baseline());
    EXPECT_EQ(filter_kernels::use(CodePath::Avx2), cpu.avx2);
    EXPECT_EQ(filter_kernels::use(CodePath::Avx512), cpu.avx512);
    filter_kernels::use(CodePath::Best);
}

}  // namespace
}  // namespace varnel
