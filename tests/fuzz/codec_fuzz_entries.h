// Fuzz entry points of the PNG, JPEG, GIF and ICO readers: every way the program reads such a
// file from untrusted bytes, and checks that what loads survives a round trip. libFuzzer drives
// them (png_fuzz.cpp, jpeg_fuzz.cpp, gif_fuzz.cpp, ico_fuzz.cpp); the ordinary test build runs
// them over the corpus and the stored fixtures (tests/formats/codec_fuzz_test.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/exif.h"
#include "formats/gif_reader.h"
#include "formats/ico_reader.h"
#include "formats/image_file.h"
#include "formats/jpeg_codec.h"
#include "formats/memory_stream.h"
#include "formats/metadata_blocks.h"
#include "formats/picture_import.h"
#include "formats/png_codec.h"

namespace varnel::fuzz {

// Pictures above this many pixels are only read as far as their header: the readers accept up
// to 30000 × 30000, which a fuzzer's memory limit does not.
constexpr int64_t kMaxFuzzPixels = 4 << 20;

// Stops the run when a round trip changes the pixels (a finding, not a refusal).
inline void require(bool condition) {
    if (!condition) std::abort();
}

inline bool samePixels(const ColorImage& a, const GrayMap* alphaA, const ColorImage& b,
                       const GrayMap* alphaB) {
    if (a.size() != b.size() || (alphaA != nullptr) != (alphaB != nullptr)) return false;
    for (int32_t y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.pixels(y), b.pixels(y), size_t(a.width()) * 3) != 0) return false;
        if (alphaA && std::memcmp(alphaA->row(y), alphaB->row(y), size_t(a.width())) != 0) {
            return false;
        }
    }
    return true;
}

inline bool small(const FormatInfo& info) {
    return int64_t(info.width) * info.height <= kMaxFuzzPixels;
}

// The metadata blocks a file gave, through everything that reads inside them; a block written
// into a container reads back the same.
inline void exerciseMetadata(const PhotoMetadata& metadata) {
    const PhotoMetadata saved = metadataForSave(metadata, 7, 9);
    exifTextTags(saved.exif);
    exifFromTiffFile(saved.exif.data(), saved.exif.size());
    std::deque<JpegSegment> segments;
    appendMetadataSegments(saved, segments);
    const PhotoMetadata back = metadataFromJpegSegments(segments);
    require(saved.exif.size() > 65527 || back.exif == saved.exif);
    require(saved.icc.size() > 255u * 65519u || back.icc == saved.icc);
}

// Reads the bytes as a PNG; what loads is saved and must read back unchanged (a saved file has
// no gamma chunk, so nothing is corrected twice).
inline void exercisePngReader(const uint8_t* data, size_t size) {
    {
        MemoryStream stream;
        PhotoMetadata metadata;
        if (stream.attachBlock(static_cast<const void*>(data), uint32_t(size), CheckReadable) &&
            readPngMetadata(stream, metadata)) {
            exerciseMetadata(metadata);
        }
    }
    PngCodec codec;
    PngImageFile header;
    if (!codec.loadFromMemory(header, data, uint32_t(size), LoadHeaderOnly) ||
        !small(header.pngInfo())) {
        return;
    }
    PngImageFile image;
    const bool loaded = codec.loadFromMemory(image, data, uint32_t(size), LoadPixels);
    // Read again with libpng inflating the image data: both ways must agree on the pixels, the
    // record and the reason for a refusal.
    PngCodec library;
    library.setLibraryInflate(true);
    PngImageFile reference;
    require(library.loadFromMemory(reference, data, uint32_t(size), LoadPixels) == loaded);
    require(library.failure() == codec.failure());
    if (!loaded) return;
    require(samePixels(image.pixels().color, image.alphaPlane(), reference.pixels().color,
                       reference.alphaPlane()));
    require(library.resolution() == codec.resolution());
    const PngFormatInfo& a = image.pngInfo();
    const PngFormatInfo& b = reference.pngInfo();
    require(a.width == b.width && a.height == b.height && a.colorType == b.colorType &&
            a.bitDepth == b.bitDepth && a.channels == b.channels &&
            a.interlaceType == b.interlaceType && a.sampleBitDepth == b.sampleBitDepth);
    require(image.width() == header.pngInfo().width && image.height() == header.pngInfo().height);
    const uint64_t room = uint64_t(image.width()) * uint64_t(image.height()) * 5 + 65536;
    MemoryBuffer buffer(uint32_t(std::min<uint64_t>(room, 1u << 30)));
    uint32_t written = 0;
    require(codec.saveToBuffer(buffer, image, &written));
    PngImageFile again;
    require(codec.loadFromMemory(again, buffer.data(), written, LoadPixels));
    require(samePixels(image.pixels().color, image.alphaPlane(), again.pixels().color,
                       again.alphaPlane()));
}

