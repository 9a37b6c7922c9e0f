// libFuzzer target for the BMP reader (built with -DVARNEL_FUZZ=ON and clang):
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
//         -DVARNEL_FUZZ=ON -DVARNEL_BUILD_GUI=OFF -DVARNEL_BUILD_TESTS=OFF
//   cmake --build build/fuzz --target bmp_fuzz
//   build/fuzz/tests/fuzz/bmp_fuzz -max_len=65536 <corpus folder> ../shared/corpus/bmpsuite/g
#include "bmp_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::fuzz::exerciseBmpReader(data, size);
    return 0;
}
