// Reading BMP files and packed bitmaps into surfaces.
//
// Every header field is hostile until checked: sizes are computed in 64 bits, every count and
// offset is held against the header block and against the bytes the stream really has, and all
// of that happens before the pixel memory is allocated. The file-size field is ignored (many
// writers leave it 0 or put the header size there); the data offset and the stream's length
// decide where the pixels are and how many there can be.
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "formats/bmp_codec.h"
#include "formats/bmp_detail.h"
#include "formats/byte_stream.h"
#include "formats/memory_stream.h"
#include "formats/refusal.h"

namespace varnel {
namespace bmp {
namespace {

constexpr uint16_t kMagic = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMaxHeaderSize = 124;

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kAlphaBitfields = 6;  // four masks after a 40-byte header

// Run-length data can describe a large picture in very few bytes (an end-of-line code covers a
// whole row). Beyond a base allowance, a picture may have at most this many pixels per byte of
// compressed data, so that a tiny file cannot make the reader allocate hundreds of megabytes. A
// row of the widest picture the editor takes costs 2 bytes (15000 pixels per byte), below this.
constexpr uint64_t kRleBasePixels = uint64_t(1) << 24;
constexpr uint64_t kRlePixelsPerByte = 16384;

uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

enum class Kind {
    Core,  // 12 bytes: 16-bit sides, palette entries of 3 bytes
    Os2,   // OS/2 2.x: 16 to 64 bytes, the info fields it has, then fields of its own
    Info,  // 40, 52, 56, 108 and 124 bytes
};

struct Header {
    Kind kind = Kind::Info;
    uint32_t size = 0;
    uint8_t raw[kMaxHeaderSize] = {};
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint16_t planes = 0;
    uint16_t bitCount = 0;
    uint32_t compression = kRgb;  // kRgb, kRle8, kRle4 or kBitfields
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha (bit fields only)
    uint32_t maskBytesAfter = 0;       // masks stored after a 40-byte header: 12 or 16
    std::vector<Bgra> palette;

