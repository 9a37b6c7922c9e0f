#include "core/clipboard_store.h"

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

}  // namespace

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

int ClipboardStore::put(const ColorImage& image, const Channel* mask) {
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
    unpublished_ = true;
    return 1;
}

bool ClipboardStore::hasImage() const {
    return (system_ && system_->hasBitmap()) || image_.isValid();
}

int ClipboardStore::imageSize(Size& size) const {
    if (system_ && system_->hasBitmap()) {
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
    if (system_ && system_->hasBitmap()) {
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

int ClipboardStore::copyMaskInto(Channel& target) const {
    if (!mask_.isValid()) return 0;
    return target.copyFrom(mask_);
}

int ClipboardStore::publish() {
    if (!image_.isValid() || !system_) return 0;
    std::vector<uint8_t> block = image_.exportPackedBitmap();
    if (block.empty() || !system_->writeBitmap(block)) return 0;
    unpublished_ = false;
    return 1;
}

void ClipboardStore::clear() {
    if (system_) system_->clear();
    image_.release();
    mask_.release();
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
