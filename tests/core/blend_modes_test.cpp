#include "core/blend_modes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace varnel {
namespace {

Bgr grey(int v) {
    return {uint8_t(v), uint8_t(v), uint8_t(v)};
}
Bgr rgb(int r, int g, int b) {
    return {uint8_t(b), uint8_t(g), uint8_t(r)};
}

std::string show(const Bgr& c) {
    return "(r " + std::to_string(c.r) + ", g " + std::to_string(c.g) + ", b " +
           std::to_string(c.b) + ")";
}

// Channel values that exercise the branch points of the formulas.
const std::vector<int> kLevels = {0, 1, 2, 50, 100, 127, 128, 129, 200, 253, 254, 255};

TEST(BlendModeNames, OrderIsTheId) {
    const char* expected[] = {"Normal",     "Multiply",    "Screen",     "Overlay",    "Darken",
                              "Lighten",    "Color Dodge", "Soft Dodge", "Color Burn", "Soft Burn",
                              "Hard Light", "Soft Light",  "Difference", "Exclusion",  "XOR",
                              "Hue",        "Saturation",  "Color",      "Luminosity"};
    ASSERT_EQ(std::size(expected), size_t(kBlendModeCount));
    for (int id = 0; id < kBlendModeCount; ++id) {
        EXPECT_EQ(blendModeName(id), expected[id]);
        EXPECT_EQ(blendModeFromName(expected[id]), id);
    }
    EXPECT_TRUE(blendModeName(-1).empty());
    EXPECT_TRUE(blendModeName(19).empty());
    EXPECT_EQ(blendModeFromName("multiply"), -1);  // names are case-sensitive
    EXPECT_EQ(blendModeFromName("Multiply "), -1);
    EXPECT_EQ(blendModeFromName(""), -1);
}

TEST(BlendModes, SeparableWorkedValues) {
    struct Case {
        int mode, b, s, expected;
    } cases[] = {
        {kBlendNormal, 100, 200, 200},     {kBlendMultiply, 100, 200, 78},
        {kBlendMultiply, 255, 255, 254},  // the shift divides by 256
        {kBlendMultiply, 0, 255, 0},       {kBlendScreen, 100, 200, 222},
        {kBlendScreen, 0, 0, 1},           {kBlendScreen, 255, 0, 255},
        {kBlendOverlay, 100, 200, 156},    {kBlendOverlay, 200, 100, 189},
        {kBlendOverlay, 127, 255, 253},    {kBlendOverlay, 128, 0, 2},
        {kBlendDarken, 100, 200, 100},     {kBlendDarken, 200, 100, 100},
        {kBlendLighten, 100, 200, 200},    {kBlendLighten, 200, 100, 200},
        {kBlendColorDodge, 50, 100, 82},   {kBlendColorDodge, 100, 200, 255},  // clamped
        {kBlendColorDodge, 0, 255, 255},   {kBlendColorDodge, 0, 0, 0},
        {kBlendSoftDodge, 50, 100, 41},    {kBlendSoftDodge, 100, 200, 185},
        {kBlendSoftDodge, 0, 255, 255},    {kBlendSoftDodge, 200, 100, 156},
        {kBlendSoftDodge, 0, 0, 0},        {kBlendColorBurn, 100, 200, 58},
        {kBlendColorBurn, 50, 100, 0},  // clamped
        {kBlendColorBurn, 255, 0, 0},      {kBlendColorBurn, 255, 255, 255},
        {kBlendSoftBurn, 100, 200, 156},   {kBlendSoftBurn, 50, 100, 62},
        {kBlendSoftBurn, 255, 0, 255},     {kBlendHardLight, 100, 200, 189},
        {kBlendHardLight, 200, 100, 156},  {kBlendHardLight, 255, 127, 253},
        {kBlendSoftLight, 100, 200, 134},  {kBlendSoftLight, 200, 100, 190},
        {kBlendSoftLight, 255, 255, 254},  {kBlendDifference, 100, 200, 100},
        {kBlendDifference, 200, 100, 100}, {kBlendDifference, 0, 255, 255},
        {kBlendExclusion, 100, 200, 144},  {kBlendExclusion, 255, 255, 2},
        {kBlendExclusion, 0, 255, 255},    {kBlendXor, 100, 200, 172},
        {kBlendXor, 255, 255, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(blendModeName(c.mode)) + " b " + std::to_string(c.b) + " s " +
                     std::to_string(c.s));
        EXPECT_EQ(blendChannel(c.b, c.s, c.mode), c.expected);
        // blendColor applies the same rule to each channel independently.
        Bgr out;
        blendColor(out, rgb(c.b, 7, 250), rgb(c.s, 90, 3), c.mode);
        EXPECT_EQ(out.r, c.expected);
        EXPECT_EQ(out.g, blendChannel(7, 90, c.mode));
        EXPECT_EQ(out.b, blendChannel(250, 3, c.mode));
    }
}

TEST(BlendModes, DodgeAndBurnLimits) {
    for (int b = 0; b <= 255; ++b) {
        EXPECT_EQ(blendChannel(b, 255, kBlendColorDodge), 255) << b;
        EXPECT_EQ(blendChannel(b, 0, kBlendColorBurn), 0) << b;
        EXPECT_EQ(softDodge(b, 255), 255) << b;
        for (int s = 0; s <= 255; ++s) {
            const int d = softDodge(b, s);
            ASSERT_TRUE(d >= 0 && d <= 255) << b << " " << s;
        }
    }
}

TEST(BlendModes, NonSeparableWorkedValues) {
    const Bgr base = rgb(200, 100, 50);   // Lum 125, Sat 150
    const Bgr source = rgb(30, 60, 220);  // Lum 69, Sat 190
    struct Case {
        int mode;
        Bgr expected;
    } cases[] = {
        {kBlendHue, rgb(95, 118, 245)},
        {kBlendSaturation, rgb(221, 94, 31)},
        {kBlendColor, rgb(92, 118, 255)},     // clipped at the top
        {kBlendLuminosity, rgb(138, 46, 0)},  // clipped at the bottom
    };
    for (const Case& c : cases) {
        Bgr out;
        blendColor(out, base, source, c.mode);
        EXPECT_EQ(out, c.expected) << blendModeName(c.mode) << " gave " << show(out);
    }
}

TEST(BlendModes, HslHelpers) {
    EXPECT_EQ(lum({200, 100, 50}), 125);
    EXPECT_EQ(sat({200, 100, 50}), 150);
    EXPECT_EQ(sat({-20, 300, 7}), 320);
    EXPECT_EQ(luminosity(rgb(200, 100, 50)), 125);
    EXPECT_EQ(luminosity(grey(255)), 255);
    EXPECT_EQ(luminosity(grey(0)), 0);

    // setSat spreads the channels to the asked saturation, the minimum at 0; equal channels give
    // the same result whichever one counts as the maximum.
    EXPECT_EQ(setSat({30, 60, 220}, 150), (RgbInt{0, 23, 150}));
    EXPECT_EQ(setSat({220, 220, 10}, 100), (RgbInt{100, 100, 0}));
    EXPECT_EQ(setSat({10, 220, 220}, 100), (RgbInt{0, 100, 100}));
    EXPECT_EQ(setSat({220, 10, 10}, 100), (RgbInt{100, 0, 0}));
    EXPECT_EQ(setSat({77, 77, 77}, 100), (RgbInt{0, 0, 0}));

    // clipColor pulls out-of-gamut channels towards the luminance, keeping it.
    EXPECT_EQ(clipColor({86, 116, 276}), (RgbInt{92, 118, 255}));
    EXPECT_EQ(clipColor({144, 44, -6}), (RgbInt{138, 46, 0}));
    EXPECT_EQ(clipColor({10, 20, 30}), (RgbInt{10, 20, 30}));
}

TEST(BlendModes, NonSeparableResultsStayInGamutAndKeepTheirLuminance) {
    // A wrap-around when storing the clipped channels would show as a far-off luminance.
    for (int mode = kBlendHue; mode <= kBlendLuminosity; ++mode) {
        for (int br : kLevels)
            for (int bg : {0, 60, 128, 255})
                for (int sb : kLevels)
                    for (int sg : {0, 90, 200, 255}) {
                        const Bgr base = rgb(br, bg, 255 - br);
                        const Bgr source = rgb(255 - sb, sg, sb);
                        Bgr out;
                        blendColor(out, base, source, mode);
                        const int want =
                            mode == kBlendLuminosity ? luminosity(source) : luminosity(base);
                        ASSERT_LE(std::abs(luminosity(out) - want), 2)
                            << blendModeName(mode) << " base " << show(base) << " source "
                            << show(source) << " gave " << show(out);
                    }
    }
}

TEST(BlendModes, LuminosityOfGreysIsTheSourceGrey) {
    for (int b : kLevels)
        for (int s : kLevels) {
            Bgr out;
            blendColor(out, grey(b), grey(s), kBlendLuminosity);
            EXPECT_EQ(out, grey(s)) << b << " " << s;
            blendColor(out, grey(b), grey(s), kBlendColor);
            EXPECT_EQ(out, grey(b)) << b << " " << s;
        }
}

TEST(BlendModes, OutputMayAliasTheBase) {
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        const Bgr base = rgb(200, 100, 50);
        const Bgr source = rgb(30, 60, 220);
        Bgr expected;
        blendColor(expected, base, source, mode);
        Bgr inPlace = base;
        blendColor(inPlace, inPlace, source, mode);
        EXPECT_EQ(inPlace, expected) << blendModeName(mode);
    }
}

