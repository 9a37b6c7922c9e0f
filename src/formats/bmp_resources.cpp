#include "formats/bmp_resources.h"

#include <cstddef>
#include <mutex>

#include "formats/resources.h"

namespace varnel {

// Written by the build (cmake/EmbedBitmaps.cmake) from src/formats/resources/bitmaps.txt.
namespace embedded {
struct Bitmap {
    uint32_t id;
    const uint8_t* data;
    uint32_t size;
};
extern const Bitmap kBitmaps[];
extern const size_t kBitmapCount;
}  // namespace embedded

void registerProgramBitmaps() {
    static std::once_flag once;
    std::call_once(once, [] {
        ResourceModule& program = ResourceModule::program();
        for (size_t i = 0; i < embedded::kBitmapCount; ++i) {
            const embedded::Bitmap& b = embedded::kBitmaps[i];
            program.add(ResourceType::numbered(kResourceBitmap), b.id, b.data, b.size);
        }
    });
}

}  // namespace varnel
