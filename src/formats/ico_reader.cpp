#include "formats/ico_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>

#include "core/depth_conversion.h"
#include "formats/bmp_codec.h"
#include "formats/byte_stream.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "formats/png_codec.h"
#include "formats/refusal.h"

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
        if (!checkSides(w, h).empty()) return;
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
    if (h2 < 2 || !checkSides(w, h2 / 2).empty()) return;
    entry.width = w;
    entry.height = h2 / 2;
    if (bits > 0) entry.bitsPerPixel = bits;
}

// The bytes of an entry; the directory has already cut the entry to the file's length.
bool readEntryBytes(ByteStream& stream, const IconEntry& entry, std::vector<uint8_t>& bytes,
                    std::string& reason) {
    bytes.resize(entry.size);
    if (readAt(stream, entry.offset, bytes.data(), entry.size)) return true;
    reason = "read error";
    return false;
}

bool readPngEntry(ByteStream& stream, const IconEntry& entry, DecodedPicture& picture,
                  std::string& reason) {
    std::vector<uint8_t> bytes;
    if (!readEntryBytes(stream, entry, bytes, reason)) return false;
    PngImageFile image;
    PngCodec codec;
    if (!codec.loadFromMemory(image, bytes.data(), entry.size, LoadPixels)) {
        reason = codec.failure();
        return false;
    }
    picture.color.swapStores(image.pixels().color);
    picture.alpha.release();
    if (image.pixels().hasAlpha()) picture.alpha.swapStores(image.pixels().alpha);
    picture.bitsPerPixel = image.pngInfo().bitDepth;
    return true;
}

// A bitmap entry: a packed bitmap whose header counts the colour rows and the AND mask rows
// together, the colour rows, then the 1-bit mask (rows bottom-up, padded to 4 bytes).
bool readBitmapEntry(ByteStream& stream, const IconEntry& entry, DecodedPicture& picture,
                     std::string& reason) {
    auto refuse = [&](std::string text) {
        reason = std::move(text);
        return false;
    };
    if (entry.size < 40) return refuse("icon entry of " + std::to_string(entry.size) + " bytes");
    std::vector<uint8_t> bytes;
    if (!readEntryBytes(stream, entry, bytes, reason)) return false;
    if (le32(bytes.data()) < 40) {
        return refuse("unsupported header size " + std::to_string(le32(bytes.data())));
    }
    const auto width = int32_t(le32(bytes.data() + 4));
    const auto doubled = int32_t(le32(bytes.data() + 8));
    const uint32_t bits = le16(bytes.data() + 14);
    // The header's height counts the colour rows and the mask rows.
    if (std::string why = checkSides(width, doubled / 2); !why.empty()) return refuse(why);
    const int32_t height = doubled / 2;
    // The colour part alone: half the height, and no image size that would count the mask.
    for (int i = 0; i < 4; ++i) bytes[size_t(8 + i)] = uint8_t(uint32_t(height) >> (8 * i));
    std::memset(bytes.data() + 20, 0, 4);
    if (bits == 0 || bits > 32) return refuse("unsupported bit depth " + std::to_string(bits));
    std::string why = "corrupt bitmap header";
    const uint32_t headerBlock = packedDibHeaderBlockSize(bytes.data(), entry.size, &why);
    if (headerBlock == 0) return refuse(why);
    const uint64_t rowBytes = (uint64_t(width) * bits + 31) / 32 * 4;
    const uint64_t colorBytes = rowBytes * uint64_t(height);
    if (colorBytes > entry.size - headerBlock) {
        return refuse(claimsMoreThanFile(colorBytes, stream.size()));
    }
    MemoryStream source;
    if (!source.attachBlock(static_cast<const void*>(bytes.data()), entry.size, 0)) {
        return refuse("read error");
    }
    PixelSurface surface;
    if (!readPackedDib(source, headerBlock, uint32_t(colorBytes), surface, &reason)) return false;
    if (surface.width() != width || surface.height() != height) {
        return refuse("corrupt bitmap header");
    }

    ColorImage color;
    GrayMap alpha;
    if (!alpha.createGray(width, height)) return refuse("out of memory");
    bool alphaFromPixels = false;
    if (surface.bitsPerPixel() == 32) {
        // The fourth bytes are the alpha channel unless they are all 0 (older icons leave them
        // empty and rely on the mask).
        if (!color.createColor(width, height)) return refuse("out of memory");
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* in = surface.row(y);
            Bgr* out = color.pixels(y);
            uint8_t* a = alpha.row(y);
            for (int32_t x = 0; x < width; ++x) {
                out[x] = Bgr{in[4 * x], in[4 * x + 1], in[4 * x + 2]};
                a[x] = in[4 * x + 3];
                alphaFromPixels |= a[x] != 0;
            }
        }
    } else if (!to24(surface, color)) {
        return refuse("out of memory");
    }
    if (!alphaFromPixels) {
        // The AND mask: a set bit is transparent. Rows the file does not hold count as opaque.
        const uint64_t maskRowBytes = (uint64_t(width) + 31) / 32 * 4;
        const uint64_t maskStart = headerBlock + colorBytes;
        uint64_t maskEnd = entry.size;
        // A version 5 header may embed a colour profile after the pixels: those bytes are never
        // read as transparency.
        if (le32(bytes.data()) >= 124 && le32(bytes.data() + 56) == 0x4D424544) {  // "MBED"
            const uint64_t profile = le32(bytes.data() + 112);
            if (profile >= maskStart && profile < maskEnd) maskEnd = profile;
        }
        const uint64_t maskRows =
            std::min<uint64_t>((maskEnd - maskStart) / maskRowBytes, uint64_t(height));
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* a = alpha.row(y);
            const uint64_t fileRow = uint64_t(height - 1 - y);
            if (fileRow >= maskRows) {
                std::memset(a, 255, size_t(width));
                continue;
            }
            const uint8_t* m = bytes.data() + maskStart + fileRow * maskRowBytes;
            for (int32_t x = 0; x < width; ++x) {
                a[x] = (m[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255;
            }
        }
    }
    picture.color.swapStores(color);
    picture.alpha.swapStores(alpha);
    picture.bitsPerPixel = int32_t(bits);
    return true;
}

}  // namespace

