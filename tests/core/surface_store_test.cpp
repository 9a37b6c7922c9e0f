#include "core/surface_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace varnel {
namespace {

// A packed header as a file or the clipboard would hand it in: the header, then `extra` words
// (masks or palette entries).
std::vector<uint8_t> packedHeader(BitmapInfoHeader h, uint32_t headerSize,
                                  std::vector<uint32_t> extra = {}) {
    h.size = headerSize;
    std::vector<uint8_t> out(std::max<size_t>(headerSize, 40) + 4 * extra.size(), 0);
    std::memcpy(out.data(), &h, 40);
    if (!extra.empty()) std::memcpy(out.data() + headerSize, extra.data(), 4 * extra.size());
    return out;
}

BitmapInfoHeader header(int32_t w, int32_t h, uint16_t bits, uint32_t compression = 0,
                        uint32_t clrUsed = 0) {
    BitmapInfoHeader hd;
    hd.width = w;
    hd.height = h;
    hd.bitCount = bits;
    hd.compression = compression;
    hd.clrUsed = clrUsed;
    return hd;
}

TEST(SurfaceStore, RowsArePaddedToFourBytesAndStoredBottomUp) {
    struct Case {
        int32_t w, h, bits, rowBytes;
    } cases[] = {
        {3, 2, 24, 12}, {33, 1, 1, 8}, {1, 1, 1, 4}, {32, 1, 1, 4},  {9, 3, 4, 8},
        {3, 1, 16, 8},  {1, 5, 32, 4}, {5, 2, 8, 8}, {4, 2, 24, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "x" << c.bits);
        auto s = SurfaceStore::create(c.w, c.h, c.bits);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->bytesPerRow, c.rowBytes);
        EXPECT_EQ(s->imageBytes(), size_t(c.rowBytes) * size_t(c.h));
        EXPECT_EQ(s->header.sizeImage, uint32_t(c.rowBytes * c.h));
        for (int32_t y = 0; y < c.h; ++y)
            EXPECT_EQ(s->row(y), s->bits + size_t(c.h - 1 - y) * size_t(c.rowBytes));
        for (size_t i = 0; i < s->imageBytes(); ++i) ASSERT_EQ(s->bits[i], 0) << i;
        EXPECT_EQ(s->magic, 0x2B424944u);
    }
}