// Reads the bytes as a JPEG: its segments in both modes, the header, the pixels, the upright
// picture; what loads is written again with its kept segments and must read back at its size
// with the same segments.
inline void exerciseJpegReader(const uint8_t* data, size_t size) {
    {
        std::deque<JpegSegment> segments;
        MemoryStream stream;
        if (stream.attachBlock(static_cast<const void*>(data), uint32_t(size), CheckReadable)) {
            readSegments(stream, segments, SegmentMode::Full);
            for (const JpegSegment& s : segments) exifOrientation(s);
            exerciseMetadata(metadataFromJpegSegments(segments));
        }
    }
    JpegCodec codec;
    JpegImageFile header;
    if (!codec.loadFromMemory(header, data, uint32_t(size), LoadHeaderOnly) ||
        !small(header.jpegInfo())) {
        return;
    }
    JpegImageFile image;
    if (!codec.loadFromMemory(image, data, uint32_t(size), LoadPixels)) return;
    require(image.width() == header.jpegInfo().width);
    {
        MemoryStream stream;
        DecodedPicture picture;
        require(stream.attachBlock(static_cast<const void*>(data), uint32_t(size), CheckReadable));
        require(decodePicture(stream, FormatJpeg, picture));
    }
    const uint64_t room = uint64_t(image.width()) * uint64_t(image.height()) * 4 + (1u << 20);
    MemoryBuffer buffer(uint32_t(std::min<uint64_t>(room, 1u << 30)));
    uint32_t written = 0;
    require(codec.saveToBuffer(buffer, image, &written));
    JpegImageFile again;
    require(codec.loadFromMemory(again, buffer.data(), written, LoadPixels));
    require(again.size() == image.size());
    size_t kept = 0;
    for (const JpegSegment& s : image.jpegInfo().segments) kept += s.isApplication() ? 1 : 0;
    require(again.jpegInfo().segments.size() == kept);
}

inline void exerciseGifReader(const uint8_t* data, size_t size) {
    // The screen size sits in bytes 6..9: keep the fuzzer within its memory.
    if (size >= 10 &&
        int64_t(data[6] | data[7] << 8) * int64_t(data[8] | data[9] << 8) > kMaxFuzzPixels) {
        return;
    }
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(data), uint32_t(size), CheckReadable)) return;
    DecodedPicture picture;
    if (!readGif(stream, picture)) return;
    require(picture.color.isValid());
    require(!picture.alpha.isValid() || picture.alpha.size() == picture.color.size());
}

inline void exerciseIcoReader(const uint8_t* data, size_t size) {
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(data), uint32_t(size), CheckReadable)) return;
    std::vector<IconEntry> entries;
    if (!readIconDirectory(stream, entries)) return;
    bool anyDecoded = false;
    for (const IconEntry& entry : entries) {
        if (int64_t(entry.width) * entry.height > kMaxFuzzPixels) return;
    }
    for (const IconEntry& entry : entries) {
        DecodedPicture picture;
        if (!readIconEntry(stream, entry, picture)) continue;
        anyDecoded = true;
        require(!picture.alpha.isValid() || picture.alpha.size() == picture.color.size());
    }
    DecodedPicture best;
    require(stream.seekTo(0));
    require(readIcon(stream, best) == anyDecoded);
}

}  // namespace varnel::fuzz
