#include "filters/filter_args.h"

#include <charconv>
#include <cmath>

#include "filters/gaussian_blur_filter.h"
#include "filters/kernel_filter.h"
#include "filters/stack_blur_filter.h"

namespace varnel {
namespace {

void fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t at = text.find(separator, start);
        parts.push_back(trim(text.substr(start, at == std::string_view::npos ? at : at - start)));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return parts;
}

bool parseInt(std::string_view s, int32_t& out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

bool parseDouble(std::string_view s, double& out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

std::string quoted(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    out.append(s);
    out += '"';
    return out;
}

// The comma-separated values of `text`, whose count must be one of `counts`.
bool values(std::string_view text, std::initializer_list<size_t> counts,
            std::vector<std::string_view>& out, std::string* error) {
    out = split(text, ',');
    for (size_t n : counts) {
        if (out.size() == n) return true;
    }
    std::string expected;
    for (size_t n : counts) {
        if (!expected.empty()) expected += " or ";
        expected += std::to_string(n);
    }
    fail(error,
         "expected " + expected + " comma-separated values, got " + std::to_string(out.size()));
    return false;
}

bool intIn(std::string_view s, int32_t lo, int32_t hi, std::string_view what, int32_t& out,
           std::string* error) {
    if (!parseInt(s, out)) {
        fail(error, std::string(what) + ": " + quoted(s) + " is not a whole number");
        return false;
    }
    if (out < lo || out > hi) {
        fail(error, std::string(what) + " must lie in " + std::to_string(lo) + ".." +
                        std::to_string(hi) + ", got " + std::to_string(out));
        return false;
    }
    return true;
}

bool doubleIn(std::string_view s, double lo, double hi, std::string_view what, double& out,
              std::string* error) {
    if (!parseDouble(s, out)) {
        fail(error, std::string(what) + ": " + quoted(s) + " is not a number");
        return false;
    }
    if (out < lo || out > hi) {
        fail(error, std::string(what) + " out of range: " + quoted(s));
        return false;
    }
    return true;
}

constexpr const char* kToneChannels[4] = {"RGB", "Red", "Green", "Blue"};
constexpr const char* kHueRanges[7] = {"Master", "Reds",  "Yellows", "Greens",
                                       "Cyans",  "Blues", "Magentas"};
constexpr const char* kTones[3] = {"shadows", "midtones", "highlights"};

}  // namespace

bool parseLevelsArgs(std::string_view text, LevelsParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {20, 5}, v, error)) return false;
    LevelsParams p;
    const int channels = v.size() == 20 ? 4 : 1;
    for (int c = 0; c < channels; ++c) {
        const std::string ch = kToneChannels[c];
        auto at = [&](int field) { return v[size_t(field * channels + c)]; };
        if (!doubleIn(at(0), 0.1, 9.99, ch + " gamma", p.gamma[c], error) ||
            !intIn(at(1), 0, 255, ch + " input black", p.inBlack[c], error) ||
            !intIn(at(2), 0, 255, ch + " input white", p.inWhite[c], error) ||
            !intIn(at(3), 0, 255, ch + " output black", p.outBlack[c], error) ||
            !intIn(at(4), 0, 255, ch + " output white", p.outWhite[c], error)) {
            return false;
        }
    }
    out = p;
    return true;
}

bool parseCurvesArgs(std::string_view text, CurvesParams& out, std::string* error) {
    const std::vector<std::string_view> lists = split(text, '/');
    if (lists.size() != 1 && lists.size() != 4) {
        fail(error,
             "expected 1 or 4 point lists separated by \"/\", got " + std::to_string(lists.size()));
        return false;
    }
    CurvesParams p;
    for (size_t c = 0; c < lists.size(); ++c) {
        const std::string ch = kToneChannels[c];
        const std::vector<std::string_view> points = split(lists[c], ',');
        if (points.size() < 2 || points.size() > size_t(CurvesParams::kMaxPoints)) {
            fail(error,
                 ch + " curve: expected 2 to 10 points, got " + std::to_string(points.size()));
            return false;
        }
        std::vector<Point> list;
        for (std::string_view pt : points) {
            const size_t colon = pt.find(':');
            if (colon == std::string_view::npos) {
                fail(error, ch + " curve: point " + quoted(pt) + " is not x:y");
                return false;
            }
            Point q;
            if (!intIn(trim(pt.substr(0, colon)), 0, 255, ch + " curve x", q.x, error) ||
                !intIn(trim(pt.substr(colon + 1)), 0, 255, ch + " curve y", q.y, error)) {
                return false;
            }
            if (!list.empty() && q.x <= list.back().x) {
                fail(error, ch + " curve: x must increase from point to point");
                return false;
            }
            list.push_back(q);
        }
        p.points[c] = std::move(list);
    }
    out = std::move(p);
    return true;
}

bool parseBrightnessContrastArgs(std::string_view text, BrightnessContrastParams& out,
                                 std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {2}, v, error)) return false;
    BrightnessContrastParams p;
    if (!intIn(v[0], -100, 100, "brightness", p.brightness, error) ||
        !intIn(v[1], -100, 100, "contrast", p.contrast, error)) {
        return false;
    }
    out = p;
    return true;
}

