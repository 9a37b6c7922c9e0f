#include <gtest/gtest.h>

#include <string>

#include "document/selection.h"
#include "filter_fixtures.h"
#include "filters/filter_args.h"
#include "filters/gaussian_blur_filter.h"
#include "filters/kernel_filter.h"
#include "filters/last_filter.h"
#include "history/history.h"

namespace varnel {
namespace {

TEST(BlurArgs, StepsParseIntoTheirFilters) {
    struct Case {
        const char* flag;
        const char* argument;
        FilterStepKind kind;
        const char* name;
    } cases[] = {
        {"--blur", "", FilterStepKind::kBlur, "Blur"},
        {"--blur-more", "", FilterStepKind::kBlurMore, "Blur More"},
        {"--sharpen", "", FilterStepKind::kSharpen, "Sharpen"},
        {"--sharpen-more", "", FilterStepKind::kSharpenMore, "Sharpen More"},
        {"--gaussian-blur", "2.5", FilterStepKind::kGaussianBlur, "Gaussian Blur"},
        {"--gaussian-blur", " 250 ", FilterStepKind::kGaussianBlur, "Gaussian Blur"},
    };
    for (const Case& c : cases) {
        ASSERT_NE(findFilterOption(c.flag), nullptr) << c.flag;
        FilterStep step;
        std::string error;
        ASSERT_TRUE(parseFilterStep(c.flag, c.argument, step, &error)) << c.flag << " " << error;
        EXPECT_EQ(step.kind, c.kind);
        auto filter = makeFilter(step);
        ASSERT_NE(filter, nullptr);
        EXPECT_EQ(filter->name(), c.name);
        EXPECT_TRUE(filter->isAreaFilter());
    }
    FilterStep step;
    ASSERT_TRUE(parseFilterStep("--gaussian-blur", "12.75", step));
    EXPECT_DOUBLE_EQ(dynamic_cast<GaussianBlurFilter&>(*makeFilter(step)).radius(), 12.75);
    EXPECT_NE(filterOptionsHelp().find("--gaussian-blur RADIUS"), std::string::npos);
}

TEST(BlurArgs, GaussianRadiusOutsideTheDialogsRangeIsRefused) {
    for (const char* bad : {"", "0", "0.05", "250.5", "-3", "abc", "2,3", "nan", "inf"}) {
        FilterStep step;
        step.kind = FilterStepKind::kInvert;
        std::string error;
        EXPECT_FALSE(parseFilterStep("--gaussian-blur", bad, step, &error)) << bad;
        EXPECT_NE(error.find("--gaussian-blur"), std::string::npos) << error;
        EXPECT_EQ(step.kind, FilterStepKind::kInvert);  // untouched
    }
}

TEST(BlurArgs, ABlurStepBecomesTheLastFilter) {
    clearLastFilter();
    auto original = testing::noiseImage(7, 5, 4);
    auto doc = testing::documentWith(*original);
    History history(10);
    Selection selection(doc->size());
    const FilterTarget target{&history, doc.get(), &selection};
    FilterStep step;
    ASSERT_TRUE(parseFilterStep("--sharpen", "", step));
    ASSERT_EQ(runFilterStep(target, step), 1);
    ASSERT_TRUE(parseFilterStep("--last-filter", "", step));
    ASSERT_EQ(runFilterStep(target, step), 1);
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