TEST(BlendModes, UnknownIdsActAsNormal) {
    for (int mode : {-1, 19, 1000}) {
        Bgr out;
        blendColor(out, rgb(1, 2, 3), rgb(40, 50, 60), mode);
        EXPECT_EQ(out, rgb(40, 50, 60));
        Bgr base = rgb(1, 2, 3);
        uint8_t alpha = 255;
        blendPixel(base, alpha, rgb(40, 50, 60), 255, mode);
        EXPECT_EQ(base, rgb(40, 50, 60));
    }
}

TEST(BlendPixel, WorkedValues) {
    struct Case {
        int mode;
        int cb, a, cs, s;
        int expectedColor, expectedAlpha;
    } cases[] = {
        {kBlendNormal, 100, 128, 200, 100, 155, 178},
        {kBlendMultiply, 100, 128, 200, 100, 120, 178},
        {kBlendMultiply, 100, 255, 200, 128, 88, 255},  // opaque base: mode result mixed in
        {kBlendNormal, 100, 255, 200, 255, 200, 255},
        {kBlendScreen, 0, 255, 0, 255, 1, 255},
        {kBlendNormal, 10, 0, 20, 0, 10, 0},  // nothing over nothing
        {kBlendNormal, 0, 255, 255, 1, 1, 255},
        {kBlendNormal, 255, 1, 0, 1, 127, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(blendModeName(c.mode)) + " cb " + std::to_string(c.cb) + " a " +
                     std::to_string(c.a) + " cs " + std::to_string(c.cs) + " s " +
                     std::to_string(c.s));
        Bgr base = grey(c.cb);
        uint8_t alpha = uint8_t(c.a);
        blendPixel(base, alpha, grey(c.cs), uint8_t(c.s), c.mode);
        EXPECT_EQ(base, grey(c.expectedColor));
        EXPECT_EQ(alpha, c.expectedAlpha);
    }
}

