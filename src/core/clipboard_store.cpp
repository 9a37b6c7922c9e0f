#include "core/clipboard_store.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/surface_store.h"

namespace varnel {

namespace {

BitmapInfoHeader headerOf(const void* data) {
    BitmapInfoHeader h;
    std::memcpy(&h, data, sizeof h);
    return h;
}

// The fields of a version 5 bitmap header after the 40 bytes they share with the short one.
struct BitmapV5Tail {
    uint32_t masks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};  // R, G, B, A
    uint32_t colourSpace = 0x73524742u;                                        // 'sRGB'
    uint32_t endpoints[9] = {};
    uint32_t gamma[3] = {};
    uint32_t intent = 4;  // images: keep saturation
    uint32_t profileData = 0;
    uint32_t profileSize = 0;
    uint32_t reserved = 0;
};
static_assert(sizeof(BitmapInfoHeader) + sizeof(BitmapV5Tail) == 124);

// Alpha widened to 8 bits from the `mask` field of each pixel of a 16- or 32-bit surface.
bool extractAlpha(const PixelSurface& any, uint32_t mask, Channel& alpha) {
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask >> shift);
    if (bits > 16 || (mask >> shift) != (uint32_t(1) << bits) - 1) return false;  // not one run
    const uint32_t most = (uint32_t(1) << bits) - 1;
    const int bytes = any.bitsPerPixel() / 8;
    for (int32_t y = 0; y < any.height(); ++y) {
        const uint8_t* in = any.row(y);
        uint8_t* out = alpha.row(y);
        for (int32_t x = 0; x < any.width(); ++x, in += bytes) {
            uint32_t word = 0;
            std::memcpy(&word, in, size_t(bytes));
            out[x] = uint8_t(((word & mask) >> shift) * 255 / most);
        }
    }
    return true;
}

}  // namespace

int readPackedBitmapWithAlpha(const void* data, size_t bytes, ColorImage& color, Channel& alpha) {
    PixelSurface any;
    if (!readPackedBitmap(data, bytes, any)) return 0;
    ColorImage newColor;
    if (!newColor.copyFromRaster(any.raster(), any.bounds())) return 0;
    Channel newAlpha;
    uint32_t masks[4];
    const int32_t depth = any.bitsPerPixel();
    if ((depth == 16 || depth == 32) && any.getMasks(masks) && masks[kMaskAlpha] != 0) {
        if (!newAlpha.createGray(any.width(), any.height())) return 0;
        bool opaque = true, clear = true;
        if (extractAlpha(any, masks[kMaskAlpha], newAlpha)) {
            for (int32_t y = 0; y < newAlpha.height() && (opaque || clear); ++y) {
                const uint8_t* row = newAlpha.row(y);
                for (int32_t x = 0; x < newAlpha.width(); ++x) {
                    opaque = opaque && row[x] == 255;
                    clear = clear && row[x] == 0;
                }
            }
        }
        // A channel that says nothing is no transparency.
        if (opaque || clear) newAlpha.release();
    }
    if (!color.swapStores(newColor)) return 0;
    if (newAlpha.isValid())
        alpha.swapStores(newAlpha);
    else
        alpha.release();
    return 1;
}

std::vector<uint8_t> packedBitmapWithAlpha(const ColorImage& color, const GrayMap& alpha) {
    if (!color.isValid() || !alpha.isValid() || color.size() != alpha.size()) return {};
    const int32_t w = color.width(), h = color.height();
    const size_t rowBytes = size_t(w) * 4;
    BitmapInfoHeader header;
    header.size = 124;
    header.width = w;
    header.height = h;
    header.bitCount = 32;
    header.compression = kCompressionBitfields;
    header.sizeImage = uint32_t(rowBytes * size_t(h));
    const BitmapV5Tail tail;
    std::vector<uint8_t> block;
    try {
        block.assign(124 + rowBytes * size_t(h), 0);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, &tail, sizeof tail);
    // Bottom-up: the last image row comes first.
    uint8_t* out = block.data() + 124;
    for (int32_t y = h - 1; y >= 0; --y) {
        const uint8_t* c = color.row(y);
        const uint8_t* a = alpha.row(y);
        for (int32_t x = 0; x < w; ++x, out += 4, c += 3) {
            out[0] = c[0];
            out[1] = c[1];
            out[2] = c[2];
            out[3] = a[x];
        }
    }
    return block;
}

int packedBitmapSize(const void* data, size_t bytes, Size& size) {
    if (!data || bytes < sizeof(BitmapInfoHeader)) return 0;
    const BitmapInfoHeader h = headerOf(data);
    if (h.width <= 0 || h.height == 0 || h.height == std::numeric_limits<int32_t>::min()) return 0;
    size = Size{h.width, h.height < 0 ? -h.height : h.height};
    return 1;
}

