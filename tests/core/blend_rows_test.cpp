#include "core/blend_rows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/blend_modes.h"
#include "core/blend_rows_dispatch.h"
#include "platform/cpu_features.h"

namespace varnel {
namespace {

// The row loops choose among several exact shortcuts; each must agree with blendPixel, pixel for
// pixel, whatever mix of opaque, transparent and partial alphas a row holds.
struct RowFixture {
    std::vector<Bgr> base, source;
    std::vector<uint8_t> baseAlpha, sourceAlpha;
};

RowFixture makeRow(int count, uint32_t seed, int opaqueRunEnd) {
    std::mt19937 rng(seed);
    RowFixture f;
    auto byte = [&] { return uint8_t(rng() & 0xFF); };
    // Alphas favour the values with short-cuts (0 and 255) but include every other value too.
    auto alpha = [&] {
        const uint32_t k = rng() % 4;
        return k == 0 ? uint8_t(0) : k == 1 ? uint8_t(255) : byte();
    };
    for (int i = 0; i < count; ++i) {
        f.base.push_back({byte(), byte(), byte()});
        f.source.push_back({byte(), byte(), byte()});
        f.baseAlpha.push_back(i < opaqueRunEnd ? uint8_t(255) : alpha());
        f.sourceAlpha.push_back(alpha());
    }
    return f;
}

// Every compiled variant of the loops runs the same checks.
class BlendRowPaths : public ::testing::TestWithParam<row_kernels::CodePath> {
protected:
    void SetUp() override {
        if (!row_kernels::use(GetParam())) GTEST_SKIP() << "this processor cannot run the variant";
    }
    void TearDown() override { row_kernels::use(row_kernels::CodePath::Best); }
};

INSTANTIATE_TEST_SUITE_P(CodePaths, BlendRowPaths,
                         ::testing::Values(row_kernels::CodePath::Baseline,
                                           row_kernels::CodePath::Avx2),
                         [](const auto& info) {
                             return info.param == row_kernels::CodePath::Avx2 ? "Avx2" : "Baseline";
                         });

// The processor's best variant is taken only where the CPU setting allows it (the baseline test
// runs set VARNEL_CPU=baseline).
TEST(BlendRowDispatch, FollowsTheCpuSetting) {
    EXPECT_EQ(row_kernels::use(row_kernels::CodePath::Avx2), platform::cpuFeatures().avx2);
    EXPECT_TRUE(row_kernels::use(row_kernels::CodePath::Best));
}

TEST_P(BlendRowPaths, EveryChannelPairInEverySeparableMode) {
    // All 65536 (base, source) channel pairs, at full and partial opacity, over an opaque base
    // and over a partly transparent one.
    std::vector<Bgr> base(65536 / 3 + 1), source(base.size());
    for (int mode = 0; mode <= kBlendXor; ++mode) {
        for (int opacity : {255, 128}) {
            for (int baseAlphaValue : {255, 77}) {
                std::vector<uint8_t> channels(3 * base.size());
                std::vector<uint8_t> src(3 * base.size());
                for (size_t i = 0; i < 65536; ++i) {
                    channels[i] = uint8_t(i >> 8);
                    src[i] = uint8_t(i & 0xFF);
                }
                std::memcpy(base.data(), channels.data(), channels.size());
                std::memcpy(source.data(), src.data(), src.size());
                std::vector<uint8_t> alpha(base.size(), uint8_t(baseAlphaValue));
                std::vector<Bgr> want = base;
                std::vector<uint8_t> wantAlpha = alpha;
                for (size_t i = 0; i < base.size(); ++i) {
                    blendPixel(want[i], wantAlpha[i], source[i], uint8_t(opacity), mode);
                }
                blendRow(base.data(), alpha.data(), source.data(), nullptr, uint8_t(opacity), mode,
                         int(base.size()));
                for (size_t i = 0; i < base.size(); ++i) {
                    ASSERT_EQ(base[i], want[i])
                        << blendModeName(mode) << " pixel " << i << " opacity " << opacity
                        << " base alpha " << baseAlphaValue;
                }
                EXPECT_EQ(alpha, wantAlpha);
            }
        }
    }
}

TEST_P(BlendRowPaths, NonSeparableModesOnColoursWithTiesAndGreys) {
    // Every pair of colours built from these levels: equal channels, greys, and colours whose
    // shifted luminance leaves the gamut at either end.
    const uint8_t levels[] = {0, 1, 60, 128, 254, 255};
    std::vector<Bgr> colours;
    for (uint8_t r : levels)
        for (uint8_t g : levels)
            for (uint8_t b : levels) colours.push_back({b, g, r});
    std::vector<Bgr> base, source;
    for (const Bgr& x : colours)
        for (const Bgr& y : colours) {
            base.push_back(x);
            source.push_back(y);
        }
    for (int mode = kBlendHue; mode <= kBlendLuminosity; ++mode) {
        std::vector<Bgr> got = base;
        blendRow(got.data(), nullptr, source.data(), nullptr, 255, mode, int(got.size()));
        for (size_t i = 0; i < got.size(); ++i) {
            Bgr want;
            blendColor(want, base[i], source[i], mode);
            ASSERT_EQ(got[i], want) << blendModeName(mode) << " pair " << i;
        }
    }
}

TEST_P(BlendRowPaths, MatchesBlendPixelInEveryModeAndAlphaLayout) {
    // 1100 pixels span several internal chunks; the first 600 have an opaque base so that both
    // the opaque and the general loops run within one row.
    const int count = 1100;
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        for (int opacity : {1, 128, 254, 255}) {
            for (int layout = 0; layout < 3; ++layout) {
                // layout 0: base and source alpha planes; 1: no source plane; 2: no base plane.
                SCOPED_TRACE(std::string(blendModeName(mode)) + " opacity " +
                             std::to_string(opacity) + " layout " + std::to_string(layout));
                const RowFixture f = makeRow(count, uint32_t(mode * 1000 + opacity), 600);
                std::vector<Bgr> expected = f.base;
                std::vector<uint8_t> expectedAlpha = f.baseAlpha;
                for (int i = 0; i < count; ++i) {
                    uint8_t s = layout == 1
                                    ? uint8_t(opacity)
                                    : effectiveAlpha(f.sourceAlpha[size_t(i)], uint8_t(opacity));
                    uint8_t a = layout == 2 ? uint8_t(255) : expectedAlpha[size_t(i)];
                    blendPixel(expected[size_t(i)], a, f.source[size_t(i)], s, mode);
                    if (layout != 2) expectedAlpha[size_t(i)] = a;
                }
                std::vector<Bgr> got = f.base;
                std::vector<uint8_t> gotAlpha = f.baseAlpha;
                blendRow(got.data(), layout == 2 ? nullptr : gotAlpha.data(), f.source.data(),
                         layout == 1 ? nullptr : f.sourceAlpha.data(), uint8_t(opacity), mode,
                         count);
                for (int i = 0; i < count; ++i) {
                    ASSERT_EQ(got[size_t(i)], expected[size_t(i)]) << "pixel " << i;
                    ASSERT_EQ(gotAlpha[size_t(i)], expectedAlpha[size_t(i)]) << "pixel " << i;
                }
            }
        }
    }
}

TEST_P(BlendRowPaths, ZeroOpacityAndEmptyRowsChangeNothing) {
    const RowFixture f = makeRow(40, 7, 10);
    std::vector<Bgr> base = f.base;
    std::vector<uint8_t> alpha = f.baseAlpha;
    blendRow(base.data(), alpha.data(), f.source.data(), f.sourceAlpha.data(), 0, kBlendScreen, 40);
    blendRow(base.data(), alpha.data(), f.source.data(), nullptr, 255, kBlendScreen, 0);
    EXPECT_EQ(base, f.base);
    EXPECT_EQ(alpha, f.baseAlpha);
}

TEST(BlendRow, EffectiveAlphaIsTheTruncatedProduct) {
    for (int p = 0; p <= 255; ++p)
        for (int o = 0; o <= 255; ++o)
            ASSERT_EQ(effectiveAlpha(uint8_t(p), uint8_t(o)), p * o / 255) << p << " " << o;
}

TEST_P(BlendRowPaths, StartRowTakesTheLowestLayerAsItIs) {
    const Bgr colour[4] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    const uint8_t plane[4] = {0, 255, 128, 1};
    Bgr base[4] = {{99, 99, 99}, {99, 99, 99}, {99, 99, 99}, {99, 99, 99}};
    uint8_t alpha[4] = {7, 7, 7, 7};
    startRow(base, alpha, colour, plane, 200, 4);
    // Where the alpha comes out 0 the colour below is kept.
    const uint8_t wantAlpha[4] = {0, 200, 100, 0};
    const Bgr wantColour[4] = {{99, 99, 99}, {4, 5, 6}, {7, 8, 9}, {99, 99, 99}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(alpha[i], wantAlpha[i]) << i;
        EXPECT_EQ(base[i], wantColour[i]) << i;
    }
    startRow(base, alpha, colour, nullptr, 255, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(alpha[i], 255);
        EXPECT_EQ(base[i], colour[i]);
    }
}

TEST_P(BlendRowPaths, MultiplyAlphaRowMultipliesPlanesStepByStep) {
    uint8_t acc[4] = {255, 255, 128, 0};
    const uint8_t plane[4] = {255, 128, 128, 255};
    multiplyAlphaRow(acc, plane, 4);
    EXPECT_EQ(acc[0], 255);
    EXPECT_EQ(acc[1], 128);
    EXPECT_EQ(acc[2], 64);  // 128 × 128 / 255 = 64.25
    EXPECT_EQ(acc[3], 0);
}

}  // namespace
}  // namespace varnel
