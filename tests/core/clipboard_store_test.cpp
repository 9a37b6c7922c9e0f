// The clipboard store and the packed bitmaps it exchanges with the system clipboard: blocks from
// other programs in every depth, hostile blocks, and which image (and mask) a paste gives.
#include "core/clipboard_store.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <optional>

#include "../support/fake_system_clipboard.h"

namespace varnel {
namespace {

using FakeClipboard = FakeSystemClipboard;

// A packed bitmap: the header, `extra` (masks, colour table), then the rows given top row first,
// each padded to 4 bytes and stored bottom-up (or top-down with a negative height).
std::vector<uint8_t> packed(BitmapInfoHeader h, const std::vector<uint8_t>& extra,
                            const std::vector<std::vector<uint8_t>>& rowsTopFirst,
                            bool topDown = false) {
    const size_t rowBytes = size_t((int64_t(h.width) * h.bitCount + 31) / 32 * 4);
    if (topDown) h.height = -h.height;
    std::vector<uint8_t> out(sizeof h);
    std::memcpy(out.data(), &h, sizeof h);
    out.insert(out.end(), extra.begin(), extra.end());
    for (size_t i = 0; i < rowsTopFirst.size(); ++i) {
        std::vector<uint8_t> row = rowsTopFirst[topDown ? i : rowsTopFirst.size() - 1 - i];
        row.resize(rowBytes, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

BitmapInfoHeader header(int32_t w, int32_t h, uint16_t bits, uint32_t compression = 0,
                        uint32_t colours = 0) {
    BitmapInfoHeader hd;
    hd.width = w;
    hd.height = h;
    hd.bitCount = bits;
    hd.compression = compression;
    hd.clrUsed = colours;
    return hd;
}

void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

using Rgb = std::array<int, 3>;  // red, green, blue

Rgb at(const ColorImage& image, int x, int y) {
    const uint8_t* p = image.row(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

// Two rows of two pixels in each depth: top row red, green; bottom row blue, white.
TEST(PackedBitmap, EveryDepthPastesAsTheSameColourImage) {
    const std::vector<uint8_t> palette2 = {0, 0, 255, 0, 255, 255, 255, 0};  // red, white
    std::vector<uint8_t> palette4;  // red, green, blue, white, then black
    for (uint32_t c : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0x00FFFFFFu}) put32(palette4, c);
    std::vector<uint8_t> masks565;
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) put32(masks565, m);
    std::vector<uint8_t> v5Header(124 - 40, 0);  // a version 5 header: masks inside it
    for (int i = 0; i < 4; ++i) {
        const uint32_t m[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
        std::memcpy(v5Header.data() + i * 4, &m[i], 4);
    }
    auto withSize = [](BitmapInfoHeader h, uint32_t size) {
        h.size = size;
        return h;
    };

    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        std::array<Rgb, 4> expected;  // top-left, top-right, bottom-left, bottom-right
    };
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    const std::array<Rgb, 4> quad{red, green, blue, white};
    const Case cases[] = {
        {"24-bit",
         packed(header(2, 2, 24), {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}), quad},
        {"24-bit top-down",
         packed(header(2, 2, 24), {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}, true),
         quad},
        {"24-bit with an optional colour table",
         packed(header(2, 2, 24, 0, 2), palette2,
                {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}),
         quad},
        {"32-bit, alpha byte dropped",
         packed(header(2, 2, 32), {},
                {{0, 0, 255, 7, 0, 255, 0, 0}, {255, 0, 0, 9, 255, 255, 255, 0}}),
         quad},
        {"4-bit palette of four", packed(header(2, 2, 4, 0, 4), palette4, {{0x01}, {0x23}}), quad},
        {"8-bit palette of four", packed(header(2, 2, 8, 0, 4), palette4, {{0, 1}, {2, 3}}), quad},
        {"1-bit palette",
         packed(header(2, 2, 1), palette2, {{0x40}, {0x80}}),
         {red, white, white, red}},
        {"16-bit 5-6-5 bit fields",
         packed(header(2, 2, 16, 3), masks565,
                {{0x00, 0xF8, 0xE0, 0x07}, {0x1F, 0x00, 0xFF, 0xFF}}),
         {Rgb{248, 0, 0}, Rgb{0, 252, 0}, Rgb{0, 0, 248},
          Rgb{248, 252, 248}}},  // 5 and 6 bits widened
        {"32-bit bit fields in a version 5 header",
         packed(withSize(header(2, 2, 32, 3), 124), v5Header,
                {{0, 0, 255, 255, 0, 255, 0, 255}, {255, 0, 0, 255, 255, 255, 255, 255}}),
         quad},
    };
    for (const Case& c : cases) {
        FakeClipboard system;
        system.block = c.block;
        ClipboardStore store(&system);
        Size size;
        ASSERT_TRUE(store.imageSize(size)) << c.name;
        EXPECT_EQ(size, (Size{2, 2})) << c.name;
        ColorImage image;
        bool fromStore = true;
        ASSERT_TRUE(store.pasteInto(image, &fromStore)) << c.name;
        EXPECT_FALSE(fromStore) << c.name;
        EXPECT_EQ(image.bitsPerPixel(), 24) << c.name;
        EXPECT_EQ(at(image, 0, 0), c.expected[0]) << c.name;
        EXPECT_EQ(at(image, 1, 0), c.expected[1]) << c.name;
        EXPECT_EQ(at(image, 0, 1), c.expected[2]) << c.name;
        EXPECT_EQ(at(image, 1, 1), c.expected[3]) << c.name;
    }
}

TEST(PackedBitmap, HostileBlocksAreRefusedAndLeaveTheTargetAlone) {
    const std::vector<uint8_t> good =
        packed(header(2, 2, 24), {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    auto cut = [](std::vector<uint8_t> v, size_t n) {
        v.resize(v.size() - n);
        return v;
    };
    auto patched = [](BitmapInfoHeader h, auto change) {
        change(h);
        return packed(h, {}, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    };
    const std::vector<uint8_t> palette16(16 * 4, 0);
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
    } cases[] = {
        {"empty", {}},
        {"shorter than the header", std::vector<uint8_t>(good.begin(), good.begin() + 39)},
        {"one byte short of the rows", cut(good, 1)},
        {"rows missing", std::vector<uint8_t>(good.begin(), good.begin() + 40)},
        {"bit fields without their masks",
         packed(header(1, 1, 32, 3), {0, 0, 0xFF, 0, 0, 0xFF}, {})},
        {"palette cut short", packed(header(1, 1, 8, 0, 16), std::vector<uint8_t>(60, 0), {})},
        {"more colours than the depth has", packed(header(1, 1, 4, 0, 17), palette16, {{0}})},
        {"a colour table the block cannot hold",
         patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.clrUsed = 0xFFFFFFFFu; })},
        {"run-length rows", packed(header(2, 2, 8, 1), std::vector<uint8_t>(1024, 0), {{0}, {0}})},
        {"compressed as PNG",
         patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.compression = 5; })},
        {"zero width", patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.width = 0; })},
        {"negative width", patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.width = -2; })},
        {"zero height", patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.height = 0; })},
        {"most negative height",
         patched(header(2, 2, 24),
                 [](BitmapInfoHeader& h) { h.height = std::numeric_limits<int32_t>::min(); })},
        {"huge sides, short block",
         patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.width = h.height = 30000; })},
        {"side over the limit",
         patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.width = 30001; })},
        {"unknown depth", patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.bitCount = 2; })},
        {"no depth", patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.bitCount = 0; })},
        {"core header size", patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.size = 12; })},
        {"header size past the block",
         patched(header(2, 2, 24), [](BitmapInfoHeader& h) { h.size = 124; })},
    };
    for (const Case& c : cases) {
        PixelSurface any;
        EXPECT_FALSE(readPackedBitmap(c.block.data(), c.block.size(), any)) << c.name;
        EXPECT_FALSE(any.isValid()) << c.name;

        FakeClipboard system;
        system.block = c.block;
        ClipboardStore store(&system);
        ColorImage target;
        ASSERT_TRUE(target.createColor(3, 1));
        EXPECT_FALSE(store.pasteInto(target)) << c.name;
        EXPECT_EQ(target.size(), (Size{3, 1})) << c.name;
    }
    PixelSurface any;
    EXPECT_TRUE(readPackedBitmap(good.data(), good.size(), any));
    EXPECT_FALSE(readPackedBitmap(nullptr, 100, any));
}

