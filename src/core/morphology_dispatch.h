// The compiled variants of the disc filter's byte loops and the choice between them (made once,
// at first use, from platform::cpuFeatures(): what the processor supports, limited by VARNEL_CPU;
// tests switch explicitly to cover each variant).
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnel::morphology_kernels {

// Index 0 folds by minimum (erode), 1 by maximum (dilate).
struct MorphologyKernels {
    void (*fold1[2])(uint8_t*, const uint8_t*, size_t);
    void (*fold2[2])(uint8_t*, const uint8_t*, const uint8_t*, size_t);
    void (*fold4[2])(uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*,
                     size_t);
};

const MorphologyKernels& baseline();
// Only valid where the processor has AVX2.
const MorphologyKernels& avx2();
// The variant in use.
const MorphologyKernels& current();

enum class MorphologyPath { Best, Baseline, Avx2 };
// Routes the disc filter through `path`; false (nothing changed) when the processor cannot run it
// or VARNEL_CPU rules it out.
bool use(MorphologyPath path);

}  // namespace varnel::morphology_kernels
