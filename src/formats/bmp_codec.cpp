// The BMP codec: loading into and saving from BMP image file objects, the packed-bitmap writer,
// and loading bitmap resources.
#include "formats/bmp_codec.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "core/depth_conversion.h"
#include "core/surface_ops.h"
#include "formats/bmp_detail.h"
#include "formats/bmp_resources.h"
#include "formats/byte_stream.h"
#include "formats/format_info.h"
#include "formats/image_file.h"
#include "formats/memory_stream.h"
#include "formats/resources.h"

namespace varnel {
namespace {

using bmp::fail;

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr Bgr kWhite{255, 255, 255};

// ---- planes from a decoded surface -------------------------------------------------------------

// Splits a decoded store into a colour plane and, for 32 bits, an alpha plane. With
// `keepZeroAlpha` clear an alpha plane that is 0 everywhere is dropped: such files store no
// transparency in their fourth bytes.
void toPlanes(std::unique_ptr<SurfaceStore> store, bool keepZeroAlpha, ColorImage& color,
              GrayMap& alpha) {
    const int32_t bpp = store->bitsPerPixel();
    const int32_t w = store->width();
    const int32_t h = store->height();
    if (bpp == 24) {
        if (!color.adoptStore(std::move(store))) fail("out of memory");
        return;
    }
    if (bpp == 32) {
        if (!color.createColor(w, h) || !alpha.createGray(w, h)) fail("out of memory");
        uint8_t any = 0;
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* in = store->rows[y];
            uint8_t* c = color.row(y);
            uint8_t* a = alpha.row(y);
            for (int32_t x = 0; x < w; ++x, in += 4, c += 3) {
                c[0] = in[0];
                c[1] = in[1];
                c[2] = in[2];
                a[x] = in[3];
                any |= in[3];
            }
        }
        if (!any && !keepZeroAlpha) alpha.release();
        return;
    }
    if (bpp == 16) {
        // 5-5-5: each 5-bit level to the nearest 8-bit level, so that 31 becomes 255.
        uint8_t level[32];
        for (int i = 0; i < 32; ++i) level[i] = uint8_t((i * 255 + 15) / 31);
        if (!color.createColor(w, h)) fail("out of memory");
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* in = store->rows[y];
            Bgr* out = color.pixels(y);
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t v = uint32_t(in[2 * x] | (in[2 * x + 1] << 8));
                out[x] = {level[v & 31], level[(v >> 5) & 31], level[(v >> 10) & 31]};
            }
        }
        return;
    }
    // Indexed: palette lookup; an index past the palette reads as black.
    PixelSurface indexed(std::move(store));
    if (!to24(indexed, color)) fail("out of memory");
}

BmpFormatInfo* bmpInfoOf(ImageFile& image) {
    return dynamic_cast<BmpFormatInfo*>(image.formatInfo());
}

void describeInto(BmpFormatInfo& info, bmp::DibInfo& dib) {
    info.header = std::move(dib.headerCopy);
    info.bitDepth = dib.bitCount;
    info.width = dib.width;
    info.height = dib.height;
}

// Hands the planes to the image, replacing what it held.
void commitPlanes(TransparentImageFile& image, ColorImage& color, GrayMap& alpha) {
    ColorAlphaPair& px = image.pixels();
    px.color.release();
    px.alpha.release();
    px.color.adoptStore(color.takeStore());
    if (alpha.isValid()) px.alpha.adoptStore(alpha.takeStore());
}

// ---- writing -----------------------------------------------------------------------------------

void put16(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

constexpr const char* kTooLargeForBmp = "picture too large for a BMP file (4 GB at most)";

void writeOrFail(ByteStream& s, const void* data, uint64_t bytes) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (bytes > 0) {
        const uint32_t chunk = uint32_t(std::min<uint64_t>(bytes, uint64_t(1) << 30));
        if (s.write(p, 1, chunk) != chunk) fail("write error");
        p += chunk;
        bytes -= chunk;
    }
}

// What a packed bitmap of a surface holds before its pixels.
struct PackedLayout {
    BitmapInfoHeader header;
    bool withMasks = false;
    uint32_t masks[3] = {0, 0, 0};
    const Palette* palette = nullptr;
    uint64_t headerBlock = 0;
    uint64_t pixelBytes = 0;
};