TEST(BlendPixel, AlphaLawsHoldInEveryMode) {
    const Bgr colours[] = {rgb(0, 0, 0),     rgb(255, 255, 255), rgb(200, 100, 50),
                           rgb(30, 60, 220), rgb(128, 127, 129), rgb(1, 254, 0)};
    const int alphas[] = {1, 2, 100, 127, 128, 200, 254, 255};
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        SCOPED_TRACE(blendModeName(mode));
        for (const Bgr& b : colours)
            for (const Bgr& s : colours) {
                // A transparent source changes nothing.
                for (int a : {0, 1, 128, 255}) {
                    Bgr base = b;
                    uint8_t alpha = uint8_t(a);
                    blendPixel(base, alpha, s, 0, mode);
                    EXPECT_EQ(base, b);
                    EXPECT_EQ(alpha, a);
                }
                // Over a transparent base the source comes through unchanged.
                for (int sa : alphas) {
                    Bgr base = b;
                    uint8_t alpha = 0;
                    blendPixel(base, alpha, s, uint8_t(sa), mode);
                    EXPECT_EQ(base, s) << show(b) << " under " << show(s) << " at " << sa;
                    EXPECT_EQ(alpha, sa);
                }
                // An opaque source over an opaque base gives the mode result.
                Bgr expected;
                blendColor(expected, b, s, mode);
                Bgr base = b;
                uint8_t alpha = 255;
                blendPixel(base, alpha, s, 255, mode);
                EXPECT_EQ(base, expected);
                EXPECT_EQ(alpha, 255);
            }
    }
}

TEST(BlendPixel, AlphaIsTheUnionOfCoverages) {
    // a + s - a*s/255 never exceeds 255 and never falls below either input.
    for (int a = 0; a <= 255; a += 3)
        for (int s = 0; s <= 255; s += 5) {
            Bgr base = grey(10);
            uint8_t alpha = uint8_t(a);
            blendPixel(base, alpha, grey(20), uint8_t(s), kBlendNormal);
            EXPECT_GE(alpha, std::max(a, s));
            EXPECT_EQ(alpha, a + s - a * s / 255);
        }
}

}  // namespace
}  // namespace varnel
