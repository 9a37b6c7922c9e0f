// Format info records: what is known about an image file (path, depth, size) plus the settings of
// its format.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "formats/format_type.h"

namespace varnel {

// The common record. Derived records add the fields of one format.
class FormatInfo {
public:
    FormatInfo() = default;
    virtual ~FormatInfo() = default;

    virtual int formatType() const { return FormatNone; }
    // 0 for the common record, 1 for JPEG, 2 for PNG and BMP.
    virtual int formatClass() const { return 0; }
    // Back to the values of a new record, the format's own fields included.
    virtual void reset();
    // Copies every field from a record of the same format type, otherwise the common fields only.
    virtual void assign(const FormatInfo& source);
    // A new record of the same type holding the same values.
    virtual std::unique_ptr<FormatInfo> clone() const;

    std::string filePath;   // empty when new
    int32_t bitDepth = -1;  // -1 when unknown
    int32_t width = -1;
    int32_t height = -1;
    std::string text;  // a second text field, empty; kept for the format records that carry one

protected:
    FormatInfo(const FormatInfo&) = default;
    FormatInfo& operator=(const FormatInfo&) = default;
};

// One segment of a JPEG file, kept so that a decoded image can be written again with its
// metadata.
struct JpegSegment {
    // The marker byte, or one of the codes of the recognised application segments below.
    uint16_t marker = 0;
    // The segment's length field, which counts its own two bytes.
    int32_t length = 0;
    // For segments read from a file: the two length bytes followed by the payload.
    std::vector<uint8_t> data;

    static constexpr uint16_t kJfif = 0x10E0;  // APP0 starting "JFIF\0"
    static constexpr uint16_t kExif = 0x10E1;  // APP1 starting "Exif\0\0"
    static constexpr uint16_t kIptc = 0x10ED;  // APP13 Photoshop block with an IPTC resource

    uint8_t markerByte() const { return uint8_t(marker & 0xFF); }
    bool isApplication() const { return markerByte() >= 0xE0 && markerByte() <= 0xEF; }
};

class JpegFormatInfo : public FormatInfo {
public:
    // Option bits.
    static constexpr int32_t kForceBaseline = 1;
    static constexpr int32_t kOptimizeHuffman = 2;
    static constexpr int32_t kProgressive = 4;

    JpegFormatInfo() = default;
    int formatType() const override { return FormatJpeg; }
    int formatClass() const override { return 1; }
    void reset() override;
    void assign(const FormatInfo& source) override;
    std::unique_ptr<FormatInfo> clone() const override;

    std::deque<JpegSegment> segments;
    int32_t componentCount = 3;
    int32_t subsamplingThreshold = 95;
    int32_t quality = 95;  // 0..100
    int32_t options = 0;
    int32_t smoothing = 0;  // 0 leaves the library's default
};

class PngFormatInfo : public FormatInfo {
public:
    PngFormatInfo() = default;
    int formatType() const override { return FormatPng; }
    int formatClass() const override { return 2; }
    void reset() override;
    void assign(const FormatInfo& source) override;
    std::unique_ptr<FormatInfo> clone() const override;

    int32_t sampleBitDepth = 8;  // bits per sample in the file
    int32_t channels = 4;
    int32_t colorType = 6;  // RGBA
    int32_t interlaceType = 0;
    int32_t compressionLevel = 5;
};

class BmpFormatInfo : public FormatInfo {
public:
    static constexpr size_t kInfoHeaderSize = 40;

    BmpFormatInfo() = default;
    int formatType() const override { return FormatBmp; }
    int formatClass() const override { return 2; }
    void reset() override;
    void assign(const FormatInfo& source) override;
    std::unique_ptr<FormatInfo> clone() const override;

    // Replaces the header by a fresh 40-byte info header for an uncompressed bottom-up bitmap of
    // the given size and bit count, and sets bit depth, width and height to match.
    void setInfoHeader(int32_t width, int32_t height, uint16_t bitCount);
    // The bit count held in the header (0 when no header is held).
    uint16_t headerBitCount() const;

    // A copy of the file's header block (a core header converted to a 40-byte info header).
    std::vector<uint8_t> header;
};

}  // namespace varnel
