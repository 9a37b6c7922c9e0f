#include "formats/ico_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

#include "formats/byte_stream.h"
#include "formats/image_file.h"
#include "formats/png_codec.h"

namespace varnel {

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t le16(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t le32(const uint8_t* p) {
    return le16(p) | le16(p + 2) << 16;
}
uint32_t be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool readAt(ByteStream& stream, uint32_t offset, uint8_t* out, uint32_t size) {
    return stream.seekTo(offset) && stream.read(out, 1, size) == size;
}

// Size and depth from the entry's own header, when it has one that can be read.
void refineFromHeader(ByteStream& stream, IconEntry& entry) {
    uint8_t head[26] = {};
    const uint32_t n = std::min<uint32_t>(entry.size, sizeof head);
    if (n < 16 || !readAt(stream, entry.offset, head, n)) return;
    if (std::memcmp(head, kPngSignature, 8) == 0) {
        entry.png = true;
        if (n < 26 || std::memcmp(head + 12, "IHDR", 4) != 0) return;
        const uint32_t w = be32(head + 16), h = be32(head + 20);
        static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
        const int channels = head[25] <= 6 ? kChannels[head[25]] : 0;
        if (w == 0 || h == 0 || w > uint32_t(kMaxPictureSide) || h > uint32_t(kMaxPictureSide)) {
            return;
        }
        entry.width = int32_t(w);
        entry.height = int32_t(h);
        if (channels > 0) entry.bitsPerPixel = channels * head[24];
        return;
    }
    const uint32_t headerSize = le32(head);
    if (headerSize < 40) return;
    const auto w = int32_t(le32(head + 4));
    const auto h2 = int32_t(le32(head + 8));
    const int32_t bits = int32_t(le16(head + 14));
    // The header's height counts the colour rows and the mask rows.
    if (w <= 0 || h2 <= 0 || w > kMaxPictureSide || h2 / 2 > kMaxPictureSide || h2 < 2) return;
    entry.width = w;
    entry.height = h2 / 2;
    if (bits > 0) entry.bitsPerPixel = bits;
}

bool readPngEntry(ByteStream& stream, const IconEntry& entry, DecodedPicture& picture) {
    std::vector<uint8_t> bytes(entry.size);
    if (!readAt(stream, entry.offset, bytes.data(), entry.size)) return false;
    PngImageFile image;
    PngCodec codec;
    if (!codec.loadFromMemory(image, bytes.data(), entry.size, LoadPixels)) return false;
    picture.color.swapStores(image.pixels().color);
    picture.alpha.release();
    if (image.pixels().hasAlpha()) picture.alpha.swapStores(image.pixels().alpha);
    picture.bitsPerPixel = image.pngInfo().bitDepth;
    return true;
}

bool readBitmapEntry(ByteStream&, const IconEntry&, DecodedPicture&) {
    // Bitmap entries are decoded through the BMP reader, which is not part of the program yet.
    return false;
}

}  // namespace

bool readIconDirectory(ByteStream& stream, std::vector<IconEntry>& entries) {
    if (!stream.isOpen()) return false;
    try {
        const uint32_t start = stream.tell();
        const uint64_t fileEnd = stream.size();
        uint8_t head[6];
        if (stream.read(head, 1, 6) != 6) return false;
        const uint32_t type = le16(head + 2);
        const uint32_t count = le16(head + 4);
        if (le16(head) != 0 || (type != 1 && type != 2) || count == 0) return false;
        if (uint64_t(start) + 6 + uint64_t(count) * 16 > fileEnd) return false;
        std::vector<uint8_t> table(size_t(count) * 16);
        if (stream.read(table.data(), 16, count) != count) return false;
        std::vector<IconEntry> result;
        result.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = table.data() + size_t(i) * 16;
            IconEntry entry;
            entry.width = e[0] ? e[0] : 256;
            entry.height = e[1] ? e[1] : 256;
            entry.bitsPerPixel = int32_t(le16(e + 6));
            const uint64_t offset = uint64_t(start) + le32(e + 12);
            if (offset >= fileEnd) return false;
            entry.offset = uint32_t(offset);
            // Files are often cut short or the count is wrong: the entry ends at the file's end.
            entry.size = uint32_t(std::min<uint64_t>(le32(e + 8), fileEnd - offset));
            if (entry.size == 0) return false;
            result.push_back(entry);
        }
        for (IconEntry& entry : result) refineFromHeader(stream, entry);
        entries = std::move(result);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool readIconEntry(ByteStream& stream, const IconEntry& entry, DecodedPicture& picture) {
    if (!stream.isOpen() || entry.size == 0) return false;
    try {
        DecodedPicture decoded;
        const bool ok = entry.png ? readPngEntry(stream, entry, decoded)
                                  : readBitmapEntry(stream, entry, decoded);
        if (!ok || !decoded.color.isValid()) return false;
        if (decoded.color.width() > kMaxPictureSide || decoded.color.height() > kMaxPictureSide) {
            return false;
        }
        decoded.dropOpaqueAlpha();
        decoded.resolution = 0;
        picture.color.swapStores(decoded.color);
        picture.alpha.release();
        picture.alpha.swapStores(decoded.alpha);
        picture.bitsPerPixel = entry.bitsPerPixel > 0 ? entry.bitsPerPixel : decoded.bitsPerPixel;
        picture.resolution = 0;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool readIcon(ByteStream& stream, DecodedPicture& picture, int* chosen) {
    std::vector<IconEntry> entries;
    if (!readIconDirectory(stream, entries)) return false;
    try {
        std::vector<size_t> order(entries.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            const IconEntry& x = entries[a];
            const IconEntry& y = entries[b];
            const int64_t areaX = int64_t(x.width) * x.height, areaY = int64_t(y.width) * y.height;
            if (areaX != areaY) return areaX > areaY;
            return x.bitsPerPixel > y.bitsPerPixel;
        });
        for (size_t index : order) {
            if (readIconEntry(stream, entries[index], picture)) {
                if (chosen) *chosen = int(index);
                return true;
            }
        }
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace varnel
