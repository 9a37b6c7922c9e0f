#include "formats/png_deflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

#include "platform/parallel.h"
#include "platform/pixel_memory.h"

namespace varnel {

namespace {

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// A slice's raw deflate stream, in memory that is not cleared first (it is written before read).
struct Part {
    platform::PixelMemory memory;
    size_t size = 0;
};

// Room makeJoinable needs beyond the stream: a byte to finish the last one, then a stored block's
// header byte, length and complement.
constexpr size_t kJoinRoom = 8;

// Compresses one slice into a raw deflate stream (the final block marked as such).
bool compressRaw(const uint8_t* data, size_t size, int level, Part& out) {
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
        libdeflate_alloc_compressor(level));
    if (!compressor) return false;
    const size_t bound = libdeflate_deflate_compress_bound(compressor.get(), size);
    out.memory = platform::PixelMemory::allocate(bound + kJoinRoom, false);
    if (!out.memory) return false;
    out.size = libdeflate_deflate_compress(compressor.get(), data, size, out.memory.data(), bound);
    return out.size != 0;
}

// Deflate's lazy matching at the middle levels buys little on noisy data such as photographs,
// where matches are short and few, and much on drawings and smooth pictures. For levels 4 to 6 a
// slice whose samples compress within kCloseEnough of the level's size at three levels lower is
// compressed at that lower level, some 40 % quicker; other slices keep the level asked for.
constexpr size_t kSampleBytes = size_t(1) << 17;
constexpr int kSamples = 3;
constexpr double kCloseEnough = 1.03;

size_t compressedSize(libdeflate_compressor* compressor, const uint8_t* data, size_t size,
                      std::vector<uint8_t>& scratch) {
    scratch.resize(libdeflate_deflate_compress_bound(compressor, size));
    return libdeflate_deflate_compress(compressor, data, size, scratch.data(), scratch.size());
}

int sliceLevel(const uint8_t* data, size_t size, int level) {
    if (level < 4 || level > 6 || size < size_t(kSamples) * kSampleBytes * 4) return level;
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> asked(
        libdeflate_alloc_compressor(level));
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> quicker(
        libdeflate_alloc_compressor(level - 3));
    if (!asked || !quicker) return level;
    std::vector<uint8_t> scratch;
    size_t askedBytes = 0, quickerBytes = 0;
    for (int k = 0; k < kSamples; ++k) {
        const uint8_t* sample = data + (size - kSampleBytes) * size_t(k) / (kSamples - 1);
        askedBytes += compressedSize(asked.get(), sample, kSampleBytes, scratch);
        quickerBytes += compressedSize(quicker.get(), sample, kSampleBytes, scratch);
    }
    return double(quickerBytes) <= double(askedBytes) * kCloseEnough ? level - 3 : level;
}

}  // namespace