    int32_t rows() const { return height < 0 ? -height : height; }
    bool bottomUp() const { return height > 0; }
};

bool acceptedHeaderSize(uint32_t size) {
    if (size == kCoreHeaderSize || size == 108 || size == 124) return true;
    // 40, 52 and 56 are the info headers; every other even size from 16 to 64 an OS/2 2.x one.
    return size >= 16 && size <= 64 && size % 2 == 0;
}

bool knownBitCount(uint32_t bits) {
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32;
}

// Decodes the fixed fields of a header of `size` bytes held in h.raw and checks them.
void parseFields(Header& h) {
    const uint8_t* p = h.raw;
    const uint32_t size = h.size;
    if (size == kCoreHeaderSize) {
        h.kind = Kind::Core;
        h.width = le16(p + 4);
        h.height = le16(p + 6);
        h.planes = le16(p + 8);
        h.bitCount = le16(p + 10);
        h.compression = kRgb;
    } else {
        h.kind = (size == 40 || size == 52 || size == 56 || size >= 108) ? Kind::Info : Kind::Os2;
        // An OS/2 2.x header may stop after any field; the fields it leaves out are 0.
        auto field32 = [&](uint32_t at) { return at + 4 <= size ? le32(p + at) : 0u; };
        h.width = int32_t(le32(p + 4));
        h.height = int32_t(le32(p + 8));
        h.planes = le16(p + 12);
        h.bitCount = le16(p + 14);
        h.compression = field32(16);
        h.sizeImage = field32(20);
        h.xPelsPerMeter = int32_t(field32(24));
        h.yPelsPerMeter = int32_t(field32(28));
        h.clrUsed = field32(32);
    }

    if (h.planes != 1) fail("invalid plane count " + std::to_string(h.planes));
    // Rows stored top-down have a negative height; INT32_MIN has no positive twin, and sides
    // that large are refused by the side limit anyway.
    if (std::string why = checkSides(h.width, std::abs(int64_t(h.height))); !why.empty()) {
        fail(why);
    }
    if (!knownBitCount(h.bitCount)) fail("unsupported bit depth " + std::to_string(h.bitCount));

    auto depthFor = [&](const char* compression, const char* depths) {
        fail(std::string(compression) + " compression needs " + depths + " bits per pixel, not " +
             std::to_string(h.bitCount));
    };
    switch (h.compression) {
        case kRgb:
            break;
        case kRle8:
            if (h.bitCount != 8) depthFor("RLE8", "8");
            break;
        case kRle4:
            if (h.bitCount != 4) depthFor("RLE4", "4");
            break;
        case kBitfields:
        case kAlphaBitfields:
            // For OS/2 2.x headers these numbers mean Huffman 1D and RLE24, which no one writes
            // any more and this reader does not take.
            if (h.kind != Kind::Info) {
                fail("unsupported compression " + std::to_string(h.compression));
            }
            if (h.bitCount != 16 && h.bitCount != 32) depthFor("bit-field", "16 or 32");
            if (size == kInfoHeaderSize) {
                h.maskBytesAfter = h.compression == kAlphaBitfields ? 16 : 12;
            } else {
                if (h.compression == kAlphaBitfields && size < 56) {
                    fail("alpha bit fields in a " + std::to_string(size) + "-byte header");
                }
                for (int i = 0; i < 3; ++i) h.masks[i] = le32(p + 40 + 4 * i);
                // The alpha mask is part of the 56, 108 and 124-byte headers only.
                if (size >= 56) h.masks[3] = le32(p + 52);
            }
            h.compression = kBitfields;
            break;
        default:
            // Embedded JPEG or PNG streams, and anything unknown.
            fail("unsupported compression " + std::to_string(h.compression));
    }
}

// Masks must each be one run of bits, must not overlap, must fit the pixel, and must leave some
// colour; anything else is a layout the reader cannot know.
void checkMasks(const Header& h) {
    if (h.compression != kBitfields) return;
    const uint64_t limit = h.bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    uint32_t seen = 0;
    for (uint32_t m : h.masks) {
        if (m > limit || (m & seen) != 0) fail("invalid colour masks");
        if (m) {
            const uint32_t run = m >> std::countr_zero(m);
            if ((run & (run + 1)) != 0) fail("invalid colour masks");
        }
        seen |= m;
    }
    if ((h.masks[0] | h.masks[1] | h.masks[2]) == 0) fail("invalid colour masks");
}

uint32_t readOrFail(ByteStream& s, void* out, uint32_t bytes) {
    if (bytes == 0) return 0;
    const uint64_t at = s.tell();
    if (s.read(out, 1, bytes) != bytes) fail(truncatedAt(s.size(), at + bytes));
    return bytes;
}

// Reads the header, its masks and its palette from a header block of `blockSize` bytes; returns
// the bytes used (the rest of the block is not read).
uint32_t readHeaderBlock(ByteStream& s, uint64_t blockSize, Header& h) {
    if (blockSize < 4) fail("header block of " + std::to_string(blockSize) + " bytes");
    readOrFail(s, h.raw, 4);
    h.size = le32(h.raw);
    if (!acceptedHeaderSize(h.size)) fail("unsupported header size " + std::to_string(h.size));
    if (h.size > blockSize) {
        fail("header of " + std::to_string(h.size) + " bytes in a header block of " +
             std::to_string(blockSize));
    }
    readOrFail(s, h.raw + 4, h.size - 4);
    parseFields(h);
    uint64_t used = h.size;

    if (h.maskBytesAfter) {
        if (used + h.maskBytesAfter > blockSize) fail("colour masks run past the header block");
        uint8_t m[16];
        readOrFail(s, m, h.maskBytesAfter);
        for (uint32_t i = 0; i < h.maskBytesAfter / 4; ++i) h.masks[i] = le32(m + 4 * i);
        used += h.maskBytesAfter;
    }
    checkMasks(h);

    // Only indexed pixels use a palette. Deeper files may carry one (or claim a colours-used
    // count meant as a hint): it is skipped with the rest of the header block.
    if (h.bitCount <= 8) {
        const uint32_t maxCount = 1u << h.bitCount;
        const uint32_t entryBytes = h.kind == Kind::Core ? 3 : 4;
        uint64_t count = 0;
        if (h.kind == Kind::Core) {
            // A core header has no count field: the palette is whatever fits before the pixels,
            // up to the full size for the depth (short palettes are found in the wild).
            count = std::min<uint64_t>(maxCount, (blockSize - used) / entryBytes);
        } else {
            count = h.clrUsed ? h.clrUsed : maxCount;
            if (count > maxCount) {
                fail("palette of " + std::to_string(count) + " colours for " +
                     std::to_string(h.bitCount) + " bits per pixel");
            }
            if (used + count * entryBytes > blockSize) fail("palette runs past the header block");
        }
        if (count == 0) fail("empty palette");
        uint8_t bytes[256 * 4];
        readOrFail(s, bytes, uint32_t(count * entryBytes));
        h.palette.resize(size_t(count));
        for (size_t i = 0; i < h.palette.size(); ++i) {
            const uint8_t* e = bytes + i * entryBytes;
            h.palette[i] = Bgra{e[0], e[1], e[2], 0};
        }
        used += count * entryBytes;
    }
    return uint32_t(used);
}

// The header block as the format info keeps it.
std::vector<uint8_t> headerCopy(const Header& h) {
    std::vector<uint8_t> out;
    if (h.kind == Kind::Info) {
        out.assign(h.raw, h.raw + h.size);
        if (h.maskBytesAfter) {
            for (uint32_t i = 0; i < h.maskBytesAfter / 4; ++i) {
                const uint32_t m = h.masks[i];
                for (int b = 0; b < 4; ++b) out.push_back(uint8_t(m >> (8 * b)));
            }
        }
    } else {
        BitmapInfoHeader bi;
        bi.width = h.width;
        bi.height = h.height;
        bi.bitCount = h.bitCount;
        bi.compression = h.compression;
        bi.sizeImage = h.sizeImage;
        bi.xPelsPerMeter = h.xPelsPerMeter;
        bi.yPelsPerMeter = h.yPelsPerMeter;
        const size_t full = h.bitCount <= 8 ? size_t(1) << h.bitCount : 0;
        bi.clrUsed = h.palette.size() < full ? uint32_t(h.palette.size()) : 0;
        out.resize(sizeof bi);
        std::memcpy(out.data(), &bi, sizeof bi);
    }
    for (const Bgra& e : h.palette) {
        out.push_back(e.b);
        out.push_back(e.g);
        out.push_back(e.r);
        out.push_back(0);
    }
    return out;
}

void describe(const Header& h, DibInfo* info) {
    if (!info) return;
    info->headerCopy = headerCopy(h);
    info->width = h.width;
    info->height = h.rows();
    info->bitCount = h.bitCount;
}

// ---- reading pixel data ------------------------------------------------------------------------

// Buffered reading of at most `limit` bytes from the stream, so that run-length decoding and
// row conversion do not call the stream for every few bytes; large blocks bypass the buffer.
class Reader {
public:
    Reader(ByteStream& s, uint64_t limit) : s_(s), left_(limit) {}