ColorImage filled(int w, int h, ColorRef colour) {
    ColorImage image;
    EXPECT_TRUE(image.createColor(w, h));
    image.fillAll(colour);
    return image;
}

TEST(ClipboardStore, PastingPrefersTheSystemClipboardAndOnlyTheStoresImageKeepsItsMask) {
    FakeClipboard system;
    ClipboardStore store(&system);
    ColorImage target;
    Size size;
    EXPECT_FALSE(store.hasImage());
    EXPECT_FALSE(store.imageSize(size));
    EXPECT_FALSE(store.pasteInto(target));
    EXPECT_FALSE(target.isValid());

    Channel mask;
    ASSERT_TRUE(mask.createGray(3, 2));
    mask.fillAll(0x808080);
    ASSERT_TRUE(store.put(filled(3, 2, 0x0000FF), &mask));  // red
    EXPECT_TRUE(store.hasImage());
    EXPECT_TRUE(store.hasMask());
    ASSERT_TRUE(store.imageSize(size));
    EXPECT_EQ(size, (Size{3, 2}));
    bool fromStore = false;
    ASSERT_TRUE(store.pasteInto(target, &fromStore));
    EXPECT_TRUE(fromStore);
    EXPECT_EQ(at(target, 2, 1), (Rgb{255, 0, 0}));
    Channel copy;
    ASSERT_TRUE(store.copyMaskInto(copy));
    EXPECT_EQ(copy.row(1)[2], 0x80);

    // Another program copies a blue 1 x 1 image: it wins over the store.
    system.block = packed(header(1, 1, 24), {}, {{255, 0, 0}});
    ASSERT_TRUE(store.imageSize(size));
    EXPECT_EQ(size, (Size{1, 1}));
    ASSERT_TRUE(store.pasteInto(target, &fromStore));
    EXPECT_FALSE(fromStore);
    EXPECT_EQ(at(target, 0, 0), (Rgb{0, 0, 255}));

    // A mask of another size is refused, and the store keeps what it had.
    Channel wrong;
    ASSERT_TRUE(wrong.createGray(2, 2));
    EXPECT_FALSE(store.put(filled(3, 3, 0), &wrong));
    system.block.reset();
    ASSERT_TRUE(store.imageSize(size));
    EXPECT_EQ(size, (Size{3, 2}));

    // Without a mask the old one goes.
    ASSERT_TRUE(store.put(filled(1, 1, 0)));
    EXPECT_FALSE(store.hasMask());
    EXPECT_FALSE(store.copyMaskInto(copy));
}