PackedLayout layoutOf(const SurfaceStore& st) {
    PackedLayout l;
    const int32_t bpp = st.bitsPerPixel();
    l.header.width = st.width();
    l.header.height = st.height();
    l.header.bitCount = uint16_t(bpp);
    l.header.xPelsPerMeter = st.header.xPelsPerMeter;
    l.header.yPelsPerMeter = st.header.yPelsPerMeter;
    if (bpp == 16) {
        l.withMasks = !(st.masks[0] == 0x7C00 && st.masks[1] == 0x03E0 && st.masks[2] == 0x001F);
    } else if (bpp == 32) {
        l.withMasks = !(st.masks[0] == 0xFF0000 && st.masks[1] == 0xFF00 && st.masks[2] == 0xFF);
    }
    if (l.withMasks) {
        l.header.compression = kCompressionBitfields;
        std::copy(st.masks, st.masks + 3, l.masks);
    }
    if (bpp <= 8) {
        l.palette = &st.palette;
        l.header.clrUsed = uint32_t(st.palette.count());
    }
    l.pixelBytes = uint64_t(st.bytesPerRow) * uint64_t(st.height());
    l.headerBlock =
        kInfoHeaderSize + (l.withMasks ? 12 : 0) + (l.palette ? 4 * l.header.clrUsed : 0);
    if (l.pixelBytes + l.headerBlock + kFileHeaderSize > 0xFFFFFFFFu) fail(kTooLargeForBmp);
    l.header.sizeImage = uint32_t(l.pixelBytes);
    return l;
}

// A saved image carries no resolution, whatever the planes were loaded with.
PackedLayout savedLayoutOf(const SurfaceStore& st) {
    PackedLayout l = layoutOf(st);
    l.header.xPelsPerMeter = 0;
    l.header.yPelsPerMeter = 0;
    return l;
}

void writeHeaderBlock(ByteStream& s, const PackedLayout& l) {
    writeOrFail(s, &l.header, sizeof l.header);
    if (l.withMasks) {
        uint8_t m[12];
        for (int i = 0; i < 3; ++i) put32(m + 4 * i, l.masks[i]);
        writeOrFail(s, m, sizeof m);
    }
    if (l.palette && l.palette->count() > 0) {
        std::vector<uint8_t> entries(size_t(l.palette->count()) * 4);
        for (size_t i = 0; i < l.palette->entries.size(); ++i) {
            const Bgra& e = l.palette->entries[i];
            entries[4 * i] = e.b;
            entries[4 * i + 1] = e.g;
            entries[4 * i + 2] = e.r;
            entries[4 * i + 3] = 0;
        }
        writeOrFail(s, entries.data(), entries.size());
    }
}

void writeFileHeader(ByteStream& s, const PackedLayout& l) {
    uint8_t fh[kFileHeaderSize] = {'B', 'M'};
    put32(fh + 2, uint32_t(kFileHeaderSize + l.headerBlock + l.pixelBytes));
    put32(fh + 10, uint32_t(kFileHeaderSize + l.headerBlock));
    writeOrFail(s, fh, sizeof fh);
}

void writePacked(ByteStream& s, const SurfaceStore& st, const PackedLayout& l) {
    writeHeaderBlock(s, l);
    // The store is the file's pixel data already: bottom-up rows padded to 4 bytes.
    writeOrFail(s, st.bits, l.pixelBytes);
}

// Writes a file of `bpp` (24 or 32) bits whose rows `fill` produces (row y of the picture into a
// buffer of the row stride), bottom-up, a batch of rows per write.
template <typename Fill>
void writeRows(ByteStream& s, int32_t width, int32_t height, int32_t bpp, Fill fill) {
    PackedLayout l;
    l.header.width = width;
    l.header.height = height;
    l.header.bitCount = uint16_t(bpp);
    const uint64_t stride = uint64_t(bitmapRowBytes(width, bpp));
    l.pixelBytes = stride * uint64_t(height);
    l.headerBlock = kInfoHeaderSize;
    if (l.pixelBytes + l.headerBlock + kFileHeaderSize > 0xFFFFFFFFu) fail(kTooLargeForBmp);
    l.header.sizeImage = uint32_t(l.pixelBytes);
    writeFileHeader(s, l);
    writeHeaderBlock(s, l);

    const int32_t batch = int32_t(std::max<uint64_t>(1, (1u << 20) / stride));
    std::vector<uint8_t> buffer(size_t(stride) * size_t(std::min(batch, height)));
    for (int32_t done = 0; done < height;) {
        const int32_t n = std::min(batch, height - done);
        for (int32_t i = 0; i < n; ++i) {
            uint8_t* row = buffer.data() + size_t(i) * stride;
            std::memset(row + (size_t(width) * size_t(bpp / 8)), 0,
                        size_t(stride) - size_t(width) * size_t(bpp / 8));
            fill(height - 1 - (done + i), row);
        }
        writeOrFail(s, buffer.data(), uint64_t(n) * stride);
        done += n;
    }
}

