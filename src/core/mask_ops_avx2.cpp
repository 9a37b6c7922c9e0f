// The disc filter's byte loops compiled for AVX2. The standard and shared headers are included
// before the target switch, so that nothing with external linkage is compiled for AVX2 here.
#include <cstddef>
#include <cstdint>

#include "core/morphology_dispatch.h"

#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("avx2")
#include "core/morphology_kernels.h"
#pragma GCC pop_options

namespace varnel::morphology_kernels {

const MorphologyKernels& avx2() {
    static const MorphologyKernels k = kernels();
    return k;
}

}  // namespace varnel::morphology_kernels
#else
namespace varnel::morphology_kernels {
const MorphologyKernels& avx2() {
    return baseline();
}
}  // namespace varnel::morphology_kernels
#endif
