// The compiled variants of the row loops and the choice between them (made once, at first use,
// from platform::cpuFeatures(): what the processor supports, limited by VARNEL_CPU; tests switch
// explicitly to cover every variant).
#pragma once

#include <cstdint>

#include "core/color.h"

namespace varnel::row_kernels {

struct RowKernels {
    void (*blendRow)(Bgr*, uint8_t*, const Bgr*, const uint8_t*, uint8_t, int, int);
    void (*startRow)(Bgr*, uint8_t*, const Bgr*, const uint8_t*, uint8_t, int);
    void (*multiplyAlphaRow)(uint8_t*, const uint8_t*, int);
};

const RowKernels& baseline();
// Only valid where the processor has AVX2.
const RowKernels& avx2();

enum class CodePath { Best, Baseline, Avx2 };
// Routes blendRow, startRow and multiplyAlphaRow through `path`; false (nothing changed) when the
// processor cannot run it or VARNEL_CPU rules it out.
bool use(CodePath path);

}  // namespace varnel::row_kernels
