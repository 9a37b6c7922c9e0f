#include "imageops/units.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(Units, ConversionsThroughTheResolution) {
    struct Case {
        float value;
        int from, to;
        float resolution;
        int resolutionUnit;
        float want;
    } cases[] = {
        {100, kUnitPixels, kUnitInches, 72, kPixelsPerInch, 100.0f / 72.0f},  // 1.3888888
        {100, kUnitPixels, kUnitInches, 28.35f, kPixelsPerCentimeter, 100.0f / (28.35f * 2.54f)},
        {2, kUnitInches, kUnitPixels, 300, kPixelsPerInch, 600},
        {2, kUnitInches, kUnitPixels, 100, kPixelsPerCentimeter, 508},
        {1, kUnitInches, kUnitCentimeters, 72, kPixelsPerInch, 2.54f},
        {1, kUnitInches, kUnitMillimeters, 72, kPixelsPerInch, 25.4f},
        {25, kUnitMillimeters, kUnitCentimeters, 72, kPixelsPerInch, 2.5f},
        {3, kUnitCentimeters, kUnitMillimeters, 72, kPixelsPerInch, 30},
        {5.08f, kUnitCentimeters, kUnitInches, 72, kPixelsPerInch, 2},
        {10, kUnitCentimeters, kUnitPixels, 72, kPixelsPerInch, 10 * 72 * 0.39370078f},
        {10, kUnitCentimeters, kUnitPixels, 40, kPixelsPerCentimeter, 400},
        {400, kUnitPixels, kUnitMillimeters, 40, kPixelsPerCentimeter, 100},
        {100, kUnitPixels, kUnitMillimeters, 254, kPixelsPerInch, 100 / (254 * 0.03937008f)},
        // The same unit, and units the table does not know (percent), give the value back.
        {7, kUnitInches, kUnitInches, 72, kPixelsPerInch, 7},
        {50, 4, kUnitPixels, 72, kPixelsPerInch, 50},
        {50, kUnitPixels, -1, 72, kPixelsPerInch, 50},
        // No resolution: nothing to convert through pixels with.
        {50, kUnitPixels, kUnitInches, 0, kPixelsPerInch, 0},
        {50, kUnitInches, kUnitPixels, -3, kPixelsPerInch, 0},
        {50, kUnitInches, kUnitCentimeters, 0, kPixelsPerInch, 127},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(convertUnits(c.value, c.from, c.to, c.resolution, c.resolutionUnit), c.want)
            << c.value << " from " << c.from << " to " << c.to << " at " << c.resolution << "/"
            << c.resolutionUnit;
    }
}

TEST(Units, RoundTripsComeBack) {
    for (int unit : {kPixelsPerInch, kPixelsPerCentimeter}) {
        for (int from = 0; from < 4; ++from) {
            for (int to = 0; to < 4; ++to) {
                const float there = convertUnits(123.0f, from, to, 96.0f, unit);
                EXPECT_NEAR(convertUnits(there, to, from, 96.0f, unit), 123.0f, 1e-3)
                    << from << " " << to << " " << unit;
            }
        }
    }
}

}  // namespace
}  // namespace varnel
