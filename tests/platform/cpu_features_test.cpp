#include "platform/cpu_features.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace varnel::platform {
namespace {

TEST(CpuFeatures, SettingOnlyTakesExtensionsAway) {
    const CpuFeatures all{true, true, true}, none{}, avx2Only{true, true, false};
    struct Case {
        const char* value;
        CpuFeatures processor, expected;
        bool problem;
    } cases[] = {
        {nullptr, all, all, false},
        {"", all, all, false},
        {"native", all, all, false},
        {"NATIVE", avx2Only, avx2Only, false},
        {"baseline", all, none, false},
        {"Baseline", avx2Only, none, false},
        {"avx2", all, avx2Only, false},
        // Asking for more than the processor has gives no more.
        {"avx2", none, none, false},
        {"avx2", CpuFeatures{true, false, false}, CpuFeatures{true, false, false}, false},
        // A value it does not know changes nothing and says so.
        {"basline", all, all, true},
        {"avx512", avx2Only, avx2Only, true},
        {" baseline", all, all, true},
    };
    for (const Case& c : cases) {
        const std::string name = c.value ? c.value : "(unset)";
        std::string problem;
        EXPECT_EQ(limitCpuFeatures(c.processor, c.value, &problem), c.expected) << name;
        EXPECT_EQ(!problem.empty(), c.problem) << name << ": " << problem;
        if (c.problem) {
            EXPECT_NE(problem.find(c.value), std::string::npos) << problem;
        }
    }
}

// The ctest runs under VARNEL_CPU=baseline rely on the setting reaching every dispatch.
TEST(CpuFeatures, ProcessFeaturesComeFromTheEnvironment) {
    const char* value = std::getenv("VARNEL_CPU");
    EXPECT_EQ(cpuFeatures(), limitCpuFeatures(processorCpuFeatures(), value, nullptr));
    if (value && std::string(value) == "baseline") {
        EXPECT_EQ(cpuFeatures(), CpuFeatures{});
    }
}

}  // namespace
}  // namespace varnel::platform