// Transparency travels as a fourth channel named by the header's alpha mask; a channel that says
// nothing (all opaque, or all zero as programs that never fill it write) is no transparency.
TEST(PackedBitmap, AlphaComesThroughOnlyWhereTheHeaderNamesItAndItSaysSomething) {
    ColorImage colour = filled(3, 2, 0x0000FF);
    colour.pixels(1)[2] = Bgr{7, 8, 9};
    Channel alpha;
    ASSERT_TRUE(alpha.createGray(3, 2));
    alpha.fillAll(0xFFFFFF);
    alpha.row(0)[0] = 0;  // its colour must survive too
    alpha.row(1)[2] = 77;
    const std::vector<uint8_t> block = packedBitmapWithAlpha(colour, alpha);
    ASSERT_EQ(block.size(), 124u + 3 * 2 * 4);
    EXPECT_TRUE(packedBitmapWithAlpha(colour, Channel()).empty());

    ColorImage back;
    Channel backAlpha;
    ASSERT_TRUE(readPackedBitmapWithAlpha(block.data(), block.size(), back, backAlpha));
    ASSERT_TRUE(backAlpha.isValid());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(back.pixels(y)[x], colour.pixels(y)[x]) << x << "," << y;
            EXPECT_EQ(backAlpha.row(y)[x], alpha.row(y)[x]) << x << "," << y;
        }

    std::vector<uint8_t> v5Masks(124 - 40, 0);
    const uint32_t masks[4] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u};
    std::memcpy(v5Masks.data(), masks, sizeof masks);
    std::vector<uint8_t> argb1555(56 - 40, 0);  // a 56-byte header: masks inside it
    const uint32_t masks1555[4] = {0x7C00u, 0x03E0u, 0x001Fu, 0x8000u};
    std::memcpy(argb1555.data(), masks1555, sizeof masks1555);
    auto sized = [](BitmapInfoHeader h, uint32_t size) {
        h.size = size;
        return h;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        std::optional<std::array<int, 2>> alpha;  // of the left and right pixel; none: no mask
        int red = 255;                            // of the left pixel
    };
    const Case cases[] = {
        {"version 5, alpha named",
         packed(sized(header(2, 1, 32, 3), 124), v5Masks, {{0, 0, 255, 200, 0, 0, 255, 255}}),
         std::array<int, 2>{200, 255}},
        {"version 5, all opaque",
         packed(sized(header(2, 1, 32, 3), 124), v5Masks, {{0, 0, 255, 255, 0, 0, 255, 255}}),
         std::nullopt},
        {"version 5, all zero",
         packed(sized(header(2, 1, 32, 3), 124), v5Masks, {{0, 0, 255, 0, 0, 0, 255, 0}}),
         std::nullopt},
        {"32-bit without masks: the fourth byte is no alpha",
         packed(header(2, 1, 32), {}, {{0, 0, 255, 9, 0, 0, 255, 255}}), std::nullopt},
        {"16-bit, one alpha bit",
         packed(sized(header(2, 1, 16, 3), 56), argb1555, {{0x00, 0x7C, 0x00, 0xFC}}),
         std::array<int, 2>{0, 255}, 248},  // 5 bits widened
        {"24-bit", packed(header(2, 1, 24), {}, {{0, 0, 255, 0, 0, 255}}), std::nullopt},
    };
    for (const Case& c : cases) {
        ColorImage image;
        Channel mask;
        ASSERT_TRUE(mask.createGray(1, 1));  // replaced, or dropped when there is none
        ASSERT_TRUE(readPackedBitmapWithAlpha(c.block.data(), c.block.size(), image, mask))
            << c.name;
        EXPECT_EQ(at(image, 0, 0), (Rgb{c.red, 0, 0})) << c.name;
        ASSERT_EQ(mask.isValid(), c.alpha.has_value()) << c.name;
        if (c.alpha) {
            EXPECT_EQ(mask.row(0)[0], (*c.alpha)[0]) << c.name;
            EXPECT_EQ(mask.row(0)[1], (*c.alpha)[1]) << c.name;
        }
    }

    // A block cut short leaves both targets alone.
    ColorImage kept = filled(1, 1, 0);
    Channel keptMask;
    ASSERT_TRUE(keptMask.createGray(1, 1));
    EXPECT_FALSE(readPackedBitmapWithAlpha(block.data(), block.size() - 1, kept, keptMask));
    EXPECT_EQ(kept.size(), (Size{1, 1}));
    EXPECT_TRUE(keptMask.isValid());
}

