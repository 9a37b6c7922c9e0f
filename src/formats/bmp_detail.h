// Internals of the BMP reader shared by the codec units: the parsed header and the reading steps
// that give more than the public functions (the header copy kept in the format info).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/surface_store.h"

namespace varnel {

class ByteStream;

namespace bmp {

// Failures inside the reader and writer are thrown as this and caught at the public operation,
// with the reason for the user when one is known.
struct Failure {
    std::string reason;
};
[[noreturn]] inline void fail(std::string reason = {}) {
    throw Failure{std::move(reason)};
}

// What the reader learnt about a file besides its pixels.
struct DibInfo {
    // The header block as kept in the format info: the info header as the file has it (a core or
    // OS/2 header rewritten as a 40-byte info header), then the masks that follow a 40-byte
    // header, then the palette with 4 bytes per entry.
    std::vector<uint8_t> headerCopy;
    int32_t width = 0;
    int32_t height = 0;  // rows, always positive
    uint16_t bitCount = 0;
};

// Reads the 14-byte file header and the header block; with `pixels` set also the pixel data,
// returning the upright store (null without `pixels`). Throws Failure on any fault.
std::unique_ptr<SurfaceStore> readFile(ByteStream& stream, bool pixels, DibInfo* info);

// The same for a packed bitmap: a header block of `headerBlockSize` bytes, then at most
// `pixelDataSize` bytes of pixels (fewer when the stream ends sooner).
std::unique_ptr<SurfaceStore> readPacked(ByteStream& stream, uint32_t headerBlockSize,
                                         uint32_t pixelDataSize, bool pixels, DibInfo* info);

}  // namespace bmp
}  // namespace varnel
