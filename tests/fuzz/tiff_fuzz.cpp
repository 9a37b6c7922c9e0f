// libFuzzer target for the TIFF reader (built with -DVARNEL_FUZZ=ON and clang; see bmp_fuzz.cpp
// for the configuration):
//   cmake --build build/fuzz --target tiff_fuzz
//   build/fuzz/tests/fuzz/tiff_fuzz -max_len=65536 <work folder>
#include "picture_fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::fuzz::exerciseTiffReader(data, size);
    return 0;
}