bool parseColorBalanceArgs(std::string_view text, ColorBalanceParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {10}, v, error)) return false;
    ColorBalanceParams p;
    if (!intIn(v[0], 0, 1, "preserve luminosity", p.preserveLuminosity, error)) return false;
    double* axes[3] = {p.cyanRed, p.magentaGreen, p.yellowBlue};
    const char* names[3] = {"cyan-red", "magenta-green", "yellow-blue"};
    for (int a = 0; a < 3; ++a) {
        for (int t = 0; t < 3; ++t) {
            const std::string what = std::string(names[a]) + " " + kTones[t];
            if (!doubleIn(v[size_t(1 + a * 3 + t)], -100, 100, what, axes[a][t], error)) {
                return false;
            }
        }
    }
    out = p;
    return true;
}

bool parseHueSaturationArgs(std::string_view text, HueSaturationParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {21, 3}, v, error)) return false;
    HueSaturationParams p;
    const int ranges = v.size() == 21 ? 7 : 1;
    for (int k = 0; k < ranges; ++k) {
        const std::string range = kHueRanges[k];
        if (!intIn(v[size_t(k)], -180, 180, range + " hue", p.hue[k], error) ||
            !intIn(v[size_t(ranges + k)], -100, 100, range + " lightness", p.lightness[k], error) ||
            !intIn(v[size_t(2 * ranges + k)], -100, 100, range + " saturation", p.saturation[k],
                   error)) {
            return false;
        }
    }
    out = p;
    return true;
}

bool parseColorizeArgs(std::string_view text, ColorizeParams& out, std::string* error) {
    std::vector<std::string_view> v;
    if (!values(text, {3}, v, error)) return false;
    ColorizeParams p;
    if (!intIn(v[0], 0, 360, "colorize hue", p.hueDegrees, error) ||
        !intIn(v[1], 0, 100, "colorize saturation", p.saturation, error) ||
        !intIn(v[2], -100, 100, "colorize lightness", p.lightness, error)) {
        return false;
    }
    out = p;
    return true;
}

bool parseGaussianBlurArgs(std::string_view text, double& radius, std::string* error) {
    double r = 0;
    if (!doubleIn(trim(text), kBlurRadiusMin, kBlurRadiusMax, "Gaussian Blur radius", r, error))
        return false;
    radius = r;
    return true;
}

const std::vector<FilterOption>& filterOptions() {
    static const std::vector<FilterOption> options = {
        {"--levels", "GAMMAx4,IN_BLACKx4,IN_WHITEx4,OUT_BLACKx4,OUT_WHITEx4",
         "Levels per channel (RGB, Red, Green, Blue): gamma 0.1-9.99, levels 0-255; or 5 values "
         "for RGB alone"},
        {"--auto-levels", "", "Auto Levels: each channel stretched, 0.1% clipped at each end"},
        {"--auto-contrast", "", "Auto Contrast: all channels stretched alike"},
        {"--curves", "X:Y,X:Y,...[/RED/GREEN/BLUE]",
         "Curves: 2-10 points per list (x increasing, 0-255); one list for RGB, or four"},
        {"--brightness-contrast", "BRIGHTNESS,CONTRAST", "Brightness/Contrast: each -100..100"},
        {"--color-balance", "PRESERVE,CRx3,MGx3,YBx3",
         "Color Balance: preserve luminosity 0/1, then cyan-red, magenta-green, yellow-blue for "
         "shadows, midtones, highlights, each -100..100"},
        {"--hue-saturation", "HUEx7,LIGHTNESSx7,SATURATIONx7",
         "Hue/Saturation for Master, Reds, Yellows, Greens, Cyans, Blues, Magentas: hue "
         "-180..180, others -100..100; or 3 values for Master alone"},
        {"--colorize", "HUE,SATURATION,LIGHTNESS",
         "Colorize: hue 0-360 degrees, saturation 0..100, lightness -100..100"},
        {"--desaturate", "", "Desaturate"},
        {"--invert", "", "Invert"},
        {"--blur", "", "Blur: 3x3 (0 1 0 / 1 4 1 / 0 1 0) / 8"},
        {"--blur-more", "", "Blur More: 3x3 (1 2 1 / 2 2 2 / 1 2 1) / 14"},
        {"--sharpen", "", "Sharpen: 3x3 (0 -1 0 / -1 8 -1 / 0 -1 0) / 4"},
        {"--sharpen-more", "", "Sharpen More: 3x3 (-1 -1 -1 / -1 12 -1 / -1 -1 -1) / 4"},
        {"--gaussian-blur", "RADIUS", "Gaussian Blur: radius 0.1-250 (below 1 changes nothing)"},
        {"--last-filter", "", "Last Filter: repeat the last blur or sharpen filter of this run"},
    };
    return options;
}

