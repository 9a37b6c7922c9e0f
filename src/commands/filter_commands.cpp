// The Adjust and Filter menus: each command applies its filter to the active layer through the
// selection in one FilterAction.
#include "commands/catalogue.h"
#include "commands/command_text.h"
#include "document/layer_stack.h"
#include "filters/color_adjustments.h"
#include "filters/filter_action.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/histogram.h"
#include "filters/kernel_filter.h"
#include "filters/tone_adjustments.h"

namespace varnel {

namespace {

constexpr const char* kCannotFilter =
    "the filter cannot work on the active layer (it must be a visible layer with pixels)";

bool filterEnabled(const Document& document, const Selection& selection, const CommandContext&) {
    return canTakeFilter(document, selection.area());
}

// A `neutral` action is one whose values change nothing: its executions leave the layer exactly as
// it is, even where the filter's own identity would round (the HSL round trip of Hue/Saturation).
MadeAction filterAction(Document& document, Selection& selection, std::unique_ptr<Filter> filter,
                        bool neutral = false) {
    if (!filter || !canTakeFilter(document, selection.area())) return {nullptr, kCannotFilter};
    return guarded([&] {
        auto action = std::make_unique<FilterAction>(&document, &selection, std::move(filter));
        action->setNeutral(neutral);
        return action;
    });
}

// Whether an adjustment's values change nothing (as its dialog opens, or after Reset).
bool isNeutral(const LevelsParams& p) {
    return p.isNeutral();
}
bool isNeutral(const CurvesParams&) {
    return false;
}
bool isNeutral(const BrightnessContrastParams& p) {
    return p.brightness == 0 && p.contrast == 0;
}
bool isNeutral(const ColorBalanceParams& p) {
    return p.isNeutral();
}
bool isNeutral(const HueSaturationParams& p) {
    return p.isNeutral();
}
bool isNeutral(const ColorizeParams&) {
    return false;
}

DocumentCommand base(int id, const char* name, const char* option, const char* syntax,
                     const char* help, std::vector<EditorEntry> entries) {
    DocumentCommand c;
    c.id = id;
    c.name = name;
    c.option = option;
    c.syntax = syntax;
    c.help = help;
    c.entries = std::move(entries);
    c.isEnabled = filterEnabled;
    c.refused = kCannotFilter;
    return c;
}

// A filter that takes no parameters, run directly from its menu item.
template <typename F>
DocumentCommand plain(int id, const char* name, const char* option, const char* help) {
    DocumentCommand c = base(id, name, option, "", help, {{id, ""}});
    setWithoutParams(c, [](Document& document, Selection& selection, const CommandContext&) {
        return filterAction(document, selection, std::make_unique<F>());
    });
    return c;
}

// An adjustment whose parameters come from its dialog. A refused text names the option first.
template <typename P, typename F>
DocumentCommand adjustment(int id, const char* name, const char* option, const char* syntax,
                           const char* help, bool (*parse)(std::string_view, P&, std::string*),
                           std::string (*format)(const P&)) {
    DocumentCommand c = base(id, name, option, syntax, help, {{id, std::nullopt}});
    const std::string flag = option;
    setTyped<P>(c,
                {[parse, flag](std::string_view text, P& p, std::string& error) {
                     std::string why;
                     if (parse(text, p, &why)) return true;
                     error = flag + ": " + why;
                     return false;
                 },
                 format,
                 [](Document& document, Selection& selection, const P& p, const CommandContext&) {
                     return filterAction(document, selection, std::make_unique<F>(p), isNeutral(p));
                 }});
    return c;
}

// Auto Levels and Auto Contrast: the filter is built from the histogram of the active layer
// within the selection.
template <typename F>
DocumentCommand automatic(int id, const char* name, const char* option, const char* help) {
    DocumentCommand c = base(id, name, option, "", help, {{id, ""}});
    setWithoutParams(c, [](Document& document, Selection& selection, const CommandContext&) {
        if (!canTakeFilter(document, selection.area())) return MadeAction{nullptr, kCannotFilter};
        const RasterLayer* layer = document.layers().rasterAt(document.layers().activeIndex());
        Histogram histogram;
        if (!layer || !histogram.count(*layer, selection.area()))
            return MadeAction{nullptr, kCannotFilter};
        return filterAction(document, selection, std::make_unique<F>(histogram));
    });
    return c;
}

}  // namespace

void addFilterCommands(std::vector<DocumentCommand>& out) {
    out.push_back(adjustment<LevelsParams, LevelsFilter>(
        kCmdLevels, "Levels", "--levels", "GAMMAx4,IN_BLACKx4,IN_WHITEx4,OUT_BLACKx4,OUT_WHITEx4",
        "Levels per channel (RGB, Red, Green, Blue): gamma 0.1-9.99, levels 0-255; or 5 values "
        "for RGB alone",
        parseLevelsArgs, formatLevelsArgs));
    out.push_back(automatic<AutoLevelsFilter>(
        kCmdAutoLevels, "Auto Levels", "--auto-levels",
        "Auto Levels: each channel stretched, 0.1% clipped at each end"));
    out.push_back(automatic<AutoContrastFilter>(kCmdAutoContrast, "Auto Contrast",
                                                "--auto-contrast",
                                                "Auto Contrast: all channels stretched alike"));
    out.push_back(adjustment<CurvesParams, CurvesFilter>(
        kCmdCurves, "Curves", "--curves", "X:Y,X:Y,...[/RED/GREEN/BLUE]",
        "Curves: 2-10 points per list (x increasing, 0-255); one list for RGB, or four",
        parseCurvesArgs, formatCurvesArgs));
    out.push_back(adjustment<BrightnessContrastParams, BrightnessContrastFilter>(
        kCmdBrightnessContrast, "Brightness/Contrast", "--brightness-contrast",
        "BRIGHTNESS,CONTRAST", "Brightness/Contrast: each -100..100", parseBrightnessContrastArgs,
        formatBrightnessContrastArgs));
    out.push_back(adjustment<ColorBalanceParams, ColorBalanceFilter>(
        kCmdColorBalance, "Color Balance", "--color-balance", "PRESERVE,CRx3,MGx3,YBx3",
        "Color Balance: preserve luminosity 0/1, then cyan-red, magenta-green, yellow-blue for "
        "shadows, midtones, highlights, each -100..100",
        parseColorBalanceArgs, formatColorBalanceArgs));
    DocumentCommand hueSaturation = adjustment<HueSaturationParams, HueSaturationFilter>(
        kCmdHueSaturation, "Hue/Saturation", "--hue-saturation", "HUEx7,LIGHTNESSx7,SATURATIONx7",
        "Hue/Saturation for Master, Reds, Yellows, Greens, Cyans, Blues, Magentas: hue "
        "-180..180, others -100..100; or 3 values for Master alone",
        parseHueSaturationArgs, formatHueSaturationArgs);
    // The dialog's Colorize mode hands over Colorize's record: the menu item then colorizes.
    hueSaturation.makeAction = [make = hueSaturation.makeAction](
                                   Document& document, Selection& selection,
                                   const CommandParams& params, const CommandContext& context) {
        if (const auto* colorize = std::any_cast<ColorizeParams>(&params))
            return filterAction(document, selection, std::make_unique<ColorizeFilter>(*colorize));
        return make(document, selection, params, context);
    };
    out.push_back(std::move(hueSaturation));
    // Colorize is the Hue/Saturation dialog's other mode: it has no menu item of its own.
    DocumentCommand colorize = adjustment<ColorizeParams, ColorizeFilter>(
        kCmdColorize, "Colorize", "--colorize", "HUE,SATURATION,LIGHTNESS",
        "Colorize: hue 0-360 degrees, saturation 0..100, lightness -100..100", parseColorizeArgs,
        formatColorizeArgs);
    colorize.entries.clear();
    out.push_back(std::move(colorize));
    out.push_back(
        plain<DesaturateFilter>(kCmdDesaturate, "Desaturate", "--desaturate", "Desaturate"));
    out.push_back(plain<InvertFilter>(kCmdInvert, "Invert", "--invert", "Invert"));
    out.push_back(
        plain<BlurFilter>(kCmdBlur, "Blur", "--blur", "Blur: 3x3 (0 1 0 / 1 4 1 / 0 1 0) / 8"));
    out.push_back(plain<BlurMoreFilter>(kCmdBlurMore, "Blur More", "--blur-more",
                                        "Blur More: 3x3 (1 2 1 / 2 2 2 / 1 2 1) / 14"));
    out.push_back(plain<SharpenFilter>(kCmdSharpen, "Sharpen", "--sharpen",
                                       "Sharpen: 3x3 (0 -1 0 / -1 8 -1 / 0 -1 0) / 4"));
    out.push_back(
        plain<SharpenMoreFilter>(kCmdSharpenMore, "Sharpen More", "--sharpen-more",
                                 "Sharpen More: 3x3 (-1 -1 -1 / -1 12 -1 / -1 -1 -1) / 4"));

    DocumentCommand gaussian = base(kCmdGaussianBlur, "Gaussian Blur", "--gaussian-blur", "RADIUS",
                                    "Gaussian Blur: radius 0.1-250 (below 1 changes nothing)",
                                    {{kCmdGaussianBlur, std::nullopt}});
    setTyped<GaussianBlurParams>(
        gaussian, {[](std::string_view text, GaussianBlurParams& p, std::string& error) {
                       std::string why;
                       if (parseGaussianBlurArgs(text, p.radius, &why)) return true;
                       error = "--gaussian-blur: " + why;
                       return false;
                   },
                   [](const GaussianBlurParams& p) { return formatDecimal(p.radius); },
                   [](Document& document, Selection& selection, const GaussianBlurParams& p,
                      const CommandContext&) {
                       return filterAction(document, selection,
                                           std::make_unique<GaussianBlurFilter>(p.radius));
                   }});
    out.push_back(std::move(gaussian));

    // Last Filter repeats the filter the context names (a clone of it).
    DocumentCommand last = base(kCmdLastFilter, "Last Filter", "--last-filter", "",
                                "Last Filter: repeat the last blur or sharpen filter of this run",
                                {{kCmdLastFilter, ""}});
    constexpr const char* kNoneYet = "no filter has been applied yet";
    last.isEnabled = [](const Document& document, const Selection& selection,
                        const CommandContext& context) {
        return context.lastFilter && canTakeFilter(document, selection.area());
    };
    last.refused = kNoneYet;
    setWithoutParams(
        last, [kNoneYet](Document& document, Selection& selection, const CommandContext& context) {
            if (!context.lastFilter) return MadeAction{nullptr, kNoneYet};
            MadeAction made = filterAction(document, selection, context.lastFilter->clone());
            if (!made.action) made.failure = kNoneYet;
            return made;
        });
    out.push_back(std::move(last));
}

}  // namespace varnel
