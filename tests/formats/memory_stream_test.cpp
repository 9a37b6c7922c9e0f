#include "formats/memory_stream.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <numeric>

namespace varnel {
namespace {

std::array<uint8_t, 16> ramp() {
    std::array<uint8_t, 16> bytes{};
    std::iota(bytes.begin(), bytes.end(), uint8_t(0));
    return bytes;
}

TEST(MemoryStream, ReadCountsWholeElementsButAdvancesByEveryByte) {
    auto block = ramp();
    MemoryStream s;
    ASSERT_TRUE(s.attachBlock(block.data(), 16, 0));
    ASSERT_TRUE(s.seekTo(6));
    uint8_t out[16] = {};
    EXPECT_EQ(s.read(out, 4, 3), 2u);  // 10 bytes left: two whole elements
    EXPECT_EQ(s.tell(), 16u);
    EXPECT_EQ(out[0], 6);
    EXPECT_EQ(out[9], 15);
    EXPECT_TRUE(s.isEof());
    EXPECT_EQ(s.readByte(), -1);
}

TEST(MemoryStream, ElementTimesCountDoesNotWrapAround) {
    auto block = ramp();
    MemoryStream s;
    ASSERT_TRUE(s.attachBlock(block.data(), 10, 0));
    uint8_t out[16] = {};
    // 2 × 0x80000000 is 0 in 32 bits; the request is really "everything there is".
    EXPECT_EQ(s.read(out, 2, 0x80000000u), 5u);
    EXPECT_EQ(s.tell(), 10u);
    ASSERT_TRUE(s.rewind());
    EXPECT_EQ(s.write(out, 0x10000u, 0x10000u), 0u);  // 10 bytes written, no whole element
    EXPECT_EQ(s.tell(), 10u);
}

TEST(MemoryStream, WritesNeverGrowTheBlock) {
    std::array<uint8_t, 8> block{};
    block.fill(0xEE);
    MemoryStream s;
    ASSERT_TRUE(s.attachBlock(block.data(), 4, 0));
    const uint8_t data[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(s.write(data, 1, 6), 4u);
    EXPECT_FALSE(s.writeByte(9));  // full
    EXPECT_EQ(block, (std::array<uint8_t, 8>{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(MemoryStream, SeekReachesTheLastByteButNeverTheEnd) {
    auto block = ramp();
    MemoryStream s;
    ASSERT_TRUE(s.attachBlock(block.data(), 16, 0));
    ASSERT_TRUE(s.seekTo(4));
    struct Case {
        int64_t offset;
        int origin;
        bool ok;
        uint32_t position;  // afterwards
    } cases[] = {
        {15, SeekBegin, true, 15},
        {16, SeekBegin, false, 15},
        {-1, SeekBegin, false, 15},
        {-3, SeekCurrent, true, 12},
        {4, SeekCurrent, false, 12},
        {-1, SeekEnd, true, 15},
        {0, SeekEnd, false, 15},
        {-16, SeekEnd, true, 0},
        {-17, SeekEnd, false, 0},
        {0, 3, false, 0},
        {INT64_MAX, SeekCurrent, false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(s.seek(c.offset, c.origin), c.ok) << c.offset << " from " << c.origin;
        EXPECT_EQ(s.tell(), c.position) << c.offset << " from " << c.origin;
    }
    EXPECT_FALSE(s.seekToEnd());
}

TEST(MemoryStream, ClosedAndEmptyStreams) {
    MemoryStream never;
    EXPECT_TRUE(never.isBad());
    EXPECT_TRUE(never.isEof());
    EXPECT_FALSE(never.isOpen());
    EXPECT_FALSE(never.seekTo(0));
    EXPECT_EQ(never.readByte(), -1);
    EXPECT_FALSE(never.flush());
    EXPECT_FALSE(never.close());

    // An empty buffer is at its end and cannot be positioned anywhere.
    MemoryStream empty;
    empty.attachBuffer(std::make_unique<MemoryBuffer>(0));
    EXPECT_TRUE(empty.isEof());
    EXPECT_FALSE(empty.seekTo(0));
    EXPECT_FALSE(empty.writeByte(1));
}

TEST(MemoryStream, AttachBlockRefusals) {
    auto block = ramp();
    MemoryStream s;
    EXPECT_FALSE(s.attachBlock(static_cast<void*>(nullptr), 4, 0));
    EXPECT_FALSE(s.attachBlock(block.data(), 0, 0));
    ASSERT_TRUE(s.attachBlock(block.data(), 16, CheckReadable | CheckWritable));
    auto other = ramp();
    EXPECT_FALSE(s.attachBlock(other.data(), 16, 0));  // already open
    EXPECT_EQ(s.size(), 16u);
}

TEST(MemoryStream, AccessChecksFindUnmappedAndReadOnlyMemory) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    void* mem = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    auto* bytes = static_cast<uint8_t*>(mem);
    ASSERT_EQ(mprotect(bytes + page, page, PROT_READ), 0);

    struct Case {
        size_t offset, size;
        uint32_t checks;
        bool ok;
    } cases[] = {
        {0, page, CheckReadable | CheckWritable, true},
        {0, 2 * page, CheckReadable, true},
        {0, 2 * page, CheckWritable, false},  // second page is read-only
        {page, 16, 0, true},                  // no check asked
    };
    for (const Case& c : cases) {
        MemoryStream s;
        EXPECT_EQ(s.attachBlock(bytes + c.offset, uint32_t(c.size), c.checks), c.ok)
            << c.offset << "+" << c.size << " checks " << c.checks;
    }

    ASSERT_EQ(mprotect(bytes + page, page, PROT_NONE), 0);
    MemoryStream unreadable;
    EXPECT_FALSE(unreadable.attachBlock(bytes, uint32_t(2 * page), CheckReadable));
    // A block of unknown size cannot be checked, so it is taken on trust.
    MemoryStream unknown;
    EXPECT_TRUE(unknown.attachBlock(bytes, MemoryStream::kUnknownSize, CheckReadable));
    munmap(mem, 2 * page);
}

TEST(MemoryStream, ReadOnlyBlockRefusesWrites) {
    static const uint8_t kData[4] = {1, 2, 3, 4};
    MemoryStream s;
    ASSERT_TRUE(s.attachBlock(static_cast<const void*>(kData), 4, CheckReadable));
    EXPECT_EQ(s.write(kData, 1, 1), 0u);
    EXPECT_EQ(s.readByte(), 1);
}

TEST(MemoryStream, BufferModeOwnsAndHandsBackItsBuffer) {
    MemoryStream s;
    auto buffer = std::make_unique<MemoryBuffer>(8);
    const uint8_t* data = buffer->data();
    ASSERT_NE(data, nullptr);
    s.attachBuffer(std::move(buffer));
    EXPECT_TRUE(s.hasBuffer());
    EXPECT_TRUE(s.hasBufferAgain());
    EXPECT_FALSE(s.hasBlock());
    EXPECT_EQ(s.write("abcdefghij", 1, 10), 8u);
    std::unique_ptr<MemoryBuffer> back = s.detachBuffer();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->data(), data);
    EXPECT_EQ(std::memcmp(back->data(), "abcdefgh", 8), 0);
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.detachBuffer(), nullptr);

    // Attaching a buffer replaces a block; closing frees the buffer.
    auto block = ramp();
    ASSERT_TRUE(s.attachBlock(block.data(), 16, 0));
    s.attachBuffer(std::move(back));
    EXPECT_FALSE(s.hasBlock());
    EXPECT_EQ(s.readByte(), 'a');
    EXPECT_TRUE(s.close());
    EXPECT_FALSE(s.isOpen());
}

TEST(ByteStream, MapOriginAcceptsOnlyTheThreeOrigins) {
    MemoryStream s;
    EXPECT_EQ(s.mapOrigin(0), 0u);
    EXPECT_EQ(s.mapOrigin(1), 1u);
    EXPECT_EQ(s.mapOrigin(2), 2u);
    EXPECT_EQ(s.mapOrigin(3), ByteStream::kBadOrigin);
    EXPECT_EQ(s.mapOrigin(-1), ByteStream::kBadOrigin);
}

}  // namespace
}  // namespace varnel