TEST(SurfaceStore, CreateRefusesBadSizesAndDepths) {
    struct Case {
        int32_t w, h, bits;
    } cases[] = {
        {0, 1, 24},    {1, 0, 24},
        {-5, 5, 8},    {5, -5, 8},
        {30001, 1, 8}, {1, 30001, 8},
        {4, 4, 2},     {4, 4, 0},
        {4, 4, 64},    {std::numeric_limits<int32_t>::max(), 1, 32},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(SurfaceStore::create(c.w, c.h, c.bits)) << c.w << "x" << c.h << "x" << c.bits;
    EXPECT_TRUE(SurfaceStore::create(30000, 1, 32));
}

TEST(SurfaceStore, ReportsAllocationFailure) {
    platform::failNextAllocations(1);
    EXPECT_FALSE(SurfaceStore::create(8, 8, 24));
    EXPECT_TRUE(SurfaceStore::create(8, 8, 24));
}

TEST(SurfaceStore, IndexedStoresGetTheirDepthsDefaultPalette) {
    auto mono = SurfaceStore::create(2, 2, 1);
    ASSERT_EQ(mono->palette.count(), 2);
    EXPECT_EQ(mono->palette.entries[0], (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(mono->palette.entries[1], (Bgra{255, 255, 255, 0}));

    auto four = SurfaceStore::create(2, 2, 4);
    ASSERT_EQ(four->palette.count(), 16);
    EXPECT_EQ(four->palette.entries[1], (Bgra{128, 0, 0, 0}));  // dark blue
    EXPECT_EQ(four->palette.entries[4], (Bgra{0, 0, 128, 0}));  // dark red
    EXPECT_EQ(four->palette.entries[7], (Bgra{192, 192, 192, 0}));
    EXPECT_EQ(four->palette.entries[8], (Bgra{128, 128, 128, 0}));
    EXPECT_EQ(four->palette.entries[12], (Bgra{0, 0, 255, 0}));
    EXPECT_EQ(four->header.clrUsed, 16u);

    auto gray = SurfaceStore::create(2, 2, 8);
    ASSERT_EQ(gray->palette.count(), 256);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(gray->palette.entries[i], (Bgra{uint8_t(i), uint8_t(i), uint8_t(i), 0}));

    EXPECT_EQ(SurfaceStore::create(2, 2, 24)->palette.count(), 0);
}

TEST(SurfaceStore, MasksCarryTheirShiftsAndLosses) {
    struct Case {
        int32_t bits;
        bool withMasks;
        uint32_t compression;
        uint32_t masks[3];
        int32_t shifts[3], losses[3];
    } cases[] = {
        {15, false, 0, {0x7C00, 0x03E0, 0x001F}, {10, 5, 0}, {3, 3, 3}},
        {16, false, 0, {0x7C00, 0x03E0, 0x001F}, {10, 5, 0}, {3, 3, 3}},
        {16, true, 3, {0xF800, 0x07E0, 0x001F}, {11, 5, 0}, {3, 2, 3}},
        {15, true, 3, {0x7C00, 0x03E0, 0x001F}, {10, 5, 0}, {3, 3, 3}},
        {32, true, 3, {0xFF0000, 0xFF00, 0xFF}, {16, 8, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << (c.withMasks ? " with masks" : ""));
        auto s = SurfaceStore::create(4, 1, c.bits, c.withMasks);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->bitsPerPixel(), c.bits == 15 ? 16 : c.bits);
        EXPECT_EQ(s->header.compression, c.compression);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(s->masks[i], c.masks[i]);
            EXPECT_EQ(s->shifts[i], c.shifts[i]);
            EXPECT_EQ(s->losses[i], c.losses[i]);
        }
        EXPECT_EQ(s->masks[kMaskAlpha], 0u);
        EXPECT_EQ(s->losses[kMaskAlpha], 0);
    }
}

TEST(SurfaceStore, CreateFromHeaderReadsMasksAndPaletteWhereTheHeaderPutsThem) {
    // 40-byte header with compression 3: three masks follow the header.
    auto a = SurfaceStore::createFromHeader(
        packedHeader(header(2, 2, 16, 3), 40, {0xF800, 0x07E0, 0x001F}).data(), 52);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->masks[kMaskGreen], 0x07E0u);
    EXPECT_EQ(a->losses[kMaskGreen], 2);
    EXPECT_EQ(a->header.compression, 3u);

    // Larger headers hold four masks inside, alpha included.
    auto bytes = packedHeader(header(2, 2, 32, 3), 124);
    const uint32_t masks[4] = {0xFF, 0xFF00, 0xFF0000, 0xFF000000};
    std::memcpy(bytes.data() + 40, masks, 16);
    auto b = SurfaceStore::createFromHeader(bytes.data(), bytes.size());
    ASSERT_TRUE(b);
    EXPECT_EQ(b->masks[kMaskRed], 0xFFu);
    EXPECT_EQ(b->masks[kMaskAlpha], 0xFF000000u);
    EXPECT_EQ(b->shifts[kMaskAlpha], 24);
    EXPECT_EQ(b->header.size, 40u);

    // A 16-bit header without masks means 5-5-5.
    auto c = SurfaceStore::createFromHeader(packedHeader(header(2, 2, 16), 56).data(), 56);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->masks[kMaskRed], 0x7C00u);

    // An indexed header with colours-used: that many entries follow; the reserved byte is cleared.
    auto d = SurfaceStore::createFromHeader(
        packedHeader(header(3, 2, 8, 0, 2), 108, {0x00112233, 0xFF445566}).data(), 116);
    ASSERT_TRUE(d);
    ASSERT_EQ(d->palette.count(), 2);
    EXPECT_EQ(d->palette.entries[1], (Bgra{0x66, 0x55, 0x44, 0}));
    EXPECT_EQ(d->header.clrUsed, 2u);

    // Without colours-used the full table of the depth follows.
    std::vector<uint32_t> sixteen(16, 0x00808080);
    auto e =
        SurfaceStore::createFromHeader(packedHeader(header(3, 2, 4), 40, sixteen).data(), 40 + 64);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->palette.count(), 16);
}

