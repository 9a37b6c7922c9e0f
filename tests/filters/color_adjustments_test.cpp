// Desaturate, Invert, Color Balance, Hue/Saturation and Colorize: worked values, neutral settings,
// the clamps, and the pixel kernels against the defining double-precision conversions.
#include <gtest/gtest.h>

#include "filter_fixtures.h"
#include "filters/color_adjustments.h"
#include "filters/color_space.h"

namespace varnel {
namespace {

using testing::grayImage;
using testing::noiseImage;
using testing::pixelAt;
using testing::samePixels;
using testing::str;

Bgr apply(const PointFilter& f, Bgr c) {
    f.transformPixel(c);
    return c;
}

Bgr bgrOf(const Rgb& c) {
    return {uint8_t(c.b), uint8_t(c.g), uint8_t(c.r)};
}

TEST(Desaturate, MidpointOfMaxAndMin) {
    DesaturateFilter d;
    EXPECT_EQ(d.name(), "Desaturate");
    struct Case {
        Bgr in;
        uint8_t grey;
    } cases[] = {
        {{0, 0, 255}, 127},  // (255 + 0) >> 1, where the HSL lightness would be 128
        {{10, 200, 30}, 105}, {{255, 255, 255}, 255}, {{0, 0, 0}, 0}, {{7, 7, 8}, 7},
    };
    for (const Case& c : cases) EXPECT_EQ(apply(d, c.in), (Bgr{c.grey, c.grey, c.grey}));
}

TEST(Invert, TwiceRestoresEveryPixel) {
    auto img = noiseImage(17, 9);
    auto before = cloneOf(*img);
    InvertFilter invert;
    EXPECT_EQ(invert.name(), "Invert");
    ASSERT_EQ(invert.apply(*img), 1);
    EXPECT_EQ(pixelAt(*img, 3, 4).g, 255 - pixelAt(*before, 3, 4).g);
    ASSERT_EQ(invert.apply(*img), 1);
    EXPECT_TRUE(samePixels(*img, *before));

    auto plane = grayImage(5, 1, [](int x, int) { return x * 50; });
    ASSERT_EQ(invert.apply(*plane), 1);
    EXPECT_EQ(plane->row(0)[1], 205);
}

TEST(ColorBalance, NeutralValuesBuildIdentityTables) {
    ColorBalanceParams p;
    EXPECT_TRUE(p.isNeutral());
    p.preserveLuminosity = 0;
    ColorBalanceFilter f(p);
    EXPECT_EQ(f.name(), "Color Balance");
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(f.lutR()[i], i);
        ASSERT_EQ(f.lutG()[i], i);
        ASSERT_EQ(f.lutB()[i], i);
    }
    auto img = noiseImage(8, 8);
    auto before = cloneOf(*img);
    ASSERT_EQ(f.apply(*img), 1);
    EXPECT_TRUE(samePixels(*img, *before));
}

TEST(ColorBalance, WorkedTableEntries) {
    struct Case {
        const char* what;
        int axis, tone;
        double value;
        int channel;  // 0 red, 1 green, 2 blue
        int index, expected;
    } cases[] = {
        // Midtones: 127 + trunc(100 × 0.667 × (1 − 0²)) = 127 + 66.
        {"red midtones +100", 0, kMidtones, 100, 0, 127, 193},
        // Shadows: 0 + trunc(100 × (1.075 − 1/(1 + 0))) = 7.
        {"red shadows +100", 0, kShadows, 100, 0, 0, 7},
        // Negative shadows weigh by A(255 − v): 255 + trunc(−100 × A(0)) = 248.
        {"green shadows -100", 1, kShadows, -100, 1, 255, 248},
        // Highlights −100 at 255 weigh by A(255) = 1.075 − 1/16.9375: 255 − 101 = 154.
        {"blue highlights -100", 2, kHighlights, -100, 2, 255, 154},
        // Values beyond ±100 are clamped: 300 acts as 100.
        {"red midtones +300", 0, kMidtones, 300, 0, 127, 193},
        // Midtone weight is nearly 0 at the ends: 0 + trunc(100 × 0.667 × (1 − 1.0079)) = 0.
        {"red midtones +100 at 0", 0, kMidtones, 100, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ColorBalanceParams p;
        p.preserveLuminosity = 0;
        double* axes[3] = {p.cyanRed, p.magentaGreen, p.yellowBlue};
        axes[c.axis][c.tone] = c.value;
        ColorBalanceFilter f(p);
        const uint8_t* luts[3] = {f.lutR(), f.lutG(), f.lutB()};
        EXPECT_EQ(luts[c.channel][c.index], c.expected) << c.what;
        // The other channels stay the identity.
        EXPECT_EQ(luts[(c.channel + 1) % 3][c.index], c.index) << c.what;
    }
}

// With preserved luminosity each pixel takes the adjusted colour's hue and saturation at its own
// lightness: the integer kernel gives what the double-precision helpers give.
TEST(ColorBalance, PreservedLuminosityMatchesTheHslHelpers) {
    ColorBalanceParams p;
    p.preserveLuminosity = 1;
    p.cyanRed[kShadows] = 35;
    p.magentaGreen[kMidtones] = -70;
    p.yellowBlue[kHighlights] = 55.5;
    ColorBalanceFilter f(p);
    auto img = noiseImage(64, 64, 4);
    auto before = cloneOf(*img);
    ASSERT_EQ(f.apply(*img), 1);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const Bgr o = pixelAt(*before, x, y);
            const Hsl adjusted = rgbToHsl(f.lutR()[o.r], f.lutG()[o.g], f.lutB()[o.b]);
            const Bgr want = bgrOf(hslToRgb(adjusted.h, adjusted.s, lightnessOf(o.r, o.g, o.b)));
            ASSERT_EQ(pixelAt(*img, x, y), want) << x << "," << y << " " << str(o);
        }
    }
}