// A copy of the colour plane laid over white where the alpha plane is not opaque.
void flatten(const ColorImage& color, const GrayMap* alpha, ColorImage& out) {
    if (!out.copyFrom(color)) fail("out of memory");
    if (!alpha) return;
    for (int32_t y = 0; y < out.height(); ++y) {
        Bgr* px = out.pixels(y);
        const uint8_t* a = alpha->row(y);
        for (int32_t x = 0; x < out.width(); ++x) {
            if (a[x] != 255) lerpPixel(px[x], kWhite, uint8_t(255 - a[x]));
        }
    }
}

// The depth a save writes: the bit count of the header the image's format info holds (16 bits
// as 5-6-5 only when that header's masks say so); without a header, 24 bits, or 32 when the
// alpha plane holds real transparency.
int32_t savedDepth(const BmpFormatInfo* info, const GrayMap* alpha) {
    const uint16_t bits = info ? info->headerBitCount() : 0;
    if (bits == 16) {
        const std::vector<uint8_t>& hd = info->header;
        const uint32_t size = hd.size() >= 4 ? uint32_t(hd[0] | hd[1] << 8) : 0;
        const uint32_t compression =
            hd.size() >= 20 ? uint32_t(hd[16] | hd[17] << 8 | hd[18] << 16 | hd[19] << 24) : 0;
        const size_t greenAt = 44;
        if (compression == kCompressionBitfields && size >= 40 && hd.size() >= greenAt + 4) {
            const uint32_t green = uint32_t(hd[greenAt] | hd[greenAt + 1] << 8);
            if (green == 0x07E0) return 16;
        }
        return 15;
    }
    if (bits != 0) return bits;
    if (!alpha) return 24;
    bool allClear = true;
    bool allOpaque = true;
    for (int32_t y = 0; y < alpha->height() && (allClear || allOpaque); ++y) {
        const uint8_t* a = alpha->row(y);
        for (int32_t x = 0; x < alpha->width(); ++x) {
            allClear &= a[x] == 0;
            allOpaque &= a[x] == 255;
        }
    }
    return allClear || allOpaque ? 24 : 32;
}

const uint8_t* findBitmap(uint32_t id, const ResourceModule* module, uint32_t& size) {
    if (!module) registerProgramBitmaps();
    return findResource(id, ResourceType::numbered(kResourceBitmap), module, &size);
}

// Reads a packed bitmap resource (no file header) from memory.
std::unique_ptr<SurfaceStore> readResource(const uint8_t* data, uint32_t size, bool pixels,
                                           bmp::DibInfo* info) {
    const uint32_t block = packedDibHeaderBlockSize(data, size);
    if (block == 0 || (pixels && block >= size)) fail();
    MemoryStream stream;
    if (!stream.attachBlock(static_cast<const void*>(data), size, 0)) fail();
    return bmp::readPacked(stream, block, size - block, pixels, info);
}

}  // namespace

// ---- the codec ---------------------------------------------------------------------------------

bool BmpCodec::loadFromStream(ImageFile& image, ByteStream& stream, uint32_t flags) {
    clearFailure();
    if (!accepts(image) || !stream.isOpen()) return false;
    auto* target = dynamic_cast<TransparentImageFile*>(&image);
    BmpFormatInfo* info = bmpInfoOf(image);
    if (!target || !info) return false;
    try {
        bmp::DibInfo dib;
        if (flags & LoadHeaderOnly) {
            bmp::readFile(stream, false, &dib);
            describeInto(*info, dib);
            return true;
        }
        ColorImage color;
        GrayMap alpha;
        toPlanes(bmp::readFile(stream, true, &dib), false, color, alpha);
        describeInto(*info, dib);
        commitPlanes(*target, color, alpha);
        return true;
    } catch (const bmp::Failure& failure) {
        return refuse(failure.reason);
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    } catch (...) {
        return false;
    }
}

