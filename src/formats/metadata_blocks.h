// A photo's Exif, XMP and ICC profile in and out of the containers that hold them: JPEG
// application segments (Exif and XMP in APP1, the profile split over APP2 segments), PNG chunks
// (eXIf, the "XML:com.adobe.xmp" iTXt, iCCP) and WebP chunks (EXIF, "XMP ", ICCP). TIFF files hold
// theirs in their own directories (tiff_codec.h, exif.h). The blocks are carried as they are;
// only a block that is plainly not what its container says (an Exif block that is no TIFF
// structure, a profile with parts missing) is left out.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "document/photo_metadata.h"
#include "formats/format_info.h"

namespace varnel {

class ByteStream;

// No block larger than this is kept: it bounds what a hostile file (a compressed profile above
// all) can make the reader take.
constexpr size_t kMaxMetadataBlockBytes = size_t(64) << 20;

// The metadata of a JPEG file's application segments: the first Exif segment, the first
// standard XMP segment, and the ICC profile joined from its numbered APP2 parts.
PhotoMetadata metadataFromJpegSegments(const std::deque<JpegSegment>& segments);
// Application segments that hold `metadata` (Exif, then XMP, then the profile in as many parts
// as it needs), appended to `segments`. An Exif block or XMP packet too large for one segment
// (64 KB) is left out.
void appendMetadataSegments(const PhotoMetadata& metadata, std::deque<JpegSegment>& segments);

// Collects the metadata chunks of the PNG file at the stream's position, walking its chunks
// (over the image data without reading it) to the end chunk. Chunks whose checksum fails, and
// compressed ones that do not inflate within their limit, are left out. Leaves the stream
// where it found it. False when the stream does not hold a PNG file.
bool readPngMetadata(ByteStream& stream, PhotoMetadata& metadata);
// The chunks (type and data) that hold `metadata` in a PNG file, in the order they are written:
// iCCP (the profile deflated), eXIf, then the XMP packet as an uncompressed iTXt.
struct PngChunk {
    char type[5];
    std::vector<uint8_t> data;
};
std::vector<PngChunk> pngMetadataChunks(const PhotoMetadata& metadata);

// The metadata chunks of a WebP file in memory. Malformed containers give nothing.
PhotoMetadata metadataFromWebp(const uint8_t* data, size_t size);
// Adds the metadata chunks to an encoded WebP file; false (the file left as it was) when the
// container cannot be rebuilt.
bool addMetadataToWebp(std::vector<uint8_t>& file, const PhotoMetadata& metadata,
                       std::string* reason = nullptr);

// The metadata as it is written with a saved picture of `width` × `height`: the Exif
// orientation says the pixels are upright and the Exif pixel dimensions give the saved size.
PhotoMetadata metadataForSave(const PhotoMetadata& metadata, int32_t width, int32_t height);

// "Exif 1234 bytes, XMP 567 bytes, ICC profile 3144 bytes" for the blocks present; empty when
// there are none.
std::string describeMetadata(const PhotoMetadata& metadata);

}  // namespace varnel
