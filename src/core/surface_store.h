// SurfaceStore: the pixel memory of one surface, laid out as a device-independent bitmap section.
// Rows are bottom-up in memory, padded to 4 bytes, and reached through a row table whose entry 0
// is the top row.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/color.h"
#include "core/geometry.h"
#include "platform/pixel_memory.h"
#include "platform/raster.h"

namespace varnel {

static_assert(std::endian::native == std::endian::little,
              "bitmap headers and 16-bit pixels are read as little-endian words");

// The 40-byte bitmap-info header, field for field as it is laid out in files and on the clipboard.
struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

enum BitmapCompression : uint32_t {
    kCompressionNone = 0,
    kCompressionRle8 = 1,
    kCompressionRle4 = 2,
    kCompressionBitfields = 3,
};

// Channel indices of the mask, shift and loss arrays.
enum MaskIndex { kMaskRed = 0, kMaskGreen = 1, kMaskBlue = 2, kMaskAlpha = 3 };

// The longest side of any surface, and so of any picture a reader accepts (BMP, PNG, JPEG, GIF,
// ICO, picture import and the clipboard's packed bitmaps all refuse larger ones from their
// headers, before they allocate). At this size a 32-bit surface takes 3.6 GB, which still fits
// the 32-bit byte counts of packed bitmaps and of the streams, and no header can make the editor
// ask for more memory than that for one picture.
constexpr int32_t kMaxSurfaceSide = 30000;

// Bytes per row of a bitmap: width × bits rounded up to a multiple of 32 bits; -1 when the
// width or depth is out of range.
int64_t bitmapRowBytes(int64_t width, int64_t bitsPerPixel);

// An owned colour table.
struct Palette {
    std::vector<Bgra> entries;
    int32_t count() const { return int32_t(entries.size()); }
    friend bool operator==(const Palette&, const Palette&) = default;
};

class SurfaceStore {
public:
    static constexpr uint32_t kMagic = 0x2B424944;  // "DIB+"
    static constexpr uint32_t kFlagSmoothStretch = 4;

    SurfaceStore(const SurfaceStore&) = delete;
    SurfaceStore& operator=(const SurfaceStore&) = delete;
    ~SurfaceStore();

    // New zero-filled store. bitsPerPixel is 1, 4, 8, 15, 16, 24 or 32 (15 gives 16-bit 5-5-5).
    // withMasks asks 16- and 32-bit stores to carry explicit channel masks (compression 3):
    // 5-5-5 for 15, 5-6-5 for 16, 8-8-8 for 32. Indexed stores get the default palette of their
    // depth. Returns null for bad sizes or depths, or when memory is short.
    static std::unique_ptr<SurfaceStore> create(int32_t width, int32_t height, int32_t bitsPerPixel,
                                                bool withMasks = false);

    // New zero-filled store described by a bitmap-info header of 40, 56, 108 or 124 bytes
    // followed by its masks (compression 3 with a 40-byte header) and palette, as in a packed
    // bitmap. `bytes` is how much of `data` may be read. Run-length compression counts as
    // uncompressed: the store holds plain pixels for a decoder to fill. Returns null when the
    // header is malformed, claims more than `bytes`, or memory is short.
    static std::unique_ptr<SurfaceStore> createFromHeader(const void* data, size_t bytes);

    // New zero-filled store of another size in the format of `model` (depth, compression, masks,
    // palette, resolution and flags).
    static std::unique_ptr<SurfaceStore> createLike(const SurfaceStore& model, int32_t width,
                                                    int32_t height);

    // A store of the size and format of `model` whose pixel bytes are left unspecified (only the
    // row padding is cleared), for a caller that writes every pixel before anything reads it:
    // reused memory then costs no clearing pass. Null when memory is short.
    static std::unique_ptr<SurfaceStore> createForOverwrite(const SurfaceStore& model);
    // The same in another size (as createLike).
    static std::unique_ptr<SurfaceStore> createForOverwrite(const SurfaceStore& model,
                                                            int32_t width, int32_t height);

    // Deep copy; null when memory is short.
    std::unique_ptr<SurfaceStore> clone() const;

    int32_t width() const { return header.width; }
    int32_t height() const { return header.height; }
    int32_t bitsPerPixel() const { return header.bitCount; }
    size_t imageBytes() const { return size_t(bytesPerRow) * size_t(header.height); }
    uint8_t* row(int32_t y) const { return rows[y]; }
    bool isValid() const { return magic == kMagic && bits && rows; }

    // The store seen by the platform layer (valid while the store lives unchanged).
    platform::Raster raster() const;

    // The header with its masks (compression 3) and palette, as exported to files and the
    // clipboard: colours-used is the palette count and colours-important 0.
    std::vector<uint8_t> exportHeader() const;

    // Row table: rows[y] = bits + (height − 1 − y) × bytesPerRow.
    std::unique_ptr<uint8_t*[]> rows;
    uint8_t* bits = nullptr;
    platform::PixelMemory memory;
    // The section's header: positive height, compression 0 or 3, image size filled in.
    BitmapInfoHeader header;
    int32_t bytesPerRow = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
    // Trailing zero bits of each mask.
    int32_t shifts[4] = {0, 0, 0, 0};
    // 8 minus the bits of each mask (0 for an empty mask; negative for channels wider than 8).
    int32_t losses[4] = {0, 0, 0, 0};
    Palette palette;
    uint32_t flags = 0;
    uint32_t magic = kMagic;

private:
    SurfaceStore() = default;
    static std::unique_ptr<SurfaceStore> build(const BitmapInfoHeader& h, const uint32_t* masks4,
                                               const Bgra* palette, int32_t paletteCount,
                                               bool zeroed = true);
    void setMasks(const uint32_t m[4]);
};

// The default palette of an indexed depth: black and white for 1 bit, the 16 standard colours for
// 4 bits, the grey ramp for 8 bits.
Palette defaultPalette(int32_t bitsPerPixel);

}  // namespace varnel
