// The row loops compiled for AVX2. The standard and shared headers are included before the
// target switch, so that nothing with external linkage is compiled for AVX2 here; the loops
// themselves have internal linkage (see blend_kernels.h). As in the baseline variant, trapping
// semantics are off for the loops (they divide only by non-zero values).
#include <cstdint>
#include <cstring>
#include <utility>

#include "core/blend_detail.h"
#include "core/blend_rows_dispatch.h"
#include "core/color.h"

#if defined(__x86_64__) || defined(__i386__)
#pragma GCC push_options
#pragma GCC target("avx2")
#pragma GCC optimize("no-trapping-math")
#include "core/blend_kernels.h"
#pragma GCC pop_options

namespace varnel::row_kernels {

const RowKernels& avx2() {
    static const RowKernels k{&blend_kernels::blendRow, &blend_kernels::startRow,
                              &blend_kernels::multiplyAlphaRow};
    return k;
}

}  // namespace varnel::row_kernels
#else
namespace varnel::row_kernels {
const RowKernels& avx2() {
    return baseline();
}
}  // namespace varnel::row_kernels
#endif
