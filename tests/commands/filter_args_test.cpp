// Filter commands given as command-line text: the records they fill, the malformed and
// out-of-range arguments they refuse, and running a parsed command on a document.
#include <gtest/gtest.h>

#include "../filters/filter_fixtures.h"
#include "commands/catalogue.h"
#include "commands/command_text.h"
#include "filters/filter_action.h"
#include "filters/last_filter.h"
#include "history/history.h"

namespace varnel {
namespace {

using testing::documentWith;
using testing::noiseImage;
using testing::pixelAt;

TEST(FilterArgs, LevelsInRecordOrder) {
    LevelsParams p;
    ASSERT_TRUE(parseLevelsArgs("1,2,1,1, 0,10,0,0, 255,255,200,255, 0,0,0,5, 255,255,255,250", p));
    EXPECT_EQ(p.gamma[1], 2);
    EXPECT_EQ(p.inBlack[1], 10);
    EXPECT_EQ(p.inWhite[2], 200);
    EXPECT_EQ(p.outBlack[3], 5);
    EXPECT_EQ(p.outWhite[3], 250);

    LevelsParams q;
    ASSERT_TRUE(parseLevelsArgs("0.5,16,240,0,255", q));  // the composite alone
    EXPECT_EQ(q.gamma[0], 0.5);
    EXPECT_EQ(q.inBlack[0], 16);
    EXPECT_EQ(q.inWhite[0], 240);
    EXPECT_EQ(q.gamma[1], 1);
    EXPECT_EQ(q.inWhite[3], 255);
}

TEST(FilterArgs, CurvesListsAndPoints) {
    CurvesParams p;
    ASSERT_TRUE(parseCurvesArgs("0:0, 128:160, 255:255", p));
    ASSERT_EQ(p.points[0].size(), 3u);
    EXPECT_EQ(p.points[0][1], (Point{128, 160}));
    EXPECT_EQ(p.points[1].size(), 2u) << "the other channels keep the identity";

    ASSERT_TRUE(parseCurvesArgs("0:0,255:255/0:20,255:255/0:0,200:255/0:0,255:230", p));
    EXPECT_EQ(p.points[1][0], (Point{0, 20}));
    EXPECT_EQ(p.points[3][1], (Point{255, 230}));
}

TEST(FilterArgs, ColourRecords) {
    ColorBalanceParams cb;
    ASSERT_TRUE(parseColorBalanceArgs("0,1,2,3,-4,-5,-6,7.5,8,100", cb));
    EXPECT_EQ(cb.preserveLuminosity, 0);
    EXPECT_EQ(cb.cyanRed[2], 3);
    EXPECT_EQ(cb.magentaGreen[0], -4);
    EXPECT_EQ(cb.yellowBlue[0], 7.5);
    EXPECT_EQ(cb.yellowBlue[2], 100);

    HueSaturationParams hs;
    ASSERT_TRUE(parseHueSaturationArgs("180,10,20", hs));  // Master: hue, lightness, saturation
    EXPECT_EQ(hs.hue[0], 180);
    EXPECT_EQ(hs.lightness[0], 10);
    EXPECT_EQ(hs.saturation[0], 20);
    ASSERT_TRUE(parseHueSaturationArgs("0,1,2,3,4,5,6, 0,0,0,0,0,0,-7, 0,0,0,0,0,50,0", hs));
    EXPECT_EQ(hs.hue[6], 6);
    EXPECT_EQ(hs.lightness[6], -7);
    EXPECT_EQ(hs.saturation[5], 50);

    ColorizeParams cz;
    ASSERT_TRUE(parseColorizeArgs("200,40,-10", cz));
    EXPECT_EQ(cz.hueDegrees, 200);
    EXPECT_EQ(cz.saturation, 40);
    EXPECT_EQ(cz.lightness, -10);

    BrightnessContrastParams bc;
    ASSERT_TRUE(parseBrightnessContrastArgs("+15,-100", bc));
    EXPECT_EQ(bc.brightness, 15);
    EXPECT_EQ(bc.contrast, -100);
}

TEST(FilterArgs, RefusedArguments) {
    struct Case {
        const char* flag;
        const char* argument;
        const char* inMessage;
    } cases[] = {
        {"--levels", "1,0,255,0", "expected 20 or 5"},
        {"--levels", "0.05,0,255,0,255", "gamma"},
        {"--levels", "1,0,256,0,255", "0..255"},
        {"--levels", "1,0,2x5,0,255", "not a whole number"},
        {"--levels", "nan,0,255,0,255", "not a number"},
        {"--levels", "", "expected 20 or 5"},
        {"--curves", "0:0", "2 to 10 points"},
        {"--curves", "0:0,255:255/0:0,255:255", "1 or 4 point lists"},
        {"--curves", "0:0,128,255:255", "is not x:y"},
        {"--curves", "0:0,100:50,100:80", "x must increase"},
        {"--curves", "0:0,300:255", "0..255"},
        {"--curves", "0:0,1:1,2:2,3:3,4:4,5:5,6:6,7:7,8:8,9:9,10:10", "2 to 10 points"},
        {"--brightness-contrast", "0", "expected 2"},
        {"--brightness-contrast", "101,0", "brightness"},
        {"--color-balance", "2,0,0,0,0,0,0,0,0,0", "preserve luminosity"},
        {"--color-balance", "1,0,0,0,0,0,0,0,0,100.5", "yellow-blue highlights"},
        {"--hue-saturation", "181,0,0", "Master hue"},
        {"--hue-saturation", "0,0,0,0", "expected 21 or 3"},
        {"--colorize", "361,25,0", "colorize hue"},
        {"--colorize", "0,25,0,1", "expected 3"},
        {"--sharpen-more-please", "", "unknown filter option"},
    };
    for (const Case& c : cases) {
        const DocumentCommand* command = findCommandOption(c.flag);
        if (std::string_view(c.inMessage) == "unknown filter option") {
            EXPECT_EQ(command, nullptr) << c.flag;
            continue;
        }
        ASSERT_NE(command, nullptr) << c.flag;
        CommandParams params = NoParams{};
        std::string error;
        EXPECT_FALSE(command->parse(c.argument, params, error)) << c.flag << " " << c.argument;
        EXPECT_NE(error.find(c.inMessage), std::string::npos)
            << c.flag << " " << c.argument << ": " << error;
        EXPECT_TRUE(std::any_cast<NoParams>(&params)) << "a failed parse leaves the record";
    }
}

TEST(FilterArgs, EveryOptionIsListedAndParses) {
    const char* flags[] = {"--levels",
                           "--auto-levels",
                           "--auto-contrast",
                           "--curves",
                           "--brightness-contrast",
                           "--color-balance",
                           "--hue-saturation",
                           "--colorize",
                           "--desaturate",
                           "--invert",
                           "--blur",
                           "--blur-more",
                           "--sharpen",
                           "--sharpen-more",
                           "--gaussian-blur",
                           "--last-filter"};
    for (const char* flag : flags) {
        const DocumentCommand* option = findCommandOption(flag);
        ASSERT_NE(option, nullptr) << flag;
        EXPECT_FALSE(option->help.empty()) << flag;
        const char* sample = "";
        if (option->syntax.empty()) {
            sample = "";
        } else if (std::string_view(flag) == "--levels") {
            sample = "1.2,0,255,0,255";
        } else if (std::string_view(flag) == "--curves") {
            sample = "0:0,255:200";
        } else if (std::string_view(flag) == "--brightness-contrast") {
            sample = "10,10";
        } else if (std::string_view(flag) == "--color-balance") {
            sample = "1,0,10,0,0,0,0,0,0,0";
        } else if (std::string_view(flag) == "--gaussian-blur") {
            sample = "4.5";
        } else {
            sample = "30,20,10";
        }
        std::string error;
        EXPECT_TRUE(option->parsed(sample, &error)) << flag << ": " << error;
    }
}

TEST(FilterArgs, RunningStepsOnADocument) {
    clearLastFilter();
    auto original = noiseImage(6, 4, 21);
    auto doc = documentWith(*original);
    History history(10);
    Selection selection(doc->size());
    CommandContext context;
    auto run = [&](const char* option, const char* text) {
        const DocumentCommand* command = findCommandOption(option);
        EXPECT_NE(command, nullptr) << option;
        if (!command) return 0;
        auto params = command->parsed(text);
        EXPECT_TRUE(params) << option;
        if (!params) return 0;
        context.lastFilter = lastFilter();
        MadeAction made = command->makeAction(*doc, selection, *params, context);
        return made.action ? history.perform(std::move(made.action)) : 0;
    };
    ASSERT_EQ(run("--invert", ""), 1);
    ASSERT_EQ(run("--brightness-contrast", "0,-100"), 1);
    ASSERT_EQ(run("--auto-contrast", ""), 1);
    EXPECT_EQ(run("--last-filter", ""), 0) << "no area filter ran in this process";
    EXPECT_EQ(history.count(), 3);
    EXPECT_EQ(history.stateAt(1)->name(), "Brightness/Contrast");
    EXPECT_EQ(pixelAt(doc->layers().rasterAt(0)->pixels(), 2, 2), (Bgr{128, 128, 128}));
}

}  // namespace
}  // namespace varnel
