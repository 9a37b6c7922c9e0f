#include "formats/format_info.h"

#include <climits>

namespace varnel {

namespace {

void putLe(std::vector<uint8_t>& bytes, size_t offset, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[offset + size_t(i)] = uint8_t(value >> (8 * i));
}

}  // namespace

void FormatInfo::reset() {
    filePath.clear();
    bitDepth = -1;
    width = -1;
    height = -1;
    text.clear();
}

void FormatInfo::assign(const FormatInfo& source) {
    if (&source == this) return;
    filePath = source.filePath;
    bitDepth = source.bitDepth;
    width = source.width;
    height = source.height;
    text = source.text;
}

std::unique_ptr<FormatInfo> FormatInfo::clone() const {
    auto copy = std::make_unique<FormatInfo>();
    copy->assign(*this);
    return copy;
}

void JpegFormatInfo::reset() {
    FormatInfo::reset();
    segments.clear();
    componentCount = 3;
    subsamplingThreshold = 95;
    quality = 95;
    options &= ~(kOptimizeHuffman | kProgressive);
    smoothing = 0;
}

void JpegFormatInfo::assign(const FormatInfo& source) {
    FormatInfo::assign(source);
    const auto* s = dynamic_cast<const JpegFormatInfo*>(&source);
    if (!s || s == this) return;
    segments = s->segments;
    componentCount = s->componentCount;
    subsamplingThreshold = s->subsamplingThreshold;
    quality = s->quality;
    options = s->options;
    smoothing = s->smoothing;
}

std::unique_ptr<FormatInfo> JpegFormatInfo::clone() const {
    auto copy = std::make_unique<JpegFormatInfo>();
    copy->assign(*this);
    return copy;
}

void PngFormatInfo::reset() {
    FormatInfo::reset();
    sampleBitDepth = 8;
    channels = 4;
    colorType = 6;
    interlaceType = 0;
    compressionLevel = 5;
}

void PngFormatInfo::assign(const FormatInfo& source) {
    FormatInfo::assign(source);
    const auto* s = dynamic_cast<const PngFormatInfo*>(&source);
    if (!s || s == this) return;
    sampleBitDepth = s->sampleBitDepth;
    channels = s->channels;
    colorType = s->colorType;
    interlaceType = s->interlaceType;
    compressionLevel = s->compressionLevel;
}

std::unique_ptr<FormatInfo> PngFormatInfo::clone() const {
    auto copy = std::make_unique<PngFormatInfo>();
    copy->assign(*this);
    return copy;
}

void BmpFormatInfo::reset() {
    FormatInfo::reset();
    header.clear();
}

void BmpFormatInfo::assign(const FormatInfo& source) {
    FormatInfo::assign(source);
    const auto* s = dynamic_cast<const BmpFormatInfo*>(&source);
    if (!s || s == this) return;
    header = s->header;
}

std::unique_ptr<FormatInfo> BmpFormatInfo::clone() const {
    auto copy = std::make_unique<BmpFormatInfo>();
    copy->assign(*this);
    return copy;
}

void BmpFormatInfo::setInfoHeader(int32_t w, int32_t h, uint16_t bitCount) {
    std::vector<uint8_t> fresh(kInfoHeaderSize, 0);
    putLe(fresh, 0, uint32_t(kInfoHeaderSize), 4);
    putLe(fresh, 4, uint32_t(w), 4);
    putLe(fresh, 8, uint32_t(h), 4);
    putLe(fresh, 12, 1, 2);  // planes
    putLe(fresh, 14, bitCount, 2);
    header = std::move(fresh);
    bitDepth = bitCount;
    width = w;
    height = h == INT32_MIN ? INT32_MAX : (h < 0 ? -h : h);
}

uint16_t BmpFormatInfo::headerBitCount() const {
    if (header.size() < 16) return 0;
    return uint16_t(header[14] | (header[15] << 8));
}

}  // namespace varnel