std::string filterOptionsHelp() {
    std::string text;
    for (const FilterOption& o : filterOptions()) {
        text += "  ";
        text += o.flag;
        if (!o.argument.empty()) {
            text += ' ';
            text += o.argument;
        }
        text += "\n      ";
        text += o.description;
        text += '\n';
    }
    return text;
}

const FilterOption* findFilterOption(std::string_view flag) {
    for (const FilterOption& o : filterOptions()) {
        if (o.flag == flag) return &o;
    }
    return nullptr;
}

bool parseFilterStep(std::string_view flag, std::string_view argument, FilterStep& step,
                     std::string* error) {
    FilterStep s;
    bool ok = true;
    std::string why;
    if (flag == "--levels") {
        s.kind = FilterStepKind::kLevels;
        ok = parseLevelsArgs(argument, s.levels, &why);
    } else if (flag == "--auto-levels") {
        s.kind = FilterStepKind::kAutoLevels;
    } else if (flag == "--auto-contrast") {
        s.kind = FilterStepKind::kAutoContrast;
    } else if (flag == "--curves") {
        s.kind = FilterStepKind::kCurves;
        ok = parseCurvesArgs(argument, s.curves, &why);
    } else if (flag == "--brightness-contrast") {
        s.kind = FilterStepKind::kBrightnessContrast;
        ok = parseBrightnessContrastArgs(argument, s.brightnessContrast, &why);
    } else if (flag == "--color-balance") {
        s.kind = FilterStepKind::kColorBalance;
        ok = parseColorBalanceArgs(argument, s.colorBalance, &why);
    } else if (flag == "--hue-saturation") {
        s.kind = FilterStepKind::kHueSaturation;
        ok = parseHueSaturationArgs(argument, s.hueSaturation, &why);
    } else if (flag == "--colorize") {
        s.kind = FilterStepKind::kColorize;
        ok = parseColorizeArgs(argument, s.colorize, &why);
    } else if (flag == "--desaturate") {
        s.kind = FilterStepKind::kDesaturate;
    } else if (flag == "--invert") {
        s.kind = FilterStepKind::kInvert;
    } else if (flag == "--last-filter") {
        s.kind = FilterStepKind::kLastFilter;
    } else if (flag == "--blur") {
        s.kind = FilterStepKind::kBlur;
    } else if (flag == "--blur-more") {
        s.kind = FilterStepKind::kBlurMore;
    } else if (flag == "--sharpen") {
        s.kind = FilterStepKind::kSharpen;
    } else if (flag == "--sharpen-more") {
        s.kind = FilterStepKind::kSharpenMore;
    } else if (flag == "--gaussian-blur") {
        s.kind = FilterStepKind::kGaussianBlur;
        ok = parseGaussianBlurArgs(argument, s.gaussianRadius, &why);
    } else {
        fail(error, "unknown filter option " + quoted(flag));
        return false;
    }
    if (!ok) {
        fail(error, std::string(flag) + ": " + why);
        return false;
    }
    step = std::move(s);
    return true;
}

std::unique_ptr<Filter> makeFilter(const FilterStep& step) {
    switch (step.kind) {
        case FilterStepKind::kLevels:
            return std::make_unique<LevelsFilter>(step.levels);
        case FilterStepKind::kCurves:
            return std::make_unique<CurvesFilter>(step.curves);
        case FilterStepKind::kBrightnessContrast:
            return std::make_unique<BrightnessContrastFilter>(step.brightnessContrast);
        case FilterStepKind::kColorBalance:
            return std::make_unique<ColorBalanceFilter>(step.colorBalance);
        case FilterStepKind::kHueSaturation:
            return std::make_unique<HueSaturationFilter>(step.hueSaturation);
        case FilterStepKind::kColorize:
            return std::make_unique<ColorizeFilter>(step.colorize);
        case FilterStepKind::kDesaturate:
            return std::make_unique<DesaturateFilter>();
        case FilterStepKind::kInvert:
            return std::make_unique<InvertFilter>();
        case FilterStepKind::kBlur:
            return std::make_unique<BlurFilter>();
        case FilterStepKind::kBlurMore:
            return std::make_unique<BlurMoreFilter>();
        case FilterStepKind::kSharpen:
            return std::make_unique<SharpenFilter>();
        case FilterStepKind::kSharpenMore:
            return std::make_unique<SharpenMoreFilter>();
        case FilterStepKind::kGaussianBlur:
            return std::make_unique<GaussianBlurFilter>(step.gaussianRadius);
        case FilterStepKind::kAutoLevels:
        case FilterStepKind::kAutoContrast:
        case FilterStepKind::kLastFilter:
            return nullptr;
    }
    return nullptr;
}

int runFilterStep(const FilterTarget& target, const FilterStep& step) {
    switch (step.kind) {
        case FilterStepKind::kAutoLevels:
            return runAutoLevels(target);
        case FilterStepKind::kAutoContrast:
            return runAutoContrast(target);
        case FilterStepKind::kLastFilter:
            return runLastFilter(target);
        default:
            return runFilterCommand(target, makeFilter(step));
    }
}

}  // namespace varnel