TEST(HueSaturation, RangesOfHues) {
    const int bounds[][2] = {{0, 0},   {20, 0},  {21, 1},  {63, 1},  {64, 2},
                             {105, 2}, {106, 3}, {148, 3}, {149, 4}, {191, 4},
                             {192, 5}, {233, 5}, {234, 0}, {254, 0}, {255, 0}};
    for (const auto& b : bounds) EXPECT_EQ(hueRangeOf(b[0]), b[1]) << b[0];
}

TEST(HueSaturation, NeutralTablesAndWorkedEntries) {
    HueSaturationParams p;
    EXPECT_TRUE(p.isNeutral());
    HueSaturationFilter neutral(p);
    EXPECT_EQ(neutral.name(), "Hue/Saturation");
    for (int k = 0; k < 6; ++k) {
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(neutral.hueTable(k, i), i);
            ASSERT_EQ(neutral.lightTable(k, i), i);
            ASSERT_EQ(neutral.satTable(k, i), i);
        }
    }

    HueSaturationParams half;
    half.hue[kMaster] = 180;  // trunc(180 × 255/360) = 127
    EXPECT_EQ(HueSaturationFilter(half).hueTable(0, 0), 127);
    EXPECT_EQ(HueSaturationFilter(half).hueTable(0, 200), 72);  // 327 − 255

    // Out-of-range values are clamped to the dialog's ranges: the tables stay bytes.
    HueSaturationParams wild;
    wild.hue[kMaster] = 5000;
    wild.hue[kReds] = 5000;
    wild.lightness[kMaster] = -900;
    wild.saturation[kBlues] = 900;
    HueSaturationFilter clamped(wild);
    EXPECT_EQ(clamped.params().hue[kMaster], 180);
    EXPECT_EQ(clamped.hueTable(0, 10), 10);  // ±360 degrees is a whole turn: trunc(255) wraps
    EXPECT_EQ(clamped.lightTable(1, 200), 0);
    EXPECT_EQ(clamped.satTable(4, 200), 255);
}

// Whole-image effects of the extreme settings.
TEST(HueSaturation, ExtremeLightnessAndSaturation) {
    auto img = noiseImage(16, 16, 2);
    auto before = cloneOf(*img);
    struct Case {
        const char* what;
        int lightness, saturation;
    } cases[] = {
        {"lightness -100", -100, 0}, {"lightness +100", 100, 0}, {"saturation -100", 0, -100}};
    for (const Case& c : cases) {
        auto work = cloneOf(*before);
        HueSaturationParams p;
        p.lightness[kMaster] = c.lightness;
        p.saturation[kMaster] = c.saturation;
        ASSERT_EQ(HueSaturationFilter(p).apply(*work), 1);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const Bgr o = pixelAt(*before, x, y);
                uint8_t v = c.lightness < 0   ? 0
                            : c.lightness > 0 ? 255
                                              : uint8_t(lightnessOf(o.r, o.g, o.b));
                ASSERT_EQ(pixelAt(*work, x, y), (Bgr{v, v, v})) << c.what << " " << str(o);
            }
        }
    }
}

