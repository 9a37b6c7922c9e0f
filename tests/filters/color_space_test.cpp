// The HSL and HSV helpers: worked values of the defining double-precision forms, and the exact
// integer forms the pixel loops use, checked against them over every case that can differ.
#include <gtest/gtest.h>

#include "filters/color_space.h"
#include "filters/color_space_fast.h"

namespace varnel {

void PrintTo(const Rgb& c, std::ostream* os) {
    *os << "(" << c.r << "," << c.g << "," << c.b << ")";
}
void PrintTo(const Hsl& c, std::ostream* os) {
    *os << "(" << c.h << "," << c.s << "," << c.l << ")";
}

namespace {

TEST(ColorSpace, WorkedValues) {
    EXPECT_EQ(lightnessOf(255, 0, 0), 128);
    EXPECT_EQ(lightnessOf(10, 20, 31), 21);  // (31 + 10 + 1) / 2
    struct Case {
        int r, g, b;
        Hsl hsl;
    } cases[] = {
        {255, 0, 0, {0, 255, 128}},     {0, 255, 0, {85, 255, 128}},
        {0, 0, 255, {170, 255, 128}},   {255, 255, 0, {43, 255, 128}},  // 42.5 rounds up
        {255, 0, 255, {213, 255, 128}}, {128, 128, 128, {0, 0, 128}},
        {0, 0, 0, {0, 0, 0}},           {255, 255, 255, {0, 0, 255}},
        {200, 100, 100, {0, 121, 150}},  // S = 100 × 255 / (511 − 300) = 120.85
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rgbToHsl(c.r, c.g, c.b), c.hsl) << c.r << "," << c.g << "," << c.b;
    }
    EXPECT_EQ(hslToRgb(0, 0, 77), (Rgb{77, 77, 77}));
    // Lightness 128 takes the upper formula: m1 = 128 / 127.5 − 1, so pure red's HSL comes back
    // with 1, not 0, in the other channels.
    EXPECT_EQ(hslToRgb(0, 255, 128), (Rgb{255, 1, 1}));
    EXPECT_EQ(hslToRgb(85, 255, 128), (Rgb{1, 255, 1}));
    EXPECT_EQ(hslToRgb(170, 255, 127), (Rgb{0, 0, 254}));
    EXPECT_EQ(hslToRgb(0, 255, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(hslToRgb(99, 255, 255), (Rgb{255, 255, 255}));

    EXPECT_EQ(rgbToHsvHue(255, 0, 0), 0);
    EXPECT_EQ(rgbToHsvHue(0, 255, 0), 120);
    EXPECT_EQ(rgbToHsvHue(0, 0, 255), 240);
    EXPECT_EQ(rgbToHsvHue(255, 0, 128), 330);  // −30 + 360
    EXPECT_EQ(rgbToHsvHue(90, 90, 90), 0);
    EXPECT_EQ(rgbToHsvHue(0, 0, 0), 0);
}

TEST(ColorSpace, HsvSectors) {
    struct Case {
        double hue;
        Rgb rgb;
    } cases[] = {
        {0, {255, 0, 0}},   {60, {255, 255, 0}},  {120, {0, 255, 0}}, {180, {0, 255, 255}},
        {240, {0, 0, 255}}, {300, {255, 0, 255}}, {360, {255, 0, 0}}, {30, {255, 128, 0}},
    };
    for (const Case& c : cases) {
        Rgb out;
        hsvToRgb(c.hue, 255, 255, out);
        EXPECT_EQ(out, c.rgb) << c.hue;
    }
    Rgb grey;
    hsvToRgb(200, 0, 90, grey);
    EXPECT_EQ(grey, (Rgb{90, 90, 90}));
    // A negative hue falls in no sector: the output is left as it was.
    Rgb kept{1, 2, 3};
    hsvToRgb(-90, 255, 255, kept);
    EXPECT_EQ(kept, (Rgb{1, 2, 3}));
    hsvToRgb(1e300, 255, 255, kept);
    EXPECT_EQ(kept, (Rgb{1, 2, 3}));

    // Colorize hues: degrees through the half-saturated HSV colour to the HSL scale.
    EXPECT_EQ(colorizeHueFromDegrees(0), 0);
    EXPECT_EQ(colorizeHueFromDegrees(120), 85);
    EXPECT_EQ(colorizeHueFromDegrees(240), 170);
    EXPECT_EQ(colorizeHueFromDegrees(360), 0);
}

// Saturation and lightness depend only on the maximum and minimum: every pair.
TEST(ColorSpaceFast, SaturationAndLightnessOfEveryExtremePair) {
    const detail::HslTables& t = detail::hslTables();
    for (int mx = 0; mx < 256; ++mx) {
        for (int mn = 0; mn <= mx; ++mn) {
            const int mid = (mx + mn) / 2;
            const Hsl want = rgbToHsl(mx, mid, mn);
            int h, s, sum;
            detail::fastHueSat(t, mx, mid, mn, h, s, sum);
            ASSERT_EQ(s, want.s) << mx << "," << mn;
            ASSERT_EQ((sum + 1) >> 1, want.l) << mx << "," << mn;
        }
    }
}

// The hue depends on the sector of the maximum, the numerator and delta: every reachable
// combination, at two different minimums. At exact halves the double steps land below the half
// for some of them, which the table has to reproduce.
TEST(ColorSpaceFast, HueOfEverySectorNumeratorAndDelta) {
    const detail::HslTables& t = detail::hslTables();
    int halvesRoundedDown = 0;
    for (int base : {0, 1}) {
        for (int d = 1; d + base <= 255; ++d) {
            for (int n = -d; n <= d; ++n) {
                const int hi = d, lo = 0;
                const int up = n >= 0 ? n : 0, down = n >= 0 ? 0 : -n;
                // Red maximum: G − B = n; green maximum: B − R = n; blue maximum: R − G = n.
                int rgb[3][3] = {{hi, up, down}, {down, hi, up}, {up, down, hi}};
                for (int sector = 0; sector < 3; ++sector) {
                    int* c = rgb[sector];
                    // Green and blue maxima lose to an equal red (or green) maximum.
                    if (sector == 1 && c[0] == hi) continue;
                    if (sector == 2 && (c[0] == hi || c[1] == hi)) continue;
                    (void)lo;
                    const int r = c[0] + base, g = c[1] + base, b = c[2] + base;
                    const Hsl want = rgbToHsl(r, g, b);
                    int h, s, sum;
                    detail::fastHueSat(t, r, g, b, h, s, sum);
                    ASSERT_EQ(h, want.h) << r << "," << g << "," << b;
                    ASSERT_EQ(s, want.s) << r << "," << g << "," << b;
                    // Count the exact halves whose double result is the lower integer.
                    const int num = 85 * n + (sector == 0 ? (n >= 0 ? d : 511 * d)
                                                          : (sector == 1 ? 171 * d : 341 * d));
                    if (num % (2 * d) == 0 && want.h == num / (2 * d) - 1) ++halvesRoundedDown;
                }
            }
        }
    }
    EXPECT_GT(halvesRoundedDown, 0) << "the table is needed only if some halves round down";
}

// hslToRgb at every saturation and lightness for hues on and next to every plateau and ramp
// boundary, and at every hue for a grid of saturations and lightnesses.
TEST(ColorSpaceFast, ColourOfHueSaturationLightness) {
    const detail::HslTables& t = detail::hslTables();
    auto check = [&](int h, int s, int l) {
        const Rgb want = hslToRgb(h, s, l);
        uint8_t r, g, b;
        detail::fastHslToRgb(t, h, s, l, r, g, b);
        return want == Rgb{r, g, b};
    };
    const int hues[] = {0,   1,   41,  42,  43,  44,  84,  85,  86,  126, 127, 128,
                        129, 168, 169, 170, 171, 211, 212, 213, 214, 254, 255};
    for (int h : hues) {
        for (int s = 0; s < 256; ++s) {
            for (int l = 0; l < 256; ++l) ASSERT_TRUE(check(h, s, l)) << h << "," << s << "," << l;
        }
    }
    for (int h = 0; h < 256; ++h) {
        for (int s = 0; s < 256; s += 7) {
            for (int l = 0; l < 256; l += 5)
                ASSERT_TRUE(check(h, s, l)) << h << "," << s << "," << l;
        }
    }
}

}  // namespace
}  // namespace varnel
