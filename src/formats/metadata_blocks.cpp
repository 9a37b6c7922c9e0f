#include "formats/metadata_blocks.h"

#include <libdeflate.h>
#include <webp/demux.h>
#include <webp/mux.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "formats/byte_stream.h"
#include "formats/exif.h"

namespace varnel {

namespace {

// What precedes the block in its JPEG segment, zero byte included.
constexpr uint8_t kExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr char kXmpNamespace[] = "http://ns.adobe.com/xap/1.0/";  // 29 bytes with its zero
constexpr char kIccName[] = "ICC_PROFILE";                        // 12 bytes with its zero
// A segment's length field counts itself and at most 65533 bytes of payload.
constexpr size_t kMaxSegmentPayload = 65533;
constexpr size_t kIccPartHeader = sizeof kIccName + 2;
constexpr size_t kIccPartBytes = kMaxSegmentPayload - kIccPartHeader;

constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";
constexpr char kIccKeyword[] = "ICC Profile";

bool startsWith(const uint8_t* data, size_t size, const void* prefix, size_t bytes) {
    return size >= bytes && std::memcmp(data, prefix, bytes) == 0;
}

// The Exif block of a container that may put JPEG's "Exif\0\0" in front of it; empty when what
// remains is not a TIFF structure.
std::vector<uint8_t> exifBlock(const uint8_t* data, size_t size) {
    if (startsWith(data, size, kExifPrefix, sizeof kExifPrefix)) {
        data += sizeof kExifPrefix;
        size -= sizeof kExifPrefix;
    }
    if (size > kMaxMetadataBlockBytes || !isExifBlock(data, size)) return {};
    return std::vector<uint8_t>(data, data + size);
}

JpegSegment segment(uint16_t marker, const uint8_t* head, size_t headBytes, const uint8_t* body,
                    size_t bodyBytes) {
    JpegSegment s;
    s.marker = marker;
    s.length = int32_t(2 + headBytes + bodyBytes);
    s.data.reserve(size_t(s.length));
    s.data.push_back(uint8_t(s.length >> 8));
    s.data.push_back(uint8_t(s.length));
    s.data.insert(s.data.end(), head, head + headBytes);
    if (bodyBytes > 0) s.data.insert(s.data.end(), body, body + bodyBytes);
    return s;
}

uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Inflates a zlib stream of at most kMaxMetadataBlockBytes; false for corrupt, truncated or
// larger data.
bool inflateLimited(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(std::min<size_t>(size, UINT32_MAX));
    out.clear();
    int status = Z_OK;
    try {
        while (status == Z_OK) {
            const size_t used = out.size();
            if (used >= kMaxMetadataBlockBytes) break;
            const size_t step =
                std::min<size_t>(std::max<size_t>(used, 4096), kMaxMetadataBlockBytes - used);
            out.resize(used + step);
            z.next_out = out.data() + used;
            z.avail_out = uInt(step);
            status = inflate(&z, Z_NO_FLUSH);
            out.resize(used + step - z.avail_out);
            if (status == Z_BUF_ERROR && z.avail_in == 0) break;
        }
    } catch (const std::bad_alloc&) {
        status = Z_MEM_ERROR;
    }
    inflateEnd(&z);
    return status == Z_STREAM_END;
}

// The zero-ended text at `at` (at most `limit` bytes before its zero); advances past the zero.
bool takeText(const std::vector<uint8_t>& data, size_t& at, size_t limit, std::string& text) {
    const auto begin = data.begin() + std::ptrdiff_t(at);
    const auto zero = std::find(begin, data.end(), 0);
    if (zero == data.end() || size_t(zero - begin) > limit) return false;
    text.assign(begin, zero);
    at = size_t(zero - data.begin()) + 1;
    return true;
}

// The XMP packet of an iTXt chunk with the XMP keyword; empty for any other chunk.
std::vector<uint8_t> xmpOfText(const std::vector<uint8_t>& data) {
    size_t at = 0;
    std::string keyword, language, translated;
    if (!takeText(data, at, 79, keyword) || keyword != kXmpKeyword || data.size() - at < 2) {
        return {};
    }
    const uint8_t compressed = data[at], method = data[at + 1];
    at += 2;
    if (!takeText(data, at, data.size(), language) ||
        !takeText(data, at, data.size(), translated)) {
        return {};
    }
    if (compressed == 0) return std::vector<uint8_t>(data.begin() + std::ptrdiff_t(at), data.end());
    std::vector<uint8_t> text;
    if (compressed != 1 || method != 0 ||
        !inflateLimited(data.data() + at, data.size() - at, text)) {
        return {};
    }
    return text;
}

// The profile of an iCCP chunk; empty when it does not inflate.
std::vector<uint8_t> profileOfChunk(const std::vector<uint8_t>& data) {
    size_t at = 0;
    std::string name;
    if (!takeText(data, at, 79, name) || name.empty() || at >= data.size() || data[at] != 0) {
        return {};
    }
    ++at;
    std::vector<uint8_t> profile;
    if (!inflateLimited(data.data() + at, data.size() - at, profile)) return {};
    return profile;
}

bool deflateZlib(const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(9);
    if (!compressor) return false;
    out.resize(libdeflate_zlib_compress_bound(compressor, in.size()));
    const size_t used =
        libdeflate_zlib_compress(compressor, in.data(), in.size(), out.data(), out.size());
    libdeflate_free_compressor(compressor);
    out.resize(used);
    return used != 0;
}

struct DemuxDelete {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct MuxDelete {
    void operator()(WebPMux* m) const { WebPMuxDelete(m); }
};

}  // namespace

PhotoMetadata metadataFromJpegSegments(const std::deque<JpegSegment>& segments) {
    PhotoMetadata found;
    struct Part {
        int number;
        const uint8_t* data;
        size_t size;
    };
    std::vector<Part> parts;
    int partCount = -1;
    bool partsAgree = true;
    for (const JpegSegment& s : segments) {
        if (s.data.size() < 2) continue;
        const uint8_t* payload = s.data.data() + 2;
        const size_t size = s.data.size() - 2;
        if (s.marker == JpegSegment::kExif) {
            if (found.exif.empty()) found.exif = exifBlock(payload, size);
        } else if (s.marker == 0xE1 &&
                   startsWith(payload, size, kXmpNamespace, sizeof kXmpNamespace)) {
            if (found.xmp.empty()) {
                found.xmp.assign(payload + sizeof kXmpNamespace, payload + size);
            }
        } else if (s.marker == 0xE2 && size >= kIccPartHeader &&
                   startsWith(payload, size, kIccName, sizeof kIccName)) {
            const int number = payload[sizeof kIccName];
            const int count = payload[sizeof kIccName + 1];
            if (partCount >= 0 && count != partCount) partsAgree = false;
            partCount = count;
            parts.push_back({number, payload + kIccPartHeader, size - kIccPartHeader});
        }
    }
    // Parts numbered 1 to their count, each once; a profile with a part missing or twice is of
    // no use to anyone.
    if (partsAgree && partCount > 0 && parts.size() == size_t(partCount)) {
        std::sort(parts.begin(), parts.end(),
                  [](const Part& a, const Part& b) { return a.number < b.number; });
        bool whole = true;
        for (size_t i = 0; i < parts.size(); ++i) whole = whole && parts[i].number == int(i) + 1;
        if (whole) {
            for (const Part& p : parts) found.icc.insert(found.icc.end(), p.data, p.data + p.size);
        }
    }
    return found;
}

void appendMetadataSegments(const PhotoMetadata& metadata, std::deque<JpegSegment>& segments) {
    if (!metadata.exif.empty() && metadata.exif.size() + sizeof kExifPrefix <= kMaxSegmentPayload) {
        segments.push_back(segment(JpegSegment::kExif, kExifPrefix, sizeof kExifPrefix,
                                   metadata.exif.data(), metadata.exif.size()));
    } else {
        // Without Exif in front, the file starts as the encoder alone would start it: JFIF 1.01,
        // square pixels, no stated resolution.
        static constexpr uint8_t kJfif[] = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
        if (!metadata.xmp.empty() || !metadata.icc.empty()) {
            segments.push_back(segment(JpegSegment::kJfif, kJfif, sizeof kJfif, nullptr, 0));
        }
    }
    if (!metadata.xmp.empty() && metadata.xmp.size() + sizeof kXmpNamespace <= kMaxSegmentPayload) {
        segments.push_back(segment(0xE1, reinterpret_cast<const uint8_t*>(kXmpNamespace),
                                   sizeof kXmpNamespace, metadata.xmp.data(), metadata.xmp.size()));
    }
    const size_t parts = (metadata.icc.size() + kIccPartBytes - 1) / kIccPartBytes;
    if (parts > 0 && parts <= 255) {
        for (size_t i = 0; i < parts; ++i) {
            uint8_t head[kIccPartHeader];
            std::memcpy(head, kIccName, sizeof kIccName);
            head[sizeof kIccName] = uint8_t(i + 1);
            head[sizeof kIccName + 1] = uint8_t(parts);
            const size_t at = i * kIccPartBytes;
            segments.push_back(segment(0xE2, head, sizeof head, metadata.icc.data() + at,
                                       std::min(kIccPartBytes, metadata.icc.size() - at)));
        }
    }
}

bool readPngMetadata(ByteStream& stream, PhotoMetadata& metadata) {
    static constexpr uint8_t kSignature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    const uint32_t start = stream.tell();
    uint8_t signature[8];
    if (stream.read(signature, 1, 8) != 8 || std::memcmp(signature, kSignature, 8) != 0) {
        stream.seekTo(start);
        return false;
    }
    PhotoMetadata found;
    try {
        for (;;) {
            uint8_t head[8];
            if (stream.read(head, 1, 8) != 8) break;
            const uint32_t length = be32(head);
            const uint32_t at = stream.tell();
            if (length > 0x7FFFFFFFu || uint64_t(at) + length + 4 > stream.size()) break;
            const char* type = reinterpret_cast<const char*>(head + 4);
            const bool exif = std::memcmp(type, "eXIf", 4) == 0 && found.exif.empty();
            const bool text = std::memcmp(type, "iTXt", 4) == 0 && found.xmp.empty();
            const bool profile = std::memcmp(type, "iCCP", 4) == 0 && found.icc.empty();
            if ((exif || text || profile) && length <= kMaxMetadataBlockBytes) {
                std::vector<uint8_t> data(length);
                uint8_t crc[4];
                if ((length > 0 && stream.read(data.data(), 1, length) != length) ||
                    stream.read(crc, 1, 4) != 4) {
                    break;
                }
                uint32_t sum = libdeflate_crc32(0, head + 4, 4);
                sum = libdeflate_crc32(sum, data.data(), data.size());
                if (sum != be32(crc)) continue;
                if (exif) found.exif = exifBlock(data.data(), data.size());
                if (text) found.xmp = xmpOfText(data);
                if (profile) found.icc = profileOfChunk(data);
            } else if (!stream.seekTo(at + length + 4)) {
                break;
            }
            if (std::memcmp(type, "IEND", 4) == 0) break;
        }
    } catch (const std::bad_alloc&) {
        found.clear();
    }
    stream.seekTo(start);
    metadata = std::move(found);
    return true;
}

std::vector<PngChunk> pngMetadataChunks(const PhotoMetadata& metadata) {
    std::vector<PngChunk> chunks;
    if (!metadata.icc.empty()) {
        PngChunk c{"iCCP", {}};
        std::vector<uint8_t> deflated;
        if (deflateZlib(metadata.icc, deflated)) {
            c.data.assign(kIccKeyword, kIccKeyword + sizeof kIccKeyword);  // with its zero
            c.data.push_back(0);                                           // deflate
            c.data.insert(c.data.end(), deflated.begin(), deflated.end());
            chunks.push_back(std::move(c));
        }
    }
    if (!metadata.exif.empty()) chunks.push_back({"eXIf", metadata.exif});
    if (!metadata.xmp.empty()) {
        PngChunk c{"iTXt", {}};
        c.data.assign(kXmpKeyword, kXmpKeyword + sizeof kXmpKeyword);
        // Not compressed, no language, no translated keyword.
        c.data.insert(c.data.end(), {0, 0, 0, 0});
        c.data.insert(c.data.end(), metadata.xmp.begin(), metadata.xmp.end());
        chunks.push_back(std::move(c));
    }
    return chunks;
}

PhotoMetadata metadataFromWebp(const uint8_t* data, size_t size) {
    PhotoMetadata found;
    const WebPData file{data, size};
    std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&file));
    if (!demux) return found;
    auto take = [&](const char* fourcc, std::vector<uint8_t>& into) {
        WebPChunkIterator chunk;
        if (!WebPDemuxGetChunk(demux.get(), fourcc, 1, &chunk)) return;
        if (chunk.chunk.size <= kMaxMetadataBlockBytes) {
            into.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        }
        WebPDemuxReleaseChunkIterator(&chunk);
    };
    take("EXIF", found.exif);
    if (!found.exif.empty()) found.exif = exifBlock(found.exif.data(), found.exif.size());
    take("XMP ", found.xmp);
    take("ICCP", found.icc);
    return found;
}

