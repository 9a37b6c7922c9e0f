// Levels, Curves, Brightness/Contrast, the Histogram with its clipped ends, Auto Levels and Auto
// Contrast: worked table entries, neutral settings, and the ends of the ranges.
#include <gtest/gtest.h>

#include "filter_fixtures.h"
#include "filters/tone_adjustments.h"

namespace varnel {
namespace {

using testing::documentWith;
using testing::grayImage;
using testing::maskImage;
using testing::noiseImage;
using testing::solidImage;

bool isIdentity(const uint8_t* t) {
    for (int i = 0; i < 256; ++i) {
        if (t[i] != i) return false;
    }
    return true;
}

TEST(Levels, NeutralAndWorkedEntries) {
    LevelsParams neutral;
    EXPECT_TRUE(neutral.isNeutral());
    LevelsFilter id(neutral);
    EXPECT_EQ(id.name(), "Levels");
    EXPECT_TRUE(isIdentity(id.lutR()) && isIdentity(id.lutG()) && isIdentity(id.lutB()));
    EXPECT_EQ(id.valueTable(), nullptr) << "8-bit values stay";

    struct Case {
        const char* what;
        void (*set)(LevelsParams&);
        int channel;  // 0 red, 1 green, 2 blue
        int index, expected;
    } cases[] = {
        {"composite gamma 2: trunc(255 × (64/255)^0.5 + 0.5)",
         [](LevelsParams& p) { p.gamma[kComposite] = 2; }, 1, 64, 128},
        {"composite output 255 … 0 inverts",
         [](LevelsParams& p) {
             p.outBlack[kComposite] = 255;
             p.outWhite[kComposite] = 0;
         },
         2, 10, 245},
        {"red input black 64: 128 → trunc(64/191 × 255 + 0.5)",
         [](LevelsParams& p) { p.inBlack[kRed] = 64; }, 0, 128, 85},
        {"red input black 64 leaves green", [](LevelsParams& p) { p.inBlack[kRed] = 64; }, 1, 128,
         128},
        {"values below the input black clamp to 0", [](LevelsParams& p) { p.inBlack[kBlue] = 64; },
         2, 20, 0},
        // The channel's step comes first: blue 100 → 200 (output white 510 is not reachable from
        // the dialog, so use output black 100 … white 255 then composite input white 127).
        {"channel first, then composite",
         [](LevelsParams& p) {
             p.outBlack[kBlue] = 100;
             p.inWhite[kComposite] = 127;
         },
         2, 0, 201},  // 0 → 100 → trunc(100/127 × 255 + 0.5) = 201
        {"input black equal to input white: a threshold",
         [](LevelsParams& p) {
             p.inBlack[kGreen] = 100;
             p.inWhite[kGreen] = 100;
         },
         1, 101, 255},
    };
    for (const Case& c : cases) {
        LevelsParams p;
        c.set(p);
        EXPECT_FALSE(p.isNeutral()) << c.what;
        LevelsFilter f(p);
        const uint8_t* luts[3] = {f.lutR(), f.lutG(), f.lutB()};
        EXPECT_EQ(luts[c.channel][c.index], c.expected) << c.what;
    }

    // Output 255 … 0 on the composite inverts every entry.
    LevelsParams inv;
    inv.outBlack[kComposite] = 255;
    inv.outWhite[kComposite] = 0;
    LevelsFilter inverted(inv);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(inverted.lutG()[i], 255 - i);
}

// Settings no dialog produces still give bytes: a negative gamma makes 0^(−1) infinite, a zero
// gamma skips the power.
TEST(Levels, DegenerateSettingsStayInRange) {
    LevelsParams p;
    p.gamma[kComposite] = -1;
    p.gamma[kRed] = 0;
    p.inBlack[kGreen] = 300;
    p.inWhite[kGreen] = -20;
    LevelsFilter f(p);
    EXPECT_EQ(f.lutR()[0], 255);  // −(0^−1) … clamps
    EXPECT_EQ(f.lutR()[255], 255);
}

TEST(Curves, LinesAndSplines) {
    struct Case {
        const char* what;
        std::vector<Point> points;
        std::vector<std::pair<int, int>> entries;
    } cases[] = {
        {"identity line", {{0, 0}, {255, 255}}, {{0, 0}, {77, 77}, {255, 255}}},
        // The line continues beyond its points: 255 → 0 + 255 × 0.5 + 0.5.
        {"line beyond its end point", {{0, 0}, {200, 100}}, {{100, 50}, {255, 128}}},
        {"falling line", {{0, 255}, {255, 0}}, {{0, 255}, {100, 155}, {255, 0}}},
        {"coinciding points give the first y", {{30, 90}, {30, 90}}, {{0, 90}, {255, 90}}},
        {"same x gives the first y", {{30, 90}, {30, 10}}, {{0, 90}, {255, 90}}},
        {"same y gives that y", {{0, 40}, {255, 40}}, {{128, 40}}},
        // A spline through collinear points is the line itself.
        {"collinear spline", {{0, 0}, {100, 100}, {255, 255}}, {{0, 0}, {50, 50}, {254, 254}}},
        // The spline passes through its points.
        {"spline through its points",
         {{0, 0}, {64, 90}, {128, 150}, {192, 200}, {255, 255}},
         {{0, 0}, {64, 90}, {128, 150}, {192, 200}, {255, 255}}},
        // Inputs beyond the end points take the end points' outputs: a first point at x 10
        // maps 0 … 9 to its output, and a last point moved left keeps the highlights.
        {"left of the first point", {{10, 0}, {128, 128}, {255, 255}}, {{0, 0}, {9, 0}}},
        {"right of the last point", {{0, 0}, {100, 150}, {200, 255}}, {{201, 255}, {255, 255}}},
        {"left of a raised first point", {{40, 60}, {128, 128}, {255, 255}}, {{0, 60}}},
        // Lists the dialog never makes are the identity.
        {"one point", {{10, 200}}, {{10, 10}, {200, 200}}},
        {"x not increasing", {{0, 0}, {100, 50}, {100, 80}}, {{100, 100}}},
        {"eleven points",
         {{0, 0},
          {20, 80},
          {40, 80},
          {60, 80},
          {80, 80},
          {100, 80},
          {120, 80},
          {140, 80},
          {160, 80},
          {180, 80},
          {255, 0}},
         {{40, 40}}},
    };
    for (const Case& c : cases) {
        uint8_t table[256];
        curveTable(c.points, table);
        for (auto [i, v] : c.entries) EXPECT_EQ(table[i], v) << c.what << " at " << i;
    }
}

TEST(Curves, ChannelThenComposite) {
    CurvesParams p;
    CurvesFilter id(p);
    EXPECT_EQ(id.name(), "Curves");
    EXPECT_TRUE(isIdentity(id.lutR()) && isIdentity(id.lutG()) && isIdentity(id.lutB()));

    p.points[kComposite] = {{0, 255}, {255, 0}};  // invert
    p.points[kRed] = {{0, 0}, {128, 255}};        // double, saturating
    CurvesFilter f(p);
    EXPECT_EQ(f.lutR()[64], 127);  // 64 → 128 → 127
    EXPECT_EQ(f.lutR()[200], 0);   // 200 → 255 → 0
    EXPECT_EQ(f.lutG()[64], 191);
    EXPECT_EQ(f.valueTable(), nullptr);
}

TEST(BrightnessContrast, Tables) {
    BrightnessContrastFilter id(0, 0);
    EXPECT_EQ(id.name(), "Brightness/Contrast");
    EXPECT_TRUE(isIdentity(id.lutR()));

    BrightnessContrastFilter flat(0, -100);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(flat.lutG()[i], 128);

    // Contrast 100 is limited to a finite slope: a hard threshold about 128.
    BrightnessContrastFilter hard(0, 100);
    EXPECT_EQ(hard.lutR()[127], 0);
    EXPECT_EQ(hard.lutR()[128], 128);
    EXPECT_EQ(hard.lutR()[129], 255);

    // Brightness shifts the input: t × (i + b − 128) + 128, truncated.
    BrightnessContrastFilter brighter(40, 0);
    EXPECT_EQ(brighter.lutB()[0], 40);
    EXPECT_EQ(brighter.lutB()[215], 255);
    EXPECT_EQ(brighter.lutB()[216], 255);

    // The constructor clamps both values; 8-bit values take the same table.
    BrightnessContrastFilter clamped(500, -500);
    EXPECT_EQ(clamped.brightness(), 100);
    EXPECT_EQ(clamped.contrast(), -100);
    EXPECT_EQ(clamped.valueTable(), clamped.lutR());
}

// --- Histogram ------------------------------------------------------------------------------

TEST(Histogram, EndsAndClipping) {
    Histogram h;
    EXPECT_EQ(h.lowEnd(0), 255) << "empty";
    EXPECT_EQ(h.highEnd(0), 0) << "empty";
    // Red: 1000 pixels at 20, 100 000 spread over 21 … 199, 1000 at 200.
    h.add(0, 20, 1000);
    for (int v = 21; v < 200; ++v) h.add(0, v, 100000 / 179);
    h.add(0, 200, 1000);
    h.add(0, 250, 5);  // a few stray highlights, fewer than 0.1 %
    h.add(1, 0, h.pixelCount());
    h.add(2, 255, h.pixelCount());
    EXPECT_EQ(h.pixelCount(), 1000 + 179 * (100000 / 179) + 1000 + 5);
    EXPECT_EQ(h.lowEnd(0), 20);
    EXPECT_EQ(h.highEnd(0), 250);
    EXPECT_EQ(h.lowEndClipped(0), 20);
    EXPECT_EQ(h.highEndClipped(0), 200) << "the 5 strays are clipped";
    EXPECT_EQ(h.countInRange(20, 20, 0), 1000);
    EXPECT_EQ(h.countInRange(0, 255, Histogram::kAllChannels), 3 * h.pixelCount());
    EXPECT_EQ(h.lowEnd(Histogram::kAllChannels), 0);
    EXPECT_EQ(h.highEnd(Histogram::kAllChannels), 255);
}

// Percentages over layers beyond 21 megapixels: sum × 100 no longer fits 32 bits.
TEST(Histogram, PercentagesOfHugeCounts) {
    Histogram h;
    h.add(0, 0, 40);                // 40 of 30 000 000 010: far below 0.1 %
    h.add(0, 128, 30'000'000'000);  // three hundred 100-megapixel layers' worth
    h.add(0, 255, 40);
    EXPECT_EQ(h.lowEndClipped(0), 128);
    EXPECT_EQ(h.highEndClipped(0), 128);
    h.add(0, 0, 40'000'000);  // now 0.13 %
    EXPECT_EQ(h.lowEndClipped(0), 0);
}

TEST(Histogram, CountsTheLayerWithinTheSelection) {
    // 4 × 3 layer; red = x × 10 + y, green 7, blue 9.
    ColorImage img;
    ASSERT_EQ(img.createColor(4, 3), 1);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) img.pixels(y)[x] = {9, 7, uint8_t(x * 10 + y)};
    }
    auto doc = documentWith(img);
    RasterLayer& layer = *doc->layers().rasterAt(0);

