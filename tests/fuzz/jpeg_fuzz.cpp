// libFuzzer target for the JPEG codec and its segment reader (built with -DVARNEL_FUZZ=ON and
// clang; see bmp_fuzz.cpp for the configuration):
//   cmake --build build/fuzz --target jpeg_fuzz
//   build/fuzz/tests/fuzz/jpeg_fuzz -max_len=65536 <work folder> ../shared/corpus/jpeg
#include "codec_fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::fuzz::exerciseJpegReader(data, size);
    return 0;
}
