// The JPEG codec: encodes a 24-bit colour plane with the library's 6b interface, decodes grey,
// colour and CMYK files into one, and keeps the file's application segments (JFIF, Exif, the
// IPTC block and any other) so that a decoded image can be written again with its metadata.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "formats/format_info.h"
#include "formats/image_codec.h"

namespace varnel {

class JpegCodec : public ImageCodec {
public:
    JpegCodec() = default;

    // Encodes a JPEG image file object with its record's quality, subsampling threshold, option
    // bits and smoothing. When the record keeps application segments the file is written again
    // with them in front of the encoder's own segments.
    bool saveToStream(ByteStream& stream, const ImageFile& image) override;
    // Decodes into a JPEG image file object: grey and colour files to 24-bit colour, CMYK and
    // YCCK files (the library's inverted samples) to colour by blue = y × k / 255 and so on.
    // A full load also keeps the application segments in the record. Truncated data decodes
    // with the library's end-of-data handling; an empty stream, corrupt headers, sides over
    // kMaxSurfaceSide and headers that claim far more pixels than the file could hold fail.
    bool loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) override;
    int formatType() const override { return FormatJpeg; }

    // Pixels per inch recorded in the last file loaded (JFIF density in dots per inch or per
    // centimetre), 0 when it records none.
    double resolution() const { return m_resolution; }
    // Colour components in the last file loaded (1 grey, 3 colour, 4 CMYK or YCCK).
    int fileComponents() const { return m_fileComponents; }

private:
    double m_resolution = 0;
    int m_fileComponents = 0;
};

// The library's quality for the record's 0..100 quality: q clamped to 0..100, then
// trunc(q × 0.93 + 5.5) clamped to 5..98 (95 gives 93).
int libjpegQuality(int quality);

// Kinds of application segment for keepSegments.
enum SegmentKind : uint32_t {
    kSegmentJfif = 1,
    kSegmentExif = 2,
    kSegmentIptc = 4,
    kSegmentOtherApplication = 8,
    kSegmentAllApplication = 15,
};

enum class SegmentMode {
    // Loading: application segments only; stops at the first table or scan segment.
    ApplicationOnly,
    // Re-writing: every segment, then the scan data and end marker as one last segment.
    Full,
};

// Reads one segment at the stream's position (fill bytes before the marker allowed; six 0xFF
// bytes in a row, a missing 0xFF, the end-of-image marker or a length below 2 fail). In
// application-only mode a segment that is not APPn keeps its code and length and its payload is
// skipped.
bool readSegment(ByteStream& stream, bool applicationOnly, JpegSegment& segment);
// Reads the segments of a file starting at the stream's position (which must hold FF D8) and
// appends them to `list`, leaving out JFIF segments. In application-only mode a failure empties
// the list.
// In full mode the last segment runs to `end` (the stream's size when 0).
bool readSegments(ByteStream& stream, std::deque<JpegSegment>& list, SegmentMode mode,
                  uint32_t end = 0);
// Appends copies of the application segments of `source` whose kind is in `kinds` to `target`.
void keepSegments(const std::deque<JpegSegment>& source, std::deque<JpegSegment>& target,
                  uint32_t kinds);
// Writes a complete file from a list read in full mode (start marker, a default JFIF segment when
// the first segment is neither JFIF nor Exif, the segments, then the scan data). Fails when the
// list holds no scan segment or a write comes up short.
bool writeWithSegments(ByteStream& stream, const std::deque<JpegSegment>& list);

// True when the Photoshop image resources in `data` (the blocks that follow "Photoshop 3.0\0")
// hold one with the IPTC id 0x0404. The walk never reads past `size`.
bool hasIptcResource(const uint8_t* data, size_t size);

// The Exif orientation (1..8) of a kept Exif segment, or 0 when it has none or the block is
// malformed. Reads only within the segment.
int exifOrientation(const JpegSegment& segment);
// The orientation of the first Exif segment in the list that records one; 0 when none does.
int exifOrientation(const std::deque<JpegSegment>& segments);

}  // namespace varnel