    Histogram h;
    ASSERT_EQ(h.count(layer, {}), 1);
    EXPECT_EQ(h.pixelCount(), 12);
    EXPECT_EQ(h.at(1, 7), 12);
    EXPECT_EQ(h.at(2, 9), 12);
    EXPECT_EQ(h.at(0, 21), 1);

    // A selection rectangle without a mask: columns 1 … 2, rows 1 … 2.
    ASSERT_EQ(h.count(layer, SelectionArea{{1, 1, 3, 3}, nullptr}), 1);
    EXPECT_EQ(h.pixelCount(), 4);
    EXPECT_EQ(h.at(0, 11), 1);
    EXPECT_EQ(h.at(0, 0), 0);

    // A mask: zero skips, any partial coverage counts.
    auto mask = maskImage(4, 3, [](int x, int) { return x == 0 ? 0 : (x == 1 ? 1 : 255); });
    ASSERT_EQ(h.count(layer, SelectionArea{{0, 0, 4, 3}, mask.get()}), 1);
    EXPECT_EQ(h.pixelCount(), 9);

    // A selection off the layer fails and leaves no counts.
    EXPECT_EQ(h.count(layer, SelectionArea{{10, 10, 12, 12}, nullptr}), 0);
    EXPECT_EQ(h.pixelCount(), 0);
}

TEST(Histogram, SkipsTransparentPixelsAndFollowsTheOffset) {
    auto pixels = solidImage(4, 2, {1, 2, 3});
    auto alpha = grayImage(4, 2, [](int x, int) { return x == 3 ? 0 : 200; });
    ImageSettings s;
    s.width = 10;
    s.height = 10;
    auto doc = Document::createBlank(s);
    RasterLayer* layer = doc->layers().newRasterLayer(*pixels, alpha.get(), {5, 5}, "L", false);
    ASSERT_NE(layer, nullptr);
    Histogram h;
    ASSERT_EQ(h.count(*layer, {}), 1);
    EXPECT_EQ(h.pixelCount(), 6);
    // The selection is on the canvas: (5, 5) … (7, 6) is layer (0, 0) … (1, 0).
    ASSERT_EQ(h.count(*layer, SelectionArea{{4, 4, 7, 6}, nullptr}), 1);
    EXPECT_EQ(h.pixelCount(), 2);
    EXPECT_EQ(h.count(*layer, SelectionArea{{0, 0, 5, 5}, nullptr}), 0);
}

TEST(AutoLevels, EachChannelStretchedOnItsOwn) {
    Histogram h;
    h.add(0, 20, 500);
    h.add(0, 110, 1000);
    h.add(0, 200, 500);
    h.add(1, 50, 1000);
    h.add(1, 100, 1000);
    h.add(2, 0, 2000);  // blue all 0: an empty range, the identity
    AutoLevelsFilter f(h);
    EXPECT_EQ(f.name(), "Auto Levels");
    EXPECT_EQ(f.lutR()[20], 0);
    EXPECT_EQ(f.lutR()[200], 255);
    EXPECT_EQ(f.lutR()[110], 128);  // 90 / 180 × 255 + 0.5
    EXPECT_EQ(f.lutR()[10], 0);
    EXPECT_EQ(f.lutG()[50], 0);
    EXPECT_EQ(f.lutG()[75], 128);  // 25 / 50 × 255 + 0.5
    EXPECT_EQ(f.lutG()[100], 255);
    EXPECT_TRUE(isIdentity(f.lutB()));
    EXPECT_EQ(f.valueTable(), f.lutR()) << "8-bit values take the red table";
}

TEST(AutoContrast, OneTableForAllChannels) {
    Histogram h;
    h.add(0, 40, 100);
    h.add(1, 140, 100);
    h.add(2, 90, 100);
    AutoContrastFilter f(h);
    EXPECT_EQ(f.name(), "Auto Contrast");
    EXPECT_EQ(f.lutR()[40], 0);
    EXPECT_EQ(f.lutG()[140], 255);
    EXPECT_EQ(f.lutB()[90], 128);
    EXPECT_EQ(f.lutR()[90], f.lutB()[90]);

    // A layer of one grey keeps it. (A single colour that is not grey has different ends across
    // the three channels, and is stretched between them.)
    auto img = solidImage(5, 5, {60, 60, 60});
    auto doc = documentWith(*img);
    Histogram one;
    ASSERT_EQ(one.count(*doc->layers().rasterAt(0), {}), 1);
    AutoContrastFilter g(one);
    ColorImage& px = doc->layers().rasterAt(0)->pixels();
    ASSERT_EQ(g.apply(px), 1);
    EXPECT_EQ(px.pixels(2)[2], (Bgr{60, 60, 60}));
}

}  // namespace
}  // namespace varnel
