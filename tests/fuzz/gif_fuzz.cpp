// libFuzzer target for the GIF reader (built with -DVARNEL_FUZZ=ON and clang; see bmp_fuzz.cpp for
// the configuration):
//   cmake --build build/fuzz --target gif_fuzz
//   build/fuzz/tests/fuzz/gif_fuzz -max_len=65536 <work folder> ../shared/corpus/gif
#include "codec_fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::fuzz::exerciseGifReader(data, size);
    return 0;
}
