// Filter steps as command-line arguments: each adjustment takes the fields of its parameter
// record, in the record's order, as one comma-separated argument, with the ranges its dialog
// accepts. The front end lists filterOptions() in its help, parses each step with
// parseFilterStep before it touches any file, then runs the steps with runFilterStep.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "filters/color_adjustments.h"
#include "filters/filter_commands.h"
#include "filters/tone_adjustments.h"

namespace varnel {

// Each parser fills `out` only on success; on failure `error` (when given) says what is wrong.

// gamma[4], inBlack[4], inWhite[4], outBlack[4], outWhite[4] (composite, red, green, blue):
// 20 values; or 5 values (gamma, inBlack, inWhite, outBlack, outWhite) for the composite alone.
bool parseLevelsArgs(std::string_view text, LevelsParams& out, std::string* error = nullptr);
// Point lists separated by "/", points "x:y" separated by ",": one list (the composite) or four
// (composite, red, green, blue); 2 to 10 points per list, x strictly increasing, 0 … 255.
bool parseCurvesArgs(std::string_view text, CurvesParams& out, std::string* error = nullptr);
// brightness, contrast; each −100 … 100.
bool parseBrightnessContrastArgs(std::string_view text, BrightnessContrastParams& out,
                                 std::string* error = nullptr);
// preserveLuminosity (0 or 1), cyanRed[3], magentaGreen[3], yellowBlue[3] (shadows, midtones,
// highlights); each value −100 … 100.
bool parseColorBalanceArgs(std::string_view text, ColorBalanceParams& out,
                           std::string* error = nullptr);
// hue[7], lightness[7], saturation[7] (Master, Reds, Yellows, Greens, Cyans, Blues, Magentas):
// 21 values; or 3 values (hue, lightness, saturation) for Master alone. Hue −180 … 180, the
// others −100 … 100.
bool parseHueSaturationArgs(std::string_view text, HueSaturationParams& out,
                            std::string* error = nullptr);
// hue in degrees 0 … 360, saturation 0 … 100, lightness −100 … 100.
bool parseColorizeArgs(std::string_view text, ColorizeParams& out, std::string* error = nullptr);
// The Gaussian Blur radius, 0.1 … 250 as its dialog accepts it.
bool parseGaussianBlurArgs(std::string_view text, double& radius, std::string* error = nullptr);

// One filter step option: its flag, the shape of its argument (empty when it takes none), and a
// one-line description.
struct FilterOption {
    std::string_view flag;
    std::string_view argument;
    std::string_view description;
};

// Every filter step, in the order the help lists them.
const std::vector<FilterOption>& filterOptions();
// The help lines: "  --flag ARGUMENT" then the description, one option per line.
std::string filterOptionsHelp();
// The option with that flag, or null.
const FilterOption* findFilterOption(std::string_view flag);

enum class FilterStepKind {
    kLevels,
    kAutoLevels,
    kAutoContrast,
    kCurves,
    kBrightnessContrast,
    kColorBalance,
    kHueSaturation,
    kColorize,
    kDesaturate,
    kInvert,
    kLastFilter,
    kBlur,
    kBlurMore,
    kSharpen,
    kSharpenMore,
    kGaussianBlur,
};

// A parsed step: its kind and the record of its filter.
struct FilterStep {
    FilterStepKind kind = FilterStepKind::kInvert;
    LevelsParams levels;
    CurvesParams curves;
    BrightnessContrastParams brightnessContrast;
    ColorBalanceParams colorBalance;
    HueSaturationParams hueSaturation;
    ColorizeParams colorize;
    double gaussianRadius = 1.0;  // 0.1 … 250
};

// Parses one step. `argument` is ignored for options that take none (pass an empty view).
// False, with a message, for an unknown flag or a malformed argument.
bool parseFilterStep(std::string_view flag, std::string_view argument, FilterStep& step,
                     std::string* error = nullptr);

// The filter of a step whose parameters come with it (null for Auto Levels, Auto Contrast and
// Last Filter, which take theirs from the document or the Last Filter slot).
std::unique_ptr<Filter> makeFilter(const FilterStep& step);

// Runs a step as its command on the target (recorded in its history). 0 when the document
// cannot take a filter, the Last Filter slot is empty, or the application fails.
int runFilterStep(const FilterTarget& target, const FilterStep& step);

}  // namespace varnel
