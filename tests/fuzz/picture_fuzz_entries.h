// Fuzz entry points of the WebP (and TIFF) readers: every way the program reads such a file from
// untrusted bytes, and a check that what loads survives a lossless round trip. libFuzzer drives
// them (webp_fuzz.cpp); the ordinary test build runs them over stored and generated inputs and
// their spoiled copies (tests/formats/codec_fuzz_test.cpp).
#pragma once

#include <webp/decode.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formats/memory_stream.h"
#include "formats/picture_import.h"
#include "formats/webp_codec.h"

namespace varnel::fuzz {

// Pictures above this many pixels are only read as far as their header: the readers accept up
// to 30000 × 30000, which a fuzzer's memory limit does not.
constexpr int64_t kMaxPicturePixels = 4 << 20;

inline void requirePicture(bool condition) {
    if (!condition) std::abort();
}

inline bool samePlanes(const DecodedPicture& a, const DecodedPicture& b) {
    if (a.color.size() != b.color.size() || a.alpha.isValid() != b.alpha.isValid()) return false;
    for (int32_t y = 0; y < a.color.height(); ++y) {
        if (std::memcmp(a.color.pixels(y), b.color.pixels(y), size_t(a.color.width()) * 3) != 0)
            return false;
        if (a.alpha.isValid() &&
            std::memcmp(a.alpha.row(y), b.alpha.row(y), size_t(a.color.width())) != 0)
            return false;
    }
    return true;
}

// Reads the bytes as a WebP; what loads is written lossless and must read back unchanged.
inline void exerciseWebpReader(const uint8_t* data, size_t size) {
    int width = 0, height = 0;
    if (!WebPGetInfo(data, size, &width, &height) || int64_t(width) * height > kMaxPicturePixels) {
        return;
    }
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(data), uint32_t(size), CheckReadable)) return;
    DecodedPicture picture;
    if (!readWebp(stream, picture)) return;
    requirePicture(picture.color.isValid());
    requirePicture(!picture.alpha.isValid() || picture.alpha.size() == picture.color.size());
    const uint64_t room = uint64_t(width) * uint64_t(height) * 5 + 65536;
    MemoryBuffer buffer(uint32_t(std::min<uint64_t>(room, 1u << 30)));
    MemoryStream out;
    requirePicture(out.attachBlock(static_cast<void*>(buffer.data()), buffer.size(), 0));
    WebpSaveSettings lossless;
    lossless.lossless = true;
    requirePicture(writeWebp(out, picture.color, &picture.alpha, lossless));
    MemoryStream again;
    requirePicture(
        again.attachBlock(static_cast<const void*>(buffer.data()), out.tell(), CheckReadable));
    DecodedPicture back;
    requirePicture(readWebp(again, back));
    requirePicture(samePlanes(picture, back));
}

}  // namespace varnel::fuzz
