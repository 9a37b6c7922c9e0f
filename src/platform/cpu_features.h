#pragma once

#include <string>

namespace varnel::platform {

// The instruction-set extensions that the hand-vectorised loops may use. Every place that picks
// a loop by processor (the blend rows, the disc filter, the filter tables, quarter turns, mirrors
// and stretches) asks cpuFeatures() instead of the processor, so that one setting switches them
// all: the environment variable VARNEL_CPU, read once, at first use.
//
//   VARNEL_CPU=baseline   the portable loops only (as on a processor without these extensions)
//   VARNEL_CPU=avx2       up to AVX2, no AVX-512
//   VARNEL_CPU=native     everything the processor has; also when unset or empty
//
// Case does not matter. The setting only ever takes extensions away. The tests run the programs
// with CPU-specific paths a second time under VARNEL_CPU=baseline.
struct CpuFeatures {
    bool ssse3 = false;
    bool avx2 = false;
    bool avx512 = false;  // AVX-512 F, BW and VBMI together: what the filter tables need

    bool operator==(const CpuFeatures&) const = default;
};

// What the processor itself offers.
CpuFeatures processorCpuFeatures();

// `features` limited by the setting `value` (the text of VARNEL_CPU; null when unset). A value it
// does not know leaves `features` as they are and describes itself in `problem`.
CpuFeatures limitCpuFeatures(const CpuFeatures& features, const char* value, std::string* problem);

// The processor's features limited by VARNEL_CPU, fixed at the first call (thread-safe). An
// unknown value is reported once on standard error.
const CpuFeatures& cpuFeatures();

}  // namespace varnel::platform
