#include "core/blend_rows.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/blend_detail.h"
#include "core/blend_rows_dispatch.h"
#include "platform/cpu_features.h"

// The loops divide in floating point only by non-zero values; without trapping semantics the
// compiler may compute both sides of a selection and vectorise them.
#pragma GCC push_options
#pragma GCC optimize("no-trapping-math")
#include "core/blend_kernels.h"
#pragma GCC pop_options

namespace varnel {

namespace row_kernels {

const RowKernels& baseline() {
    static const RowKernels k{&blend_kernels::blendRow, &blend_kernels::startRow,
                              &blend_kernels::multiplyAlphaRow};
    return k;
}

namespace {

const RowKernels* best() {
#if defined(__x86_64__) || defined(__i386__)
    if (platform::cpuFeatures().avx2) return &avx2();
#endif
    return &baseline();
}

const RowKernels*& current() {
    static const RowKernels* k = best();
    return k;
}

}  // namespace

bool use(CodePath path) {
    switch (path) {
        case CodePath::Best:
            current() = best();
            return true;
        case CodePath::Baseline:
            current() = &baseline();
            return true;
        case CodePath::Avx2:
#if defined(__x86_64__) || defined(__i386__)
            if (!platform::cpuFeatures().avx2) return false;
            current() = &avx2();
            return true;
#else
            return false;
#endif
    }
    return false;
}

}  // namespace row_kernels

void blendRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* sourceAlpha,
              uint8_t opacity, int mode, int count) {
    row_kernels::current()->blendRow(base, baseAlpha, source, sourceAlpha, opacity, mode, count);
}

void startRow(Bgr* base, uint8_t* baseAlpha, const Bgr* source, const uint8_t* sourceAlpha,
              uint8_t opacity, int count) {
    row_kernels::current()->startRow(base, baseAlpha, source, sourceAlpha, opacity, count);
}

void multiplyAlphaRow(uint8_t* accumulated, const uint8_t* plane, int count) {
    row_kernels::current()->multiplyAlphaRow(accumulated, plane, count);
}

}  // namespace varnel
