// libFuzzer target for the icon reader (built with -DVARNEL_FUZZ=ON and clang; see bmp_fuzz.cpp for
// the configuration):
//   cmake --build build/fuzz --target ico_fuzz
//   build/fuzz/tests/fuzz/ico_fuzz -max_len=65536 <work folder> ../shared/corpus/ico
#include "codec_fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::fuzz::exerciseIcoReader(data, size);
    return 0;
}
