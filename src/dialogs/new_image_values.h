// The values behind the New dialog, without the widgets: the built-in presets, what the dialog
// remembers for the program's run (the last confirmed values and the "Untitled-%d" counter), the
// pixel size a width or height in any unit stands for, the conversion of the sizes when the unit
// changes, and the name proposed for a saved preset. Plain C++.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/app_settings.h"
#include "core/geometry.h"

namespace varnel {

// The background choices of a new image, in list order.
enum NewImageBackground : int32_t {
    kBackgroundWhite = 0,
    kBackgroundColor = 1,
    kBackgroundTransparent = 2,
};

// Ids of the built-in presets, in list order; the user's own follow from 8.
enum BuiltInPreset : int32_t {
    kPresetCustom = 0,
    kPresetClipboard = 1,
    kPresetDefault = 2,
    kPreset640x480 = 3,
    kPreset800x600 = 4,
    kPreset1024x768 = 5,
    kPresetA4 = 6,
    kPresetA3 = 7,
};
inline constexpr int32_t kBuiltInPresetCount = 8;

// What the New dialog keeps for the program's run: the values of the last confirmed dialog (the
// "Default" values at first, with the image name in `text`) and the number of the next
// "Untitled-%d" name.
struct NewImageMemory {
    ImagePreset values;
    int counter = 1;
};

// The eight built-in presets: "Custom" (the remembered values), "Clipboard" (the remembered
// values, in pixels of the clipboard image's size when there is one), "Default", "640 x 480",
// "800 x 600", "1024 x 768", "A4" and "A3" (in millimetres at 300 pixels per inch).
std::vector<ImagePreset> builtInPresets(const ImagePreset& remembered,
                                        std::optional<Size> clipboard);

// The pixels a width or height field stands for: the value converted from the size unit at the
// resolution, truncated (see truncatedPixels); nothing for an empty field. A length with a
// resolution that cannot be used comes to 0 pixels.
std::optional<int64_t> newImagePixels(std::optional<double> value, int32_t sizeUnit,
                                      std::optional<double> resolution, int32_t resolutionUnit);

// A width or height when the size unit changes: converted at the resolution, into pixels
// truncated and at least 1. Refused (nothing) when the change goes through pixels and the
// resolution cannot be used, since the conversion would divide by it. An empty field stays empty
// (`value` nothing gives nothing too, but is not a refusal: see canConvertSizeUnit).
std::optional<double> convertSizeUnit(std::optional<double> value, int32_t fromUnit, int32_t toUnit,
                                      std::optional<double> resolution, int32_t resolutionUnit);
// Whether the change of size unit can be made at that resolution.
bool canConvertSizeUnit(int32_t fromUnit, int32_t toUnit, std::optional<double> resolution);

// A resolution shown in the other unit: × 0.39370078 into pixels per centimetre, × 2.54 back.
double convertResolutionUnit(double resolution, int32_t fromUnit, int32_t toUnit);

// "px", "in", "cm" or "mm".
std::string sizeUnitAbbreviation(int32_t sizeUnit);
// The name proposed for a new preset: "640px x 480px" from the two fields' texts.
std::string proposedPresetName(const std::string& widthText, const std::string& heightText,
                               int32_t sizeUnit);

}  // namespace varnel
