// libFuzzer target for the WebP reader (built with -DVARNEL_FUZZ=ON and clang; see bmp_fuzz.cpp
// for the configuration):
//   cmake --build build/fuzz --target webp_fuzz
//   build/fuzz/tests/fuzz/webp_fuzz -max_len=65536 <work folder>
#include "picture_fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::fuzz::exerciseWebpReader(data, size);
    return 0;
}
