#include "dialogs/new_image_values.h"

#include <algorithm>

#include "dialogs/size_math.h"
#include "imageops/units.h"

namespace varnel {

namespace {

ImagePreset preset(const char* name, int32_t id, float width, float height, int32_t unit,
                   float resolution) {
    ImagePreset p;  // the Default values: 72 pixels per inch, white
    p.name = name;
    p.id = id;
    p.width = width;
    p.height = height;
    p.du = unit;
    p.resolution = resolution;
    return p;
}

}  // namespace

std::vector<ImagePreset> builtInPresets(const ImagePreset& remembered,
                                        std::optional<Size> clipboard) {
    ImagePreset custom = remembered;
    custom.name = "Custom";
    custom.id = kPresetCustom;
    ImagePreset fromClipboard = remembered;
    fromClipboard.name = "Clipboard";
    fromClipboard.id = kPresetClipboard;
    if (clipboard && !clipboard->isEmpty()) {
        fromClipboard.width = float(clipboard->width);
        fromClipboard.height = float(clipboard->height);
        fromClipboard.du = kUnitPixels;
    }
    return {
        custom,
        fromClipboard,
        preset("Default", kPresetDefault, 320, 240, kUnitPixels, 72),
        preset("640 x 480", kPreset640x480, 640, 480, kUnitPixels, 72),
        preset("800 x 600", kPreset800x600, 800, 600, kUnitPixels, 72),
        preset("1024 x 768", kPreset1024x768, 1024, 768, kUnitPixels, 72),
        preset("A4", kPresetA4, 210, 297, kUnitMillimeters, 300),
        preset("A3", kPresetA3, 297, 420, kUnitMillimeters, 300),
    };
}

std::optional<int64_t> newImagePixels(std::optional<double> value, int32_t sizeUnit,
                                      std::optional<double> resolution, int32_t resolutionUnit) {
    if (!value) return std::nullopt;
    if (sizeUnit == kUnitPixels) return truncatedPixels(*value);
    if (!resolution || !isResolutionInRange(*resolution)) return 0;
    return truncatedPixels(double(
        convertUnits(float(*value), sizeUnit, kUnitPixels, float(*resolution), resolutionUnit)));
}

bool canConvertSizeUnit(int32_t fromUnit, int32_t toUnit, std::optional<double> resolution) {
    const bool throughPixels =
        fromUnit != toUnit && (fromUnit == kUnitPixels || toUnit == kUnitPixels);
    return !throughPixels || (resolution && isResolutionInRange(*resolution));
}

std::optional<double> convertSizeUnit(std::optional<double> value, int32_t fromUnit, int32_t toUnit,
                                      std::optional<double> resolution, int32_t resolutionUnit) {
    if (!value || !canConvertSizeUnit(fromUnit, toUnit, resolution)) return std::nullopt;
    const double converted = double(convertUnits(float(*value), fromUnit, toUnit,
                                                 float(resolution.value_or(72.0)), resolutionUnit));
    if (toUnit != kUnitPixels) return converted;
    return double(std::max<int64_t>(1, truncatedPixels(converted).value_or(1)));
}

double convertResolutionUnit(double resolution, int32_t fromUnit, int32_t toUnit) {
    if (fromUnit == toUnit) return resolution;
    return toUnit == kPixelsPerCentimeter ? resolution * 0.39370078 : resolution * 2.54;
}

std::string sizeUnitAbbreviation(int32_t sizeUnit) {
    switch (sizeUnit) {
        case kUnitInches:
            return "in";
        case kUnitCentimeters:
            return "cm";
        case kUnitMillimeters:
            return "mm";
        default:
            return "px";
    }
}

std::string proposedPresetName(const std::string& widthText, const std::string& heightText,
                               int32_t sizeUnit) {
    const std::string unit = sizeUnitAbbreviation(sizeUnit);
    return widthText + unit + " x " + heightText + unit;
}

}  // namespace varnel