TEST(ClipboardStore, ItsOwnPublishedImageComesBackWholeUntilAnotherProgramCopies) {
    FakeClipboard system;
    ClipboardStore store(&system);
    ColorImage image = filled(3, 2, 0x00FF00);
    Channel mask;
    ASSERT_TRUE(mask.createGray(3, 2));
    mask.fillAll(0xFFFFFF);
    mask.row(0)[1] = 0;
    const ClipboardOrigin origin{{5, 6}, {40, 30}};
    ASSERT_TRUE(store.put(image, &mask, &origin));
    ASSERT_TRUE(store.publish());
    // Published with its transparency for other programs.
    ASSERT_TRUE(system.block);
    ColorImage published;
    Channel publishedAlpha;
    ASSERT_TRUE(readPackedBitmapWithAlpha(system.block->data(), system.block->size(), published,
                                          publishedAlpha));
    ASSERT_TRUE(publishedAlpha.isValid());
    EXPECT_EQ(publishedAlpha.row(0)[1], 0);

    // While the system clipboard holds what the store put there, pasting takes the store's own
    // image, mask and origin.
    ClipboardImage got;
    ASSERT_TRUE(store.paste(got));
    EXPECT_EQ(got.origin, origin);
    ASSERT_TRUE(got.mask.isValid());
    EXPECT_EQ(got.mask.row(0)[1], 0);
    bool fromStore = false;
    ColorImage plain;
    ASSERT_TRUE(store.pasteInto(plain, &fromStore));
    EXPECT_TRUE(fromStore);

    // Another program copies an opaque image: it comes without mask or origin.
    system.block = packed(header(1, 1, 24), {}, {{255, 0, 0}});
    ASSERT_TRUE(store.paste(got));
    EXPECT_EQ(got.image.size(), (Size{1, 1}));
    EXPECT_FALSE(got.mask.isValid());
    EXPECT_FALSE(got.origin);
    ASSERT_TRUE(store.pasteInto(plain, &fromStore));
    EXPECT_FALSE(fromStore);

    // A block that cannot be read leaves the paste as it was.
    system.block = std::vector<uint8_t>(20, 0);
    EXPECT_FALSE(store.paste(got));
    EXPECT_EQ(got.image.size(), (Size{1, 1}));

    // Without a system clipboard the store's image is the only one.
    ClipboardStore alone;
    EXPECT_FALSE(alone.paste(got));
    ASSERT_TRUE(alone.put(image));
    ASSERT_TRUE(alone.paste(got));
    EXPECT_FALSE(got.mask.isValid());
    EXPECT_FALSE(got.origin);
}

