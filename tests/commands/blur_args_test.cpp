#include <gtest/gtest.h>

#include <string>

#include "../filters/filter_fixtures.h"
#include "commands/catalogue.h"
#include "document/selection.h"
#include "filters/filter_action.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/kernel_filter.h"
#include "filters/last_filter.h"
#include "history/history.h"

namespace varnel {
namespace {

// The filter a command builds from its text, through the action it makes for a document.
const Filter* filterOf(const MadeAction& made) {
    auto* action = dynamic_cast<const FilterAction*>(made.action.get());
    return action ? action->filter() : nullptr;
}

TEST(BlurArgs, StepsParseIntoTheirFilters) {
    struct Case {
        const char* flag;
        const char* argument;
        const char* name;
    } cases[] = {
        {"--blur", "", "Blur"},
        {"--blur-more", "", "Blur More"},
        {"--sharpen", "", "Sharpen"},
        {"--sharpen-more", "", "Sharpen More"},
        {"--gaussian-blur", "2.5", "Gaussian Blur"},
        {"--gaussian-blur", " 250 ", "Gaussian Blur"},
    };
    auto original = testing::noiseImage(4, 4, 9);
    auto doc = testing::documentWith(*original);
    Selection selection(doc->size());
    for (const Case& c : cases) {
        const DocumentCommand* command = findCommandOption(c.flag);
        ASSERT_NE(command, nullptr) << c.flag;
        std::string error;
        auto params = command->parsed(c.argument, &error);
        ASSERT_TRUE(params) << c.flag << " " << error;
        EXPECT_EQ(command->name, c.name);
        MadeAction made = command->makeAction(*doc, selection, *params, CommandContext{});
        const Filter* filter = filterOf(made);
        ASSERT_NE(filter, nullptr) << c.flag << " " << made.failure;
        EXPECT_EQ(filter->name(), c.name);
        EXPECT_TRUE(filter->isAreaFilter());
    }
    const DocumentCommand* gaussian = findCommandOption("--gaussian-blur");
    MadeAction made =
        gaussian->makeAction(*doc, selection, *gaussian->parsed("12.75"), CommandContext{});
    EXPECT_DOUBLE_EQ(dynamic_cast<const GaussianBlurFilter&>(*filterOf(made)).radius(), 12.75);
    EXPECT_EQ(gaussian->syntax, "RADIUS");
}

TEST(BlurArgs, GaussianRadiusOutsideTheDialogsRangeIsRefused) {
    const DocumentCommand* gaussian = findCommandOption("--gaussian-blur");
    ASSERT_NE(gaussian, nullptr);
    for (const char* bad : {"", "0", "0.05", "250.5", "-3", "abc", "2,3", "nan", "inf"}) {
        CommandParams params = NoParams{};
        std::string error;
        EXPECT_FALSE(gaussian->parse(bad, params, error)) << bad;
        EXPECT_NE(error.find("--gaussian-blur"), std::string::npos) << error;
        EXPECT_TRUE(std::any_cast<NoParams>(&params));  // untouched
    }
}

TEST(BlurArgs, ABlurStepBecomesTheLastFilter) {
    clearLastFilter();
    auto original = testing::noiseImage(7, 5, 4);
    auto doc = testing::documentWith(*original);
    History history(10);
    Selection selection(doc->size());
    auto run = [&](const char* option) {
        const DocumentCommand* command = findCommandOption(option);
        CommandContext context;
        context.lastFilter = lastFilter();
        MadeAction made = command->makeAction(*doc, selection, *command->parsed(""), context);
        return made.action ? history.perform(std::move(made.action)) : 0;
    };
    ASSERT_EQ(run("--sharpen"), 1);
    ASSERT_EQ(run("--last-filter"), 1);
    // Twice Sharpen, as applying it twice by hand gives.
    SharpenFilter sharpen;
    sharpen.setInternal(true);
    ASSERT_EQ(sharpen.apply(*original), 1);
    ASSERT_EQ(sharpen.apply(*original), 1);
    EXPECT_TRUE(testing::samePixels(doc->layers().rasterAt(0)->pixels(), *original));
    clearLastFilter();
}

}  // namespace
}  // namespace varnel
