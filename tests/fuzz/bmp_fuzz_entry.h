// The BMP fuzz entry point: every way the program reads a BMP from untrusted bytes, and a check
// that whatever loads can be saved and read back to the same pixels. libFuzzer drives it
// (bmp_fuzz.cpp); the ordinary test build runs it over the conformance suite and the stored
// fixtures (tests/formats/bmp_fuzz_test.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/bmp_codec.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"

namespace varnel::fuzz {

// Stops the run when a round trip changes the pixels (a finding, not a refusal).
inline void require(bool condition) {
    if (!condition) std::abort();
}

inline bool samePlanes(const ImageFile& a, const ImageFile& b) {
    if (a.size() != b.size() || a.hasAlpha() != b.hasAlpha()) return false;
    for (int32_t y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.colorPlane()->pixels(y), b.colorPlane()->pixels(y),
                        size_t(a.width()) * 3) != 0) {
            return false;
        }
        if (a.hasAlpha() &&
            std::memcmp(a.alphaPlane()->row(y), b.alphaPlane()->row(y), size_t(a.width())) != 0) {
            return false;
        }
    }
    return true;
}

inline bool alphaAllZero(const ImageFile& image) {
    const GrayMap* alpha = image.alphaPlane();
    if (!alpha) return false;
    for (int32_t y = 0; y < alpha->height(); ++y) {
        for (int32_t x = 0; x < alpha->width(); ++x) {
            if (alpha->row(y)[x] != 0) return false;
        }
    }
    return true;
}

// Saves `image` with no header held (24 or 32 bits) and reads it back; it must come back equal.
inline void checkRoundTrip(const BmpImageFile& image) {
    // Big pictures from tiny run-length files would make every run slow; they are rare and
    // take the same paths as small ones.
    if (int64_t(image.width()) * image.height() > (1 << 20) || alphaAllZero(image)) return;
    BmpImageFile copy;
    require(copy.assign(image));
    copy.bmpInfo().header.clear();
    const uint64_t bytes = 54 + uint64_t(copy.width()) * 4 * uint64_t(copy.height()) + 4096;
    std::vector<uint8_t> buffer(bytes);
    MemoryStream out;
    require(out.attachBlock(static_cast<void*>(buffer.data()), uint32_t(bytes), 0));
    BmpCodec codec;
    require(codec.saveToStream(out, copy));
    const uint32_t written = out.tell();
    MemoryStream in;
    require(in.attachBlock(static_cast<const void*>(buffer.data()), written, 0));
    BmpImageFile back;
    require(codec.loadFromStream(back, in, LoadPixels));
    if (image.hasAlpha()) {
        // Alpha that is 255 everywhere is written as 24 bits and comes back without a plane.
        bool opaque = true;
        for (int32_t y = 0; y < image.height() && opaque; ++y) {
            for (int32_t x = 0; x < image.width(); ++x)
                opaque &= image.alphaPlane()->row(y)[x] == 255;
        }
        if (opaque) {
            require(!back.hasAlpha());
            return;
        }
    }
    require(samePlanes(image, back));
}

inline void exerciseBmpReader(const uint8_t* data, size_t size) {
    if (size == 0 || size >= 0xFFFFFFFFu) return;
    BmpCodec codec;
    {
        MemoryStream s;
        require(s.attachBlock(static_cast<const void*>(data), uint32_t(size), 0));
        BmpImageFile image;
        if (codec.loadFromStream(image, s, LoadPixels)) {
            require(image.isValid());
            require(image.bmpInfo().width == image.width());
            checkRoundTrip(image);
        } else {
            require(image.isEmpty());
        }
    }
    {
        MemoryStream s;
        require(s.attachBlock(static_cast<const void*>(data), uint32_t(size), 0));
        BmpImageFile image;
        codec.loadFromStream(image, s, LoadHeaderOnly);
        require(image.isEmpty());
    }
    // The same bytes as a packed bitmap, as the clipboard and resources hand them over: from
    // the start, and from behind a file header.
    for (size_t skip : {size_t(0), size_t(14)}) {
        if (size <= skip) break;
        const uint8_t* packed = data + skip;
        const uint32_t packedSize = uint32_t(size - skip);
        const uint32_t block = packedDibHeaderBlockSize(packed, packedSize);
        if (block == 0 || block >= packedSize) continue;
        MemoryStream s;
        require(s.attachBlock(static_cast<const void*>(packed), packedSize, 0));
        PixelSurface surface;
        if (readPackedDib(s, block, packedSize - block, surface)) require(surface.isValid());
    }
}

}  // namespace varnel::fuzz