bool makeJoinable(uint8_t* raw, size_t& size) {
    // zlib's inflate stops at each block boundary when asked and says where it stands: the bit at
    // which the last block's header begins, and the bit where the stream ends. Nothing is kept of
    // the inflated bytes.
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return false;
    z.next_in = raw;
    z.avail_in = uInt(size);
    if (z.avail_in != size) {
        inflateEnd(&z);
        return false;
    }
    static thread_local uint8_t scratch[1 << 16];
    uint64_t lastHeaderBit = 0;
    uint64_t endBit = 0;
    for (;;) {
        z.next_out = scratch;
        z.avail_out = sizeof scratch;
        const int result = inflate(&z, Z_BLOCK);
        const uint64_t bitsUsed = uint64_t(z.next_in - raw) * 8 - (z.data_type & 7);
        if (result == Z_STREAM_END) break;
        if (result != Z_OK) {
            inflateEnd(&z);
            return false;
        }
        // Between two blocks: after the last one, this is where the data ends (the stream's end
        // is reported only after the bits up to the byte boundary are dropped); otherwise the
        // next header starts here.
        if (z.data_type & 128) {
            if (z.data_type & 64) {
                endBit = bitsUsed;
            } else {
                lastHeaderBit = bitsUsed;
            }
        }
    }
    const bool whole = z.avail_in == 0 && endBit > 0;
    inflateEnd(&z);
    if (!whole) return false;

    raw[lastHeaderBit / 8] &= uint8_t(~(1u << (lastHeaderBit % 8)));
    // An empty stored block: three zero header bits, zeros up to the byte boundary, then the
    // length 0 and its complement.
    const uint64_t headerEnd = endBit + 3;
    const size_t bytes = size_t((headerEnd + 7) / 8);
    if (endBit % 8 != 0) raw[endBit / 8] &= uint8_t((1u << (endBit % 8)) - 1);
    for (size_t i = size_t((endBit + 7) / 8); i < bytes; ++i) raw[i] = 0;
    static constexpr uint8_t kEmptyLength[] = {0x00, 0x00, 0xFF, 0xFF};
    std::memcpy(raw + bytes, kEmptyLength, 4);
    size = bytes + 4;
    return true;
}

bool makeJoinable(std::vector<uint8_t>& raw) {
    size_t size = raw.size();
    raw.resize(size + kJoinRoom, 0);
    const bool ok = makeJoinable(raw.data(), size);
    raw.resize(ok ? size : raw.size() - kJoinRoom);
    return ok;
}

bool compressZlibSlices(const uint8_t* data, size_t size, const std::vector<size_t>& sliceEnds,
                        int level, std::vector<uint8_t>& out, std::string* reason) {
    level = std::clamp(level, 0, 9);
    std::vector<size_t> ends = sliceEnds;
    if (ends.empty() || ends.back() != size) ends.push_back(size);
    for (size_t i = 0; i < ends.size(); ++i) {
        if (ends[i] > size || (i > 0 && ends[i] < ends[i - 1])) {
            if (reason) *reason = "slices out of order";
            return false;
        }
    }
    const int count = int(ends.size());
    std::vector<Part> parts(static_cast<size_t>(count));
    std::vector<uLong> adlers(size_t(count), 1);
    std::atomic<bool> failed{false};
    parallelRows(count, 1, [&](int begin, int end) {
        for (int i = begin; i < end && !failed; ++i) {
            const size_t from = i == 0 ? 0 : ends[size_t(i) - 1];
            const size_t length = ends[size_t(i)] - from;
            adlers[size_t(i)] = libdeflate_adler32(1, data + from, length);
            Part& part = parts[size_t(i)];
            if (!compressRaw(data + from, length, sliceLevel(data + from, length, level), part) ||
                (i + 1 < count && !makeJoinable(part.memory.data(), part.size))) {
                failed = true;
            }
        }
    });
    if (failed) {
        if (reason) *reason = "out of memory";
        return false;
    }

    // The zlib header: deflate with a 32 KiB window and the level class a reader may show.
    const uint8_t levelClass = level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
    const uint8_t cmf = 0x78;
    uint8_t flg = uint8_t(levelClass << 6);
    flg = uint8_t(flg + (31 - (cmf * 256 + flg) % 31) % 31);
    size_t total = 2 + 4;
    for (const Part& part : parts) total += part.size;
    out.clear();
    out.reserve(total);
    out.push_back(cmf);
    out.push_back(flg);
    uLong adler = adlers[0];
    for (int i = 0; i < count; ++i) {
        const Part& part = parts[size_t(i)];
        out.insert(out.end(), part.memory.data(), part.memory.data() + part.size);
        if (i > 0) {
            const size_t from = ends[size_t(i) - 1];
            adler = adler32_combine(adler, adlers[size_t(i)], z_off_t(ends[size_t(i)] - from));
        }
        parts[size_t(i)].memory.reset();
    }
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(adler >> shift));
    return true;
}

}  // namespace varnel
