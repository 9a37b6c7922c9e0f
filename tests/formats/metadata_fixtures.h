// Camera metadata written by hand for the tests: a small Exif block laid out byte by byte in
// either byte order, an XMP packet and an ICC profile large enough to need several JPEG
// segments, and the splicing of such blocks into JPEG and PNG files written by the libraries.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "codec_fixtures.h"

namespace varnel::fixtures {

// An Exif block: the first directory holds Make ("Camera", out of line), Orientation (SHORT) and
// the Exif directory's offset; the Exif directory holds ExposureTime (RATIONAL 1/250, out of
// line), PixelXDimension as a SHORT and PixelYDimension as a LONG.
//
//   0 header | 8 first directory (3 entries) | 50 "Camera\0" + pad | 58 Exif directory
//   (3 entries) | 100 the rational | 108
inline Bytes exifBlock(bool little, uint16_t orientation, uint32_t width, uint32_t height) {
    Bytes b;
    auto u16 = [&](uint32_t v) {
        if (little) {
            b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
        } else {
            b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
        }
    };
    auto u32 = [&](uint32_t v) {
        if (little) {
            u16(v & 0xFFFF);
            u16(v >> 16);
        } else {
            u16(v >> 16);
            u16(v & 0xFFFF);
        }
    };
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count) {
        u16(tag);
        u16(type);
        u32(count);
    };
    b.insert(b.end(), little ? std::initializer_list<uint8_t>{'I', 'I'}
                             : std::initializer_list<uint8_t>{'M', 'M'});
    u16(42);
    u32(8);
    u16(3);
    entry(0x010F, 2, 7);
    u32(50);
    entry(0x0112, 3, 1);
    u16(orientation);
    u16(0);
    entry(0x8769, 4, 1);
    u32(58);
    u32(0);
    for (char c : std::string("Camera")) b.push_back(uint8_t(c));
    b.insert(b.end(), {0, 0});
    u16(3);
    entry(0x829A, 5, 1);
    u32(100);
    entry(0xA002, 3, 1);
    u16(width);
    u16(0);
    entry(0xA003, 4, 1);
    u32(height);
    u32(0);
    u32(1);
    u32(250);
    return b;
}

inline Bytes xmpPacket() {
    const std::string text =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:creator>Tester</dc:creator>"
        "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
    return Bytes(text.begin(), text.end());
}

// A profile-sized block of `size` bytes that compresses poorly (no two parts alike).
inline Bytes iccProfile(size_t size) {
    Bytes p(size);
    uint32_t state = 12345;
    for (uint8_t& v : p) {
        state = state * 1103515245u + 12345u;
        v = uint8_t(state >> 23);
    }
    const char signature[] = "acsp";
    if (size > 40) std::copy(signature, signature + 4, p.begin() + 36);
    return p;
}

// A JPEG segment as the file holds it: marker, length, payload.
inline Bytes jpegSegment(uint8_t marker, const Bytes& head, const Bytes& body) {
    const size_t length = 2 + head.size() + body.size();
    Bytes s = {0xFF, marker, uint8_t(length >> 8), uint8_t(length)};
    s.insert(s.end(), head.begin(), head.end());
    s.insert(s.end(), body.begin(), body.end());
    return s;
}

// `file` with `segments` right after its start marker.
inline Bytes spliceJpeg(const Bytes& file, const std::vector<Bytes>& segments) {
    Bytes out(file.begin(), file.begin() + 2);
    for (const Bytes& s : segments) out.insert(out.end(), s.begin(), s.end());
    out.insert(out.end(), file.begin() + 2, file.end());
    return out;
}

inline Bytes exifSegment(const Bytes& block) {
    return jpegSegment(0xE1, {'E', 'x', 'i', 'f', 0, 0}, block);
}

inline Bytes xmpSegment(const Bytes& packet) {
    const std::string ns = "http://ns.adobe.com/xap/1.0/";
    Bytes head(ns.begin(), ns.end());
    head.push_back(0);
    return jpegSegment(0xE1, head, packet);
}

// The profile's APP2 parts of at most `partBytes` each, in the order given by `order` (1-based
// part numbers; all of them in sequence when empty).
inline std::vector<Bytes> iccSegments(const Bytes& profile, size_t partBytes,
                                      std::vector<int> order = {}) {
    const size_t count = (profile.size() + partBytes - 1) / partBytes;
    if (order.empty()) {
        for (size_t i = 1; i <= count; ++i) order.push_back(int(i));
    }
    std::vector<Bytes> out;
    for (int n : order) {
        const std::string name = "ICC_PROFILE";
        Bytes head(name.begin(), name.end());
        head.insert(head.end(), {0, uint8_t(n), uint8_t(count)});
        const size_t at = size_t(n - 1) * partBytes;
        out.push_back(
            jpegSegment(0xE2, head,
                        Bytes(profile.begin() + long(at),
                              profile.begin() + long(std::min(profile.size(), at + partBytes)))));
    }
    return out;
}

inline Bytes zlibOf(const Bytes& data) {
    uLongf size = compressBound(uLong(data.size()));
    Bytes out(size);
    compress2(out.data(), &size, data.data(), uLong(data.size()), 9);
    out.resize(size);
    return out;
}

// `file` (a PNG) with `chunks` right after its header chunk.
inline Bytes splicePng(const Bytes& file, const std::vector<Bytes>& chunks) {
    const size_t afterHeader = 8 + 12 + 13;
    Bytes out(file.begin(), file.begin() + long(afterHeader));
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    out.insert(out.end(), file.begin() + long(afterHeader), file.end());
    return out;
}

inline Bytes iccpChunk(const Bytes& profile) {
    Bytes data = {'i', 'c', 'c', 0, 0};
    const Bytes z = zlibOf(profile);
    data.insert(data.end(), z.begin(), z.end());
    return pngChunk("iCCP", data);
}

inline Bytes xmpChunk(const Bytes& packet, bool compressed) {
    const std::string key = "XML:com.adobe.xmp";
    Bytes data(key.begin(), key.end());
    data.insert(data.end(), {0, uint8_t(compressed ? 1 : 0), 0, 0, 0});
    const Bytes text = compressed ? zlibOf(packet) : packet;
    data.insert(data.end(), text.begin(), text.end());
    return pngChunk("iTXt", data);
}

}  // namespace varnel::fixtures