TEST(SurfaceStore, CreateFromHeaderTreatsRunLengthAndTopDownAsPlainBottomUp) {
    std::vector<uint32_t> pal(256, 0);
    auto rle =
        SurfaceStore::createFromHeader(packedHeader(header(5, 3, 8, 1), 40, pal).data(), 40 + 1024);
    ASSERT_TRUE(rle);
    EXPECT_EQ(rle->header.compression, 0u);  // the store holds decoded pixels
    EXPECT_EQ(rle->bytesPerRow, 8);

    auto topDown = SurfaceStore::createFromHeader(packedHeader(header(5, -3, 24), 40).data(), 40);
    ASSERT_TRUE(topDown);
    EXPECT_EQ(topDown->height(), 3);
    EXPECT_EQ(topDown->row(0), topDown->bits + 2 * 16);
}

TEST(SurfaceStore, CreateFromHeaderRefusesMalformedHeaders) {
    std::vector<uint32_t> pal2(2, 0);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t available;
    } cases[] = {
        {"12-byte core header", packedHeader(header(2, 2, 24), 12), 40},
        {"unknown header size", packedHeader(header(2, 2, 24), 64), 64},
        {"header longer than the block", packedHeader(header(2, 2, 24), 124), 100},
        {"fewer than 40 bytes", packedHeader(header(2, 2, 24), 40), 39},
        {"zero width", packedHeader(header(0, 2, 24), 40), 40},
        {"zero height", packedHeader(header(2, 0, 24), 40), 40},
        {"most negative height",
         packedHeader(header(2, std::numeric_limits<int32_t>::min(), 24), 40), 40},
        {"side over the limit", packedHeader(header(30001, 1, 24), 40), 40},
        {"two bits per pixel", packedHeader(header(2, 2, 2), 40), 40},
        {"no bit count (embedded JPEG)", packedHeader(header(2, 2, 0, 4), 40), 40},
        {"JPEG compression", packedHeader(header(2, 2, 24, 4), 40), 40},
        {"RLE8 on 24 bits", packedHeader(header(2, 2, 24, 1), 40), 40},
        {"RLE4 on 8 bits", packedHeader(header(2, 2, 8, 2, 2), 40, pal2), 48},
        {"bitfields on 24 bits", packedHeader(header(2, 2, 24, 3), 40, {1, 2, 4}), 52},
        {"bitfields without room for masks", packedHeader(header(2, 2, 16, 3), 40), 40},
        {"more colours than the depth has", packedHeader(header(2, 2, 1, 0, 3), 40, {0, 0, 0}), 52},
        {"palette cut short", packedHeader(header(2, 2, 8, 0, 4), 40, {0, 0, 0}), 52},
        {"huge colour count", packedHeader(header(2, 2, 8, 0, 0xFFFFFFFF), 40), 40},
    };
    for (const Case& c : cases) {
        ASSERT_LE(c.available, c.bytes.size()) << c.what;
        EXPECT_FALSE(SurfaceStore::createFromHeader(c.bytes.data(), c.available)) << c.what;
    }
    EXPECT_FALSE(SurfaceStore::createFromHeader(nullptr, 40));
}