    bool read(uint8_t* out, uint64_t n) {
        const uint64_t buffered = std::min<uint64_t>(n, end_ - pos_);
        if (buffered) {
            std::memcpy(out, buf_.data() + pos_, size_t(buffered));
            pos_ += size_t(buffered);
            out += buffered;
            n -= buffered;
        }
        if (n == 0) return true;
        if (n >= kBufferSize) return direct(out, n);
        if (!refill() || end_ - pos_ < n) return false;
        std::memcpy(out, buf_.data() + pos_, size_t(n));
        pos_ += size_t(n);
        return true;
    }

    // Makes at least `n` bytes (fewer only at the end of the data) readable at data(); returns
    // how many are.
    size_t ensure(size_t n) {
        if (end_ - pos_ >= n) return end_ - pos_;
        if (buf_.empty()) buf_.resize(kBufferSize);
        std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
        while (end_ < n && left_ > 0) {
            const uint32_t want = uint32_t(std::min<uint64_t>(left_, kBufferSize - end_));
            const uint32_t got = s_.read(buf_.data() + end_, 1, want);
            left_ = got < want ? 0 : left_ - got;  // a short read: the stream ended early
            end_ += got;
        }
        return end_ - pos_;
    }
    const uint8_t* data() const { return buf_.data() + pos_; }
    void advance(size_t n) { pos_ += n; }

private:
    static constexpr size_t kBufferSize = 64 * 1024;

