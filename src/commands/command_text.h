// The text forms of command parameters on the command line: numbers, lists, blend modes and
// colours, and the adjustment records. Each parser fills its output only on success and says
// otherwise why the text was refused; each formatter writes text its parser reads back into the
// same value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/color.h"
#include "filters/color_adjustments.h"
#include "filters/tone_adjustments.h"

namespace varnel {

// A whole number within low..high ("+" allowed in front).
bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value,
                  std::string& error);
// A blend mode by its name as the mode list shows it (case and blanks or hyphens ignored:
// "color-dodge", "ColorDodge") or by its id 0..18.
bool parseBlendMode(const std::string& text, int32_t& mode, std::string& error);
// The name parseBlendMode reads back: the mode list's name in lower case, hyphens for blanks.
std::string formatBlendMode(int32_t mode);
// An opacity in percent, 0..100.
bool parseOpacity(const std::string& text, int32_t& percent, std::string& error);
// `count` whole numbers separated by commas, each within low..high.
bool parseIntegerList(const std::string& text, size_t count, int64_t low, int64_t high,
                      std::vector<int64_t>& values, std::string& error);
// A number with an optional fraction within low..high.
bool parseDecimal(const std::string& text, double low, double high, double& value,
                  std::string& error);
// The shortest text that reads back as exactly `value`.
std::string formatDecimal(double value);
// A colour as RRGGBB, with or without a leading "#".
bool parseRgb(const std::string& text, ColorRef& color, std::string& error);
std::string formatRgb(ColorRef color);
// Splits "A:B:C" at colons, and "A,B" at commas.
std::vector<std::string> splitColons(const std::string& text);
std::vector<std::string> splitCommas(const std::string& text);
// Lower case without blanks, hyphens or underscores: "Bicubic Smooth" and "bicubic-smooth" match.
std::string squeezed(const std::string& text);
// How mask combinations are named: 0..3 or replace, add, subtract, intersect.
bool parseCombination(const std::string& text, int32_t& op, std::string& error);
std::string formatCombination(int32_t op);

// The adjustment records as comma-separated values in the record's order, within the ranges
// their dialogs accept.

// gamma[4], inBlack[4], inWhite[4], outBlack[4], outWhite[4] (composite, red, green, blue):
// 20 values; or 5 values (gamma, inBlack, inWhite, outBlack, outWhite) for the composite alone.
bool parseLevelsArgs(std::string_view text, LevelsParams& out, std::string* error = nullptr);
std::string formatLevelsArgs(const LevelsParams& params);
// Point lists separated by "/", points "x:y" separated by ",": one list (the composite) or four
// (composite, red, green, blue); 2 to 10 points per list, x strictly increasing, 0 … 255.
bool parseCurvesArgs(std::string_view text, CurvesParams& out, std::string* error = nullptr);
std::string formatCurvesArgs(const CurvesParams& params);
// brightness, contrast; each −100 … 100.
bool parseBrightnessContrastArgs(std::string_view text, BrightnessContrastParams& out,
                                 std::string* error = nullptr);
std::string formatBrightnessContrastArgs(const BrightnessContrastParams& params);
// preserveLuminosity (0 or 1), cyanRed[3], magentaGreen[3], yellowBlue[3] (shadows, midtones,
// highlights); each value −100 … 100.
bool parseColorBalanceArgs(std::string_view text, ColorBalanceParams& out,
                           std::string* error = nullptr);
std::string formatColorBalanceArgs(const ColorBalanceParams& params);
// hue[7], lightness[7], saturation[7] (Master, Reds, Yellows, Greens, Cyans, Blues, Magentas):
// 21 values; or 3 values (hue, lightness, saturation) for Master alone. Hue −180 … 180, the
// others −100 … 100.
bool parseHueSaturationArgs(std::string_view text, HueSaturationParams& out,
                            std::string* error = nullptr);
std::string formatHueSaturationArgs(const HueSaturationParams& params);
// hue in degrees 0 … 360, saturation 0 … 100, lightness −100 … 100.
bool parseColorizeArgs(std::string_view text, ColorizeParams& out, std::string* error = nullptr);
std::string formatColorizeArgs(const ColorizeParams& params);
// The Gaussian Blur radius, 0.1 … 250 as its dialog accepts it.
bool parseGaussianBlurArgs(std::string_view text, double& radius, std::string* error = nullptr);

}  // namespace varnel