TEST(SurfaceStore, ExportedHeaderRecreatesTheSameFormat) {
    for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
        for (bool withMasks : {false, true}) {
            SCOPED_TRACE(testing::Message() << bits << (withMasks ? " with masks" : ""));
            auto s = SurfaceStore::create(7, 3, bits, withMasks);
            ASSERT_TRUE(s);
            std::vector<uint8_t> h = s->exportHeader();
            const bool bitfields = s->header.compression == 3;
            EXPECT_EQ(h.size(), 40 + (bitfields ? 12 : 0) + 4 * size_t(s->palette.count()));
            auto again = SurfaceStore::createFromHeader(h.data(), h.size());
            ASSERT_TRUE(again);
            EXPECT_EQ(again->bitsPerPixel(), s->bitsPerPixel());
            EXPECT_EQ(again->bytesPerRow, s->bytesPerRow);
            EXPECT_EQ(again->header.compression, s->header.compression);
            EXPECT_EQ(again->palette, s->palette);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(again->masks[i], s->masks[i]);
        }
    }
}

TEST(SurfaceStore, CloneIsDeep) {
    auto s = SurfaceStore::create(3, 3, 8);
    s->row(1)[2] = 77;
    s->flags = SurfaceStore::kFlagSmoothStretch;
    auto c = s->clone();
    ASSERT_TRUE(c);
    EXPECT_NE(c->bits, s->bits);
    EXPECT_EQ(c->row(1)[2], 77);
    EXPECT_EQ(c->flags, SurfaceStore::kFlagSmoothStretch);
    s->row(1)[2] = 1;
    EXPECT_EQ(c->row(1)[2], 77);
}

// A store made to be overwritten has the model's format and clean row padding even when it is
// given memory that held other bytes (big blocks are reused after release).
TEST(SurfaceStore, StoreForOverwriteHasTheFormatAndCleanPadding) {
    // 1001 pixels of 24 bits leave a byte of padding per row; the store is big enough to come
    // from the reused blocks.
    const int32_t w = 1001, h = 1500;
    for (int round = 0; round < 2; ++round) {
        auto dirty = SurfaceStore::create(w, h, 24);
        ASSERT_TRUE(dirty);
        std::memset(dirty->bits, 0xA5, dirty->imageBytes());
        auto model = SurfaceStore::create(w, h, 24);
        ASSERT_TRUE(model);
        model->flags = SurfaceStore::kFlagSmoothStretch;
        dirty.reset();
        auto s = SurfaceStore::createForOverwrite(*model);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->exportHeader(), model->exportHeader());
        EXPECT_EQ(s->flags, model->flags);
        EXPECT_EQ(s->bytesPerRow, model->bytesPerRow);
        for (int32_t y = 0; y < h; ++y) ASSERT_EQ(s->row(y)[size_t(w) * 3], 0) << y;
    }
    // Another size (what a quarter turn or a stretch asks for), over dirty reused memory too.
    {
        auto dirty = SurfaceStore::create(w, h, 24);
        ASSERT_TRUE(dirty);
        std::memset(dirty->bits, 0xA5, dirty->imageBytes());
        auto model = SurfaceStore::create(w, h, 24);
        ASSERT_TRUE(model);
        dirty.reset();
        auto s = SurfaceStore::createForOverwrite(*model, 1501, 1000);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->width(), 1501);
        EXPECT_EQ(s->height(), 1000);
        EXPECT_EQ(s->bitsPerPixel(), 24);
        EXPECT_EQ(s->bytesPerRow, 4504);
        for (int32_t y = 0; y < 1000; ++y) ASSERT_EQ(s->row(y)[4503], 0) << y;
    }
    // Palettes and masks come along.
    auto indexed = SurfaceStore::create(5, 3, 4);
    auto copy = SurfaceStore::createForOverwrite(*indexed);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->palette, indexed->palette);
    auto masked = SurfaceStore::create(5, 3, 16, true);
    EXPECT_EQ(SurfaceStore::createForOverwrite(*masked)->exportHeader(), masked->exportHeader());
}

}  // namespace
}  // namespace varnel
