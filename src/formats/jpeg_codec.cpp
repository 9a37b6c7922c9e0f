#include "formats/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
// The library's headers expect stdio's types first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "formats/byte_stream.h"
#include "formats/image_file.h"
#include "formats/refusal.h"

namespace varnel {

// The library reports errors by longjmp. Every function below that calls into it sets its own
// jump point and holds only plain values and pointers, so that no destructor is ever skipped;
// objects that own memory live in the callers.

namespace {

constexpr size_t kStreamBufferSize = 64 * 1024;
// A hostile progressive file can hold thousands of scans, each a full pass over the image.
constexpr int kMaxScans = 1000;
// Work memory of the decoder beyond the output image (the coefficient buffers of a progressive
// file of the largest allowed size fit).
constexpr long kMaxDecoderMemory = 3L << 30;

// Beyond kPixelsDecodedUnchecked, a file must have at least one byte for this many pixels. A
// Huffman-coded file spends at least one bit on every 8 × 8 block of every component (its DC
// code; baseline files one more for the end of block), so a grey progressive file holds at most
// 512 pixels per byte; the allowance is four times that. Only arithmetic-coded pictures of
// vast flat areas could be denser.
constexpr uint64_t kJpegPixelsPerByte = 2048;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // The library's message for the error that ended the operation.
    char text[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpBack(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    errors->pub.format_message(cinfo, errors->text);
    std::longjmp(errors->jump, 1);
}

// The library's message as a reason: "Bogus marker length" becomes "bogus marker length".
std::string libraryReason(const ErrorManager& errors, const char* otherwise) {
    std::string reason = errors.text[0] ? errors.text : otherwise;
    if (reason.size() > 1 && std::islower(static_cast<unsigned char>(reason[1]))) {
        reason[0] = char(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    return reason;
}
void silentMessage(j_common_ptr) {}

void setUpErrors(ErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.text[0] = '\0';
    errors.pub.error_exit = jumpBack;
    errors.pub.output_message = silentMessage;
}

// --- source manager over a ByteStream ------------------------------------------------------------

struct Source {
    jpeg_source_mgr pub;
    ByteStream* stream;
    bool atStart;
    // The data ran out and an end marker was supplied in its place.
    bool ranOut;
    JOCTET buffer[kStreamBufferSize];
};

void initSource(j_decompress_ptr cinfo) {
    reinterpret_cast<Source*>(cinfo->src)->atStart = true;
    reinterpret_cast<Source*>(cinfo->src)->ranOut = false;
}

boolean fillInput(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<Source*>(cinfo->src);
    uint32_t n = src->stream->read(src->buffer, 1, uint32_t(kStreamBufferSize));
    if (n == 0) {
        if (src->atStart) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        // Truncated data: warn and end the image, so that the rows not decoded get the library's
        // fill instead of the decode failing.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->ranOut = true;
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = n;
    src->atStart = false;
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* src = reinterpret_cast<Source*>(cinfo->src);
    size_t left = size_t(count);
    while (left > src->pub.bytes_in_buffer) {
        left -= src->pub.bytes_in_buffer;
        fillInput(cinfo);
    }
    src->pub.next_input_byte += left;
    src->pub.bytes_in_buffer -= left;
}

void termSource(j_decompress_ptr) {}

// --- destination manager over a ByteStream -------------------------------------------------------

struct Destination {
    jpeg_destination_mgr pub;
    ByteStream* stream;
    JOCTET buffer[kStreamBufferSize];
};

void initDestination(j_compress_ptr cinfo) {
    auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kStreamBufferSize;
}

boolean emptyOutput(j_compress_ptr cinfo) {
    auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
    if (dst->stream->write(dst->buffer, 1, uint32_t(kStreamBufferSize)) != kStreamBufferSize) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    dst->pub.next_output_byte = dst->buffer;
    dst->pub.free_in_buffer = kStreamBufferSize;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dst = reinterpret_cast<Destination*>(cinfo->dest);
    const size_t used = kStreamBufferSize - dst->pub.free_in_buffer;
    // File streams reach the disk when the save commits; here it is enough that every byte went
    // out and the stream is still sound.
    if ((used > 0 && dst->stream->write(dst->buffer, 1, uint32_t(used)) != used) ||
        dst->stream->isBad()) {
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

void limitScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number <= kMaxScans) return;
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(errors->text, sizeof errors->text, "more than %d scans", kMaxScans);
    std::longjmp(errors->jump, 1);
}

// --- decoding phases -----------------------------------------------------------------------------

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager errors;
    jpeg_progress_mgr progress;
    Source* source = nullptr;
    bool created = false;
};

bool decodeHeader(Decoder* d, ByteStream* stream) {
    if (setjmp(d->errors.jump)) return false;
    jpeg_CreateDecompress(&d->cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
    d->created = true;
    d->cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    d->progress.progress_monitor = limitScans;
    d->cinfo.progress = &d->progress;
    d->source->pub.init_source = initSource;
    d->source->pub.fill_input_buffer = fillInput;
    d->source->pub.skip_input_data = skipInput;
    d->source->pub.resync_to_restart = jpeg_resync_to_restart;
    d->source->pub.term_source = termSource;
    d->source->pub.bytes_in_buffer = 0;
    d->source->pub.next_input_byte = nullptr;
    d->source->stream = stream;
    d->cinfo.src = &d->source->pub;
    jpeg_read_header(&d->cinfo, TRUE);
    d->cinfo.out_color_space = d->cinfo.num_components == 4 ? JCS_CMYK : JCS_EXT_BGR;
    d->cinfo.quantize_colors = FALSE;
    jpeg_calc_output_dimensions(&d->cinfo);
    return true;
}

bool startDecoding(Decoder* d) {
    if (setjmp(d->errors.jump)) return false;
    jpeg_start_decompress(&d->cinfo);
    return true;
}

bool decodeRows(Decoder* d, uint8_t* const* rows) {
    if (setjmp(d->errors.jump)) return false;
    const JDIMENSION height = d->cinfo.output_height;
    while (d->cinfo.output_scanline < height) {
        const JDIMENSION at = d->cinfo.output_scanline;
        // The rows are the colour plane's own: the library writes blue, green, red in place.
        if (jpeg_read_scanlines(&d->cinfo, const_cast<JSAMPARRAY>(rows + at), height - at) == 0) {
            return false;
        }
    }
    return true;
}

// CMYK and YCCK files arrive as the library's inverted c, m, y, k samples.
bool decodeCmykRows(Decoder* d, uint8_t* const* rows, JSAMPROW buffer) {
    if (setjmp(d->errors.jump)) return false;
    const JDIMENSION width = d->cinfo.output_width;
    const JDIMENSION height = d->cinfo.output_height;
    while (d->cinfo.output_scanline < height) {
        const JDIMENSION y = d->cinfo.output_scanline;
        if (jpeg_read_scanlines(&d->cinfo, &buffer, 1) == 0) return false;
        uint8_t* out = rows[y];
        const JSAMPLE* in = buffer;
        for (JDIMENSION x = 0; x < width; ++x) {
            const unsigned k = in[3];
            out[0] = uint8_t(in[2] * k / 255);
            out[1] = uint8_t(in[1] * k / 255);
            out[2] = uint8_t(in[0] * k / 255);
            out += 3;
            in += 4;
        }
    }
    return true;
}

bool finishDecoding(Decoder* d) {
    if (setjmp(d->errors.jump)) return false;
    jpeg_finish_decompress(&d->cinfo);
    return true;
}

struct DecoderGuard {
    Decoder* d;
    ~DecoderGuard() {
        if (d->created) jpeg_destroy_decompress(&d->cinfo);
    }
};

// --- encoding --------------------------------------------------------------------------------

struct EncodeJob {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t* const* rows = nullptr;
    int quality = 95;
    int threshold = 95;
    int options = 0;
    int smoothing = 0;
};

struct Encoder {
    jpeg_compress_struct cinfo;
    ErrorManager errors;
    Destination* destination = nullptr;
    bool created = false;
};

bool encode(Encoder* e, ByteStream* stream, const EncodeJob* job) {
    if (setjmp(e->errors.jump)) return false;
    jpeg_CreateCompress(&e->cinfo, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
    e->created = true;
    e->destination->stream = stream;
    e->destination->pub.init_destination = initDestination;
    e->destination->pub.empty_output_buffer = emptyOutput;
    e->destination->pub.term_destination = termDestination;
    e->cinfo.dest = &e->destination->pub;
    e->cinfo.image_width = job->width;
    e->cinfo.image_height = job->height;
    e->cinfo.input_components = 3;
    // The colour plane's own order: rows go to the library unchanged.
    e->cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&e->cinfo);
    if (job->options & JpegFormatInfo::kOptimizeHuffman) e->cinfo.optimize_coding = TRUE;
    if (job->options & JpegFormatInfo::kProgressive) jpeg_simple_progression(&e->cinfo);
    if (job->smoothing != 0) e->cinfo.smoothing_factor = std::clamp(job->smoothing, 1, 100);
    const int quality = libjpegQuality(job->quality);
    jpeg_set_quality(&e->cinfo, quality, (job->options & JpegFormatInfo::kForceBaseline) != 0);
    if (quality >= job->threshold) {
        e->cinfo.comp_info[0].h_samp_factor = 1;
        e->cinfo.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&e->cinfo, TRUE);
    while (e->cinfo.next_scanline < job->height) {
        const JDIMENSION at = e->cinfo.next_scanline;
        jpeg_write_scanlines(&e->cinfo, const_cast<JSAMPARRAY>(job->rows + at), job->height - at);
    }
    jpeg_finish_compress(&e->cinfo);
    return true;
}

struct EncoderGuard {
    Encoder* e;
    ~EncoderGuard() {
        if (e->created) jpeg_destroy_compress(&e->cinfo);
    }
};

// --- segments --------------------------------------------------------------------------------

uint32_t be16(const uint8_t* p) {
    return uint32_t(p[0]) << 8 | p[1];
}
uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

constexpr uint8_t kMarkerSoi = 0xD8;
constexpr uint8_t kMarkerEoi = 0xD9;
constexpr uint8_t kMarkerSos = 0xDA;
constexpr uint8_t kMarkerDqt = 0xDB;
constexpr uint8_t kMarkerDht = 0xC4;

const uint8_t kPhotoshop[] = "Photoshop 3.0";  // with its zero byte: 14 bytes

// The JFIF segment written in front of kept segments that do not start with JFIF or Exif: version
// 1.01, 300 dots per inch, no thumbnail.
constexpr uint8_t kDefaultJfif[] = {0xFF, 0xE0, 0x00, 0x10, 'J',  'F',  'I',  'F',  0x00,
                                    0x01, 0x01, 0x01, 0x01, 0x2C, 0x01, 0x2C, 0x00, 0x00};

uint16_t recognise(uint8_t marker, const std::vector<uint8_t>& data) {
    const uint8_t* payload = data.data() + 2;
    const size_t size = data.size() - 2;
    if (marker == 0xE0 && size >= 5 && std::memcmp(payload, "JFIF\0", 5) == 0) {
        return JpegSegment::kJfif;
    }
    if (marker == 0xE1 && size >= 6 && std::memcmp(payload, "Exif\0\0", 6) == 0) {
        return JpegSegment::kExif;
    }
    if (marker == 0xED && size > sizeof kPhotoshop &&
        std::memcmp(payload, kPhotoshop, sizeof kPhotoshop) == 0 &&
        hasIptcResource(payload + sizeof kPhotoshop, size - sizeof kPhotoshop)) {
        return JpegSegment::kIptc;
    }
    return marker;
}

bool writeAll(ByteStream& stream, const void* data, size_t size) {
    if (size == 0) return true;
    return size <= UINT32_MAX && stream.write(data, 1, uint32_t(size)) == size;
}

}  // namespace

int libjpegQuality(int quality) {
    const int q = std::clamp(quality, 0, 100);
    return std::clamp(int(q * 0.93 + 5 + 0.5), 5, 98);
}

bool hasIptcResource(const uint8_t* data, size_t size) {
    size_t at = 0;
    while (size - at >= 4 && std::memcmp(data + at, "8BIM", 4) == 0) {
        at += 4;
        if (size - at < 3) return false;
        const uint32_t id = be16(data + at);
        at += 2;
        // The name: a length byte and its text, padded together to an even count.
        size_t nameBytes = size_t(data[at]) + 1;
        nameBytes += nameBytes & 1;
        if (size - at < nameBytes) return false;
        at += nameBytes;
        if (size - at < 4) return false;
        size_t blockBytes = be32(data + at);
        at += 4;
        if (id == 0x0404) return true;
        blockBytes += blockBytes & 1;
        if (size - at < blockBytes) return false;
        at += blockBytes;
    }
    return false;
}

bool readSegment(ByteStream& stream, bool applicationOnly, JpegSegment& segment) {
    if (!stream.isOpen() || stream.isEof()) return false;
    int fills = 0;
    int byte = 0;
    for (;;) {
        byte = stream.readByte();
        if (byte < 0) return false;
        if (byte != 0xFF) break;
        if (++fills == 6) return false;
    }
    if (fills == 0 || byte == kMarkerEoi) return false;
    const uint8_t marker = uint8_t(byte);
    uint8_t lengthBytes[2];
    if (stream.read(lengthBytes, 1, 2) != 2) return false;
    const uint32_t length = be16(lengthBytes);
    if (length < 2) return false;

    JpegSegment result;
    result.marker = marker;
    result.length = int32_t(length);
    const bool application = marker >= 0xE0 && marker <= 0xEF;
    if (applicationOnly && !application) {
        const uint64_t end = uint64_t(stream.tell()) + (length - 2);
        if (end >= stream.size() || !stream.seekTo(uint32_t(end))) return false;
        segment = std::move(result);
        return true;
    }
    result.data.resize(length);
    result.data[0] = lengthBytes[0];
    result.data[1] = lengthBytes[1];
    if (length > 2 && stream.read(result.data.data() + 2, 1, length - 2) != length - 2) {
        return false;
    }
    result.marker = recognise(marker, result.data);
    segment = std::move(result);
    return true;
}

bool readSegments(ByteStream& stream, std::deque<JpegSegment>& list, SegmentMode mode,
                  uint32_t end) {
    const bool loading = mode == SegmentMode::ApplicationOnly;
    auto fail = [&] {
        if (loading) list.clear();
        return false;
    };
    try {
        uint8_t start[2];
        if (stream.read(start, 1, 2) != 2 || start[0] != 0xFF || start[1] != kMarkerSoi) {
            return fail();
        }
        for (;;) {
            JpegSegment segment;
            if (!readSegment(stream, loading, segment)) return fail();
            const uint8_t marker = segment.markerByte();
            if (segment.marker == JpegSegment::kJfif) continue;
            if (loading) {
                if (marker == kMarkerDht || marker == kMarkerSos || marker == kMarkerDqt) {
                    return true;
                }
                list.push_back(std::move(segment));
                continue;
            }
            list.push_back(std::move(segment));
            if (marker == kMarkerSos) break;
        }
        // Full mode: the entropy-coded data and the end marker become one last segment.
        const uint32_t at = stream.tell();
        const uint32_t size = end != 0 ? std::min(end, stream.size()) : stream.size();
        if (at >= size || size - at <= 2) return fail();
        JpegSegment rest;
        rest.length = int32_t(std::min<uint32_t>(size - at, INT32_MAX));
        rest.data.resize(size - at);
        if (stream.read(rest.data.data(), 1, size - at) != size - at) return fail();
        list.push_back(std::move(rest));
        return true;
    } catch (const std::bad_alloc&) {
        return fail();
    }
}

void keepSegments(const std::deque<JpegSegment>& source, std::deque<JpegSegment>& target,
                  uint32_t kinds) {
    for (const JpegSegment& s : source) {
        if (!s.isApplication()) continue;
        uint32_t kind = kSegmentOtherApplication;
        if (s.marker == JpegSegment::kJfif) kind = kSegmentJfif;
        if (s.marker == JpegSegment::kExif) kind = kSegmentExif;
        if (s.marker == JpegSegment::kIptc) kind = kSegmentIptc;
        if (kinds & kind) target.push_back(s);
    }
}

bool writeWithSegments(ByteStream& stream, const std::deque<JpegSegment>& list) {
    const bool hasScan = std::any_of(list.begin(), list.end(),
                                     [](const JpegSegment& s) { return s.marker == kMarkerSos; });
    if (!hasScan || list.size() < 2) return false;
    const uint8_t start[2] = {0xFF, kMarkerSoi};
    if (!writeAll(stream, start, 2)) return false;
    const uint16_t first = list.front().marker;
    if (first != JpegSegment::kJfif && first != JpegSegment::kExif &&
        !writeAll(stream, kDefaultJfif, sizeof kDefaultJfif)) {
        return false;
    }
    for (size_t i = 0; i + 1 < list.size(); ++i) {
        const JpegSegment& s = list[i];
        const uint8_t marker[2] = {0xFF, s.markerByte()};
        if (!writeAll(stream, marker, 2) || !writeAll(stream, s.data.data(), s.data.size())) {
            return false;
        }
    }
    return writeAll(stream, list.back().data.data(), list.back().data.size());
}

int exifOrientation(const JpegSegment& segment) {
    if (segment.marker != JpegSegment::kExif || segment.data.size() < 2 + 6) return 0;
    // The TIFF structure after "Exif\0\0"; its offsets count from its own start.
    const uint8_t* tiff = segment.data.data() + 8;
    const size_t size = segment.data.size() - 8;
    if (size < 8) return 0;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I') {
        little = true;
    } else if (tiff[0] == 'M' && tiff[1] == 'M') {
        little = false;
    } else {
        return 0;
    }
    auto u16 = [&](size_t at) {
        return little ? uint32_t(tiff[at]) | uint32_t(tiff[at + 1]) << 8 : be16(tiff + at);
    };
    auto u32 = [&](size_t at) {
        return little ? uint32_t(tiff[at]) | uint32_t(tiff[at + 1]) << 8 |
                            uint32_t(tiff[at + 2]) << 16 | uint32_t(tiff[at + 3]) << 24
                      : be32(tiff + at);
    };
    if (u16(2) != 42) return 0;
    const uint32_t ifd = u32(4);
    if (ifd > size || size - ifd < 2) return 0;
    const uint32_t count = u16(ifd);
    if ((size - ifd - 2) / 12 < count) return 0;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + size_t(i) * 12;
        if (u16(entry) != 0x0112) continue;
        // A SHORT (type 3) holding one value, stored in the entry itself.
        if (u16(entry + 2) != 3 || u32(entry + 4) != 1) return 0;
        const uint32_t value = u16(entry + 8);
        return value >= 1 && value <= 8 ? int(value) : 0;
    }
    return 0;
}

int exifOrientation(const std::deque<JpegSegment>& segments) {
    for (const JpegSegment& s : segments) {
        const int o = exifOrientation(s);
        if (o != 0) return o;
    }
    return 0;
}

bool JpegCodec::loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) {
    clearFailure();
    if (!stream.isOpen() || !accepts(image)) return false;
    auto* target = dynamic_cast<JpegImageFile*>(&image);
    if (!target) return false;
    m_resolution = 0;
    m_fileComponents = 0;
    JpegFormatInfo& info = target->jpegInfo();
    info.reset();
    const bool headerOnly = (flags & LoadHeaderOnly) != 0;
    const uint32_t start = stream.tell();
    const uint64_t fileBytes = stream.size() - std::min(stream.size(), start);
    if (!headerOnly) {
        readSegments(stream, info.segments, SegmentMode::ApplicationOnly);
        if (!stream.seekTo(start)) return refuse("read error");
    }

    auto decoder = std::make_unique<Decoder>();
    auto source = std::make_unique<Source>();
    decoder->source = source.get();
    setUpErrors(decoder->errors);
    decoder->cinfo.err = &decoder->errors.pub;
    DecoderGuard guard{decoder.get()};
    // An error after the data ran out (a file cut off inside its headers) is the truncation.
    auto libraryFailure = [&] {
        if (source->ranOut) return refuse(truncatedAt(stream.size()));
        return refuse(libraryReason(decoder->errors, "corrupt JPEG data"));
    };
    if (!decodeHeader(decoder.get(), &stream)) return libraryFailure();
    const jpeg_decompress_struct& c = decoder->cinfo;
    if (std::string why = checkSides(c.image_width, c.image_height); !why.empty()) {
        return refuse(why);
    }
    if (std::string why = checkSides(c.output_width, c.output_height); !why.empty()) {
        return refuse(why);
    }
    const bool cmyk = c.out_color_space == JCS_CMYK;
    info.bitDepth = c.output_components * 8;
    info.width = int32_t(c.output_width);
    info.height = int32_t(c.output_height);
    info.componentCount = c.output_components;
    m_fileComponents = c.num_components;
    if (c.saw_JFIF_marker && c.X_density > 0) {
        if (c.density_unit == 1) m_resolution = c.X_density;
        if (c.density_unit == 2) m_resolution = c.X_density * 2.54;
    }
    if (headerOnly) return true;

    const uint64_t pixels = uint64_t(c.output_width) * c.output_height;
    if (pixels > kPixelsDecodedUnchecked + fileBytes * kJpegPixelsPerByte) {
        return refuse(claimsMoreThanFile(pixels * 3, fileBytes));
    }
    if (!startDecoding(decoder.get())) return libraryFailure();
    target->clear(false);
    ColorImage color;
    if (!color.createColor(int32_t(c.output_width), int32_t(c.output_height))) {
        return refuse("out of memory");
    }
    bool ok;
    if (cmyk) {
        std::vector<JSAMPLE> buffer(size_t(c.output_width) * 4);
        ok = decodeCmykRows(decoder.get(), color.rowTable(), buffer.data());
    } else {
        ok = decodeRows(decoder.get(), color.rowTable());
    }
    if (!ok) return libraryFailure();
    // Every row is decoded; what follows the image (trailing junk, a second frame header) is
    // read only to reach the end marker, and its errors do not lose the picture.
    finishDecoding(decoder.get());
    target->pixels().swapStores(color);
    return true;
}

bool JpegCodec::saveToStream(ByteStream& stream, const ImageFile& image) {
    clearFailure();
    if (!stream.isOpen() || !accepts(image) || !image.isValid()) return false;
    const auto* source = dynamic_cast<const JpegImageFile*>(&image);
    if (!source) return false;
    const JpegFormatInfo& info = source->jpegInfo();
    const ColorImage& color = source->pixels();

    const uint32_t start = stream.tell();
    {
        auto encoder = std::make_unique<Encoder>();
        auto destination = std::make_unique<Destination>();
        encoder->destination = destination.get();
        setUpErrors(encoder->errors);
        encoder->cinfo.err = &encoder->errors.pub;
        EncoderGuard guard{encoder.get()};
        EncodeJob job;
        job.width = uint32_t(color.width());
        job.height = uint32_t(color.height());
        job.rows = color.rowTable();
        job.quality = info.quality;
        job.threshold = info.subsamplingThreshold;
        job.options = info.options;
        job.smoothing = info.smoothing;
        if (!encode(encoder.get(), &stream, &job)) {
            return refuse(libraryReason(encoder->errors, "write error"));
        }
    }
    // A memory stream is larger than what was written into it.
    const uint32_t end = stream.tell();

    const bool keepsApplication =
        std::any_of(info.segments.begin(), info.segments.end(),
                    [](const JpegSegment& s) { return s.isApplication(); });
    if (!keepsApplication) return true;
    // Write the file again with the kept segments in front of the encoder's own. When this
    // fails the encoder's output stays as it is.
    std::deque<JpegSegment> combined;
    keepSegments(info.segments, combined, kSegmentAllApplication);
    if (!stream.seekTo(start) || !readSegments(stream, combined, SegmentMode::Full, end)) {
        return true;
    }
    if (!stream.seekTo(start)) return true;
    return writeWithSegments(stream, combined);
}

}  // namespace varnel
