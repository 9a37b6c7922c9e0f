// Fuzz entry points of the WebP (and TIFF) readers: every way the program reads such a file from
// untrusted bytes, and a check that what loads survives a lossless round trip. libFuzzer drives
// them (webp_fuzz.cpp, tiff_fuzz.cpp); the ordinary test build runs them over stored and generated
// inputs and their spoiled copies (tests/formats/codec_fuzz_test.cpp).
#pragma once

#include <webp/decode.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formats/memory_stream.h"
#include "formats/picture_import.h"
#include "formats/tiff_codec.h"
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

// The sides a TIFF's first directory announces, read by hand so that pictures too large for the
// fuzzer are left alone; false when the bytes hold no first directory with both.
inline bool tiffSides(const uint8_t* data, size_t size, int64_t& width, int64_t& height) {
    if (size < 8) return false;
    const bool little = data[0] == 'I';
    auto u16 = [&](size_t at) {
        return little ? uint32_t(data[at] | data[at + 1] << 8)
                      : uint32_t(data[at] << 8 | data[at + 1]);
    };
    auto u32 = [&](size_t at) {
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    const size_t ifd = u32(4);
    if (ifd + 2 > size) return false;
    const size_t count = u16(ifd);
    width = height = -1;
    for (size_t i = 0; i < count && ifd + 2 + i * 12 + 12 <= size; ++i) {
        const size_t at = ifd + 2 + i * 12;
        const uint32_t tag = u16(at), type = u16(at + 2);
        const int64_t value = type == 3 ? u16(at + 8) : u32(at + 8);
        if (tag == 256) width = value;
        if (tag == 257) height = value;
    }
    return width >= 0 && height >= 0;
}

// Reads the bytes as a TIFF; what loads is written again and must read back unchanged.
inline void exerciseTiffReader(const uint8_t* data, size_t size) {
    int64_t width = 0, height = 0;
    if (!tiffSides(data, size, width, height) || width * height > kMaxPicturePixels) return;
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(data), uint32_t(size), CheckReadable)) return;
    DecodedPicture picture;
    if (!readTiff(stream, picture)) return;
    requirePicture(picture.color.isValid());
    requirePicture(!picture.alpha.isValid() || picture.alpha.size() == picture.color.size());
    const uint64_t room =
        uint64_t(picture.color.width()) * uint64_t(picture.color.height()) * 5 + 65536;
    MemoryBuffer buffer(uint32_t(std::min<uint64_t>(room, 1u << 30)));
    MemoryStream out;
    requirePicture(out.attachBlock(static_cast<void*>(buffer.data()), buffer.size(), 0));
    requirePicture(writeTiff(out, picture.color, &picture.alpha, 0));
    MemoryStream again;
    requirePicture(
        again.attachBlock(static_cast<const void*>(buffer.data()), out.tell(), CheckReadable));
    DecodedPicture back;
    requirePicture(readTiff(again, back));
    requirePicture(samePlanes(picture, back));
}

}  // namespace varnel::fuzz
