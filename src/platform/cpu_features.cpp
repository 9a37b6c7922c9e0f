#include "platform/cpu_features.h"

#include <strings.h>
#include <cstdio>
#include <cstdlib>

namespace varnel::platform {

CpuFeatures processorCpuFeatures() {
    CpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
    f.ssse3 = __builtin_cpu_supports("ssse3");
    f.avx2 = __builtin_cpu_supports("avx2");
    f.avx512 = f.avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi");
#endif
    return f;
}

CpuFeatures limitCpuFeatures(const CpuFeatures& features, const char* value, std::string* problem) {
    if (!value || !*value || strcasecmp(value, "native") == 0) return features;
    if (strcasecmp(value, "baseline") == 0) return CpuFeatures{};
    if (strcasecmp(value, "avx2") == 0) {
        CpuFeatures limited = features;
        limited.avx512 = false;
        return limited;
    }
    if (problem) {
        *problem = std::string("VARNEL_CPU=") + value +
                   " is not one of baseline, avx2 or native; using what the processor has";
    }
    return features;
}

const CpuFeatures& cpuFeatures() {
    static const CpuFeatures features = [] {
        std::string problem;
        const CpuFeatures f =
            limitCpuFeatures(processorCpuFeatures(), std::getenv("VARNEL_CPU"), &problem);
        if (!problem.empty()) std::fprintf(stderr, "varnel: %s\n", problem.c_str());
        return f;
    }();
    return features;
}

}  // namespace varnel::platform
