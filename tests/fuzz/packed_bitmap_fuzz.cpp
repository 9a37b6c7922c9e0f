// libFuzzer target for packed bitmap blocks as the system clipboard hands them over (built with
// -DVARNEL_FUZZ=ON and clang, as bmp_fuzz.cpp says):
//   build/fuzz/tests/fuzz/packed_bitmap_fuzz -max_len=65536
#include <cstddef>
#include <cstdint>

#include "core/clipboard_store.h"
#include "core/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    varnel::Size declared;
    (void)varnel::packedBitmapSize(data, size, declared);
    varnel::PixelSurface surface;
    if (varnel::readPackedBitmap(data, size, surface)) {
        // Every row the surface claims must be readable.
        volatile uint32_t sum = 0;
        for (int32_t y = 0; y < surface.height(); ++y) {
            const uint8_t* row = surface.row(y);
            for (int32_t i = 0; i < surface.bytesPerRow(); ++i) sum = sum + row[i];
        }
    }
    return 0;
}
