#include "dialogs/size_math.h"

#include <gtest/gtest.h>

#include <cmath>

#include "imageops/units.h"

namespace varnel {
namespace {

TEST(MemorySizeText, FollowsTheThresholdsAndTrimsLongFigures) {
    struct Case {
        int64_t width, height;
        const char* text;
    } cases[] = {
        {0, 100, "--"},          {100, 0, "--"},
        {30001, 1, "--"},        {1, 30001, "--"},
        {-5, 10, "--"},          {1, 1, "3 bytes"},
        {341, 1, "1023 bytes"},  {342, 1, "1.00K"},  // 1026 bytes: four characters stay as they are
        {512, 1, "1.50K"},                           // four characters: no trimming
        {100, 100, "29.3K"},                         // 29.30 has five characters
        {640, 480, "900K"},                          // 900.00 trimmed to 900
        {1024, 768, "2.25M"},                        // 2359296 bytes
        {800, 600, "1.37M"},     {2480, 3507, "24.88M"},
        {30000, 30000, "2.51G"},  // 2.7e9 bytes: beyond 32 bits
    };
    for (const Case& c : cases)
        EXPECT_EQ(memorySizeText(c.width, c.height), c.text) << c.width << " x " << c.height;
}

TEST(MemorySizeText, CountsTheLargestImageIn64Bits) {
    EXPECT_EQ(imageMemoryBytes(30000, 30000), 2700000000ull);
    EXPECT_EQ(imageMemoryBytes(30001, 30000), 0u);
}

TEST(TruncatedPixels, WholePixelsSurviveAConversionThereAndBack) {
    // Every size, at common and awkward resolutions, to each length unit and back.
    const float resolutions[] = {1.0f, 72.0f, 96.0f, 118.11f, 300.0f, 9999.999f};
    for (float resolution : resolutions) {
        for (int32_t resolutionUnit : {0, 1}) {
            for (int32_t unit = kUnitInches; unit <= kUnitMillimeters; ++unit) {
                for (int px = 1; px <= 30000; ++px) {
                    const float length =
                        convertUnits(float(px), kUnitPixels, unit, resolution, resolutionUnit);
                    const float back =
                        convertUnits(length, unit, kUnitPixels, resolution, resolutionUnit);
                    ASSERT_EQ(truncatedPixels(back), px)
                        << px << " px at " << resolution << " unit " << unit;
                }
            }
        }
    }
}

TEST(TruncatedPixels, CutsRealFractionsAndSaturates) {
    EXPECT_EQ(truncatedPixels(2480.31), 2480);
    EXPECT_EQ(truncatedPixels(3507.87), 3507);
    EXPECT_EQ(truncatedPixels(0.999), 0);
    EXPECT_EQ(truncatedPixels(1e300), truncatedPixels(1e200));
    EXPECT_GT(*truncatedPixels(1e300), kMaxImageSide);
    EXPECT_FALSE(truncatedPixels(std::nan("")));
}

TEST(RoundedPixels, HalvesGoUpOrAwayFromZero) {
    EXPECT_EQ(roundedPixels(300.75), 301);
    EXPECT_EQ(roundedPixels(300.5), 301);
    EXPECT_EQ(roundedPixels(300.49), 300);
    EXPECT_EQ(roundedAwayFromZero(151.5), 152);
    EXPECT_EQ(roundedAwayFromZero(-151.5), -152);
    EXPECT_FALSE(roundedPixels(std::nan("")));
    EXPECT_FALSE(roundedAwayFromZero(std::nan("")));
}

TEST(SizeProblems, NameWhatIsWrong) {
    EXPECT_EQ(sideProblem("width", 1), "");
    EXPECT_EQ(sideProblem("width", 30000), "");
    EXPECT_EQ(sideProblem("width", std::nullopt), "Enter the width.");
    EXPECT_NE(sideProblem("height", 0).find("at least 1"), std::string::npos);
    EXPECT_NE(sideProblem("height", 30001).find("at most 30000"), std::string::npos);
    EXPECT_NE(sideProblem("height", 30001).find("30001"), std::string::npos);

    EXPECT_EQ(resolutionProblem(1.0), "");
    EXPECT_EQ(resolutionProblem(9999.999), "");
    EXPECT_EQ(resolutionProblem(std::nullopt), "Enter the resolution.");
    for (double bad : {0.0, 0.999, 10000.0, std::nan(""), HUGE_VAL})
        EXPECT_FALSE(resolutionProblem(bad).empty()) << bad;
}

}  // namespace
}  // namespace varnel
