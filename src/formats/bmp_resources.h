// The bitmaps built into the program: toolbar and tool images, embedded at build time from the
// files in src/formats/resources (listed in bitmaps.txt there) as packed bitmaps, and found
// under the standard bitmap resource type of the program's own resource module.
#pragma once

#include <cstdint>

namespace varnel {

// Resource ids of the program's bitmaps; bitmaps.txt gives each its file.
enum ProgramBitmap : uint32_t {
    kBitmapMarqueeTool = 101,  // 16 × 16, 24 bits
    kBitmapHandTool = 102,     // 16 × 16, 4 bits
    kBitmapZoomTool = 103,     // 16 × 16, 32 bits with transparency
};

// Adds the embedded bitmaps to ResourceModule::program(). Safe to call any number of times and
// from any thread; the bitmap loaders call it before they look in the program's module.
void registerProgramBitmaps();

}  // namespace varnel
