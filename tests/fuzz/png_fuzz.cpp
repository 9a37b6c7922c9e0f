// libFuzzer target for the PNG codec (built with -DVARNEL_FUZZ=ON and clang; see bmp_fuzz.cpp for
// the configuration):
//   cmake --build build/fuzz --target png_fuzz
//   build/fuzz/tests/fuzz/png_fuzz -max_len=65536 <work folder> ../shared/corpus/pngsuite
//   ../shared/corpus/png-extra
#include "codec_fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::fuzz::exercisePngReader(data, size);
    return 0;
}