TEST(ClipboardStore, PublishingHandsTheImageOverOnceAndClearingEmptiesBoth) {
    FakeClipboard system;
    ClipboardStore store(&system);
    EXPECT_FALSE(store.publish());  // nothing to publish
    EXPECT_EQ(system.writes, 0);

    ColorImage image = filled(5, 3, 0x00FF00);   // green
    image.fillRect(Rect{0, 0, 1, 1}, 0xFF0000);  // blue corner
    ASSERT_TRUE(store.put(image));
    EXPECT_TRUE(store.hasUnpublishedImage());
    system.refuseWrites = true;
    EXPECT_FALSE(store.publish());
    EXPECT_TRUE(store.hasUnpublishedImage());
    system.refuseWrites = false;
    ASSERT_TRUE(store.publish());
    EXPECT_FALSE(store.hasUnpublishedImage());

    // Another program (or this one, later) reads back what was published.
    ASSERT_TRUE(system.block);
    ColorImage back;
    ASSERT_TRUE(readPackedBitmap(system.block->data(), system.block->size(), back));
    EXPECT_EQ(back.size(), (Size{5, 3}));
    EXPECT_EQ(at(back, 0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(at(back, 4, 2), (Rgb{0, 255, 0}));

    system.text = "12.5";
    std::string text;
    ASSERT_TRUE(store.readText(text));
    EXPECT_EQ(text, "12.5");

    store.clear();
    EXPECT_FALSE(system.block);
    EXPECT_FALSE(store.hasImage());
    EXPECT_FALSE(store.hasUnpublishedImage());
    EXPECT_FALSE(store.readText(text));
    EXPECT_EQ(text, "12.5");  // a failed read leaves the string alone

    // Without a system clipboard the store works on its own and publishes nothing.
    ClipboardStore alone;
    ASSERT_TRUE(alone.put(image));
    EXPECT_TRUE(alone.hasImage());
    EXPECT_FALSE(alone.publish());
    EXPECT_FALSE(alone.readText(text));
}

}  // namespace
}  // namespace varnel