    bool refill() {
        if (left_ == 0) return false;
        if (buf_.empty()) buf_.resize(kBufferSize);
        const uint32_t want = uint32_t(std::min<uint64_t>(left_, kBufferSize));
        const uint32_t got = s_.read(buf_.data(), 1, want);
        left_ -= got;
        pos_ = 0;
        end_ = got;
        if (got < want) left_ = 0;  // the stream ended early
        return got > 0;
    }

    bool direct(uint8_t* out, uint64_t n) {
        if (n > left_) return false;
        while (n > 0) {
            const uint32_t chunk = uint32_t(std::min<uint64_t>(n, uint64_t(1) << 30));
            if (s_.read(out, 1, chunk) != chunk) {
                left_ = 0;
                return false;
            }
            out += chunk;
            n -= chunk;
            left_ -= chunk;
        }
        return true;
    }

    ByteStream& s_;
    uint64_t left_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0;
    size_t end_ = 0;
};

// A new zero-filled store for the result: the given depth, the header's size and resolution,
// and the palette for indexed depths.
std::unique_ptr<SurfaceStore> newStore(const Header& h, uint16_t bitCount) {
    BitmapInfoHeader bi;
    bi.width = h.width;
    bi.height = h.rows();
    bi.bitCount = bitCount;
    bi.xPelsPerMeter = h.xPelsPerMeter;
    bi.yPelsPerMeter = h.yPelsPerMeter;
    std::vector<uint8_t> block(sizeof bi);
    if (bitCount <= 8) {
        bi.clrUsed = uint32_t(h.palette.size());
        block.resize(sizeof bi + h.palette.size() * 4);
        std::memcpy(block.data() + sizeof bi, h.palette.data(), h.palette.size() * 4);
    }
    std::memcpy(block.data(), &bi, sizeof bi);
    auto store = SurfaceStore::createFromHeader(block.data(), block.size());
    if (!store) fail("out of memory");
    return store;
}

// The store row that file row `r` (in file order) fills.
uint8_t* targetRow(const SurfaceStore& st, const Header& h, int64_t r) {
    return h.bottomUp() ? st.rows[size_t(h.rows() - 1 - r)] : st.rows[size_t(r)];
}

// Rows stored as the surface stores them: one block for bottom-up files, row by row otherwise.
void readNative(Reader& in, SurfaceStore& st, const Header& h) {
    const uint64_t stride = uint64_t(st.bytesPerRow);
    if (h.bottomUp()) {
        if (!in.read(st.bits, stride * uint64_t(h.rows()))) fail("read error");
        return;
    }
    for (int32_t y = 0; y < h.rows(); ++y) {
        if (!in.read(st.rows[y], stride)) fail("read error");
    }
}

void put4(uint8_t* row, int64_t x, uint32_t v) {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
}

// Run-length decoding. Position: file row r (the first encoded line is r = 0) and column c in
// pixels; a row holds `rowPixels` pixels (the padded row, as Windows allows runs into the
// padding). Every run is checked against the row and the last row before it writes; deltas may
// move anywhere up to the end of the last row. Data that ends right after the last row's
// end-of-line counts as an end of bitmap; any other early end is an error.
constexpr const char* kPastRowEnd = "run-length data runs past the end of a row";
constexpr const char* kPastLastRow = "run-length data runs past the last row";

template <bool kFour>
void decodeRle(Reader& in, SurfaceStore& st, const Header& h) {
    const int64_t rowPixels = int64_t(st.bytesPerRow) * (kFour ? 2 : 1);
    const int64_t rows = h.rows();
    int64_t r = 0;
    int64_t c = 0;
    // The longest code: an absolute run of 255 pixels with its pad byte.
    constexpr size_t kLongest = 2 + 256;
    for (;;) {
        const size_t avail = in.ensure(kLongest);
        if (avail < 2) {
            if (avail == 0 && r >= rows) return;
            fail("run-length data ends before the last row");
        }
        const uint8_t* p = in.data();
        const int n = p[0];
        const int v = p[1];
        size_t used = 2;
        if (n > 0) {
            if (r >= rows) fail(kPastLastRow);
            if (c + n > rowPixels) fail(kPastRowEnd);
            uint8_t* row = targetRow(st, h, r);
            if constexpr (kFour) {
                int64_t x = c;
                int i = 0;
                if (x & 1) {
                    put4(row, x++, uint32_t(v) >> 4);
                    ++i;
                }
                // From an even column a pair of pixels is the byte itself, or its nibbles
                // swapped when the run started on an odd column.
                const uint8_t pair = (c & 1) ? uint8_t((v >> 4) | ((v & 0x0F) << 4)) : uint8_t(v);
                const int pairs = (n - i) / 2;
                std::memset(row + (x >> 1), pair, size_t(pairs));
                x += 2 * pairs;
                i += 2 * pairs;
                if (i < n) put4(row, x, (i & 1) ? uint32_t(v) & 0x0F : uint32_t(v) >> 4);
            } else if (n <= 16) {
                for (int i = 0; i < n; ++i) row[c + i] = uint8_t(v);
            } else {
                std::memset(row + c, v, size_t(n));
            }
            c += n;
        } else if (v == 0) {  // end of line
            ++r;
            c = 0;
        } else if (v == 1) {  // end of bitmap
            return;
        } else if (v == 2) {  // delta
            if (avail < 4) fail("run-length data ends before the last row");
            c += p[2];
            r += p[3];
            used = 4;
        } else {  // absolute run of v pixels, padded to an even number of bytes
            const size_t bytes = kFour ? size_t(v + 1) / 2 : size_t(v);
            used = 2 + bytes + (bytes & 1);
            if (avail < used) fail("run-length data ends before the last row");
            if (r >= rows) fail(kPastLastRow);
            if (c + v > rowPixels) fail(kPastRowEnd);
            uint8_t* row = targetRow(st, h, r);
            if constexpr (kFour) {
                for (int i = 0; i < v; ++i) {
                    const uint8_t b = p[2 + (i >> 1)];
                    put4(row, c + i, (i & 1) ? b & 0x0F : b >> 4);
                }
            } else {
                std::memcpy(row + c, p + 2, bytes);
            }
            c += v;
        }
        in.advance(used);
        if (c > rowPixels) fail(kPastRowEnd);
        if (r > rows) fail(kPastLastRow);
    }
}

// Scales one channel of a bit-field pixel to 8 bits. Colour channels round to the nearest level
// (so that every channel's full value is 255 whatever its width); alpha follows
// bits × 255 / maximum, truncated. Wide channels scale down, never shift by a negative amount.
class ChannelScale {
public:
    ChannelScale(uint32_t mask, bool roundNearest) : mask_(mask) {
        if (!mask) return;
        shift_ = std::countr_zero(mask);
        max_ = uint64_t(mask >> shift_);
        round_ = roundNearest ? max_ / 2 : 0;
        if (max_ < 4096) {
            table_.resize(size_t(max_ + 1));
            for (uint64_t v = 0; v <= max_; ++v) table_[size_t(v)] = scale(v);
        }
    }
    bool present() const { return mask_ != 0; }
    uint8_t operator()(uint32_t word) const {
        if (!mask_) return 0;
        const uint64_t v = (word & mask_) >> shift_;
        return table_.empty() ? scale(v) : table_[size_t(v)];
    }

private:
    uint8_t scale(uint64_t v) const { return uint8_t((v * 255 + round_) / max_); }