// Any setting: each pixel's HSL through its range's tables and back, as the double-precision
// helpers compute it.
TEST(HueSaturation, PixelsMatchTheHslHelpers) {
    HueSaturationParams p;
    p.hue[kMaster] = 25;
    p.saturation[kMaster] = 30;
    p.hue[kReds] = -90;
    p.lightness[kGreens] = 40;
    p.saturation[kBlues] = -60;
    p.lightness[kMagentas] = -25;
    HueSaturationFilter f(p);
    auto img = noiseImage(64, 64, 7);
    auto before = cloneOf(*img);
    ASSERT_EQ(f.apply(*img), 1);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const Bgr o = pixelAt(*before, x, y);
            const Hsl hsl = rgbToHsl(o.r, o.g, o.b);
            const int k = hueRangeOf(hsl.h);
            const Bgr want =
                bgrOf(hslToRgb(f.hueTable(k, hsl.h), f.satTable(k, hsl.s), f.lightTable(k, hsl.l)));
            ASSERT_EQ(pixelAt(*img, x, y), want) << x << "," << y << " " << str(o);
        }
    }
}

TEST(Colorize, TablesAndLightness) {
    for (int hue : {0, 40, 128, 255}) {
        for (int sat : {0, 25, 100}) {
            ColorizeFilter f(hue, sat, 0);
            EXPECT_EQ(f.colorAt(0), (Bgr{0, 0, 0})) << hue << "," << sat;
            EXPECT_EQ(f.colorAt(255), (Bgr{255, 255, 255})) << hue << "," << sat;
            for (int i : {1, 77, 128, 200}) {
                EXPECT_EQ(f.colorAt(i), bgrOf(hslToRgb(hue, sat * 255 / 100, i)));
            }
        }
    }
    ColorizeFilter f(10, 50, 0);
    EXPECT_EQ(f.name(), "Colorize");
    EXPECT_EQ(apply(f, {30, 60, 90}), f.colorAt(60));  // lightness of the pixel: (90 + 30) / 2

    struct Case {
        int lightness, l0, expected;
    } cases[] = {
        {100, 0, 255},   {100, 200, 255}, {-100, 255, 0},
        {-100, 10, 0},   {50, 0, 128},  // 255 − trunc(2.55 × 50) + 0
        {50, 100, 178},                 // + trunc(100 × 50 × 0.01)
        {-50, 200, 100},                // trunc(50 × 200 × 0.01)
        {0, 99, 99},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColorizeFilter(0, 25, c.lightness).lightnessFor(c.l0), c.expected)
            << c.lightness << " at " << c.l0;
    }
}

// The lightness of a pixel never leaves the colour table, whatever the setting.
TEST(Colorize, LightnessStaysOnTheTable) {
    for (int lightness = -100; lightness <= 100; ++lightness) {
        ColorizeFilter g(0, 0, lightness);
        for (int l0 = 1; l0 < 256; ++l0) {
            ASSERT_LE(g.lightnessFor(l0), 255);
            ASSERT_GE(g.lightnessFor(l0), g.lightnessFor(l0 - 1)) << lightness << " at " << l0;
        }
    }
}

// The percentages are scaled by 2.55 exactly. In double precision 100 × 2.55 truncates to 254,
// which would leave Lightness +100 short of white, Saturation −100 short of grey (satT[255] = 1)
// and full Colorize saturation at 254.
TEST(HueSaturation, PercentScalingIsExactAtTheEnds) {
    volatile double hundred = 100;
    ASSERT_EQ(int(hundred * 2.55), 254) << "the floating-point product";
    HueSaturationParams p;
    p.saturation[kMaster] = -100;
    p.lightness[kReds] = 100;
    p.lightness[kBlues] = -100;
    HueSaturationFilter f(p);
    EXPECT_EQ(f.satTable(0, 255), 0);
    EXPECT_EQ(f.lightTable(0, 0), 255);
    EXPECT_EQ(f.lightTable(4, 255), 0);
    // Values that are not multiples of 20 are as the floating-point product gives them.
    HueSaturationParams q;
    q.lightness[kMaster] = 37;  // trunc(94.35)
    EXPECT_EQ(HueSaturationFilter(q).lightTable(0, 0), 94);
    EXPECT_EQ(ColorizeFilter(0, 100, 0).colorAt(128), bgrOf(hslToRgb(0, 255, 128)));
}

TEST(Colorize, DialogRecordInDegrees) {
    ColorizeParams p;
    p.hueDegrees = 120;
    p.saturation = 100;
    p.lightness = 0;
    ColorizeFilter f(p);
    EXPECT_EQ(f.hue(), colorizeHueFromDegrees(120));
    EXPECT_EQ(f.hue(), 85);
    EXPECT_EQ(ColorizeFilter(ColorizeParams{400, 200, -300}).lightness(), -100);
    EXPECT_EQ(ColorizeFilter(ColorizeParams{400, 200, -300}).saturation(), 100);
}

}  // namespace
}  // namespace varnel
