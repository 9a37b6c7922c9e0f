#include "imageops/units.h"

namespace varnel {

float convertUnits(float value, int32_t fromUnit, int32_t toUnit, float resolution,
                   int32_t resolutionUnit) {
    auto valid = [](int32_t u) { return u >= kUnitPixels && u <= kUnitMillimeters; };
    if (fromUnit == toUnit || !valid(fromUnit) || !valid(toUnit)) return value;
    const bool perCm = resolutionUnit == kPixelsPerCentimeter;
    const float ppi = perCm ? resolution * 2.54f : resolution;
    const float ppc = perCm ? resolution : resolution * 0.39370078f;
    const float ppm = perCm ? resolution * 0.1f : resolution * 0.03937008f;
    // factor[a][b] (a < b) links two units: one inch is 2.54 cm or 25.4 mm, one centimetre 10 mm,
    // and one inch, centimetre or millimetre is ppi, ppc or ppm pixels.
    const float factor[4][4] = {
        {1.0f, ppi, ppc, ppm},
        {0.0f, 1.0f, 2.54f, 25.4f},
        {0.0f, 0.0f, 1.0f, 10.0f},
        {0.0f, 0.0f, 0.0f, 1.0f},
    };
    const bool fromPixels = fromUnit == kUnitPixels;
    const bool toPixels = toUnit == kUnitPixels;
    const int32_t a = fromUnit < toUnit ? fromUnit : toUnit;
    const int32_t b = fromUnit < toUnit ? toUnit : fromUnit;
    const float f = factor[a][b];
    if ((fromPixels || toPixels) && !(f > 0.0f)) return 0.0f;
    // Into pixels, and from a length into a smaller length unit, multiplies.
    const bool multiply = toPixels || (!fromPixels && fromUnit < toUnit);
    return multiply ? value * f : value / f;
}

}  // namespace varnel