int readPackedBitmap(const void* data, size_t bytes, PixelSurface& surface) {
    Size size;
    if (!packedBitmapSize(data, bytes, size)) return 0;
    const BitmapInfoHeader h = headerOf(data);
    if (h.size != 40 && h.size != 56 && h.size != 108 && h.size != 124) return 0;
    // Run-length rows would need a decoder; no program puts them on the clipboard.
    if (h.compression != kCompressionNone && h.compression != kCompressionBitfields) return 0;
    if (size.width > kMaxSurfaceSide || size.height > kMaxSurfaceSide) return 0;

    // Where the rows start: after the header, the three masks that follow a 40-byte header with
    // bit fields, and the colour table (an indexed image's palette, or the optional table a
    // deeper image may carry), all counted in 64 bits against the block's length.
    uint64_t offset = h.size;
    if (h.compression == kCompressionBitfields && h.size == 40) offset += 12;
    uint64_t colours = h.clrUsed;
    if (h.bitCount <= 8) {
        if (h.bitCount == 0) return 0;
        const uint64_t most = uint64_t(1) << h.bitCount;
        if (colours == 0) colours = most;
        if (colours > most) return 0;
    }
    offset += colours * 4;
    const int64_t rowBytes = bitmapRowBytes(size.width, h.bitCount);
    if (rowBytes <= 0 || offset > bytes) return 0;
    const uint64_t pixelBytes = uint64_t(rowBytes) * uint64_t(size.height);
    if (pixelBytes > bytes - offset) return 0;

    // The block is long enough for everything it describes, so the allocation is bounded by it.
    std::unique_ptr<SurfaceStore> store = SurfaceStore::createFromHeader(data, bytes);
    if (!store || store->bytesPerRow != rowBytes || store->height() != size.height) return 0;
    const auto* rows = static_cast<const uint8_t*>(data) + offset;
    if (h.height > 0) {
        std::memcpy(store->bits, rows, size_t(pixelBytes));
    } else {
        for (int32_t y = 0; y < size.height; ++y)
            std::memcpy(store->row(y), rows + size_t(y) * size_t(rowBytes), size_t(rowBytes));
    }
    return surface.adoptStore(std::move(store));
}

ClipboardStore& ClipboardStore::store() {
    static ClipboardStore instance;
    return instance;
}

int ClipboardStore::put(const ColorImage& image, const Channel* mask,
                        const ClipboardOrigin* origin) {
    if (!image.isValid()) return 0;
    if (mask && (!mask->isValid() || mask->size() != image.size())) return 0;
    ColorImage newImage;
    Channel newMask;
    if (!newImage.copyFrom(image)) return 0;
    if (mask && !newMask.copyFrom(*mask)) return 0;
    image_.swapStores(newImage);
    if (mask)
        mask_.swapStores(newMask);
    else
        mask_.release();
    origin_.reset();
    if (origin) origin_ = *origin;
    unpublished_ = true;
    return 1;
}

bool ClipboardStore::storeIsCurrent() const {
    return image_.isValid() && (!system_ || !system_->hasBitmap() || system_->holdsWrittenBitmap());
}

bool ClipboardStore::hasImage() const {
    return (system_ && system_->hasBitmap()) || image_.isValid();
}

int ClipboardStore::imageSize(Size& size) const {
    if (!storeIsCurrent() && system_ && system_->hasBitmap()) {
        std::vector<uint8_t> block;
        if (!system_->readBitmap(block)) return 0;
        return packedBitmapSize(block.data(), block.size(), size);
    }
    if (!image_.isValid()) return 0;
    size = image_.size();
    return 1;
}

int ClipboardStore::pasteInto(ColorImage& target, bool* fromStore) const {
    ColorImage result;
    bool store = false;
    if (!storeIsCurrent() && system_ && system_->hasBitmap()) {
        std::vector<uint8_t> block;
        PixelSurface any;
        try {
            if (!system_->readBitmap(block)) return 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
        if (!readPackedBitmap(block.data(), block.size(), any)) return 0;
        block = {};
        if (!result.copyFromRaster(any.raster(), any.bounds())) return 0;
    } else if (image_.isValid()) {
        if (!result.copyFrom(image_)) return 0;
        store = true;
    } else {
        return 0;
    }
    if (!target.swapStores(result)) return 0;
    if (fromStore) *fromStore = store;
    return 1;
}

int ClipboardStore::paste(ClipboardImage& out) const {
    ColorImage image;
    Channel mask;
    std::optional<ClipboardOrigin> origin;
    if (storeIsCurrent()) {
        if (!image.copyFrom(image_)) return 0;
        if (mask_.isValid() && !mask.copyFrom(mask_)) return 0;
        origin = origin_;
    } else if (system_ && system_->hasBitmap()) {
        std::vector<uint8_t> block;
        try {
            if (!system_->readBitmap(block)) return 0;
        } catch (const std::bad_alloc&) {
            return 0;
        }
        if (!readPackedBitmapWithAlpha(block.data(), block.size(), image, mask)) return 0;
    } else {
        return 0;
    }
    if (!out.image.swapStores(image)) return 0;
    if (mask.isValid())
        out.mask.swapStores(mask);
    else
        out.mask.release();
    out.origin = origin;
    return 1;
}

int ClipboardStore::copyMaskInto(Channel& target) const {
    if (!mask_.isValid()) return 0;
    return target.copyFrom(mask_);
}

int ClipboardStore::publish() {
    if (!image_.isValid() || !system_) return 0;
    std::vector<uint8_t> block =
        mask_.isValid() ? packedBitmapWithAlpha(image_, mask_) : image_.exportPackedBitmap();
    if (block.empty() || !system_->writeBitmap(block)) return 0;
    unpublished_ = false;
    return 1;
}

void ClipboardStore::clear() {
    if (system_) system_->clear();
    image_.release();
    mask_.release();
    origin_.reset();
    unpublished_ = false;
}

int ClipboardStore::readText(std::string& text) const {
    if (!system_) return 0;
    std::string read;
    if (!system_->readText(read)) return 0;
    text.swap(read);
    return 1;
}

}  // namespace varnel