bool BmpCodec::saveToStream(ByteStream& stream, const ImageFile& image) {
    clearFailure();
    if (!accepts(image) || !stream.isOpen()) return false;
    const ColorImage* color = image.colorPlane();
    if (!color || !color->isValid()) return false;
    const GrayMap* alpha = image.alphaPlane();
    if (alpha && (!alpha->isValid() || alpha->size() != color->size())) return false;
    try {
        const int32_t depth =
            savedDepth(dynamic_cast<const BmpFormatInfo*>(image.formatInfo()), alpha);
        const int32_t w = color->width();
        const int32_t h = color->height();
        if (depth == 24 && !alpha) {
            const PackedLayout l = savedLayoutOf(*color->store());
            writeFileHeader(stream, l);
            writePacked(stream, *color->store(), l);
        } else if (depth == 24) {
            writeRows(stream, w, h, 24, [&](int32_t y, uint8_t* row) {
                auto* out = reinterpret_cast<Bgr*>(row);
                std::memcpy(static_cast<void*>(out), color->pixels(y), size_t(w) * 3);
                const uint8_t* a = alpha->row(y);
                for (int32_t x = 0; x < w; ++x) {
                    if (a[x] != 255) lerpPixel(out[x], kWhite, uint8_t(255 - a[x]));
                }
            });
        } else if (depth == 32) {
            // Straight (not premultiplied) alpha in the fourth byte; opaque without a plane.
            writeRows(stream, w, h, 32, [&](int32_t y, uint8_t* row) {
                const Bgr* in = color->pixels(y);
                const uint8_t* a = alpha ? alpha->row(y) : nullptr;
                for (int32_t x = 0; x < w; ++x, row += 4) {
                    row[0] = in[x].b;
                    row[1] = in[x].g;
                    row[2] = in[x].r;
                    row[3] = a ? a[x] : 255;
                }
            });
        } else if (depth == 1 || depth == 4 || depth == 8 || depth == 15 || depth == 16) {
            ColorImage flat;
            flatten(*color, alpha, flat);
            PixelSurface converted;
            if (!convertTo(flat, converted, depth)) fail("out of memory");
            const PackedLayout l = savedLayoutOf(*converted.store());
            writeFileHeader(stream, l);
            writePacked(stream, *converted.store(), l);
        } else {
            return refuse("unsupported bit depth " + std::to_string(depth));
        }
        return true;
    } catch (const bmp::Failure& failure) {
        return refuse(failure.reason);
    } catch (const std::bad_alloc&) {
        return refuse("out of memory");
    } catch (...) {
        return false;
    }
}

bool BmpCodec::loadFromResource(ImageFile& image, uint32_t id, const ResourceModule* module,
                                uint32_t flags) {
    if (!accepts(image)) return false;
    auto* target = dynamic_cast<TransparentImageFile*>(&image);
    BmpFormatInfo* info = bmpInfoOf(image);
    if (!target || !info) return false;
    try {
        uint32_t size = 0;
        const uint8_t* data = findBitmap(id, module, size);
        if (!data) return false;
        bmp::DibInfo dib;
        if (flags & LoadHeaderOnly) {
            readResource(data, size, false, &dib);
            describeInto(*info, dib);
            return true;
        }
        ColorImage color;
        GrayMap alpha;
        toPlanes(readResource(data, size, true, &dib), true, color, alpha);
        describeInto(*info, dib);
        commitPlanes(*target, color, alpha);
        return true;
    } catch (...) {
        return false;
    }
}

// ---- shared functions --------------------------------------------------------------------------

bool writeBitmapFile(ByteStream& stream, const PixelSurface& surface) {
    if (!stream.isOpen() || !surface.isValid()) return false;
    try {
        const PackedLayout l = layoutOf(*surface.store());
        writeFileHeader(stream, l);
        writePacked(stream, *surface.store(), l);
        return true;
    } catch (...) {
        return false;
    }
}

bool writePackedDib(ByteStream& stream, const PixelSurface& surface, uint32_t* headerBlockSize,
                    uint32_t* pixelDataSize) {
    if (!stream.isOpen() || !surface.isValid()) return false;
    try {
        const PackedLayout l = layoutOf(*surface.store());
        writePacked(stream, *surface.store(), l);
        if (headerBlockSize) *headerBlockSize = uint32_t(l.headerBlock);
        if (pixelDataSize) *pixelDataSize = uint32_t(l.pixelBytes);
        return true;
    } catch (...) {
        return false;
    }
}

bool loadBitmapResource(uint32_t id, const ResourceModule* module, int32_t bitsPerPixel,
                        PixelSurface& surface) {
    switch (bitsPerPixel) {
        case 0:
        case 1:
        case 4:
        case 8:
        case 15:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    try {
        uint32_t size = 0;
        const uint8_t* data = findBitmap(id, module, size);
        if (!data) return false;
        PixelSurface loaded(readResource(data, size, true, nullptr));
        const SurfaceStore& st = *loaded.store();
        const bool fiveFiveFive = st.bitsPerPixel() == 16 && st.masks[1] == 0x03E0;
        const bool same =
            bitsPerPixel == 0 || (bitsPerPixel == 15 ? fiveFiveFive
                                                     : bitsPerPixel == st.bitsPerPixel() &&
                                                           !(bitsPerPixel == 16 && fiveFiveFive));
        if (same) return surface.adoptStore(loaded.takeStore()) != 0;
        PixelSurface converted;
        if (!convertTo(loaded, converted, bitsPerPixel)) return false;
        return surface.adoptStore(converted.takeStore()) != 0;
    } catch (...) {
        return false;
    }
}

}  // namespace varnel