    uint32_t mask_ = 0;
    int shift_ = 0;
    uint64_t max_ = 1;
    uint64_t round_ = 0;
    std::vector<uint8_t> table_;
};

// 16- and 32-bit bit-field pixels to 24 bits (no alpha mask) or to 32 bits with blue, green, red
// and alpha bytes.
void readBitfields(Reader& in, SurfaceStore& st, const Header& h) {
    const ChannelScale red(h.masks[0], true), green(h.masks[1], true), blue(h.masks[2], true);
    const ChannelScale alpha(h.masks[3], false);
    const int32_t w = h.width;
    const uint64_t fileStride = (uint64_t(w) * h.bitCount + 31) / 32 * 4;
    const int outBytes = st.bitsPerPixel() / 8;
    std::vector<uint8_t> line(static_cast<size_t>(fileStride));

    // Large 16-bit pictures decode through a table of every pixel value.
    std::vector<Bgra> table16;
    if (h.bitCount == 16 && int64_t(w) * h.rows() > 65536) {
        table16.resize(65536);
        for (uint32_t word = 0; word < 65536; ++word) {
            table16[word] = {blue(word), green(word), red(word), alpha(word)};
        }
    }
    for (int64_t r = 0; r < h.rows(); ++r) {
        if (!in.read(line.data(), fileStride)) fail("read error");
        uint8_t* out = targetRow(st, h, r);
        const uint8_t* p = line.data();
        for (int32_t x = 0; x < w; ++x, out += outBytes) {
            Bgra c;
            if (!table16.empty()) {
                c = table16[le16(p + 2 * x)];
            } else if (h.bitCount == 16) {
                const uint32_t word = le16(p + 2 * x);
                c = {blue(word), green(word), red(word), alpha(word)};
            } else {
                const uint32_t word = le32(p + 4 * x);
                c = {blue(word), green(word), red(word), alpha(word)};
            }
            out[0] = c.b;
            out[1] = c.g;
            out[2] = c.r;
            if (outBytes == 4) out[3] = c.a;
        }
    }
}

// 2-bit pixels widened to 4 bits with the same palette.
void readTwoBit(Reader& in, SurfaceStore& st, const Header& h) {
    const uint64_t fileStride = (uint64_t(h.width) * 2 + 31) / 32 * 4;
    std::vector<uint8_t> line(static_cast<size_t>(fileStride));
    for (int64_t r = 0; r < h.rows(); ++r) {
        if (!in.read(line.data(), fileStride)) fail("read error");
        uint8_t* out = targetRow(st, h, r);
        for (int32_t x = 0; x < h.width; ++x) {
            put4(out, x, (line[size_t(x >> 2)] >> (6 - 2 * (x & 3))) & 3);
        }
    }
}

bool isStandard(const uint32_t masks[4], uint16_t bitCount) {
    if (bitCount == 16) return masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F;
    return masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
}

// Reads the pixel data (at most `available` bytes, from `dataStart` in the stream) described by
// the header into a new upright store.
std::unique_ptr<SurfaceStore> readPixels(ByteStream& s, const Header& h, uint64_t dataStart,
                                         uint64_t available) {
    const uint64_t rows = uint64_t(h.rows());
    const uint64_t fileStride = (uint64_t(h.width) * h.bitCount + 31) / 32 * 4;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (rle) {
        const uint64_t pixels = uint64_t(h.width) * rows;
        if (pixels > kRleBasePixels + available * kRlePixelsPerByte) {
            fail(claimsMoreThanFile(pixels * 3, s.size()));
        }
    } else if (available < fileStride * rows) {
        // A file cut short by a little is truncated; one that falls far short of its header is
        // more likely a header that lies.
        const uint64_t wanted = fileStride * rows;
        if (wanted / 2 > available) fail(claimsMoreThanFile(wanted, s.size()));
        fail(truncatedAt(dataStart + available, dataStart + wanted));
    }

    // The form of the result, decided before anything is allocated.
    enum class Path { Native, Bitfields, TwoBit, Rle8, Rle4 } path = Path::Native;
    uint16_t depth = h.bitCount;
    bool clearFourthByte = false;
    if (rle) {
        path = h.compression == kRle8 ? Path::Rle8 : Path::Rle4;
    } else if (h.bitCount == 2) {
        path = Path::TwoBit;
        depth = 4;
    } else if (h.compression == kBitfields) {
        const bool hasAlpha = h.masks[3] != 0;
        if (h.bitCount == 16) {
            if (isStandard(h.masks, 16) && !hasAlpha) {
                path = Path::Native;  // the surface's own 16-bit layout
            } else {
                path = Path::Bitfields;
                depth = hasAlpha ? 32 : 24;
            }
        } else if (isStandard(h.masks, 32) && (!hasAlpha || h.masks[3] == 0xFF000000u)) {
            path = Path::Native;
            clearFourthByte = !hasAlpha;  // undefined bits, not alpha
        } else {
            path = Path::Bitfields;
        }
    }

    auto store = newStore(h, depth);
    Reader in(s, available);
    switch (path) {
        case Path::Native:
            readNative(in, *store, h);
            break;
        case Path::Bitfields:
            readBitfields(in, *store, h);
            break;
        case Path::TwoBit:
            readTwoBit(in, *store, h);
            break;
        case Path::Rle8:
            decodeRle<false>(in, *store, h);
            break;
        case Path::Rle4:
            decodeRle<true>(in, *store, h);
            break;
    }
    if (clearFourthByte) {
        for (int32_t y = 0; y < store->height(); ++y) {
            uint8_t* row = store->rows[y];
            for (int32_t x = 0; x < store->width(); ++x) row[4 * x + 3] = 0;
        }
    }
    return store;
}

}  // namespace

std::unique_ptr<SurfaceStore> readPacked(ByteStream& s, uint32_t headerBlockSize,
                                         uint32_t pixelDataSize, bool pixels, DibInfo* info) {
    if (!s.isOpen()) fail();
    if (headerBlockSize == 0) fail("no bitmap header");
    if (pixels && pixelDataSize == 0) fail("no pixel data");
    const uint64_t start = s.tell();
    Header h;
    const uint32_t used = readHeaderBlock(s, headerBlockSize, h);
    describe(h, info);
    if (!pixels) return nullptr;

    // The pixels start right after the header block; anything in the block past the palette
    // (a gap, a colour profile) is skipped.
    const uint64_t dataStart = start + headerBlockSize;
    const uint64_t size = s.size();
    if (dataStart >= size) fail("no pixel data");
    if (used != headerBlockSize && !s.seekTo(uint32_t(dataStart))) fail("read error");
    const uint64_t available = std::min<uint64_t>(pixelDataSize, size - dataStart);
    return readPixels(s, h, dataStart, available);
}

std::unique_ptr<SurfaceStore> readFile(ByteStream& s, bool pixels, DibInfo* info) {
    if (!s.isOpen()) fail();
    const uint64_t start = s.tell();
    uint8_t fh[kFileHeaderSize];
    readOrFail(s, fh, kFileHeaderSize);
    if (le16(fh) != kMagic) fail("not a BMP file");
    const uint32_t dataOffset = le32(fh + 10);
    if (dataOffset < kFileHeaderSize + kCoreHeaderSize) {
        fail("invalid pixel data offset " + std::to_string(dataOffset));
    }
    const uint64_t size = s.size();
    if (start + dataOffset > size) fail(truncatedAt(size, start + dataOffset));
    const uint64_t pixelBytes = size - (start + dataOffset);
    return readPacked(s, dataOffset - kFileHeaderSize,
                      uint32_t(std::min<uint64_t>(pixelBytes, 0xFFFFFFFFu)), pixels, info);
}

}  // namespace bmp

namespace {

template <typename F>
bool intoSurface(PixelSurface& surface, std::string* reason, F read) {
    try {
        std::unique_ptr<SurfaceStore> store = read();
        return store && surface.adoptStore(std::move(store));
    } catch (const bmp::Failure& failure) {
        if (reason) *reason = failure.reason;
        return false;
    } catch (const std::bad_alloc&) {
        if (reason) *reason = "out of memory";
        return false;
    } catch (...) {
        return false;
    }
}

}  // namespace

bool readBitmapFile(ByteStream& stream, PixelSurface& surface, std::string* reason) {
    return intoSurface(surface, reason, [&] { return bmp::readFile(stream, true, nullptr); });
}

bool readPackedDib(ByteStream& stream, uint32_t headerBlockSize, uint32_t pixelDataSize,
                   PixelSurface& surface, std::string* reason) {
    return intoSurface(surface, reason, [&] {
        return bmp::readPacked(stream, headerBlockSize, pixelDataSize, true, nullptr);
    });
}

uint32_t packedDibHeaderBlockSize(const void* data, uint32_t size, std::string* reason) {
    try {
        MemoryStream s;
        if (!s.attachBlock(data, size, 0)) return 0;
        bmp::Header h;
        return bmp::readHeaderBlock(s, size, h);
    } catch (const bmp::Failure& failure) {
        if (reason) *reason = failure.reason;
        return 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace varnel
