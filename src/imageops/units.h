// Lengths in the units the size dialogs offer, converted through an image's resolution.
#pragma once

#include <cstdint>

namespace varnel {

enum LengthUnit : int32_t {
    kUnitPixels = 0,
    kUnitInches = 1,
    kUnitCentimeters = 2,
    kUnitMillimeters = 3,
};

// Resolution units of an image.
enum ResolutionUnit : int32_t {
    kPixelsPerInch = 0,
    kPixelsPerCentimeter = 1,
};

// Converts `value` from one length unit to another at `resolution` pixels per inch
// (resolutionUnit 0) or per centimetre (1). The factors are single precision: pixels per inch,
// per centimetre and per millimetre from the resolution, and 2.54, 25.4 and 10 between inches,
// centimetres and millimetres. Lengths into pixels and smaller units multiply, the other way
// divides. The same unit, or a unit outside 0 … 3 (percent belongs to the dialogs, relative to
// the old size), gives the value back; a resolution that is not positive gives 0 for any
// conversion through pixels.
float convertUnits(float value, int32_t fromUnit, int32_t toUnit, float resolution,
                   int32_t resolutionUnit);

}  // namespace varnel