bool readIconDirectory(ByteStream& stream, std::vector<IconEntry>& entries, std::string* reason) {
    if (!stream.isOpen()) return false;
    auto refuse = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    try {
        const uint32_t start = stream.tell();
        const uint64_t fileEnd = stream.size();
        uint8_t head[6];
        if (stream.read(head, 1, 6) != 6) return refuse(truncatedAt(fileEnd, uint64_t(start) + 6));
        const uint32_t type = le16(head + 2);
        const uint32_t count = le16(head + 4);
        if (le16(head) != 0 || (type != 1 && type != 2)) return refuse("not an icon file");
        if (count == 0) return refuse("no image in the file");
        const uint64_t tableEnd = uint64_t(start) + 6 + uint64_t(count) * 16;
        if (tableEnd > fileEnd) return refuse(truncatedAt(fileEnd, tableEnd));
        std::vector<uint8_t> table(size_t(count) * 16);
        if (stream.read(table.data(), 16, count) != count) return refuse("read error");
        std::vector<IconEntry> result;
        result.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = table.data() + size_t(i) * 16;
            IconEntry entry;
            entry.width = e[0] ? e[0] : 256;
            entry.height = e[1] ? e[1] : 256;
            entry.bitsPerPixel = int32_t(le16(e + 6));
            const uint64_t offset = uint64_t(start) + le32(e + 12);
            if (offset >= fileEnd) {
                return refuse("image " + std::to_string(i + 1) + " starts at byte " +
                              std::to_string(offset) + ", past the end of the " +
                              std::to_string(fileEnd) + " byte file");
            }
            entry.offset = uint32_t(offset);
            // Files are often cut short or the count is wrong: the entry ends at the file's end.
            entry.size = uint32_t(std::min<uint64_t>(le32(e + 8), fileEnd - offset));
            if (entry.size == 0) return refuse("image " + std::to_string(i + 1) + " is empty");
            result.push_back(entry);
        }
        for (IconEntry& entry : result) refineFromHeader(stream, entry);
        entries = std::move(result);
        return true;
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    }
}

bool readIconEntry(ByteStream& stream, const IconEntry& entry, DecodedPicture& picture,
                   std::string* reason) {
    if (!stream.isOpen() || entry.size == 0) return false;
    std::string why;
    auto refuse = [&](std::string text) {
        if (reason) *reason = std::move(text);
        return false;
    };
    try {
        DecodedPicture decoded;
        const bool ok = entry.png ? readPngEntry(stream, entry, decoded, why)
                                  : readBitmapEntry(stream, entry, decoded, why);
        if (!ok || !decoded.color.isValid()) return refuse(why);
        why = checkSides(decoded.color.width(), decoded.color.height());
        if (!why.empty()) return refuse(why);
        decoded.dropOpaqueAlpha();
        decoded.resolution = 0;
        picture.color.swapStores(decoded.color);
        picture.alpha.release();
        picture.alpha.swapStores(decoded.alpha);
        picture.bitsPerPixel = entry.bitsPerPixel > 0 ? entry.bitsPerPixel : decoded.bitsPerPixel;
        picture.resolution = 0;
        return true;
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    }
}

bool readIcon(ByteStream& stream, DecodedPicture& picture, int* chosen, std::string* reason) {
    std::vector<IconEntry> entries;
    if (!readIconDirectory(stream, entries, reason)) return false;
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
        // The reason given is the best entry's: the one the user would have seen.
        std::string first;
        for (size_t index : order) {
            std::string why;
            if (readIconEntry(stream, entries[index], picture, &why)) {
                if (chosen) *chosen = int(index);
                return true;
            }
            if (index == order.front()) first = why;
        }
        if (reason) *reason = first;
        return false;
    } catch (const std::bad_alloc&) {
        if (reason) *reason = "out of memory";
        return false;
    }
}

}  // namespace varnel