bool addMetadataToWebp(std::vector<uint8_t>& file, const PhotoMetadata& metadata,
                       std::string* reason) {
    if (metadata.empty()) return true;
    auto fail = [&] {
        if (reason) *reason = "the WebP metadata could not be added";
        return false;
    };
    const WebPData image{file.data(), file.size()};
    std::unique_ptr<WebPMux, MuxDelete> mux(WebPMuxCreate(&image, 0));
    if (!mux) return fail();
    auto put = [&](const char* fourcc, const std::vector<uint8_t>& block) {
        if (block.empty()) return true;
        const WebPData chunk{block.data(), block.size()};
        return WebPMuxSetChunk(mux.get(), fourcc, &chunk, 0) == WEBP_MUX_OK;
    };
    if (!put("ICCP", metadata.icc) || !put("EXIF", metadata.exif) || !put("XMP ", metadata.xmp)) {
        return fail();
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK) {
        WebPDataClear(&assembled);
        return fail();
    }
    try {
        std::vector<uint8_t> joined(assembled.bytes, assembled.bytes + assembled.size);
        WebPDataClear(&assembled);
        file.swap(joined);
    } catch (const std::bad_alloc&) {
        WebPDataClear(&assembled);
        return fail();
    }
    return true;
}

PhotoMetadata metadataForSave(const PhotoMetadata& metadata, int32_t width, int32_t height) {
    PhotoMetadata saved = metadata;
    resetExifOrientation(saved.exif);
    setExifPixelDimensions(saved.exif, width, height);
    return saved;
}

std::string describeMetadata(const PhotoMetadata& metadata) {
    std::string text;
    auto add = [&](const char* name, const std::vector<uint8_t>& block) {
        if (block.empty()) return;
        if (!text.empty()) text += ", ";
        text += std::string(name) + " " + std::to_string(block.size()) + " bytes";
    };
    add("Exif", metadata.exif);
    add("XMP", metadata.xmp);
    add("ICC profile", metadata.icc);
    return text;
}

}  // namespace varnel
